// Unwrapping one captured packet down to the level-4 messages it carries:
// the link layer (MTP2 with or without its pseudo-header, MTP3, Ethernet with
// 802.1Q tags, Linux cooked, raw IP, loopback), IPv4 or IPv6, SCTP with all
// its DATA chunks, then M3UA or M2PA. Knows nothing of files: the reader
// hands it one packet's octets at a time, and tests can too.
//
// Direction and link rule:
// - The link is the order of first appearance: the first SCTP association
//   (a pair of address and port endpoints, either way round) that delivers a
//   message is link 0, the next link 1, and so on, counting past 255 modulo
//   256. MTP2 and MTP3 captures without a pseudo-header hold one link: 0.
//   MTP2 with the pseudo-header takes its link number (modulo 256).
// - The direction is IN, except that MTP2 with the pseudo-header takes OUT
//   from its "sent" flag; when the user names their own point codes, a
//   message whose OPC is one of them is OUT and every other message is IN,
//   whatever the link type.
#pragma once

#include "pcapio/ByteReader.h"

#include <array>
#include <bitset>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

// Link types (the values of the file header, as tcpdump.org lists them).
enum : int {
    LinkTypeNull = 0,
    LinkTypeEthernet = 1,
    LinkTypeRaw = 101,
    LinkTypeLoop = 108,
    LinkTypeLinuxSll = 113,
    LinkTypeMtp2WithPhdr = 139,
    LinkTypeMtp2 = 140,
    LinkTypeMtp3 = 141,
    LinkTypeIpv4 = 228,
    LinkTypeIpv6 = 229,
    LinkTypeLinuxSll2 = 276,
};

// Why a packet gave no level-4 message. A packet is counted under the first
// reason met in it; one found malformed is counted as malformed.
enum class TSkipKind : uint8_t {
    None,
    NotIp,
    IpFragment,
    NotSctp,
    SctpControl,
    SctpFragment,
    OtherPayload,
    M3uaManagement,
    M2paLinkStatus,
    M2paNoData,
    Mtp2Fill,
    UnfitLabel,
    Malformed,
};
constexpr size_t SkipKindCount = static_cast<size_t>(TSkipKind::Malformed) + 1;
// "not IP", "IP fragments", ... as the counts are reported.
const char* SkipKindText(TSkipKind Kind);

// What one packet held.
struct TUnwrapped {
    struct TMessage {
        uint32_t Offset; // into Octets
        uint32_t Length;
        uint8_t Direction;
        uint8_t Link;
    };
    // The messages' octets, one after another.
    std::vector<uint8_t> Octets;
    std::vector<TMessage> Messages;
    // Why the packet, or part of it, gave no message (None when nothing was left).
    TSkipKind Skip = TSkipKind::None;
    // Faults of the packet's layout, each a sentence without the packet's
    // number: "the SCTP chunk (type 0, 200 octets) runs past the packet (84 octets left)".
    std::vector<std::string> Problems;
    // Messages left out because a point code or the SLS does not fit an ITU
    // routing label, and what the first one held.
    uint32_t Unfit = 0;
    std::string UnfitText;
    // Set when this packet's link number was the first past 255.
    bool LinkWrapped = false;

    void Clear();
};

class TPacketUnwrapper {
public:
    // OwnPointCodes: the user's own point codes (14 bits each); empty: none named.
    TPacketUnwrapper(int LinkType, const std::vector<uint16_t>& OwnPointCodes);

    static bool Supports(int LinkType);

    // Unwraps the Size octets at Data into Out (cleared first).
    void Unwrap(const uint8_t* Data, size_t Size, TUnwrapped& Out);

    int LinkType() const { return FLinkType; }
    // SCTP associations that have delivered a message so far.
    size_t Associations() const { return FAssociations.size(); }

private:
    struct TEndpoints {
        std::array<uint8_t, 16> Low{}, High{};
        uint16_t LowPort = 0, HighPort = 0;
        uint8_t Family = 0;
        auto operator<=>(const TEndpoints&) const = default;
    };

    void Mtp2(TByteReader& Packet, bool Extended, uint8_t Direction, uint16_t Link);
    void EtherType(uint16_t Type, TByteReader& R);
    void Ethernet(TByteReader& R);
    void Ip(TByteReader& R);
    void Ipv4(TByteReader& R);
    void Ipv6(TByteReader& R);
    void Sctp(TByteReader& R);
    void SctpPayload(uint32_t Ppid, TByteReader& Data);
    void M3ua(TByteReader& R);
    void M2pa(TByteReader& R);
    uint8_t AssociationLink();
    // Adds the message at Data; Direction 0 means no direction of its own.
    void Add(const uint8_t* Data, size_t Size, uint8_t Direction, uint16_t Link);
    // The same for a message made of two pieces.
    void Add(const uint8_t* Head, size_t HeadSize, const uint8_t* Tail, size_t TailSize, uint8_t Direction,
             uint16_t Link);
    void Skip(TSkipKind Kind);
    void Problem(std::string Text);

    int FLinkType;
    bool FOwnNamed = false;
    std::bitset<16384> FOwn;
    std::map<TEndpoints, uint8_t> FAssociations;
    // The association of the packet being unwrapped, and the last one looked up.
    TEndpoints FCurrent, FLastKey;
    int FLastLink = -1;
    bool FWrapped = false;
    TUnwrapped* FOut = nullptr;
};
