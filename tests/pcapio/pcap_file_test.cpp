#include "pcapio/PcapReader.h"
#include "pcapio/PcapWriter.h"

#include "pcap_test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>

using namespace pcaptest;

namespace {

// Central European time with its summer time rule, spelt out so that the
// tests need no time zone database.
class PcapFiles : public testing::Test {
protected:
    void SetUp() override
    {
        const char* Zone = std::getenv("TZ");
        FOldZone = Zone ? std::optional<std::string>(Zone) : std::nullopt;
        setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
        tzset();
        FFolder = std::filesystem::temp_directory_path() /
            ("pcapio-test-" + std::to_string(::getpid()) + "-" +
             testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(FFolder);
    }
    void TearDown() override
    {
        if (FOldZone)
            setenv("TZ", FOldZone->c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
        std::filesystem::remove_all(FFolder);
    }
    std::string Path(const std::string& Name) const { return (FFolder / Name).string(); }
    std::string WriteFile(const std::string& Name, const std::string& Data) const
    {
        std::ofstream(Path(Name), std::ios::binary) << Data;
        return Path(Name);
    }
    static std::string Slurp(const std::string& Name)
    {
        std::ifstream In(Name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(In), {});
    }

    struct TRead {
        std::vector<TPcapMessage> Messages;
        std::vector<std::string> Octets;
        std::vector<std::string> Notes;
        std::string Error;
    };
    static TRead ReadAll(TPcapReader& Reader)
    {
        TRead Read;
        TPcapMessage Message;
        try {
            while (Reader.Next(Message)) {
                Read.Messages.push_back(Message);
                Read.Octets.emplace_back(Message.Octets);
            }
        } catch (const EPcapError& Failure) {
            Read.Error = Failure.Message();
        }
        Read.Notes = Reader.TakeNotes();
        return Read;
    }

private:
    std::optional<std::string> FOldZone;
    std::filesystem::path FFolder;
};

const std::string Msg1 = Rlc(2061, 2062, 3, 300);
const std::string Msg2 = Rlc(2062, 2061, 4, 301);

// 2026-12-07 08:05:03 UTC, a Monday: 9:05:03 in Central European time.
constexpr uint32_t Winter = 1796630703;
// 2026-07-01 10:00:00 UTC: 12:00:00 in summer time.
constexpr uint32_t Summer = 1782900000;

std::string M3uaFrame(const std::string& M3ua)
{
    return Ethernet(Ipv4(1, 2, Sctp(2905, 2905, DataChunk(3, M3ua))));
}

} // namespace

TEST_F(PcapFiles, MessagesCarryPacketNumberLocalStampDirectionAndLink)
{
    const std::string Data = PcapFile(
        1,
        {{Winter, 12999, M3uaFrame(M3uaData(Msg1))},
         {Winter, 13000, Ethernet(Hex("00 01"), 0x0806)},
         {Summer, 999999,
          Ethernet(Ipv4(1, 2, Sctp(2905, 2905, DataChunk(3, M3uaData(Msg2)) + DataChunk(3, M3uaData(Msg1)))))}});
    TPcapReader Reader("mem.pcap", Data.data(), Data.size(), {{2061}});
    EXPECT_EQ(Reader.LinkType(), 1);
    const TRead Read = ReadAll(Reader);
    ASSERT_EQ(Read.Messages.size(), 3u) << Read.Error;
    EXPECT_EQ(Read.Octets, (std::vector<std::string>{Msg1, Msg2, Msg1}));
    EXPECT_EQ(Read.Messages[0].Packet, 1u);
    EXPECT_EQ(Read.Messages[1].Packet, 3u);
    EXPECT_EQ(Read.Messages[2].Packet, 3u);
    EXPECT_EQ(Read.Messages[0].Stamp, (TSystemTime{2026, 12, 1, 7, 9, 5, 3, 12}));
    EXPECT_EQ(Read.Messages[1].Stamp, (TSystemTime{2026, 7, 3, 1, 12, 0, 0, 999}));
    EXPECT_EQ(Read.Messages[0].Direction, 2);
    EXPECT_EQ(Read.Messages[1].Direction, 1);
    EXPECT_EQ(Read.Messages[2].Link, 0);
    EXPECT_TRUE(Read.Error.empty());
    EXPECT_TRUE(Read.Notes.empty());
    EXPECT_EQ(Reader.Summary(), "mem.pcap: 3 packets, 3 messages; no SS7 in 1 packets: 1 not IP");

    std::string Record;
    TPcapMessage First = Read.Messages[0];
    First.Octets = Read.Octets[0];
    First.AppendRecord(Record);
    EXPECT_EQ(Record, Hex("EA 07 0C 00 01 00 07 00 09 00 05 00 03 00 0C 00 02 00") + Msg1);
}

TEST_F(PcapFiles, PcapngAndNanosecondPcapAreFoundByTheirContentsNotTheirName)
{
    const std::vector<TTestPacket> Packets = {{Winter, 12345, Hex("00 00 00 03 81 82 09") + Msg1}};
    const std::string Ng = PcapngFile(139, Packets);
    const std::string Nano = PcapFile(139, {{Winter, 12345678, Hex("01 00 00 03 81 82 09") + Msg2}}, true);
    for (const auto& [Name, Data] : {std::pair{"capture.ss7", Ng}, std::pair{"capture.pcap", Nano}}) {
        const std::string File = WriteFile(Name, Data);
        EXPECT_TRUE(IsPcapFile(File));
        TPcapReader Reader(File);
        const TRead Read = ReadAll(Reader);
        ASSERT_EQ(Read.Messages.size(), 1u) << Name << Read.Error;
        EXPECT_EQ(Read.Messages[0].Stamp.Milliseconds, 12);
        EXPECT_EQ(Read.Messages[0].Link, 3);
        EXPECT_EQ(Reader.Position(), Reader.Size());
    }
    EXPECT_FALSE(IsPcapFile(WriteFile("lines.pcap", "EA 07 0C 00 01 00\r\n")));
    EXPECT_FALSE(IsPcapFile(Path("missing")));
    EXPECT_TRUE(IsPcapData(Ng));
    EXPECT_FALSE(IsPcapData(Ng.substr(0, 3)));
}

TEST_F(PcapFiles, WhatIsNoPcapOrCarriesNoSs7IsRefusedNamingTheFile)
{
    auto OpenError = [](const std::string& Data) {
        try {
            TPcapReader Reader("in.pcap", Data.data(), Data.size());
        } catch (const EPcapError& Failure) {
            return Failure.Message();
        }
        return std::string("opened");
    };
    EXPECT_EQ(OpenError(""), "in.pcap: not a pcap or pcapng file that can be read (the file is empty)");
    EXPECT_EQ(OpenError("EA 07 0C 00 01 00 07 00 09 00 05 00 03 00 0C 00 02 00 85 \r\n")
                  .rfind("in.pcap: not a pcap or pcapng file that can be read (", 0),
              0u);
    EXPECT_EQ(OpenError(PcapFile(1, {}).substr(0, 10)).rfind("in.pcap: not a pcap or pcapng file", 0), 0u);
    EXPECT_EQ(OpenError(PcapFile(105, {})).rfind("in.pcap: link type 105 (", 0), 0u);
    EXPECT_EQ(OpenError(PcapFile(1, {})), "opened");
    try {
        TPcapReader Reader(Path("missing.pcap"));
        FAIL();
    } catch (const EPcapError& Failure) {
        EXPECT_EQ(Failure.Message().rfind(Path("missing.pcap") + ": ", 0), 0u) << Failure.Message();
    }
}

TEST_F(PcapFiles, AFileCutOffInsideAPacketKeepsWhatCameBeforeAndNamesThePacket)
{
    const std::string Whole = PcapFile(141, {{Winter, 0, Msg1}, {Winter, 1000, Msg2}, {Winter, 2000, Msg1}});
    // Cut in the third packet's octets, then in its record header.
    for (size_t Cut : {size_t{5}, size_t{18}}) {
        const std::string Data = Whole.substr(0, Whole.size() - Cut);
        TPcapReader Reader("cut.pcap", Data.data(), Data.size());
        const TRead Read = ReadAll(Reader);
        EXPECT_EQ(Read.Octets, (std::vector<std::string>{Msg1, Msg2})) << Cut;
        EXPECT_EQ(Read.Error.rfind("cut.pcap: packet 3: the file ends inside the packet (", 0), 0u) << Read.Error;
        TPcapMessage Message;
        EXPECT_FALSE(Reader.Next(Message));
    }
}

TEST_F(PcapFiles, MalformedPacketsAreReportedByNumberAndWidePointCodesOnce)
{
    const std::string Wide = M3uaMessage(1, 1, ProtocolData(70000, 2061, 5, 2, 0, 1, Hex("2C 01 10 00")));
    const std::string Cut = M3uaFrame(M3uaData(Msg1));
    std::vector<TTestPacket> Packets = {{Winter, 0, M3uaFrame(M3uaData(Msg1))},
                                        {Winter, 0, M3uaFrame(Wide)},
                                        {Winter, 0, Cut.substr(0, Cut.size() - 6), static_cast<uint32_t>(Cut.size())},
                                        {Winter, 0, M3uaFrame(Wide)}};
    for (int I = 0; I < 25; ++I)
        Packets.push_back({Winter, 0, Ethernet(Ipv4(1, 2, Sctp(1, 2, Hex("00 03 00 02"))))});
    const std::string Data = PcapFile(1, Packets);
    TPcapReader Reader("bad.pcap", Data.data(), Data.size());
    const TRead Read = ReadAll(Reader);
    EXPECT_EQ(Read.Octets, std::vector<std::string>{Msg1});
    ASSERT_EQ(Read.Notes.size(), 22u);
    EXPECT_EQ(Read.Notes[0],
              "bad.pcap: packet 2: OPC 70000, DPC 2061, SI 5, NI 2, SLS 1 does not fit an ITU routing "
              "label (14-bit point codes, 4-bit SLS); such messages are counted and left out");
    EXPECT_EQ(Read.Notes[1],
              "bad.pcap: packet 3: the SCTP chunk (type 0, 44 octets) runs past the packet (38 octets "
              "left) (the packet was captured cut to 84 of its 90 octets)");
    EXPECT_EQ(Read.Notes[2], "bad.pcap: packet 5: an SCTP chunk (type 0) with a length of 2 octets");
    EXPECT_EQ(Read.Notes[21], "bad.pcap: further malformed packets are counted, not reported one by one");
    EXPECT_EQ(Reader.Counts().Unfit, 2u);
    EXPECT_EQ(Reader.Summary(),
              "bad.pcap: 29 packets, 1 messages; no SS7 in 28 packets: 2 point codes too wide for "
              "an ITU routing label, 26 malformed; 2 messages left out, their point codes too wide "
              "for an ITU routing label");
}

TEST_F(PcapFiles, WrittenCapturesReadBackWithTheirStampDirectionLinkAndMessage)
{
    const std::string Long = Msg1 + std::string(300, '\x5A');
    struct TCapture {
        TSystemTime Stamp;
        uint8_t Direction;
        uint8_t Link;
        std::string Octets;
    };
    const std::vector<TCapture> Captures = {
        {{2026, 12, 1, 7, 9, 5, 3, 12}, 1, 0, Msg1},
        {{2026, 12, 1, 7, 9, 5, 3, 999}, 2, 7, Msg2},
        {{2026, 7, 3, 1, 12, 0, 59, 1}, 2, 255, Long},
        // The hour that the change back from summer time repeats.
        {{2026, 10, 0, 25, 2, 30, 0, 500}, 1, 1, Msg1},
        {{2027, 3, 1, 1, 0, 0, 0, 0}, 1, 0, Hex("81 02 00 00 00 11 10")},
    };
    const std::string File = Path("out.pcap");
    TPcapWriter Writer(File);
    for (const TCapture& C : Captures) {
        std::string Record(reinterpret_cast<const char*>(StampToBytes(C.Stamp).data()), StampSize);
        Record += std::string{static_cast<char>(C.Direction), static_cast<char>(C.Link)} + C.Octets;
        EXPECT_TRUE(Writer.WriteRecord(Record));
    }
    // A stop entry, a record without a message and one too short for an MSU.
    const std::string Head(reinterpret_cast<const char*>(StampToBytes(Captures[0].Stamp).data()), StampSize);
    EXPECT_FALSE(Writer.WriteRecord(Head + Hex("00 00 FF 00 00 00 00")));
    EXPECT_FALSE(Writer.WriteRecord(Head + Hex("01 02")));
    EXPECT_FALSE(Writer.WriteRecord(Head + Hex("01 02 85 01")));
    EXPECT_FALSE(Writer.WriteRecord(Head.substr(0, 10)));
    Writer.Close();
    EXPECT_EQ(Writer.Summary(),
              File +
                  ": 5 messages written; 1 stop entries left out (they are not messages); "
                  "3 records without a whole message left out");

    TPcapReader Reader(File);
    EXPECT_EQ(Reader.LinkType(), 139);
    const TRead Read = ReadAll(Reader);
    ASSERT_EQ(Read.Messages.size(), Captures.size()) << Read.Error;
    for (size_t I = 0; I < Captures.size(); ++I) {
        EXPECT_EQ(Read.Messages[I].Stamp, Captures[I].Stamp) << I;
        EXPECT_EQ(Read.Messages[I].Direction, Captures[I].Direction) << I;
        EXPECT_EQ(Read.Messages[I].Link, Captures[I].Link) << I;
        EXPECT_EQ(Read.Octets[I], Captures[I].Octets) << I;
    }

    // The second packet as the file holds it: time, pseudo-header (sent,
    // no annex A, link 7), BSN/BIB 127 (nothing received on link 7 yet),
    // FSN/FIB 0 (the first MSU after alignment), LI 9.
    const std::string Bytes = Slurp(File);
    const size_t Second = 24 + 16 + 7 + Msg1.size();
    EXPECT_EQ(Bytes.substr(Second, 16 + 7),
              Le32(Winter) + Le32(999000) + Le32(16) + Le32(16) + Hex("01 00 00 07 FF 80 09"));
    EXPECT_EQ(Bytes.substr(Second + 23, Msg2.size()), Msg2);
}

TEST_F(PcapFiles, WriterSequenceNumbersAndStampsThatAreNoTime)
{
    const std::string File = Path("seq.pcap");
    TPcapWriter Writer(File);
    const TSystemTime Stamp{2026, 12, 1, 7, 9, 5, 3, 12};
    Writer.Write(Stamp, 2, 4, Msg1);
    Writer.Write(Stamp, 2, 4, Msg1);
    Writer.Write(Stamp, 1, 4, Msg2);
    Writer.Write(TSystemTime{2026, 13, 0, 1, 0, 0, 0, 0}, 1, 4, Msg2);
    Writer.Close();
    EXPECT_EQ(Writer.BadStamps(), 1u);
    const std::string Bytes = Slurp(File);
    const size_t Packet = 16 + 7 + Msg1.size();
    // FSN counts each side's MSUs; BSN is the last FSN the other side sent.
    EXPECT_EQ(Bytes.substr(24 + 16 + 4, 2), Hex("FF 80"));
    EXPECT_EQ(Bytes.substr(24 + Packet + 16 + 4, 2), Hex("FF 81"));
    EXPECT_EQ(Bytes.substr(24 + 2 * Packet + 16 + 4, 2), Hex("81 80"));
    EXPECT_EQ(Bytes.substr(24 + 3 * Packet, 8), Le32(0) + Le32(0));
    EXPECT_THROW(TPcapWriter(Path("no/such/folder/x.pcap")), EPcapError);
}
