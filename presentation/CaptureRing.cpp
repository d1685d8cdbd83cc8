#include "presentation/CaptureRing.h"

#include "presentation/CaptureRecord.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>

namespace fs = std::filesystem;

namespace {

constexpr size_t FileBufferSize = 256 * 1024;

std::string SystemError(int Code)
{
    return std::generic_category().message(Code);
}

} // namespace

TCaptureRing::TCaptureRing(TCaptureRingSettings Settings)
    : FSettings(std::move(Settings))
{
    FSettings.KeepFiles = std::max<uint32_t>(FSettings.KeepFiles, 1);
}

TCaptureRing::~TCaptureRing()
{
    Close();
}

uint64_t TCaptureRing::SequenceOf(const std::string& FileName)
{
    if (FileName.size() <= FilePrefix.size() + FileSuffix.size() || !FileName.starts_with(FilePrefix) ||
        !FileName.ends_with(FileSuffix))
        return 0;
    const std::string_view Digits =
        std::string_view(FileName).substr(FilePrefix.size(), FileName.size() - FilePrefix.size() - FileSuffix.size());
    if (Digits.size() > 18)
        return 0;
    uint64_t Sequence = 0;
    for (const char C : Digits) {
        if (C < '0' || C > '9')
            return 0;
        Sequence = Sequence * 10 + static_cast<uint64_t>(C - '0');
    }
    return Sequence;
}

std::string TCaptureRing::FileName(uint64_t Sequence)
{
    std::string Digits = std::to_string(Sequence);
    if (Digits.size() < 6)
        Digits.insert(0, 6 - Digits.size(), '0');
    return std::string(FilePrefix) + Digits + std::string(FileSuffix);
}

std::vector<fs::path> TCaptureRing::RingFiles(const fs::path& Folder)
{
    std::vector<std::pair<uint64_t, fs::path>> Found;
    std::error_code Error;
    for (fs::directory_iterator It(Folder, Error), End; !Error && It != End; It.increment(Error)) {
        const uint64_t Sequence = SequenceOf(It->path().filename().string());
        if (Sequence != 0 && It->is_regular_file(Error))
            Found.emplace_back(Sequence, It->path());
    }
    std::sort(Found.begin(), Found.end());
    std::vector<fs::path> Files;
    Files.reserve(Found.size());
    for (auto& [Sequence, Path] : Found)
        Files.push_back(std::move(Path));
    return Files;
}

bool TCaptureRing::Fail(std::string Text)
{
    FError = std::move(Text);
    FBroken = true;
    ++FFailed;
    return false;
}

void TCaptureRing::Close()
{
    if (!FFile)
        return;
    std::fclose(FFile);
    FFile = nullptr;
}

bool TCaptureRing::OpenNext()
{
    Close();
    const fs::path Folder(FSettings.Folder);
    std::error_code Error;
    fs::create_directories(Folder, Error);
    if (Error)
        return Fail("Cannot create folder \"" + Folder.string() + "\". " + Error.message());
    if (FSequence == 0) {
        // Go on after the newest file of an earlier run.
        const std::vector<fs::path> Files = RingFiles(Folder);
        if (!Files.empty())
            FSequence = SequenceOf(Files.back().filename().string());
    }
    ++FSequence;
    FPath = Folder / FileName(FSequence);
    // "x": a file of that name that appeared meanwhile is never overwritten.
    FFile = std::fopen(FPath.c_str(), "wbx");
    if (!FFile)
        return Fail("Cannot write file \"" + FPath.string() + "\". " + SystemError(errno));
    std::setvbuf(FFile, nullptr, _IOFBF, FileBufferSize);
    FFileBytes = 0;
    FFileCaptures = 0;
    Prune();
    return true;
}

void TCaptureRing::Prune()
{
    std::vector<fs::path> Files = RingFiles(FSettings.Folder);
    if (Files.size() <= FSettings.KeepFiles)
        return;
    const size_t Excess = Files.size() - FSettings.KeepFiles;
    std::error_code Error;
    for (size_t I = 0; I < Excess; ++I)
        fs::remove(Files[I], Error);
}

bool TCaptureRing::Append(std::string_view RecordBytes)
{
    if (FBroken) {
        ++FFailed;
        return false;
    }
    FLine.clear();
    AppendCaptureLine(RecordBytes, FLine);
    const bool Full = FFile && FFileCaptures > 0 &&
        ((FSettings.MaxFileBytes != 0 && FFileBytes + FLine.size() > FSettings.MaxFileBytes) ||
         (FSettings.MaxFileCaptures != 0 && FFileCaptures >= FSettings.MaxFileCaptures));
    if ((!FFile || Full) && !OpenNext())
        return false;
    if (std::fwrite(FLine.data(), 1, FLine.size(), FFile) != FLine.size()) {
        const int Code = errno;
        Close();
        return Fail("Cannot write file \"" + FPath.string() + "\". " + SystemError(Code));
    }
    FFileBytes += FLine.size();
    ++FFileCaptures;
    ++FWritten;
    return true;
}

bool TCaptureRing::Flush()
{
    const bool WasBroken = FBroken;
    FBroken = false;
    if (FFile && std::fflush(FFile) != 0) {
        const int Code = errno;
        // The file is given up; the next capture begins a new one.
        Close();
        FError = "Cannot write file \"" + FPath.string() + "\". " + SystemError(Code);
        return false;
    }
    if (!WasBroken)
        FError.clear();
    return !WasBroken;
}
