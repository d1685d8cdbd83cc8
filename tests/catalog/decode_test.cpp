// Captured messages decoded through the level-4 decoder against a loaded
// catalog.
#include "tests/catalog/catalog_test_data.h"

#include "core/HexString.h"
#include "core/MemoryStream.h"
#include "isup/IsupPacket.h"
#include "l4/PacketL4.h"

namespace {

std::unique_ptr<TCustomIsupPacket> Decode(const std::string& Text)
{
    THexString Bytes(true);
    Bytes.FromText(Text);
    std::unique_ptr<TCustomPacketL4> Packet = DecodePacketL4(Bytes);
    auto* Isup = dynamic_cast<TCustomIsupPacket*>(Packet.get());
    if (!Isup)
        return nullptr;
    Packet.release();
    return std::unique_ptr<TCustomIsupPacket>(Isup);
}

// SIO 85, routing label, CIC 0x1234, type FA (SampleMsg); fixed part
// SampleFlags 0C; pointers 02 (SampleNumber) and 07 (optional part);
// SampleNumber 05 80 70 21 43 05; SampleNote CA 02 02 AB; end octet 00.
const char SampleMsgOctets[] = "85 01 02 03 04 34 12 FA 0C 02 07 05 80 70 21 43 05 CA 02 02 AB 00";

} // namespace

TEST_F(DefinitionsTest, DecodesASampleMessage)
{
    LoadDefinitions(TestSet("cfg"));
    const auto Packet = Decode(SampleMsgOctets);
    ASSERT_TRUE(Packet);
    EXPECT_EQ(Packet->GetName(), "SampleMsg");
    EXPECT_EQ(Packet->Caption(), "Sample message");
    EXPECT_EQ(Packet->Cic, 0x1234);
    EXPECT_EQ(Packet->MessageType, 0xFA);
    const TParameterCollection& P = Packet->Parameters();
    ASSERT_EQ(P.Count(), 3);

    const TCustomParameter& Flags = P.Items(0);
    EXPECT_EQ(Flags.GetHexValue(), "0C ");
    EXPECT_EQ(Flags.Fields().Items(0).GetValueText(), "False");
    EXPECT_EQ(Flags.Fields().Items(1).GetValueText(), "6");

    const TCustomParameter& Number = P.Items(1);
    EXPECT_EQ(Number.GetHexValue(), "80 70 21 43 05 ");
    EXPECT_EQ(Number.GetDescription(), "SampleNumber = { Plan = 7; Screened = False; Digits = 12345 }");

    const TCustomParameter& Note = P.Items(2);
    EXPECT_TRUE(Note.GetPresent());
    EXPECT_EQ(Note.Fields().Items(0).GetValueText(), "Binary");
    EXPECT_EQ(Note.Fields().Items(1).GetValueText(), "AB");

    // Encoding gives the captured octets back.
    TMemoryStream Out;
    Packet->SaveToStream(Out);
    THexString Coded(Out.Bytes(), true);
    EXPECT_EQ(Coded.ToText(), std::string(SampleMsgOctets) + " ");
}

TEST_F(DefinitionsTest, DecodedCopiesCarryTheSelectionMarks)
{
    LoadDefinitions(TestSet("cfg"));
    TStaticPacket& Prototype = StaticPackets->Items(0);
    Prototype.Parameters().Items(1).Checked = 0;
    Prototype.Parameters().Items(1).Fields().Items(0).Checked = 0;
    const auto Packet = Decode(SampleMsgOctets);
    ASSERT_TRUE(Packet);
    EXPECT_EQ(Packet->Parameters().Items(1).Checked, 0);
    EXPECT_EQ(Packet->Parameters().Items(1).Fields().Items(0).Checked, 0);
    EXPECT_EQ(Packet->Parameters().Items(1).Fields().Items(1).Checked, 1);
    // The prototype was not decoded into.
    EXPECT_EQ(Prototype.Parameters().Items(1).GetHexValue(), "80 50 21 43 05 ");
    EXPECT_EQ(Prototype.Cic, 0);
}

TEST_F(DefinitionsTest, DuplicateCodesDecodeWithTheFirstPrototype)
{
    LoadDefinitions(TestSet("cfg"));
    // Type 0x10: TwinA, whose one parameter is three fixed octets.
    const auto Packet = Decode("85 00 00 00 00 01 00 10 AA BB CC DD");
    ASSERT_TRUE(Packet);
    EXPECT_EQ(Packet->GetName(), "TwinA");
    ASSERT_EQ(Packet->Parameters().Count(), 1);
    EXPECT_EQ(Packet->Parameters().Items(0).GetHexValue(), "AA BB CC ");
}

TEST_F(DefinitionsTest, TypesOutsideTheCatalogAreUnknown)
{
    LoadDefinitions(TestSet("cfg"));
    THexString Bytes(true);
    Bytes.FromText("85 00 00 00 00 01 00 3F");
    try {
        DecodePacketL4(Bytes);
        FAIL() << "no error raised";
    } catch (const EUnknownIsupMessage& E) {
        EXPECT_EQ(E.Message(), "Unknown Message Type: 0x3F");
    }
    // After loading an empty set every type is unknown.
    LoadDefinitions(TestSet("no-such-set"));
    Bytes.FromText("85 00 00 00 00 01 00 FA");
    EXPECT_THROW(DecodePacketL4(Bytes), EUnknownIsupMessage);
}
