// Decoding and encoding of ISUP messages: the three parts, pointers,
// failures with their exact texts, truncated input.
#include "tests/isup/isup_test_support.h"

#include "core/Exception.h"
#include "isup/IsupCatalog.h"

#include <gtest/gtest.h>

using namespace isuptest;

namespace {

// Level-4 header: SIO 05 and the routing label 0x4001.
const std::string Header = std::string("\x05\x01\x40\x00\x00", 5);

// Type 1: fixed F (1 octet), variable V, optional O (code 8);
// type 2: fixed only; type 3: optional only (codes 8 and 9);
// type 4: two variable parameters and the optional one.
class IsupPacket : public ::testing::Test {
protected:
    void SetUp() override
    {
        TCustomParameter& F = AddLayout(Catalog.Layouts, 1, "F", ptFixed, 1, {{"Bits", fkInteger, 0, 8, "0"}});
        TCustomParameter& V = AddLayout(Catalog.Layouts, 2, "V", ptVariable, 1);
        TCustomParameter& V2 = AddLayout(Catalog.Layouts, 3, "V2", ptVariable, 0);
        TCustomParameter& O = AddLayout(Catalog.Layouts, 8, "O", ptVariable, 1, {{"Flag", fkBit, 0, 1, "1"}});
        TCustomParameter& O2 = AddLayout(Catalog.Layouts, 9, "O2", ptVariable, 2);

        TCustomIsupPacket& Example = Catalog.AddPrototype(1, "EX", "Example");
        Instantiate(F, Example.Parameters(), true);
        Instantiate(V, Example.Parameters(), true);
        Instantiate(O, Example.Parameters(), false);

        TCustomIsupPacket& FixedOnly = Catalog.AddPrototype(2, "FIX", "FIX");
        Instantiate(F, FixedOnly.Parameters(), true);

        TCustomIsupPacket& OptionalOnly = Catalog.AddPrototype(3, "OPT", "Optional only");
        Instantiate(F, OptionalOnly.Parameters(), true);
        Instantiate(O, OptionalOnly.Parameters(), false);
        Instantiate(O2, OptionalOnly.Parameters(), false);

        TCustomIsupPacket& TwoVariable = Catalog.AddPrototype(4, "TWO", "Two variable");
        Instantiate(V, TwoVariable.Parameters(), true);
        Instantiate(V2, TwoVariable.Parameters(), true);
        Instantiate(O, TwoVariable.Parameters(), false);
    }

    static std::string Message(std::string_view IsupPart) { return Header + Octets(IsupPart); }

    std::string ErrorOf(std::string_view Bytes) const
    {
        try {
            DecodeIsup(Catalog, Bytes);
        } catch (const EL4Error& Error) {
            return Error.Message();
        }
        return "no error";
    }

    TTestCatalog Catalog;
};

} // namespace

TEST_F(IsupPacket, WorkedExampleDecodesAndEncodesBack)
{
    const std::string Isup = Octets("01 00 01 00 02 05 03 10 20 30 08 01 AA 00");
    auto Packet = DecodeIsup(Catalog, Header + Isup);
    EXPECT_EQ(Packet->Cic, 1);
    EXPECT_EQ(Packet->MessageType, 1);
    EXPECT_EQ(Packet->GetName(), "EX");
    EXPECT_EQ(Packet->Caption(), "Example");
    EXPECT_EQ(Packet->RoutingLabel, 0x4001u);
    const TParameterCollection& Parameters = Packet->Parameters();
    ASSERT_EQ(Parameters.Count(), 3);
    EXPECT_EQ(Hex(Parameters.Items(0).Value()), "00 ");
    EXPECT_EQ(Hex(Parameters.Items(1).Value()), "10 20 30 ");
    EXPECT_EQ(Hex(Parameters.Items(2).Value()), "AA ");
    EXPECT_TRUE(Parameters.Items(2).GetPresent());
    EXPECT_TRUE(Parameters.OptionalPart().Present);

    EXPECT_EQ(EncodeIsupPart(*Packet), Isup);
    EXPECT_EQ(Encode(*Packet), Header + Isup);
    EXPECT_EQ(Packet->GetCodedText(true), "01 00 01 00 02 05 03 10 20 30 08 01 AA 00 ");
    EXPECT_EQ(Packet->GetCodedText(false),
              "0100010002050310203008"
              "01AA00");
    EXPECT_EQ(Packet->GetSummary(), "EX, Example");
}

TEST_F(IsupPacket, PartViews)
{
    const TCustomIsupPacket& Prototype = *Catalog.Prototypes[0];
    const TParameterCollection& Parameters = Prototype.Parameters();
    EXPECT_EQ(Parameters.FixedPart().Count(), 1);
    EXPECT_EQ(Parameters.VariablePart().Count(), 1);
    EXPECT_EQ(Parameters.OptionalPart().Count(), 1);
    EXPECT_EQ(Parameters.OptionalPart().Items(0).Name(), "O");
    EXPECT_EQ(Parameters.OptionalPart().Kind(), ipOptional);
    EXPECT_EQ(Parameters.OptionalPart().Owner(), &Parameters);
    EXPECT_EQ(Parameters.FindByCode(8), &Parameters.Items(2));
    EXPECT_EQ(Parameters.FindByCode(7), nullptr);
    EXPECT_EQ(Parameters.VariablePart().FindByCode(8), nullptr);
    for (int Index : {1, -1}) {
        try {
            Parameters.OptionalPart().Items(Index);
            FAIL() << Index;
        } catch (const EL4Error& Error) {
            EXPECT_EQ(Error.Message(),
                      "TParameterCollectionPart: List index out of bounds (" + std::to_string(Index) + ")");
        }
    }
    EXPECT_EQ(Catalog.Prototypes[1]->GetSummary(), "FIX");
}

TEST_F(IsupPacket, FailureTexts)
{
    TMemoryStream Empty;
    EXPECT_EQ(ReadIsupPacket(Empty, Catalog), nullptr);
    EXPECT_EQ(ErrorOf(Header), "Can`t load packet from stream.");
    EXPECT_EQ(ErrorOf(Header + Octets("01")), "Can`t load packet from stream.");
    EXPECT_EQ(ErrorOf(Header + Octets("01 00")), "Can`t load packet from stream.");
    EXPECT_EQ(ErrorOf(Message("01 00 01 00")), "Can`t load parameter pointer.");
    EXPECT_EQ(ErrorOf(Message("01 00 01")), "Can`t load parameter pointer.");
    EXPECT_EQ(ErrorOf(Message("01 00 01 00 02")), "Can`t load optional part pointer.");
    EXPECT_EQ(ErrorOf(Message("01 00 03 00")), "Can`t load optional part pointer.");
    EXPECT_EQ(ErrorOf(Message("01 00 3F")), "Unknown Message Type: 0x3F");
    EXPECT_EQ(ErrorOf(Message("01 00 05")), "Unknown Message Type: 0x05");
    try {
        DecodeIsup(Catalog, Message("01 00 3F 00 00"));
        FAIL();
    } catch (const EUnknownIsupMessage& Error) {
        EXPECT_EQ(Error.Code, 0x3F);
        EXPECT_EQ(Error.CodeText, "0x3F");
    }
}

TEST(IsupPacketWithoutCatalog, EveryMessageIsUnknown)
{
    const TEmptyIsupCatalog Empty;
    EXPECT_THROW(DecodeIsup(Empty, Octets("05 01 40 00 00 01 00 01")), EUnknownIsupMessage);
    // A catalog is only asked, never remembered: the next decode with
    // another catalog knows the type.
    TTestCatalog Catalog;
    Catalog.AddPrototype(1, "EX", "Example");
    EXPECT_EQ(DecodeIsup(Catalog, Octets("05 01 40 00 00 01 00 01"))->GetName(), "EX");
    EXPECT_THROW(DecodeIsup(Empty, Octets("05 01 40 00 00 01 00 01")), EUnknownIsupMessage);
}

TEST_F(IsupPacket, CicAndFixedOnlyDefinitions)
{
    auto Packet = DecodeIsup(Catalog, Message("34 12 02 7E FF FF FF"));
    EXPECT_EQ(Packet->Cic, 4660);
    EXPECT_EQ(Hex(Packet->Parameters().Items(0).Value()), "7E ");
    EXPECT_EQ(Hex(EncodeIsupPart(*Packet)), "34 12 02 7E ");
    EXPECT_EQ(DecodeIsup(Catalog, Message("FF FF 02 00"))->Cic, 65535);
    // The fixed octets missing at the end read as zeros.
    auto Short = DecodeIsup(Catalog, Message("01 00 02"));
    EXPECT_EQ(Hex(Short->Parameters().Items(0).Value()), "00 ");
}

TEST_F(IsupPacket, OptionalOnlyDefinition)
{
    // The optional-part pointer follows the fixed part directly.
    auto Packet = DecodeIsup(Catalog, Message("01 00 03 11 01 09 02 BB CC 00"));
    const TParameterCollection& Parameters = Packet->Parameters();
    EXPECT_EQ(Hex(Parameters.Items(0).Value()), "11 ");
    EXPECT_FALSE(Parameters.Items(1).GetPresent());
    EXPECT_EQ(Hex(Parameters.Items(1).Value()), "01 ");
    EXPECT_TRUE(Parameters.Items(2).GetPresent());
    EXPECT_EQ(Hex(Parameters.Items(2).Value()), "BB CC ");
    EXPECT_EQ(Hex(EncodeIsupPart(*Packet)), "01 00 03 11 01 09 02 BB CC 00 ");
}

TEST_F(IsupPacket, PointersCountFromThemselves)
{
    // The second pointer, 04 at offset 9, leads to offset 13.
    auto Packet = DecodeIsup(Catalog, Message("01 00 04 03 04 00 01 AA 02 BB CC"));
    const TParameterCollection& Parameters = Packet->Parameters();
    EXPECT_EQ(Hex(Parameters.Items(0).Value()), "AA ");
    EXPECT_EQ(Hex(Parameters.Items(1).Value()), "BB CC ");
    EXPECT_FALSE(Parameters.OptionalPart().Present);
    EXPECT_EQ(Hex(EncodeIsupPart(*Packet)), "01 00 04 03 04 00 01 AA 02 BB CC ");
}

TEST_F(IsupPacket, ZeroPointers)
{
    // A variable pointer 0 is its own length octet: an empty value.
    auto Packet = DecodeIsup(Catalog, Message("01 00 01 55 00 00"));
    const TParameterCollection& Parameters = Packet->Parameters();
    EXPECT_EQ(Parameters.Items(1).GetValueLength(), 0);
    EXPECT_FALSE(Parameters.OptionalPart().Present);
    EXPECT_FALSE(Parameters.Items(2).GetPresent());
    // Optional-part pointer 0 is written back with no optional part.
    EXPECT_EQ(Hex(EncodeIsupPart(*Packet)), "01 00 01 55 02 00 00 ");
}

TEST_F(IsupPacket, OptionalPartContents)
{
    // Unknown code 33 is skipped by its length; code 08 twice keeps the second.
    auto Packet = DecodeIsup(Catalog, Message("01 00 01 00 02 03 01 77 33 02 08 01 08 01 AA 08 01 BB 00 08 01 CC"));
    const TCustomParameter& O = Packet->Parameters().Items(2);
    EXPECT_TRUE(O.GetPresent());
    EXPECT_EQ(Hex(O.Value()), "BB ");
    EXPECT_EQ(Packet->Parameters().Count(), 3);
    // No end octet: the part ends with the input.
    auto NoEnd = DecodeIsup(Catalog, Message("01 00 01 00 02 03 01 77 08 01 AA"));
    EXPECT_EQ(Hex(NoEnd->Parameters().Items(2).Value()), "AA ");
    // An unknown code whose length octet is missing ends the part.
    auto Cut = DecodeIsup(Catalog, Message("01 00 01 00 02 03 01 77 33"));
    EXPECT_FALSE(Cut->Parameters().Items(2).GetPresent());
    // Optional parameter truncated inside its value: declared length, zeros.
    auto Inside = DecodeIsup(Catalog, Message("01 00 01 00 02 03 01 77 08 03 AA"));
    EXPECT_EQ(Hex(Inside->Parameters().Items(2).Value()), "AA 00 00 ");
    EXPECT_TRUE(Inside->Parameters().Items(2).GetPresent());
    // Its length octet missing: present with an empty value.
    auto NoLength = DecodeIsup(Catalog, Message("01 00 01 00 02 03 01 77 08"));
    EXPECT_EQ(NoLength->Parameters().Items(2).GetValueLength(), 0);
}

TEST_F(IsupPacket, OptionalCodesAreLookedUpInTheOptionalPartOnly)
{
    // Codes 02 (the mandatory variable V) and 01 (the fixed F) in the
    // optional part are not optional parameters of the message: skipped,
    // and the mandatory values stay those of their own parts.
    auto Packet = DecodeIsup(Catalog, Message("01 00 01 00 02 03 01 77 02 02 EE EE 01 01 FF 08 01 AA 00"));
    const TParameterCollection& Parameters = Packet->Parameters();
    ASSERT_EQ(Parameters.Count(), 3);
    EXPECT_EQ(Hex(Parameters.Items(0).Value()), "00 ");
    EXPECT_EQ(Hex(Parameters.Items(1).Value()), "77 ");
    EXPECT_EQ(Hex(Parameters.Items(2).Value()), "AA ");
    EXPECT_EQ(Hex(EncodeIsupPart(*Packet)), "01 00 01 00 02 03 01 77 08 01 AA 00 ");

    // A message that carries the same parameter mandatory and optional
    // (code 02 twice, as a called party number could be): each part fills
    // its own.
    TCustomParameter& Number = AddLayout(Catalog.Layouts, 2, "Number", ptVariable, 1);
    TCustomIsupPacket& Twice = Catalog.AddPrototype(5, "TWICE", "Same code twice");
    Instantiate(Number, Twice.Parameters(), true);
    Instantiate(Number, Twice.Parameters(), false);
    auto Both = DecodeIsup(Catalog, Message("01 00 05 02 03 01 77 02 01 99 00"));
    EXPECT_EQ(Hex(Both->Parameters().Items(0).Value()), "77 ");
    EXPECT_EQ(Hex(Both->Parameters().Items(1).Value()), "99 ");
    EXPECT_TRUE(Both->Parameters().Items(1).GetPresent());
    EXPECT_EQ(Hex(EncodeIsupPart(*Both)), "01 00 05 02 03 01 77 02 01 99 00 ");
}

TEST_F(IsupPacket, AbsentOptionalKeepsThePrototypeDefault)
{
    auto Packet = DecodeIsup(Catalog, Message("01 00 01 00 02 03 01 77 00"));
    const TCustomParameter& O = Packet->Parameters().Items(2);
    EXPECT_FALSE(O.GetPresent());
    EXPECT_EQ(Hex(O.Value()), "01 ");
    EXPECT_TRUE(Packet->Parameters().OptionalPart().Present);
    // None present but the part present: a lone end octet.
    EXPECT_EQ(Hex(EncodeIsupPart(*Packet)), "01 00 01 00 02 03 01 77 00 ");
}

TEST_F(IsupPacket, VariablePointerPastTheEnd)
{
    auto Packet = DecodeIsup(Catalog, Message("01 00 01 00 40 00"));
    EXPECT_EQ(Packet->Parameters().Items(1).GetValueLength(), 0);
    EXPECT_TRUE(Packet->Parameters().Items(1).GetPresent());
    auto Inside = DecodeIsup(Catalog, Message("01 00 01 00 02 00 05 12"));
    EXPECT_EQ(Hex(Inside->Parameters().Items(1).Value()), "12 00 00 00 00 ");
}

TEST_F(IsupPacket, EveryPrefixDecodesOrFailsCleanly)
{
    const std::string Full = Message("01 00 04 03 05 06 02 AA BB 01 CC 08 01 DD 09 03 01 02 03 00");
    for (size_t Length = 0; Length <= Full.size(); ++Length) {
        // A fresh copy of exactly Length octets, so that ASan catches any
        // read past its end.
        const std::string Prefix(Full.data(), Length);
        if (Length == 0) {
            TMemoryStream Empty(Prefix);
            EXPECT_EQ(ReadIsupPacket(Empty, Catalog), nullptr);
            continue;
        }
        try {
            auto Packet = DecodeIsup(Catalog, Prefix);
            EncodeIsupPart(*Packet);
            EXPECT_GE(Length, 11u);
        } catch (const EL4Error& Error) {
            EXPECT_LT(Length, 11u) << Error.Message();
        }
    }
}

TEST_F(IsupPacket, AssignCopiesTheMessage)
{
    TCustomIsupPacket& Prototype = *Catalog.Prototypes[0];
    Prototype.RoutingLabel = 0x12345678;
    TCustomIsupPacket Copy;
    Copy.Cic = 9;
    Copy.Parameters().AddParameter(true, 77);
    Prototype.Checked = 0;
    Copy.Assign(Prototype);
    EXPECT_EQ(Copy.MessageType, 1);
    EXPECT_EQ(Copy.Name(), "EX");
    EXPECT_EQ(Copy.Caption(), "Example");
    EXPECT_EQ(Copy.Checked, 0);
    EXPECT_EQ(Copy.Cic, 0);
    EXPECT_EQ(Copy.RoutingLabel, 0x12345678u);
    ASSERT_EQ(Copy.Parameters().Count(), 3);
    EXPECT_EQ(Copy.Parameters().Items(2).Name(), "O");
    EXPECT_FALSE(Copy.Parameters().Items(2).Mandatory());
    EXPECT_EQ(Copy.Parameters().Items(2).Part(), ipOptional);

    // From a plain level-4 packet only the level-4 header is taken.
    TTestPacketL4 Test;
    Test.Sio = 0x81;
    Copy.Assign(Test);
    EXPECT_EQ(Copy.Sio, 0x81);
    EXPECT_EQ(Copy.Name(), "EX");
}

TEST_F(IsupPacket, FirstPrototypeOfATypeWins)
{
    Catalog.AddPrototype(1, "EX2", "Second");
    EXPECT_EQ(DecodeIsup(Catalog, Message("01 00 01 00 02 03 01 77 00"))->GetName(), "EX");
}

TEST(IsupPacketDefaults, NewPacket)
{
    TCustomIsupPacket Packet;
    EXPECT_EQ(Packet.Name(), "(?)");
    EXPECT_EQ(Packet.Caption(), "(noname)");
    EXPECT_EQ(Packet.GetSummary(), "(?), (noname)");
    EXPECT_EQ(Packet.Checked, 1);
    EXPECT_EQ(Packet.Sio, 5);
    EXPECT_EQ(Packet.GetCodedText(true), "00 00 00 ");
    Packet.SetName("ACM");
    Packet.SetCaption("ACM");
    EXPECT_EQ(Packet.GetSummary(), "ACM");
    Packet.SetCaption("acm");
    EXPECT_EQ(Packet.GetSummary(), "ACM, acm");
}
