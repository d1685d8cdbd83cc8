// A ring of capture files for long runs: every capture is appended, as it
// arrives, to a capture file (.ss7 lines) in one folder; a file that is full
// by size or by number of captures is closed and the next one begun, and
// only the newest files are kept. Nothing written is held back for more
// than the time between two Flush calls.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

struct TCaptureRingSettings {
    // The folder of the ring's files; created when missing.
    std::string Folder;
    // A file is full once it holds this many bytes (0: no limit by size).
    uint64_t MaxFileBytes = 64ull << 20;
    // A file is full once it holds this many captures (0: no limit by count).
    uint64_t MaxFileCaptures = 0;
    // The newest files kept, the one being written included (at least 1).
    uint32_t KeepFiles = 10;
};

class TCaptureRing {
public:
    // The ring's files are named velmora-NNNNNN.ss7 by a sequence number
    // that goes on from the highest already in the folder, so a new run
    // never writes into an older run's file.
    static constexpr std::string_view FilePrefix = "velmora-";
    static constexpr std::string_view FileSuffix = ".ss7";

    explicit TCaptureRing(TCaptureRingSettings Settings);
    ~TCaptureRing();
    TCaptureRing(const TCaptureRing&) = delete;
    TCaptureRing& operator=(const TCaptureRing&) = delete;

    // Appends one capture record (stamp, direction, link, message) as a
    // capture file line, beginning the next file first when the current one
    // is full. False when it could not be written: Error() says why. After a
    // failure, nothing is tried again before the next Flush.
    bool Append(std::string_view RecordBytes);
    // Hands what is buffered to the system; clears an earlier failure so
    // that the next Append tries again. False on a write error.
    bool Flush();

    const TCaptureRingSettings& Settings() const { return FSettings; }
    // The last failure, empty when the last write went well.
    const std::string& Error() const { return FError; }
    // The file being written, empty before the first capture.
    const std::filesystem::path& CurrentFile() const { return FPath; }
    // Captures written since the ring was made, and captures that could not be.
    uint64_t Written() const { return FWritten; }
    uint64_t Failed() const { return FFailed; }

    // The sequence number of a ring file's name, 0 when the name is not one.
    static uint64_t SequenceOf(const std::string& FileName);
    static std::string FileName(uint64_t Sequence);
    // The ring files of Folder, oldest first.
    static std::vector<std::filesystem::path> RingFiles(const std::filesystem::path& Folder);

private:
    bool OpenNext();
    void Close();
    void Prune();
    bool Fail(std::string Text);

    TCaptureRingSettings FSettings;
    std::FILE* FFile = nullptr;
    std::filesystem::path FPath;
    uint64_t FSequence = 0;
    uint64_t FFileBytes = 0;
    uint64_t FFileCaptures = 0;
    uint64_t FWritten = 0;
    uint64_t FFailed = 0;
    bool FBroken = false;
    std::string FError;
    std::string FLine;
};
