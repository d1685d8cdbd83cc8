#include "pcapio/PcapWriter.h"

#include "pcapio/PacketUnwrapper.h"

#include "core/Format.h"

#include <pcap/pcap.h>

#include <cerrno>
#include <cstring>

namespace {

// A capture record's head: stamp, direction, link.
constexpr size_t RecordHead = StampSize + 2;
constexpr uint8_t DirectionOut = 2;
// Largest value of the 6-bit length indicator: "63 octets or more".
constexpr size_t LongestLi = 63;
constexpr int SnapshotLength = 65535;

} // namespace

TPcapWriter::TPcapWriter(const std::string& FileName)
    : FName(FileName)
{
    // Q.703: both sequence numbers stand at 127 after alignment, so that the
    // first MSU of each side has FSN 0.
    std::memset(FSequence, 0x7F, sizeof FSequence);
    FPcap = pcap_open_dead_with_tstamp_precision(DLT_MTP2_WITH_PHDR, SnapshotLength, PCAP_TSTAMP_PRECISION_MICRO);
    if (!FPcap)
        throw EPcapError(FName + ": cannot be written (libpcap has no handle to write with)");
    FDumper = pcap_dump_open(FPcap, FileName.c_str());
    if (!FDumper) {
        const std::string Why = pcap_geterr(FPcap);
        pcap_close(FPcap);
        FPcap = nullptr;
        throw EPcapError(FName + ": cannot be written (" + Why + ")");
    }
}

TPcapWriter::~TPcapWriter()
{
    if (FDumper)
        pcap_dump_close(FDumper);
    if (FPcap)
        pcap_close(FPcap);
}

bool TPcapWriter::WriteRecord(std::string_view Record)
{
    if (Record.size() < RecordHead) {
        ++FTooShort;
        return false;
    }
    const auto* Bytes = reinterpret_cast<const uint8_t*>(Record.data());
    return Write(StampFromBytes(Bytes), Bytes[StampSize], Bytes[StampSize + 1], Record.substr(RecordHead));
}

bool TPcapWriter::Write(const TSystemTime& Stamp, uint8_t Direction, uint8_t Link, std::string_view Octets)
{
    if (!Octets.empty() && static_cast<uint8_t>(Octets[0]) == 0xFF) {
        ++FStopEntries;
        return false;
    }
    // An MSU has LI 3 or more; a shorter one would read as a link status unit.
    if (Octets.size() < 3) {
        ++FTooShort;
        return false;
    }
    if (Octets.size() > SnapshotLength - 7u) {
        ++FTooLong;
        return false;
    }

    // Seconds of the stamp: most stamps share their minute with the last one.
    TSystemTime Minute = Stamp;
    Minute.Second = 0;
    Minute.Milliseconds = 0;
    Minute.DayOfWeek = 0;
    int64_t Seconds = 0;
    bool Valid = Stamp.Second <= 59 && Stamp.Milliseconds <= 999;
    if (Valid && FMinuteEpoch >= 0 && Minute == FMinute) {
        Seconds = FMinuteEpoch + Stamp.Second;
    } else if (Valid && EpochFromLocalTime(Minute, Seconds) && Seconds >= 0 && Seconds <= 0xFFFFFFFFll - 59) {
        FMinute = Minute;
        FMinuteEpoch = Seconds;
        Seconds += Stamp.Second;
    } else {
        Valid = false;
    }
    pcap_pkthdr Header{};
    if (Valid) {
        Header.ts.tv_sec = static_cast<time_t>(Seconds);
        Header.ts.tv_usec = static_cast<suseconds_t>(Stamp.Milliseconds) * 1000;
    } else {
        ++FBadStamps;
    }

    // Pseudo-header: sent flag, annex A not used (7-bit sequence numbers),
    // link number in network byte order. Then BSN/BIB, FSN/FIB, LI.
    const int Side = Direction == DirectionOut ? 1 : 0;
    uint8_t& Forward = FSequence[Link][Side];
    Forward = static_cast<uint8_t>((Forward + 1) & 0x7F);
    const uint8_t Backward = FSequence[Link][1 - Side];
    const size_t Li = Octets.size() < LongestLi ? Octets.size() : LongestLi;
    const char Head[7] = {static_cast<char>(Side),
                          0,
                          0,
                          static_cast<char>(Link),
                          static_cast<char>(0x80 | Backward),
                          static_cast<char>(0x80 | Forward),
                          static_cast<char>(Li)};
    FPacket.assign(Head, sizeof Head);
    FPacket.append(Octets);
    Header.caplen = Header.len = static_cast<bpf_u_int32>(FPacket.size());
    pcap_dump(reinterpret_cast<u_char*>(FDumper), &Header, reinterpret_cast<const u_char*>(FPacket.data()));
    ++FWritten;
    return true;
}

void TPcapWriter::Close()
{
    if (!FDumper)
        return;
    const bool Failed = pcap_dump_flush(FDumper) != 0 || std::ferror(pcap_dump_file(FDumper));
    const int Error = errno;
    pcap_dump_close(FDumper);
    FDumper = nullptr;
    pcap_close(FPcap);
    FPcap = nullptr;
    if (Failed)
        throw EPcapError(FName + ": cannot be written (" + std::strerror(Error) + ")");
}

std::string TPcapWriter::Summary() const
{
    std::string Text = Format("%s: %llu messages written", FName.c_str(), static_cast<unsigned long long>(FWritten));
    if (FStopEntries)
        Text += Format("; %llu stop entries left out (they are not messages)",
                       static_cast<unsigned long long>(FStopEntries));
    if (FTooShort)
        Text += Format("; %llu records without a whole message left out", static_cast<unsigned long long>(FTooShort));
    if (FTooLong)
        Text +=
            Format("; %llu messages longer than a packet can be left out", static_cast<unsigned long long>(FTooLong));
    if (FBadStamps)
        Text += Format("; %llu stamps that are no date and time written as 1970-01-01 00:00:00 UTC",
                       static_cast<unsigned long long>(FBadStamps));
    return Text;
}
