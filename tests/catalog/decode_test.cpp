// Captured ISUP messages decoded against the message catalog of a loaded
// definition set.
#include "tests/catalog/catalog_test_data.h"

#include "core/HexString.h"
#include "core/MemoryStream.h"
#include "isup/IsupPacket.h"

namespace {

// An ISUP message (SIO first) decoded against the message catalog of
// Definitions.
std::unique_ptr<TCustomIsupPacket> Decode(const TDefinitions& Definitions, const std::string& Text)
{
    THexString Bytes(true);
    Bytes.FromText(Text);
    TMemoryStream Stream(Bytes.Data());
    return ReadIsupPacket(Stream, *Definitions.StaticPackets);
}

// SIO 85, routing label, CIC 0x1234, type FA (SampleMsg); fixed part
// SampleFlags 0C; pointers 02 (SampleNumber) and 07 (optional part);
// SampleNumber 05 80 70 21 43 05; SampleNote CA 02 02 AB; end octet 00.
const char SampleMsgOctets[] = "85 01 02 03 04 34 12 FA 0C 02 07 05 80 70 21 43 05 CA 02 02 AB 00";

} // namespace

TEST(DefinitionsTest, DecodesASampleMessage)
{
    const TDefinitions Definitions = LoadDefinitions(TestSet("cfg"));
    const auto Packet = Decode(Definitions, SampleMsgOctets);
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

TEST(DefinitionsTest, DecodedCopiesCarryTheSelectionMarks)
{
    const TDefinitions Definitions = LoadDefinitions(TestSet("cfg"));
    TStaticPacket& Prototype = Definitions.StaticPackets->Items(0);
    Prototype.Parameters().Items(1).Checked = 0;
    Prototype.Parameters().Items(1).Fields().Items(0).Checked = 0;
    const auto Packet = Decode(Definitions, SampleMsgOctets);
    ASSERT_TRUE(Packet);
    EXPECT_EQ(Packet->Parameters().Items(1).Checked, 0);
    EXPECT_EQ(Packet->Parameters().Items(1).Fields().Items(0).Checked, 0);
    EXPECT_EQ(Packet->Parameters().Items(1).Fields().Items(1).Checked, 1);
    // The prototype was not decoded into.
    EXPECT_EQ(Prototype.Parameters().Items(1).GetHexValue(), "80 50 21 43 05 ");
    EXPECT_EQ(Prototype.Cic, 0);
}

TEST(DefinitionsTest, DuplicateCodesDecodeWithTheFirstPrototype)
{
    const TDefinitions Definitions = LoadDefinitions(TestSet("cfg"));
    // Type 0x10: TwinA, whose one parameter is three fixed octets.
    const auto Packet = Decode(Definitions, "85 00 00 00 00 01 00 10 AA BB CC DD");
    ASSERT_TRUE(Packet);
    EXPECT_EQ(Packet->GetName(), "TwinA");
    ASSERT_EQ(Packet->Parameters().Count(), 1);
    EXPECT_EQ(Packet->Parameters().Items(0).GetHexValue(), "AA BB CC ");
}

TEST(DefinitionsTest, TypesOutsideTheCatalogAreUnknown)
{
    const TDefinitions Definitions = LoadDefinitions(TestSet("cfg"));
    try {
        Decode(Definitions, "85 00 00 00 00 01 00 3F");
        FAIL() << "no error raised";
    } catch (const EUnknownIsupMessage& E) {
        EXPECT_EQ(E.Message(), "Unknown Message Type: 0x3F");
    }
    // With the catalog of an empty set every type is unknown, while the
    // loaded one still knows its types.
    const TDefinitions Empty = LoadDefinitions(TestSet("no-such-set"));
    EXPECT_THROW(Decode(Empty, "85 00 00 00 00 01 00 FA"), EUnknownIsupMessage);
    EXPECT_EQ(Decode(Definitions, "85 00 00 00 00 01 00 FA 0C 02 00 00 00")->GetName(), "SampleMsg");
}
