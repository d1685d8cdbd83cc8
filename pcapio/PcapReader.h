// Reading the level-4 messages of pcap and pcapng files through libpcap,
// the format found from the file's contents: each message with its packet
// number, its stamp (the packet time as local time), direction and link
// (the rule is described in PacketUnwrapper.h).
#pragma once

#include "pcapio/PacketUnwrapper.h"
#include "pcapio/PcapError.h"

#include "core/Stamp.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct pcap;

struct TPcapOptions {
    // The user's own point codes: messages from them are OUT, all others IN.
    std::vector<uint16_t> OwnPointCodes;
};

// One level-4 message of a capture file. Octets stay valid until the next read.
struct TPcapMessage {
    uint64_t Packet = 0; // counting from 1
    TSystemTime Stamp;
    // The packet time: microseconds since 1970 UTC.
    int64_t Time = 0;
    uint8_t Direction = 1;
    uint8_t Link = 0;
    std::string_view Octets;

    // Appends the capture record: stamp, direction, link, message.
    void AppendRecord(std::string& Record) const;
};

struct TPcapCounts {
    uint64_t Packets = 0;
    uint64_t Messages = 0;
    // Packets that gave no message, by kind.
    std::array<uint64_t, SkipKindCount> Skipped{};
    // Messages left out: a point code or the SLS too wide for an ITU routing label.
    uint64_t Unfit = 0;
};

class TPcapReader {
public:
    // Opens the file FileName.
    explicit TPcapReader(const std::string& FileName, const TPcapOptions& Options = {});
    // Reads the Size octets at Data, which the caller keeps while reading;
    // Name stands for them in the texts.
    TPcapReader(const std::string& Name, const void* Data, size_t Size, const TPcapOptions& Options = {});
    ~TPcapReader();
    TPcapReader(const TPcapReader&) = delete;
    TPcapReader& operator=(const TPcapReader&) = delete;

    // The next message; false at the end of the file. When the file cannot be
    // read on (it ends inside a packet, say), raises EPcapError naming the
    // file and packet; the messages read before remain good.
    bool Next(TPcapMessage& Message);
    // Warnings met since the last call, each naming the file and packet:
    // malformed packets, the first message whose point codes do not fit.
    std::vector<std::string> TakeNotes();
    const TPcapCounts& Counts() const { return FCounts; }
    // The counts in one line: "FILE: 12 packets, 15 messages; no SS7 in 3
    // packets: 2 not IP, 1 SCTP control chunks only".
    std::string Summary() const;

    const std::string& Name() const { return FName; }
    // The link type of the file's packets (the file's value: 101 for raw IP).
    int LinkType() const { return FLinkType; }
    // Octets of the file read so far, and its size (0 when unknown), for progress.
    uint64_t Position() const;
    uint64_t Size() const { return FSize; }

private:
    void Open(const std::string& Error);
    bool NextPacket();
    void Note(std::string Text);

    std::string FName;
    TPcapOptions FOptions;
    pcap* FPcap = nullptr;
    uint64_t FSize = 0;
    int FLinkType = -1;
    std::unique_ptr<TPacketUnwrapper> FUnwrapper;
    TUnwrapped FPacket;
    TSystemTime FStamp;
    int64_t FTime = 0;
    size_t FNextMessage = 0;
    int64_t FStampSecond = INT64_MIN;
    TSystemTime FSecondStamp;
    TPcapCounts FCounts;
    std::vector<std::string> FNotes;
    // The stdio buffer of the file opened by name: large, so that the file
    // is read in few system calls. It outlives the stream (closed with FPcap).
    std::unique_ptr<char[]> FBuffer;
    uint64_t FProblemPackets = 0;
    bool FEnded = false;
};

// True when Head, the first octets of a file, begins as a pcap or pcapng file does.
bool IsPcapData(std::string_view Head);
// True when the file FileName begins as a pcap or pcapng file does.
bool IsPcapFile(const std::string& FileName);
