// Level-4 framing: SIO and routing label, signalling link test messages,
// Assign, and the exact error texts.
#include "l4/MtpPacket.h"
#include "l4/PacketL4.h"

#include "core/Exception.h"
#include "core/HexString.h"
#include "core/MemoryStream.h"

#include <gtest/gtest.h>

#include <string>

namespace {

THexString Hex(const char* Text)
{
    THexString Octets(true);
    Octets.FromText(Text);
    return THexString(Octets.Data(), false);
}

// A link test message read from its octets, SIO first.
std::unique_ptr<TTestPacketL4> ReadTest(const THexString& Octets)
{
    TMemoryStream Stream(Octets.Data());
    return ReadTestPacket(Stream);
}

std::unique_ptr<TMtpPacket> ReadMtp(const THexString& Octets)
{
    TMemoryStream Stream(Octets.Data());
    return ReadMtpPacket(Stream);
}

std::string Saved(const TCustomPacketL4& Packet)
{
    TMemoryStream Stream;
    Packet.SaveToStream(Stream);
    return Stream.Bytes();
}

TEST(RoutingLabel, FieldsAndText)
{
    TCustomPacketL4 Packet;
    TMemoryStream Stream(Hex("05 01 40 00 00").Data());
    Packet.LoadFromStream(Stream);
    EXPECT_EQ(Packet.Sio, 0x05);
    EXPECT_EQ(Packet.RoutingLabel, 0x4001u);
    EXPECT_EQ(GetDpc(Packet.RoutingLabel), 1u);
    EXPECT_EQ(GetOpc(Packet.RoutingLabel), 1u);
    EXPECT_EQ(GetSls(Packet.RoutingLabel), 0u);
    EXPECT_EQ(GetRoutingLabelText(Packet.RoutingLabel), "1 => 1, sls=0");

    // Originating point first: 01 80 00 30 is OPC 2, DPC 1, SLS 3.
    EXPECT_EQ(GetRoutingLabelText(0x30008001), "2 => 1, sls=3");
    // Every field at its maximum; none spills into another.
    EXPECT_EQ(GetDpc(0xFFFFFFFF), 16383u);
    EXPECT_EQ(GetOpc(0xFFFFFFFF), 16383u);
    EXPECT_EQ(GetSls(0xFFFFFFFF), 15u);
    EXPECT_EQ(GetRoutingLabelText(0xFFFFFFFF), "16383 => 16383, sls=15");
    EXPECT_EQ(GetDpc(0x00003FFF), 16383u);
    EXPECT_EQ(GetOpc(0x00003FFF), 0u);
    EXPECT_EQ(GetOpc(0x0FFFC000), 16383u);
    EXPECT_EQ(GetDpc(0x0FFFC000), 0u);
    EXPECT_EQ(GetSls(0x0FFFFFFF), 0u);
}

TEST(RoutingLabel, MissingLabelOctetsKeepTheHighOrderBytes)
{
    TCustomPacketL4 Packet;
    Packet.RoutingLabel = 0xAABBCCDD;
    TMemoryStream Stream(Hex("85 01 40").Data());
    Packet.LoadFromStream(Stream);
    EXPECT_EQ(Packet.Sio, 0x85);
    EXPECT_EQ(Packet.RoutingLabel, 0xAABB4001u);

    TCustomPacketL4 Fresh;
    TMemoryStream One(Hex("00").Data());
    Fresh.LoadFromStream(One);
    EXPECT_EQ(Fresh.RoutingLabel, 0u);
}

TEST(Sio, ServiceIndicatorAndSubserviceAreSeparateNibbles)
{
    TCustomPacketL4 Packet;
    EXPECT_EQ(Packet.Checked, 1);
    EXPECT_EQ(Packet.Sio, 0x05);
    EXPECT_EQ(Packet.RoutingLabel, 0u);
    EXPECT_EQ(Packet.GetName(), "(SS=5)");

    Packet.Sio = 0xF5;
    EXPECT_EQ(Packet.GetServiceIndicator(), 5);
    Packet.SetServiceIndicator(0x13);
    EXPECT_EQ(Packet.Sio, 0xF3);
    Packet.SetSubservice(0x1A);
    EXPECT_EQ(Packet.Sio, 0xA3);
    EXPECT_EQ(Packet.GetName(), "(SS=3)");
}

TEST(LinkTest, HeadingLengthAndPattern)
{
    const auto Packet = ReadTest(Hex("01 01 40 00 00 11 30 AA BB CC"));
    const TTestPacketL4* Test = Packet.get();
    EXPECT_EQ(Test->Sio, 0x01);
    EXPECT_EQ(Test->RoutingLabel, 0x4001u);
    EXPECT_EQ(Test->Heading, 0x11);
    EXPECT_EQ(Test->TestPattern, "\xAA\xBB\xCC");
    EXPECT_EQ(Test->GetName(), "SLTM");
    EXPECT_EQ(ReadTest(Hex("01 01 40 00 00 21 30 AA BB CC"))->GetName(), "SLTA");
    EXPECT_EQ(ReadTest(Hex("01 01 40 00 00 12 30 AA BB CC"))->GetName(), "0x12");
    EXPECT_EQ(ReadTest(Hex("01 01 40 00 00 FF"))->GetName(), "0xFF");
}

TEST(LinkTest, TheSpareNibbleIsIgnoredAndShortInputKeepsWhatIsThere)
{
    auto Pattern = [](const char* Text) { return ReadTest(Hex(Text))->TestPattern; };
    EXPECT_EQ(Pattern("01 00 00 00 00 11 3F AA BB CC"), "\xAA\xBB\xCC");
    // Octets after the pattern are not read.
    EXPECT_EQ(Pattern("01 00 00 00 00 11 10 AA BB CC"), "\xAA");
    // Fewer octets than the length indicator: only those present.
    EXPECT_EQ(Pattern("01 00 00 00 00 11 50 AA BB"), "\xAA\xBB");
    EXPECT_EQ(Pattern("01 00 00 00 00 11"), "");
    EXPECT_EQ(Pattern("01 00 00 00 00 11 F0 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F"),
              std::string("\x00\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0A\x0B\x0C\x0D\x0E", 15));
    const auto Empty = ReadTest(Hex("01 00 00 00 00"));
    EXPECT_EQ(Empty->Heading, 0);
}

TEST(LinkTest, SaveToStreamWritesTheSameLayout)
{
    const THexString Input = Hex("81 01 80 00 30 11 40 01 02 03 04");
    EXPECT_EQ(Saved(*ReadTest(Input)), Input.Data());
    // The spare nibble is written as 0.
    EXPECT_EQ(Saved(*ReadTest(Hex("01 00 00 00 00 11 3F AA BB CC"))), Hex("01 00 00 00 00 11 30 AA BB CC").Data());

    TTestPacketL4 Long;
    Long.Sio = 0x01;
    Long.Heading = 0x21;
    Long.TestPattern = std::string(16, '\x5A');
    // Sixteen octets do not fit the 4-bit length: its low eight bits are 0.
    EXPECT_EQ(Saved(Long), std::string("\x01\x00\x00\x00\x00\x21\x00", 7) + std::string(16, '\x5A'));

    TMemoryStream Stream(std::string("\xEE\xEE", 2));
    Stream.SetPosition(1);
    TTestPacketL4 Small;
    Small.Sio = 0x01;
    Small.RoutingLabel = 0x30008001;
    Small.Heading = 0x11;
    Small.TestPattern = "\x01";
    Small.SaveToStream(Stream);
    EXPECT_EQ(Stream.Bytes(), std::string("\xEE\x01\x01\x80\x00\x30\x11\x10\x01", 9));
}

TEST(Assign, CopiesWhatEachClassKnowsAndNeverChecked)
{
    const auto Source = ReadTest(Hex("C1 01 80 00 30 21 20 AB CD"));
    TTestPacketL4 Test;
    Test.Checked = 0;
    Test.Assign(*Source);
    EXPECT_EQ(Test.Sio, 0xC1);
    EXPECT_EQ(Test.RoutingLabel, 0x30008001u);
    EXPECT_EQ(Test.Heading, 0x21);
    EXPECT_EQ(Test.TestPattern, "\xAB\xCD");
    EXPECT_EQ(Test.Checked, 0);

    // From another level-4 class only the SIO and label are taken.
    const auto Mtp = ReadMtp(Hex("80 02 40 00 30 14 05 00"));
    Test.Assign(*Mtp);
    EXPECT_EQ(Test.Sio, 0x80);
    EXPECT_EQ(Test.RoutingLabel, 0x30004002u);
    EXPECT_EQ(Test.Heading, 0x21);
    EXPECT_EQ(Test.TestPattern, "\xAB\xCD");

    TCustomPacketL4 Plain;
    Plain.Assign(*Source);
    EXPECT_EQ(Plain.Sio, 0xC1);
    EXPECT_EQ(Plain.RoutingLabel, 0x30008001u);
}

TEST(Assign, UnknownSourcesAreRefused)
{
    const THexString Octets(std::string("\x01", 1), false);
    TCustomPacketL4 Plain;
    TTestPacketL4 Test;
    try {
        Plain.Assign(Octets);
        FAIL() << "no error";
    } catch (const EConvertError& Error) {
        EXPECT_EQ(Error.Message(), "Cannot assign a THexString to a TCustomPacketL4");
    }
    try {
        Test.Assign(Octets);
        FAIL() << "no error";
    } catch (const EConvertError& Error) {
        EXPECT_EQ(Error.Message(), "Cannot assign a THexString to a TTestPacketL4");
    }
}

TEST(SaveToStream, TheLevel4StepWritesSioAndLabelLittleEndian)
{
    TCustomPacketL4 Packet;
    Packet.Sio = 0x85;
    Packet.RoutingLabel = 0x30008001;
    EXPECT_EQ(Saved(Packet), std::string("\x85\x01\x80\x00\x30", 5));
}

} // namespace
