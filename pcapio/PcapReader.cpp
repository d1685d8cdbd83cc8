#include "pcapio/PcapReader.h"

#include "core/Format.h"

#include <pcap/pcap.h>

#include <cstdio>
#include <cstring>
#include <sys/stat.h>

namespace {

// Malformed packets reported one by one; the rest are counted.
constexpr uint64_t ReportedProblems = 20;

// Magic numbers: pcap in microseconds and nanoseconds, either byte order,
// and the pcapng section header block.
bool IsMagic(const uint8_t* Head)
{
    static constexpr uint8_t Magics[5][4] = {{0xD4, 0xC3, 0xB2, 0xA1},
                                             {0xA1, 0xB2, 0xC3, 0xD4},
                                             {0x4D, 0x3C, 0xB2, 0xA1},
                                             {0xA1, 0xB2, 0x3C, 0x4D},
                                             {0x0A, 0x0D, 0x0D, 0x0A}};
    for (const auto& Magic : Magics)
        if (std::memcmp(Head, Magic, 4) == 0)
            return true;
    return false;
}

// libpcap hands out its DLT_ values; the file holds the LINKTYPE_ values,
// which differ for raw IP (and loopback on some systems).
int FileLinkType(int Dlt)
{
    if (Dlt == DLT_RAW)
        return LinkTypeRaw;
#ifdef DLT_LOOP
    if (Dlt == DLT_LOOP)
        return LinkTypeLoop;
#endif
    return Dlt;
}

std::string LinkTypeName(int Dlt)
{
    const char* Description = pcap_datalink_val_to_description(Dlt);
    return Description ? Format(" (%s)", Description) : std::string();
}

} // namespace

void TPcapMessage::AppendRecord(std::string& Record) const
{
    const TStampBytes Bytes = StampToBytes(Stamp);
    Record.append(reinterpret_cast<const char*>(Bytes.data()), Bytes.size());
    Record.push_back(static_cast<char>(Direction));
    Record.push_back(static_cast<char>(Link));
    Record.append(Octets);
}

TPcapReader::TPcapReader(const std::string& FileName, const TPcapOptions& Options)
    : FName(FileName)
    , FOptions(Options)
{
    char Error[PCAP_ERRBUF_SIZE] = "";
    if (FILE* Stream = std::fopen(FileName.c_str(), "rb")) {
        constexpr size_t BufferSize = 1 << 20;
        FBuffer = std::make_unique_for_overwrite<char[]>(BufferSize);
        std::setvbuf(Stream, FBuffer.get(), _IOFBF, BufferSize);
        // libpcap closes the stream with the handle, and only then.
        FPcap = pcap_fopen_offline_with_tstamp_precision(Stream, PCAP_TSTAMP_PRECISION_MICRO, Error);
        if (!FPcap)
            std::fclose(Stream);
    } else {
        std::snprintf(Error, sizeof Error, "%s", std::strerror(errno));
    }
    struct stat Info {};
    if (FPcap && ::stat(FileName.c_str(), &Info) == 0 && S_ISREG(Info.st_mode))
        FSize = static_cast<uint64_t>(Info.st_size);
    Open(Error);
}

TPcapReader::TPcapReader(const std::string& Name, const void* Data, size_t Size, const TPcapOptions& Options)
    : FName(Name)
    , FOptions(Options)
    , FSize(Size)
{
    char Error[PCAP_ERRBUF_SIZE] = "";
    if (Size == 0) {
        std::snprintf(Error, sizeof Error, "the file is empty");
    } else if (FILE* Stream = fmemopen(const_cast<void*>(Data), Size, "rb")) {
        // libpcap closes the stream with the handle, and only then.
        FPcap = pcap_fopen_offline_with_tstamp_precision(Stream, PCAP_TSTAMP_PRECISION_MICRO, Error);
        if (!FPcap)
            std::fclose(Stream);
    } else {
        std::snprintf(Error, sizeof Error, "%s", std::strerror(errno));
    }
    Open(Error);
}

void TPcapReader::Open(const std::string& Error)
{
    if (!FPcap)
        throw EPcapError(FName + ": not a pcap or pcapng file that can be read (" + Error + ")");
    const int Dlt = pcap_datalink(FPcap);
    FLinkType = FileLinkType(Dlt);
    if (!TPacketUnwrapper::Supports(FLinkType)) {
        pcap_close(FPcap);
        FPcap = nullptr;
        throw EPcapError(FName + ": link type " + std::to_string(FLinkType) + LinkTypeName(Dlt) +
                         " carries no SS7 that can be read here; MTP2 (139, 140), MTP3 (141), Ethernet (1), "
                         "Linux cooked (113, 276), raw IP (101, 228, 229) and loopback (0, 108) captures can");
    }
    FUnwrapper = std::make_unique<TPacketUnwrapper>(FLinkType, FOptions.OwnPointCodes);
}

TPcapReader::~TPcapReader()
{
    if (FPcap)
        pcap_close(FPcap);
}

uint64_t TPcapReader::Position() const
{
    if (!FPcap)
        return FSize;
    const long At = std::ftell(pcap_file(FPcap));
    return At < 0 ? 0 : static_cast<uint64_t>(At);
}

void TPcapReader::Note(std::string Text)
{
    FNotes.push_back(std::move(Text));
}

std::vector<std::string> TPcapReader::TakeNotes()
{
    std::vector<std::string> Notes;
    Notes.swap(FNotes);
    return Notes;
}

bool TPcapReader::NextPacket()
{
    pcap_pkthdr* Header = nullptr;
    const u_char* Data = nullptr;
    const int Result = pcap_next_ex(FPcap, &Header, &Data);
    if (Result == PCAP_ERROR_BREAK) {
        FEnded = true;
        return false;
    }
    const uint64_t Number = FCounts.Packets + 1;
    if (Result != 1) {
        FEnded = true;
        const std::string Why = pcap_geterr(FPcap);
        if (Why.find("truncated") != std::string::npos)
            throw EPcapError(Format("%s: packet %llu: the file ends inside the packet (%s)", FName.c_str(),
                                    static_cast<unsigned long long>(Number), Why.c_str()));
        throw EPcapError(Format("%s: packet %llu: cannot be read (%s)", FName.c_str(),
                                static_cast<unsigned long long>(Number), Why.c_str()));
    }
    ++FCounts.Packets;
    // The time of a packet is seconds and microseconds since 1970 UTC; its
    // stamp is the local time, as a capture taken here would have.
    const int64_t Second = static_cast<int64_t>(Header->ts.tv_sec);
    if (Second != FStampSecond) {
        FStampSecond = Second;
        FSecondStamp = LocalTimeFromEpoch(Second, 0);
    }
    FStamp = FSecondStamp;
    FStamp.Milliseconds = static_cast<uint16_t>(Header->ts.tv_usec / 1000 % 1000);
    FTime = Second * 1000000 + static_cast<int64_t>(Header->ts.tv_usec);

    FUnwrapper->Unwrap(Data, Header->caplen, FPacket);
    FNextMessage = 0;
    FCounts.Messages += FPacket.Messages.size();
    if (FPacket.Messages.empty())
        ++FCounts.Skipped[static_cast<size_t>(FPacket.Skip)];
    if (!FPacket.Problems.empty()) {
        const uint64_t Seen = ++FProblemPackets;
        if (Seen <= ReportedProblems) {
            std::string Text = Format("%s: packet %llu: ", FName.c_str(), static_cast<unsigned long long>(Number));
            for (size_t I = 0; I < FPacket.Problems.size(); ++I)
                Text += (I ? "; " : "") + FPacket.Problems[I];
            if (Header->caplen < Header->len)
                Text += Format(" (the packet was captured cut to %u of its %u octets)", Header->caplen, Header->len);
            Note(std::move(Text));
        }
        if (Seen == ReportedProblems)
            Note(FName + ": further malformed packets are counted, not reported one by one");
    }
    if (FPacket.Unfit) {
        if (FCounts.Unfit == 0)
            Note(Format("%s: packet %llu: %s does not fit an ITU routing label (14-bit point codes, 4-bit SLS); "
                        "such messages are counted and left out",
                        FName.c_str(), static_cast<unsigned long long>(Number), FPacket.UnfitText.c_str()));
        FCounts.Unfit += FPacket.Unfit;
    }
    if (FPacket.LinkWrapped)
        Note(Format("%s: packet %llu: more than 256 links; link numbers go on modulo 256", FName.c_str(),
                    static_cast<unsigned long long>(Number)));
    return true;
}

bool TPcapReader::Next(TPcapMessage& Message)
{
    while (FNextMessage >= FPacket.Messages.size()) {
        if (FEnded || !NextPacket())
            return false;
    }
    const TUnwrapped::TMessage& Found = FPacket.Messages[FNextMessage++];
    Message.Packet = FCounts.Packets;
    Message.Stamp = FStamp;
    Message.Time = FTime;
    Message.Direction = Found.Direction;
    Message.Link = Found.Link;
    Message.Octets =
        std::string_view(reinterpret_cast<const char*>(FPacket.Octets.data()) + Found.Offset, Found.Length);
    return true;
}

std::string TPcapReader::Summary() const
{
    std::string Text =
        Format("%s: %llu packets, %llu messages", FName.c_str(), static_cast<unsigned long long>(FCounts.Packets),
               static_cast<unsigned long long>(FCounts.Messages));
    uint64_t Without = 0;
    std::string Kinds;
    for (size_t Kind = 0; Kind < SkipKindCount; ++Kind) {
        if (!FCounts.Skipped[Kind])
            continue;
        Without += FCounts.Skipped[Kind];
        Kinds += Format("%s%llu %s", Kinds.empty() ? "" : ", ", static_cast<unsigned long long>(FCounts.Skipped[Kind]),
                        SkipKindText(static_cast<TSkipKind>(Kind)));
    }
    if (Without)
        Text += Format("; no SS7 in %llu packets: %s", static_cast<unsigned long long>(Without), Kinds.c_str());
    if (FCounts.Unfit)
        Text += Format("; %llu messages left out, their point codes too wide for an ITU routing label",
                       static_cast<unsigned long long>(FCounts.Unfit));
    return Text;
}

bool IsPcapData(std::string_view Head)
{
    return Head.size() >= 4 && IsMagic(reinterpret_cast<const uint8_t*>(Head.data()));
}

bool IsPcapFile(const std::string& FileName)
{
    uint8_t Head[4];
    FILE* Stream = std::fopen(FileName.c_str(), "rb");
    if (!Stream)
        return false;
    const bool Pcap = std::fread(Head, 1, 4, Stream) == 4 && IsMagic(Head);
    std::fclose(Stream);
    return Pcap;
}
