// Writing captures as a pcap file through libpcap, link type 139 (MTP2 with
// its pseudo-header), which other tools open directly: the pseudo-header's
// "sent" flag is set for direction OUT, its link number is the capture's
// link, the packet time is the capture stamp read as local time, and the
// packet an MSU with the level-4 message as its SIO and SIF.
#pragma once

#include "pcapio/PcapError.h"

#include "core/Stamp.h"

#include <cstdint>
#include <string>
#include <string_view>

struct pcap;
struct pcap_dumper;

class TPcapWriter {
public:
    // Creates (or replaces) FileName; "-" is standard output. Raises EPcapError.
    explicit TPcapWriter(const std::string& FileName);
    ~TPcapWriter();
    TPcapWriter(const TPcapWriter&) = delete;
    TPcapWriter& operator=(const TPcapWriter&) = delete;

    // Writes one capture record (stamp, direction, link, message). Stop
    // entries, which are not messages, and records without a message are
    // left out and counted; the result says whether a packet was written.
    bool WriteRecord(std::string_view Record);
    bool Write(const TSystemTime& Stamp, uint8_t Direction, uint8_t Link, std::string_view Octets);
    // Flushes and closes the file; raises EPcapError when it could not be written.
    void Close();

    uint64_t Written() const { return FWritten; }
    uint64_t StopEntries() const { return FStopEntries; }
    // Records left out for holding fewer than the 3 octets of an MSU's SIO
    // and shortest SIF (what would read back as a link status unit).
    uint64_t TooShort() const { return FTooShort; }
    // Messages longer than a packet of the file can be (65528 octets), left out.
    uint64_t TooLong() const { return FTooLong; }
    // Stamps that are no date and time (month 0, say), written as 1970-01-01 00:00:00 UTC.
    uint64_t BadStamps() const { return FBadStamps; }
    // "OUT.pcap: 12 messages written; 1 stop entry left out"
    std::string Summary() const;

private:
    std::string FName;
    pcap* FPcap = nullptr;
    pcap_dumper* FDumper = nullptr;
    uint64_t FWritten = 0;
    uint64_t FStopEntries = 0;
    uint64_t FTooShort = 0;
    uint64_t FTooLong = 0;
    uint64_t FBadStamps = 0;
    // The seconds of the last stamp's minute, which most stamps share.
    TSystemTime FMinute;
    int64_t FMinuteEpoch = -1;
    // Forward sequence numbers by link and direction, so that the MTP2
    // headers count as a link would.
    uint8_t FSequence[256][2] = {};
    std::string FPacket;
};
