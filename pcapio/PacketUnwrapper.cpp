#include "pcapio/PacketUnwrapper.h"

#include "pcapio/PcapError.h"

#include "core/Format.h"

#include <algorithm>
#include <cstring>
#include <tuple>

namespace {

constexpr uint16_t EtherTypeIpv4 = 0x0800;
constexpr uint16_t EtherTypeIpv6 = 0x86DD;
constexpr uint8_t IpProtocolSctp = 132;

constexpr uint8_t SctpData = 0;
constexpr uint8_t SctpIData = 64;
// DATA chunk flags: B (first fragment) and E (last fragment) both set for an
// unfragmented user message (RFC 9260 3.3.1).
constexpr uint8_t SctpWhole = 0x03;

// Payload protocol identifiers (IANA) and the registered ports used when the
// identifier is 0.
constexpr uint32_t PpidM3ua = 3;
constexpr uint32_t PpidM2pa = 5;
constexpr uint16_t PortM3ua = 2905;
constexpr uint16_t PortM2pa = 3565;

// M3UA (RFC 4666): message class and type of a DATA message, the Protocol
// Data parameter.
constexpr uint8_t M3uaTransfer = 1;
constexpr uint8_t M3uaData = 1;
constexpr uint16_t TagProtocolData = 0x0210;
// M2PA (RFC 4165): its message class and types.
constexpr uint8_t M2paClass = 11;
constexpr uint8_t M2paUserData = 1;
constexpr uint8_t M2paLinkStatus = 2;

constexpr size_t Padded(size_t Length)
{
    return (Length + 3) & ~size_t{3};
}

uint32_t Le32(const uint8_t* P)
{
    return static_cast<uint32_t>(P[0]) | static_cast<uint32_t>(P[1]) << 8 | static_cast<uint32_t>(P[2]) << 16 |
        static_cast<uint32_t>(P[3]) << 24;
}

// Address family values of loopback headers: AF_INET everywhere, AF_INET6 as
// Linux, NetBSD/OpenBSD, FreeBSD and macOS number it.
bool IsInet6Family(uint32_t Family)
{
    return Family == 10 || Family == 24 || Family == 28 || Family == 30;
}

} // namespace

const char* SkipKindText(TSkipKind Kind)
{
    switch (Kind) {
    case TSkipKind::None:
        return "nothing";
    case TSkipKind::NotIp:
        return "not IP";
    case TSkipKind::IpFragment:
        return "IP fragments";
    case TSkipKind::NotSctp:
        return "not SCTP";
    case TSkipKind::SctpControl:
        return "SCTP control chunks only";
    case TSkipKind::SctpFragment:
        return "SCTP fragments (not reassembled)";
    case TSkipKind::OtherPayload:
        return "SCTP data of other protocols";
    case TSkipKind::M3uaManagement:
        return "M3UA management";
    case TSkipKind::M2paLinkStatus:
        return "M2PA link status";
    case TSkipKind::M2paNoData:
        return "M2PA user data without a message";
    case TSkipKind::Mtp2Fill:
        return "MTP2 fill-in and link status units";
    case TSkipKind::UnfitLabel:
        return "point codes too wide for an ITU routing label";
    case TSkipKind::Malformed:
        return "malformed";
    }
    return "?";
}

void TUnwrapped::Clear()
{
    Octets.clear();
    Messages.clear();
    Skip = TSkipKind::None;
    Problems.clear();
    Unfit = 0;
    UnfitText.clear();
    LinkWrapped = false;
}

TPacketUnwrapper::TPacketUnwrapper(int LinkType, const std::vector<uint16_t>& OwnPointCodes)
    : FLinkType(LinkType)
{
    if (!Supports(LinkType))
        throw EPcapError("link type " + std::to_string(LinkType) + " is not one that carries SS7 here");
    for (uint16_t Pc : OwnPointCodes) {
        FOwn.set(Pc & 0x3FFF);
        FOwnNamed = true;
    }
}

bool TPacketUnwrapper::Supports(int LinkType)
{
    switch (LinkType) {
    case LinkTypeNull:
    case LinkTypeEthernet:
    case LinkTypeRaw:
    case LinkTypeLoop:
    case LinkTypeLinuxSll:
    case LinkTypeMtp2WithPhdr:
    case LinkTypeMtp2:
    case LinkTypeMtp3:
    case LinkTypeIpv4:
    case LinkTypeIpv6:
    case LinkTypeLinuxSll2:
        return true;
    default:
        return false;
    }
}

void TPacketUnwrapper::Unwrap(const uint8_t* Data, size_t Size, TUnwrapped& Out)
{
    Out.Clear();
    FOut = &Out;
    TByteReader R(Data, Size, "the link-layer header");
    try {
        switch (FLinkType) {
        case LinkTypeMtp3: {
            TByteReader Message = R.Rest("the MTP3 message");
            if (Message.AtEnd())
                Problem("the packet is empty");
            else
                Add(Message.Take(Message.Size()), Message.Size(), 0, 0);
            break;
        }
        case LinkTypeMtp2:
            Mtp2(R, false, 0, 0);
            break;
        case LinkTypeMtp2WithPhdr: {
            // Pseudo-header: sent flag, annex A flag (1 = 12-bit sequence
            // numbers), link number in network byte order.
            TByteReader Header = R.Rest("the MTP2 pseudo-header");
            const uint8_t Sent = Header.U8();
            const uint8_t AnnexA = Header.U8();
            const uint16_t Link = Header.U16();
            Mtp2(Header, AnnexA == 1, Sent ? 2 : 1, Link);
            break;
        }
        case LinkTypeEthernet:
            Ethernet(R);
            break;
        case LinkTypeLinuxSll: {
            // Packet type, address type, address length, 8 address octets, protocol.
            R.Skip(14);
            const uint16_t Type = R.U16();
            EtherType(Type, R);
            break;
        }
        case LinkTypeLinuxSll2: {
            // Protocol, reserved, interface index, address type, packet type,
            // address length, 8 address octets.
            const uint16_t Type = R.U16();
            R.Skip(18);
            EtherType(Type, R);
            break;
        }
        case LinkTypeRaw:
            Ip(R);
            break;
        case LinkTypeIpv4:
            Ipv4(R);
            break;
        case LinkTypeIpv6:
            Ipv6(R);
            break;
        case LinkTypeNull:
        case LinkTypeLoop: {
            // The address family: in the capturing host's byte order for
            // NULL (either, then), in network byte order for LOOP.
            const uint8_t* Af = R.Take(4);
            uint32_t Family = FLinkType == LinkTypeLoop
                ? (uint32_t{Af[0]} << 24 | uint32_t{Af[1]} << 16 | uint32_t{Af[2]} << 8 | Af[3])
                : Le32(Af);
            if (Family > 0xFFFF)
                Family = (Family >> 24) | ((Family >> 8) & 0xFF00);
            if (Family == 2)
                Ipv4(R);
            else if (IsInet6Family(Family))
                Ipv6(R);
            else
                Skip(TSkipKind::NotIp);
            break;
        }
        default:
            break;
        }
    } catch (const EPacketTooShort& Failure) {
        Problem(Failure.Message());
    }
    if (!Out.Messages.empty() && Out.Skip != TSkipKind::Malformed && Out.Unfit == 0)
        Out.Skip = TSkipKind::None;
    FOut = nullptr;
}

void TPacketUnwrapper::Skip(TSkipKind Kind)
{
    TSkipKind& Skip = FOut->Skip;
    if (Kind == TSkipKind::Malformed || Skip == TSkipKind::None ||
        (Skip == TSkipKind::SctpControl && Kind != TSkipKind::SctpControl))
        Skip = Kind;
}

void TPacketUnwrapper::Problem(std::string Text)
{
    FOut->Problems.push_back(std::move(Text));
    Skip(TSkipKind::Malformed);
}

void TPacketUnwrapper::Add(const uint8_t* Data, size_t Size, uint8_t Direction, uint16_t Link)
{
    Add(Data, Size, nullptr, 0, Direction, Link);
}

void TPacketUnwrapper::Add(const uint8_t* Head, size_t HeadSize, const uint8_t* Tail, size_t TailSize,
                           uint8_t Direction, uint16_t Link)
{
    if (Link > 255 && !FWrapped) {
        FWrapped = true;
        FOut->LinkWrapped = true;
    }
    if (FOwnNamed) {
        // A message from one of the user's own point codes is sent; the OPC
        // is bits 14-27 of the little-endian routing label after the SIO.
        Direction = 1;
        uint8_t Label[5] = {};
        const size_t Size = HeadSize + TailSize;
        for (size_t I = 0; I < 5 && I < Size; ++I)
            Label[I] = I < HeadSize ? Head[I] : Tail[I - HeadSize];
        if (Size >= 5 && FOwn.test((Le32(Label + 1) >> 14) & 0x3FFF))
            Direction = 2;
    } else if (Direction == 0) {
        Direction = 1;
    }
    std::vector<uint8_t>& Octets = FOut->Octets;
    const size_t Offset = Octets.size();
    Octets.insert(Octets.end(), Head, Head + HeadSize);
    if (TailSize)
        Octets.insert(Octets.end(), Tail, Tail + TailSize);
    FOut->Messages.push_back({static_cast<uint32_t>(Offset), static_cast<uint32_t>(HeadSize + TailSize), Direction,
                              static_cast<uint8_t>(Link & 0xFF)});
}

// MTP2 signal unit (ITU-T Q.703): BSN/BIB, FSN/FIB and the length indicator,
// 6 bits wide, or with 12-bit sequence numbers (Annex A) two octets each and
// a 9-bit length indicator. LI 0 is a fill-in signal unit, 1 and 2 a link
// status signal unit; an MSU's SIO and SIF are the level-4 message.
void TPacketUnwrapper::Mtp2(TByteReader& Packet, bool Extended, uint8_t Direction, uint16_t Link)
{
    TByteReader R = Packet.Rest("the MTP2 header");
    size_t Li;
    size_t Longest;
    if (Extended) {
        R.Skip(4);
        const uint8_t Low = R.U8();
        Li = Low | (R.U8() & 0x01) << 8;
        Longest = 0x1FF;
    } else {
        R.Skip(2);
        Li = R.U8() & 0x3F;
        Longest = 0x3F;
    }
    if (Li < 3) {
        Skip(TSkipKind::Mtp2Fill);
        return;
    }
    // LI gives the length up to its largest value, which stands for "that
    // long or longer"; octets after it (a frame check sequence) are not part
    // of the message.
    size_t Length = R.Remaining();
    if (Li < Longest) {
        if (Li > Length) {
            Problem("the MTP2 length indicator says " + std::to_string(Li) + " octets, the packet holds " +
                    std::to_string(Length));
            return;
        }
        Length = Li;
    }
    Add(R.Take(Length), Length, Direction, Link);
}

void TPacketUnwrapper::Ethernet(TByteReader& R)
{
    R.Skip(12);
    EtherType(R.U16(), R);
}

void TPacketUnwrapper::EtherType(uint16_t Type, TByteReader& R)
{
    // 802.1Q and 802.1ad tags, stacked or not: tag control, then the next type.
    while (Type == 0x8100 || Type == 0x88A8 || Type == 0x9100) {
        R.Skip(2);
        Type = R.U16();
    }
    if (Type == EtherTypeIpv4)
        Ipv4(R);
    else if (Type == EtherTypeIpv6)
        Ipv6(R);
    else
        Skip(TSkipKind::NotIp);
}

void TPacketUnwrapper::Ip(TByteReader& R)
{
    const uint8_t Version = R.PeekU8() >> 4;
    if (Version == 4)
        Ipv4(R);
    else if (Version == 6)
        Ipv6(R);
    else
        Skip(TSkipKind::NotIp);
}

void TPacketUnwrapper::Ipv4(TByteReader& Packet)
{
    TByteReader R = Packet.Rest("the IPv4 header");
    const uint8_t VersionLength = R.U8();
    if (VersionLength >> 4 != 4) {
        Problem("an IPv4 header of version " + std::to_string(VersionLength >> 4));
        return;
    }
    const size_t HeaderLength = (VersionLength & 0x0F) * size_t{4};
    R.Skip(1);
    const size_t Total = R.U16();
    R.Skip(2);
    const uint16_t Fragment = R.U16();
    R.Skip(1);
    const uint8_t Protocol = R.U8();
    R.Skip(2);
    FCurrent = TEndpoints{};
    FCurrent.Family = 4;
    std::memcpy(FCurrent.Low.data(), R.Take(4), 4);
    std::memcpy(FCurrent.High.data(), R.Take(4), 4);
    if (HeaderLength < 20) {
        Problem("an IPv4 header length of " + std::to_string(HeaderLength) + " octets");
        return;
    }
    R.Skip(HeaderLength - 20);
    // More fragments, or a fragment offset: a piece of a datagram.
    if (Fragment & 0x3FFF) {
        Skip(TSkipKind::IpFragment);
        return;
    }
    if (Protocol != IpProtocolSctp) {
        Skip(TSkipKind::NotSctp);
        return;
    }
    // The total length bounds the payload (an Ethernet frame may be padded);
    // 0 is left by segmentation offload and means "up to the end". A total
    // beyond the captured octets is a packet cut short, whose chunks tell.
    size_t Payload = R.Remaining();
    if (Total != 0) {
        if (Total < HeaderLength) {
            Problem("an IPv4 total length of " + std::to_string(Total) + " octets, shorter than its header");
            return;
        }
        Payload = std::min(Payload, Total - HeaderLength);
    }
    TByteReader Sctp = R.Sub(Payload, "the SCTP common header");
    this->Sctp(Sctp);
}

void TPacketUnwrapper::Ipv6(TByteReader& Packet)
{
    TByteReader R = Packet.Rest("the IPv6 header");
    const uint32_t First = R.U32();
    if (First >> 28 != 6) {
        Problem("an IPv6 header of version " + std::to_string(First >> 28));
        return;
    }
    const size_t PayloadLength = R.U16();
    uint8_t Next = R.U8();
    R.Skip(1);
    FCurrent = TEndpoints{};
    FCurrent.Family = 6;
    std::memcpy(FCurrent.Low.data(), R.Take(16), 16);
    std::memcpy(FCurrent.High.data(), R.Take(16), 16);
    // 0 is a jumbogram's payload length: up to the end.
    TByteReader Payload = R.Sub(PayloadLength == 0 ? R.Remaining() : std::min(PayloadLength, R.Remaining()),
                                "the IPv6 extension headers");
    for (;;) {
        switch (Next) {
        case 0:  // hop-by-hop options
        case 43: // routing
        case 60: // destination options
            Next = Payload.U8();
            Payload.Skip(Payload.U8() * size_t{8} + 6);
            continue;
        case 51: // authentication header: its length counts 4-octet words, less 2
            Next = Payload.U8();
            Payload.Skip((Payload.U8() + size_t{2}) * 4 - 2);
            continue;
        case 44: { // fragment: offset and M flag 0 is an atomic fragment, a whole datagram
            Next = Payload.U8();
            Payload.Skip(1);
            const uint16_t Offset = Payload.U16();
            Payload.Skip(4);
            if (Offset & 0xFFF9) {
                Skip(TSkipKind::IpFragment);
                return;
            }
            continue;
        }
        case IpProtocolSctp: {
            TByteReader Sctp = Payload.Rest("the SCTP common header");
            this->Sctp(Sctp);
            return;
        }
        default:
            Skip(TSkipKind::NotSctp);
            return;
        }
    }
}

// SCTP (RFC 9260): the common header, then chunks of type, flags and length
// (header included, padding not), each padded to a multiple of 4 octets.
void TPacketUnwrapper::Sctp(TByteReader& R)
{
    const uint16_t SourcePort = R.U16();
    const uint16_t DestinationPort = R.U16();
    R.Skip(8);
    // The association's key: its two endpoints, the lower one first, so that
    // both directions are one link.
    if (std::tie(FCurrent.High, DestinationPort) < std::tie(FCurrent.Low, SourcePort)) {
        std::swap(FCurrent.Low, FCurrent.High);
        FCurrent.LowPort = DestinationPort;
        FCurrent.HighPort = SourcePort;
    } else {
        FCurrent.LowPort = SourcePort;
        FCurrent.HighPort = DestinationPort;
    }
    bool Any = false;
    while (R.Remaining() >= 4) {
        const uint8_t Type = R.U8();
        const uint8_t Flags = R.U8();
        const size_t Length = R.U16();
        if (Length < 4) {
            Problem("an SCTP chunk (type " + std::to_string(Type) + ") with a length of " + std::to_string(Length) +
                    " octets");
            return;
        }
        if (Length - 4 > R.Remaining()) {
            Problem("the SCTP chunk (type " + std::to_string(Type) + ", " + std::to_string(Length) +
                    " octets) runs past the packet (" + std::to_string(R.Remaining() + 4) + " octets left)");
            return;
        }
        TByteReader Chunk = R.Sub(Length - 4, "an SCTP DATA chunk header");
        R.SkipUpTo(Padded(Length) - Length);
        if (Type != SctpData && Type != SctpIData)
            continue;
        Any = true;
        try {
            // DATA: TSN, stream, stream sequence number, payload protocol.
            // I-DATA: TSN, stream, reserved, message identifier, then the
            // payload protocol in a first fragment.
            Chunk.Skip(Type == SctpData ? 8 : 12);
            const uint32_t Ppid = Chunk.U32();
            if ((Flags & SctpWhole) != SctpWhole) {
                Skip(TSkipKind::SctpFragment);
                continue;
            }
            TByteReader Data = Chunk.Rest("the SCTP user data");
            const uint16_t Ports[2] = {SourcePort, DestinationPort};
            uint32_t Protocol = Ppid;
            if (Protocol == 0) {
                for (uint16_t Port : Ports) {
                    if (Port == PortM3ua)
                        Protocol = PpidM3ua;
                    else if (Port == PortM2pa)
                        Protocol = PpidM2pa;
                }
            }
            SctpPayload(Protocol, Data);
        } catch (const EPacketTooShort& Failure) {
            // The chunk is within the packet: what is wrong is inside it,
            // and the chunks after it are still read.
            Problem(Failure.Message());
        }
    }
    if (!R.AtEnd())
        Problem("the packet ends inside an SCTP chunk header (" + std::to_string(R.Remaining()) + " octets left)");
    else if (!Any)
        Skip(TSkipKind::SctpControl);
}

void TPacketUnwrapper::SctpPayload(uint32_t Ppid, TByteReader& Data)
{
    if (Ppid == PpidM3ua)
        M3ua(Data);
    else if (Ppid == PpidM2pa)
        M2pa(Data);
    else
        Skip(TSkipKind::OtherPayload);
}

uint8_t TPacketUnwrapper::AssociationLink()
{
    if (FLastLink >= 0 && FCurrent == FLastKey)
        return static_cast<uint8_t>(FLastLink);
    auto [At, Added] = FAssociations.try_emplace(FCurrent, static_cast<uint8_t>(FAssociations.size() & 0xFF));
    if (Added && FAssociations.size() == 257 && !FWrapped) {
        FWrapped = true;
        FOut->LinkWrapped = true;
    }
    FLastKey = FCurrent;
    FLastLink = At->second;
    return At->second;
}

// M3UA (RFC 4666): version, reserved, class, type, length (header included);
// then parameters of tag, length (header included, padding not), value,
// each padded to 4 octets. The Protocol Data parameter of a DATA message:
// OPC, DPC (32 bits each), SI, NI, MP, SLS, then the user part.
void TPacketUnwrapper::M3ua(TByteReader& R)
{
    TByteReader Header = R.Sub(8, "the M3UA common header");
    const uint8_t Version = Header.U8();
    Header.Skip(1);
    const uint8_t Class = Header.U8();
    const uint8_t Type = Header.U8();
    const size_t Length = Header.U32();
    if (Version != 1) {
        Problem("M3UA version " + std::to_string(Version));
        return;
    }
    if (Length < 8 || Length - 8 > R.Remaining()) {
        Problem("an M3UA message length of " + std::to_string(Length) + " octets in " +
                std::to_string(R.Remaining() + 8) + " octets of SCTP user data");
        return;
    }
    if (Class != M3uaTransfer || Type != M3uaData) {
        Skip(TSkipKind::M3uaManagement);
        return;
    }
    TByteReader Parameters = R.Sub(Length - 8, "the M3UA parameters");
    while (Parameters.Remaining() >= 4) {
        const uint16_t Tag = Parameters.U16();
        const size_t ParameterLength = Parameters.U16();
        if (ParameterLength < 4 || ParameterLength - 4 > Parameters.Remaining()) {
            Problem(Format("the M3UA parameter 0x%.4X (%zu octets) runs past its message (%zu octets left)", Tag,
                           ParameterLength, Parameters.Remaining() + 4));
            return;
        }
        TByteReader Value = Parameters.Sub(ParameterLength - 4, "the M3UA Protocol Data");
        Parameters.SkipUpTo(Padded(ParameterLength) - ParameterLength);
        if (Tag != TagProtocolData)
            continue;
        const uint32_t Opc = Value.U32();
        const uint32_t Dpc = Value.U32();
        const uint8_t Si = Value.U8();
        const uint8_t Ni = Value.U8();
        const uint8_t Mp = Value.U8();
        const uint8_t Sls = Value.U8();
        if (Opc > 0x3FFF || Dpc > 0x3FFF || Sls > 0x0F || Si > 0x0F || Ni > 3) {
            // An ITU routing label has 14 bits for each point code and 4 for
            // the SLS: a wider value cannot be shown without showing a wrong one.
            if (FOut->Unfit++ == 0)
                FOut->UnfitText = Format("OPC %u, DPC %u, SI %u, NI %u, SLS %u", Opc, Dpc, Si, Ni, Sls);
            Skip(TSkipKind::UnfitLabel);
            return;
        }
        // SIO: network indicator, message priority (spare in ITU) and service
        // indicator; the routing label as a little-endian word.
        const uint32_t Label = Dpc | Opc << 14 | uint32_t{Sls} << 28;
        const uint8_t Head[5] = {static_cast<uint8_t>(Ni << 6 | (Mp & 0x03) << 4 | Si), static_cast<uint8_t>(Label),
                                 static_cast<uint8_t>(Label >> 8), static_cast<uint8_t>(Label >> 16),
                                 static_cast<uint8_t>(Label >> 24)};
        const size_t UserLength = Value.Remaining();
        Add(Head, sizeof Head, Value.Take(UserLength), UserLength, 0, AssociationLink());
        return;
    }
    Problem("an M3UA DATA message without Protocol Data");
}

// M2PA (RFC 4165): version, spare, class, type, length (header included),
// then BSN and FSN (one spare octet and 24 bits each). A User Data message
// holds the MSU from its priority octet on; without data it only acknowledges.
void TPacketUnwrapper::M2pa(TByteReader& R)
{
    TByteReader Header = R.Sub(8, "the M2PA common header");
    const uint8_t Version = Header.U8();
    Header.Skip(1);
    const uint8_t Class = Header.U8();
    const uint8_t Type = Header.U8();
    const size_t Length = Header.U32();
    if (Version != 1 || Class != M2paClass) {
        Problem("M2PA version " + std::to_string(Version) + ", class " + std::to_string(Class));
        return;
    }
    if (Length < 16 || Length - 8 > R.Remaining()) {
        Problem("an M2PA message length of " + std::to_string(Length) + " octets in " +
                std::to_string(R.Remaining() + 8) + " octets of SCTP user data");
        return;
    }
    if (Type == M2paLinkStatus) {
        Skip(TSkipKind::M2paLinkStatus);
        return;
    }
    if (Type != M2paUserData) {
        Problem("M2PA message type " + std::to_string(Type));
        return;
    }
    TByteReader Body = R.Sub(Length - 8, "the M2PA message");
    Body.Skip(8);
    if (Body.Remaining() <= 1) {
        Skip(TSkipKind::M2paNoData);
        return;
    }
    Body.Skip(1);
    const size_t Size = Body.Remaining();
    Add(Body.Take(Size), Size, 0, AssociationLink());
}
