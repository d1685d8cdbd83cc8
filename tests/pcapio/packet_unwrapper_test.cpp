#include "pcapio/PacketUnwrapper.h"

#include "pcap_test_support.h"

#include "pcapio/PcapError.h"

#include <gtest/gtest.h>

using namespace pcaptest;

namespace {

struct TFound {
    std::string Octets;
    int Direction;
    int Link;
    bool operator==(const TFound&) const = default;
};

std::ostream& operator<<(std::ostream& Out, const TFound& F)
{
    Out << "{";
    for (unsigned char C : F.Octets)
        Out << "0123456789ABCDEF"[C >> 4] << "0123456789ABCDEF"[C & 15] << ' ';
    return Out << "dir " << F.Direction << " link " << F.Link << "}";
}

class Unwrap {
public:
    explicit Unwrap(int LinkType, std::vector<uint16_t> Own = {})
        : FUnwrapper(LinkType, Own)
    {
    }
    std::vector<TFound> operator()(const std::string& Packet)
    {
        FUnwrapper.Unwrap(reinterpret_cast<const uint8_t*>(Packet.data()), Packet.size(), Out);
        std::vector<TFound> Found;
        for (const auto& M : Out.Messages)
            Found.push_back({std::string(reinterpret_cast<const char*>(Out.Octets.data()) + M.Offset, M.Length),
                             M.Direction, M.Link});
        return Found;
    }
    TUnwrapped Out;

private:
    TPacketUnwrapper FUnwrapper;
};

const std::string Iam = Hex("85 0E 40 83 30 D8 00 01 00 00 00 0A 00 02 09 07 03 10 32 54 76 98 00");
const std::string Msg1 = Rlc(2061, 2062, 3, 300);
const std::string Msg2 = Rlc(2062, 2061, 4, 301);

std::string M3uaPacket(const std::string& M3ua, unsigned Source = 1, unsigned Destination = 2)
{
    return Ethernet(Ipv4(Source, Destination, Sctp(2905, 2905, DataChunk(3, M3ua))));
}

} // namespace

TEST(PacketUnwrapper, Mtp3PacketIsTheMessageOnLinkZeroReceived)
{
    Unwrap U(LinkTypeMtp3);
    EXPECT_EQ(U(Iam), (std::vector<TFound>{{Iam, 1, 0}}));
    EXPECT_EQ(U(""), std::vector<TFound>{});
    EXPECT_EQ(U.Out.Skip, TSkipKind::Malformed);
    EXPECT_EQ(U.Out.Problems, std::vector<std::string>{"the packet is empty"});
}

TEST(PacketUnwrapper, Mtp2DropsFillInAndLinkStatusAndTakesTheMsuByItsLengthIndicator)
{
    Unwrap U(LinkTypeMtp2);
    for (const char* Unit : {"FF FF 00", "FF FF 01 03", "FF FF 02 00 03", "FF FF C0 11 22"}) {
        EXPECT_EQ(U(Hex(Unit)), std::vector<TFound>{}) << Unit;
        EXPECT_EQ(U.Out.Skip, TSkipKind::Mtp2Fill) << Unit;
    }
    // LI counts SIO and SIF; the two octets after them are a frame check sequence.
    EXPECT_EQ(U(Hex("81 82 09") + Msg1 + Hex("AB CD")), (std::vector<TFound>{{Msg1, 1, 0}}));
    // LI 63 stands for 63 octets or more: the rest of the packet.
    const std::string Long = Msg1 + std::string(80, '\x11');
    EXPECT_EQ(U(Hex("81 82 3F") + Long), (std::vector<TFound>{{Long, 1, 0}}));
    // Spare bits above the 6-bit LI are not part of it.
    EXPECT_EQ(U(Hex("81 82 C9") + Msg1), (std::vector<TFound>{{Msg1, 1, 0}}));
    EXPECT_EQ(U(Hex("81 82 20") + Msg1), std::vector<TFound>{});
    EXPECT_EQ(U.Out.Problems, std::vector<std::string>{"the MTP2 length indicator says 32 octets, the packet holds 9"});
    EXPECT_EQ(U(Hex("81 82")), std::vector<TFound>{});
    EXPECT_EQ(U.Out.Problems, std::vector<std::string>{"the MTP2 header is cut short (1 octets needed, 0 left)"});
}

TEST(PacketUnwrapper, Mtp2PseudoHeaderGivesDirectionLinkAndSequenceNumberWidth)
{
    Unwrap U(LinkTypeMtp2WithPhdr);
    EXPECT_EQ(U(Hex("01 00 00 07 81 82 09") + Msg1), (std::vector<TFound>{{Msg1, 2, 7}}));
    EXPECT_EQ(U(Hex("00 00 00 07 81 82 09") + Msg2), (std::vector<TFound>{{Msg2, 1, 7}}));
    // Annex A: two octets each for BSN, FSN and the 9-bit LI.
    const std::string Long = Msg1 + std::string(300, '\x22');
    EXPECT_EQ(U(Hex("00 01 00 02 01 80 02 80 35 01") + Long + Hex("AB CD")), (std::vector<TFound>{{Long, 1, 2}}));
    EXPECT_EQ(U(Hex("00 01 00 02 01 80 02 80 02 FE")), std::vector<TFound>{});
    EXPECT_EQ(U.Out.Skip, TSkipKind::Mtp2Fill);
    // Link numbers go on modulo 256; the first past 255 is flagged once.
    EXPECT_EQ(U(Hex("00 00 01 05 81 82 09") + Msg1), (std::vector<TFound>{{Msg1, 1, 5}}));
    EXPECT_TRUE(U.Out.LinkWrapped);
    U(Hex("00 00 01 06 81 82 09") + Msg1);
    EXPECT_FALSE(U.Out.LinkWrapped);
}

TEST(PacketUnwrapper, OwnPointCodesDecideTheDirectionOverThePseudoHeader)
{
    Unwrap U(LinkTypeMtp2WithPhdr, {2061});
    EXPECT_EQ(U(Hex("00 00 00 01 81 82 09") + Msg1), (std::vector<TFound>{{Msg1, 2, 1}}));
    EXPECT_EQ(U(Hex("01 00 00 01 81 82 09") + Msg2), (std::vector<TFound>{{Msg2, 1, 1}}));
    Unwrap M3ua(LinkTypeEthernet, {2061, 5});
    EXPECT_EQ(M3ua(M3uaPacket(M3uaData(Msg1))), (std::vector<TFound>{{Msg1, 2, 0}}));
    EXPECT_EQ(M3ua(M3uaPacket(M3uaData(Msg2))), (std::vector<TFound>{{Msg2, 1, 0}}));
    // A message too short to hold an OPC is received.
    Unwrap Mtp3(LinkTypeMtp3, {0});
    EXPECT_EQ(Mtp3(Hex("85 00")), (std::vector<TFound>{{Hex("85 00"), 1, 0}}));
}

TEST(PacketUnwrapper, M3uaProtocolDataAfterOtherParametersBuildsSioAndItuRoutingLabel)
{
    Unwrap U(LinkTypeEthernet);
    // Network Appearance, Routing Context (two contexts), Correlation Id first.
    const std::string Before =
        M3uaParameter(0x0200, Be32(7)) + M3uaParameter(0x0006, Be32(1) + Be32(2)) + M3uaParameter(0x0013, Be32(99));
    // NI 2 (national), MP 1, SI 5; OPC 2061, DPC 2062, SLS 3, then an odd-length user part.
    const std::string Data = M3uaMessage(1, 1, Before + ProtocolData(2061, 2062, 5, 2, 1, 3, Hex("2C 01 10 00 01")));
    const std::string Message = Hex("95") + Le32(2062 | 2061 << 14 | 3u << 28) + Hex("2C 01 10 00 01");
    EXPECT_EQ(U(M3uaPacket(Data)), (std::vector<TFound>{{Message, 1, 0}}));
    EXPECT_EQ(U.Out.Skip, TSkipKind::None);
    // The extremes of every field.
    EXPECT_EQ(U(M3uaPacket(M3uaMessage(1, 1, ProtocolData(16383, 16383, 15, 3, 3, 15, "")))),
              (std::vector<TFound>{{Hex("FF FF FF FF FF"), 1, 0}}));
}

TEST(PacketUnwrapper, EveryDataChunkOfAPacketInOrderWithControlChunksBetween)
{
    Unwrap U(LinkTypeEthernet);
    const std::string Sack = Chunk(3, 0, Be32(5) + Be32(1000) + Be16(0) + Be16(0));
    const std::string Chunks = Sack + DataChunk(3, M3uaData(Msg1)) + Chunk(4, 0, Hex("00 01 00 08 01 02 03 04")) +
        DataChunk(3, M3uaData(Msg2)) + DataChunk(3, M3uaData(Iam));
    // VLAN tags, stacked (802.1ad outer, 802.1Q inner).
    const std::string Packet = Ethernet(Ipv4(1, 2, Sctp(2905, 2905, Chunks)), 0x0800, Hex("88 A8 00 64 81 00 00 0A"));
    EXPECT_EQ(U(Packet), (std::vector<TFound>{{Msg1, 1, 0}, {Msg2, 1, 0}, {Iam, 1, 0}}));
    // Ethernet padding after the IP datagram is not part of it.
    EXPECT_EQ(U(Packet + std::string(6, '\0')).size(), 3u);
    EXPECT_TRUE(U.Out.Problems.empty());
}

TEST(PacketUnwrapper, PayloadProtocolOrPortChoosesM3uaOrM2pa)
{
    Unwrap U(LinkTypeEthernet);
    const std::string M2pa = M2paUserData(Msg1);
    const std::string M3ua = M3uaData(Msg2);
    EXPECT_EQ(U(Ethernet(Ipv4(1, 2, Sctp(40000, 3565, DataChunk(5, M2pa))))), (std::vector<TFound>{{Msg1, 1, 0}}));
    EXPECT_EQ(U(Ethernet(Ipv4(1, 2, Sctp(3565, 40000, DataChunk(0, M2pa))))).size(), 1u);
    EXPECT_EQ(U(Ethernet(Ipv4(1, 2, Sctp(40000, 2905, DataChunk(0, M3ua))))).size(), 1u);
    // An identifier other than 0 is believed over the port.
    EXPECT_EQ(U(Ethernet(Ipv4(1, 2, Sctp(2905, 2905, DataChunk(46, M3ua))))).size(), 0u);
    EXPECT_EQ(U.Out.Skip, TSkipKind::OtherPayload);
    EXPECT_EQ(U(Ethernet(Ipv4(1, 2, Sctp(1000, 2000, DataChunk(0, M3ua))))).size(), 0u);
    EXPECT_EQ(U.Out.Skip, TSkipKind::OtherPayload);
}

TEST(PacketUnwrapper, PacketsWithoutSs7AreSortedByKind)
{
    Unwrap U(LinkTypeEthernet);
    const std::string Data = DataChunk(3, M3uaData(Msg1));
    const std::vector<std::pair<std::string, TSkipKind>> Cases = {
        {Ethernet(Hex("00 01 08 00 06 04 00 01"), 0x0806), TSkipKind::NotIp},
        {Ethernet(Ipv4(1, 2, Sctp(2905, 2905, Data), 132, 0x2000)), TSkipKind::IpFragment},
        {Ethernet(Ipv4(1, 2, Sctp(2905, 2905, Data), 132, 0x0010)), TSkipKind::IpFragment},
        {Ethernet(Ipv4(1, 2, Hex("00 35 00 35 00 08 00 00"), 17)), TSkipKind::NotSctp},
        {Ethernet(Ipv4(1, 2, Sctp(2905, 2905, Chunk(1, 0, Be32(1) + Be32(65535) + Be32(0x00100010) + Be32(1))))),
         TSkipKind::SctpControl},
        {Ethernet(Ipv4(1, 2, Sctp(2905, 2905, DataChunk(3, M3uaData(Msg1), 2)))), TSkipKind::SctpFragment},
        {Ethernet(Ipv4(1, 2, Sctp(2905, 2905, DataChunk(3, M3uaMessage(3, 1, ""))))), TSkipKind::M3uaManagement},
        {Ethernet(Ipv4(1, 2, Sctp(3565, 3565, DataChunk(5, M2paLinkStatus())))), TSkipKind::M2paLinkStatus},
        {Ethernet(Ipv4(1, 2, Sctp(3565, 3565, DataChunk(5, M2paUserData(""))))), TSkipKind::M2paNoData},
    };
    for (const auto& [Packet, Kind] : Cases) {
        EXPECT_EQ(U(Packet), std::vector<TFound>{}) << SkipKindText(Kind);
        EXPECT_EQ(U.Out.Skip, Kind) << SkipKindText(U.Out.Skip);
        EXPECT_TRUE(U.Out.Problems.empty()) << U.Out.Problems.front();
    }
}

TEST(PacketUnwrapper, IpVersionsAndLinkLayers)
{
    const std::string Segment = Sctp(2905, 2905, DataChunk(3, M3uaData(Msg1)));
    const std::string V4 = Ipv4(1, 2, Segment);
    const std::string V6 = Ipv6(1, 2, Segment);
    // Hop-by-hop options (8 octets) and an atomic fragment header before SCTP.
    const std::string V6Options =
        Ipv6(1, 2, Hex("2C 00 01 04 00 00 00 00") + Hex("84 00 00 00 00 00 00 2A") + Segment, 0);
    const std::string Sll = Hex("00 00 00 01 00 06 02 00 00 00 00 01 00 00");
    const std::string Sll2Tail = Hex("00 00 00 00 00 02 00 01 00 06 02 00 00 00 00 01 00 00");
    const std::vector<std::pair<int, std::string>> Cases = {
        {LinkTypeEthernet, Ethernet(V6, 0x86DD)},
        {LinkTypeEthernet, Ethernet(V6Options, 0x86DD)},
        {LinkTypeLinuxSll, Sll + Be16(0x0800) + V4},
        {LinkTypeLinuxSll, Sll + Be16(0x8100) + Hex("00 05") + Be16(0x86DD) + V6},
        {LinkTypeLinuxSll2, Be16(0x0800) + Sll2Tail + V4},
        {LinkTypeRaw, V4},
        {LinkTypeRaw, V6},
        {LinkTypeIpv4, V4},
        {LinkTypeIpv6, V6},
        {LinkTypeNull, Le32(2) + V4},
        {LinkTypeNull, Be32(2) + V4},
        {LinkTypeNull, Le32(30) + V6},
        {LinkTypeNull, Be32(24) + V6},
        {LinkTypeLoop, Be32(2) + V4},
    };
    for (const auto& [LinkType, Packet] : Cases) {
        Unwrap U(LinkType);
        EXPECT_EQ(U(Packet), (std::vector<TFound>{{Msg1, 1, 0}})) << LinkType << " " << Packet.size();
        EXPECT_TRUE(U.Out.Problems.empty()) << LinkType << ": " << U.Out.Problems.front();
    }
    Unwrap U(LinkTypeEthernet);
    EXPECT_EQ(U(Ethernet(Ipv6(1, 2, Hex("84 00 00 08 00 00 00 2A") + Segment, 44), 0x86DD)), std::vector<TFound>{});
    EXPECT_EQ(U.Out.Skip, TSkipKind::IpFragment);
    Unwrap Null(LinkTypeNull);
    EXPECT_EQ(Null(Le32(7) + V4), std::vector<TFound>{});
    EXPECT_EQ(Null.Out.Skip, TSkipKind::NotIp);
}

TEST(PacketUnwrapper, LinksCountAssociationsInTheOrderTheyFirstDeliverAMessage)
{
    Unwrap U(LinkTypeEthernet);
    const std::string Data = DataChunk(3, M3uaData(Msg1));
    const std::string Init = Chunk(1, 0, Be32(1) + Be32(65535) + Be32(0x00100010) + Be32(1));
    U(Ethernet(Ipv4(9, 10, Sctp(2905, 2905, Init))));
    EXPECT_EQ(U(Ethernet(Ipv4(3, 4, Sctp(2905, 2905, Data))))[0].Link, 0);
    EXPECT_EQ(U(Ethernet(Ipv4(1, 2, Sctp(2905, 2905, Data))))[0].Link, 1);
    // Both ways round are one association; another port is another one.
    EXPECT_EQ(U(Ethernet(Ipv4(4, 3, Sctp(2905, 2905, Data))))[0].Link, 0);
    EXPECT_EQ(U(Ethernet(Ipv4(2, 1, Sctp(2905, 2905, Data))))[0].Link, 1);
    EXPECT_EQ(U(Ethernet(Ipv4(9, 10, Sctp(2905, 2905, Data))))[0].Link, 2);
    EXPECT_EQ(U(Ethernet(Ipv4(1, 2, Sctp(2906, 2905, Data))))[0].Link, 3);
    EXPECT_EQ(U(Ethernet(Ipv6(1, 2, Sctp(2905, 2905, Data)), 0x86DD))[0].Link, 4);
    EXPECT_EQ(U(Ethernet(Ipv4(3, 4, Sctp(2905, 2905, Data))))[0].Link, 0);
}

TEST(PacketUnwrapper, PointCodesWiderThanAnItuLabelAreCountedAndLeftOut)
{
    Unwrap U(LinkTypeEthernet);
    const std::string Wide = M3uaMessage(1, 1, ProtocolData(70000, 2061, 5, 2, 0, 1, Hex("2C 01 10 00")));
    const std::string WideSls = M3uaMessage(1, 1, ProtocolData(1, 2061, 5, 2, 0, 31, Hex("2C 01 10 00")));
    const std::string Chunks = DataChunk(3, Wide) + DataChunk(3, M3uaData(Msg1)) + DataChunk(3, WideSls);
    EXPECT_EQ(U(Ethernet(Ipv4(1, 2, Sctp(2905, 2905, Chunks)))), (std::vector<TFound>{{Msg1, 1, 0}}));
    EXPECT_EQ(U.Out.Unfit, 2u);
    EXPECT_EQ(U.Out.UnfitText, "OPC 70000, DPC 2061, SI 5, NI 2, SLS 1");
    EXPECT_EQ(U.Out.Skip, TSkipKind::UnfitLabel);
    EXPECT_EQ(U(M3uaPacket(Wide)), std::vector<TFound>{});
    EXPECT_EQ(U.Out.Skip, TSkipKind::UnfitLabel);
}

TEST(PacketUnwrapper, LengthsThatRunPastThePacketAreReportedNeverRead)
{
    Unwrap U(LinkTypeEthernet);
    const std::string Good = DataChunk(3, M3uaData(Msg1));
    // A chunk claiming 200 octets, with the packet ending 24 octets into it.
    const std::string Long =
        Hex("00 03 00 C8") + Be32(2) + Be16(1) + Be16(1) + Be32(3) + Hex("01 00 01 01 00 00 00 B8");
    EXPECT_EQ(U(Ethernet(Ipv4(1, 2, Sctp(2905, 2905, Good + Long)))), (std::vector<TFound>{{Msg1, 1, 0}}));
    EXPECT_EQ(U.Out.Problems,
              std::vector<std::string>{"the SCTP chunk (type 0, 200 octets) runs past the packet (24 octets left)"});
    EXPECT_EQ(U.Out.Skip, TSkipKind::Malformed);
    EXPECT_EQ(U(Ethernet(Ipv4(1, 2, Sctp(2905, 2905, Hex("00 03 00 02 00 00 00 00"))))), std::vector<TFound>{});
    EXPECT_EQ(U.Out.Problems, std::vector<std::string>{"an SCTP chunk (type 0) with a length of 2 octets"});

    // An M3UA parameter longer than its message; the next chunk is still read.
    const std::string BadParameter = M3uaMessage(1, 1, Be16(0x0006) + Be16(64) + Be32(1));
    EXPECT_EQ(U(Ethernet(Ipv4(1, 2, Sctp(2905, 2905, DataChunk(3, BadParameter) + Good)))),
              (std::vector<TFound>{{Msg1, 1, 0}}));
    EXPECT_EQ(U.Out.Problems,
              std::vector<std::string>{"the M3UA parameter 0x0006 (64 octets) runs past its message (8 octets left)"});
    // An M3UA message longer than its chunk, a Protocol Data too short for its fields.
    EXPECT_EQ(U(M3uaPacket(M3uaData(Msg1).substr(0, 20))), std::vector<TFound>{});
    EXPECT_EQ(U.Out.Problems,
              std::vector<std::string>{"an M3UA message length of 28 octets in 20 octets of SCTP user data"});
    EXPECT_EQ(U(M3uaPacket(M3uaMessage(1, 1, M3uaParameter(0x0210, Be32(1) + Be32(2) + Hex("05 02"))))),
              std::vector<TFound>{});
    EXPECT_EQ(U.Out.Problems,
              std::vector<std::string>{"the M3UA Protocol Data is cut short (1 octets needed, 0 left)"});
    EXPECT_EQ(U(M3uaPacket(M3uaMessage(1, 1, M3uaParameter(0x0006, Be32(1))))), std::vector<TFound>{});
    EXPECT_EQ(U.Out.Problems, std::vector<std::string>{"an M3UA DATA message without Protocol Data"});
}

TEST(PacketUnwrapper, PacketsCutShortAnywhereAreReportedWithoutReadingPastThem)
{
    // Every prefix of a full packet: never a message that was not whole,
    // never a read past the end (the sanitizers watch), always a reason.
    const std::string Packet =
        Ethernet(Ipv4(1, 2, Sctp(2905, 2905, DataChunk(3, M3uaData(Msg1, M3uaParameter(6, Be32(1)))))), 0x0800,
                 Hex("81 00 00 0A"));
    Unwrap U(LinkTypeEthernet);
    for (size_t Size = 0; Size < Packet.size(); ++Size) {
        const std::string Cut = Packet.substr(0, Size);
        // The exact copy keeps the sanitizers' eyes on the cut end.
        std::vector<uint8_t> Copy(Cut.begin(), Cut.end());
        TUnwrapped Out;
        TPacketUnwrapper Unwrapper(LinkTypeEthernet, {});
        Unwrapper.Unwrap(Copy.data(), Copy.size(), Out);
        EXPECT_TRUE(Out.Messages.empty()) << Size;
        EXPECT_NE(Out.Skip, TSkipKind::None) << Size;
    }
    EXPECT_EQ(U(Packet), (std::vector<TFound>{{Msg1, 1, 0}}));
    EXPECT_EQ(U(Packet.substr(0, 20)), std::vector<TFound>{});
    EXPECT_EQ(U.Out.Problems, std::vector<std::string>{"the IPv4 header is cut short (2 octets needed, 0 left)"});
}

TEST(PacketUnwrapper, OnlyTheLinkTypesThatCarrySs7AreTaken)
{
    EXPECT_THROW(TPacketUnwrapper(105, {}), EPcapError);
    EXPECT_THROW(TPacketUnwrapper(142, {}), EPcapError);
    EXPECT_FALSE(TPacketUnwrapper::Supports(248));
}

TEST(PacketUnwrapper, DamagedPacketsOfEveryLinkTypeNeverReadPastTheirEnd)
{
    // Octets of good packets changed at random (a fixed sequence): whatever
    // the lengths and types then say, the unwrapper reads only the packet
    // (the sanitizers watch) and every message it gives lies within it.
    const std::string Chunks = DataChunk(3, M3uaData(Msg1, M3uaParameter(6, Be32(1)))) +
        Chunk(3, 0, Be32(5) + Be32(1000) + Be32(0)) + DataChunk(5, M2paUserData(Msg2));
    const std::vector<std::pair<int, std::string>> Packets = {
        {LinkTypeEthernet, Ethernet(Ipv4(1, 2, Sctp(2905, 2905, Chunks)), 0x0800, Hex("81 00 00 0A"))},
        {LinkTypeEthernet, Ethernet(Ipv6(1, 2, Hex("00 00 01 04 00 00 00 00") + Sctp(2905, 2905, Chunks), 0), 0x86DD)},
        {LinkTypeMtp2WithPhdr, Hex("01 01 00 07 81 80 82 80 09 00") + Msg1},
        {LinkTypeMtp2, Hex("81 82 09") + Msg1},
        {LinkTypeLinuxSll2, Be16(0x0800) + std::string(18, '\0') + Ipv4(1, 2, Sctp(3565, 3565, Chunks))},
    };
    uint32_t Random = 12345;
    auto Next = [&Random] { return Random = Random * 1103515245 + 12345, Random >> 16; };
    for (const auto& [LinkType, Good] : Packets) {
        TPacketUnwrapper Unwrapper(LinkType, {});
        for (int Round = 0; Round < 3000; ++Round) {
            std::string Damaged = Good;
            for (int Change = 1 + Next() % 4; Change > 0; --Change)
                Damaged[Next() % Damaged.size()] = static_cast<char>(Next());
            Damaged.resize(Damaged.size() - Next() % 8);
            std::vector<uint8_t> Copy(Damaged.begin(), Damaged.end());
            TUnwrapped Out;
            Unwrapper.Unwrap(Copy.data(), Copy.size(), Out);
            size_t Total = 0;
            for (const auto& M : Out.Messages) {
                ASSERT_LE(M.Offset + M.Length, Out.Octets.size());
                Total += M.Length;
            }
            EXPECT_LE(Total, Copy.size() + 5 * Out.Messages.size());
            EXPECT_TRUE(!Out.Messages.empty() || Out.Skip != TSkipKind::None);
        }
    }
}
