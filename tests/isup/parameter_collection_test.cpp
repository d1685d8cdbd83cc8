// The two forms of a parameter collection: a copy holding no parameter
// objects reads exactly as the objects it makes when asked, takes nothing
// from a prototype changed after it was made, and stays apart from copies of
// itself.
#include "tests/isup/isup_test_support.h"

#include "core/Exception.h"

#include <gtest/gtest.h>

using namespace isuptest;

namespace {

// IAM: the fixed NCI, the mandatory CdPN, the optional Note (20), Flag (21)
// and Extra (22).
class CompactCopy : public ::testing::Test {
protected:
    void SetUp() override
    {
        TCustomParameter& Nature = AddLayout(Catalog.Layouts, 6, "NCI", ptFixed, 1,
                                             {{"Satellite", fkEnum, 0, 2, "One", {{"None", 0}, {"One", 1}}},
                                              {"Check", fkInteger, 2, 2, "0"},
                                              {"Echo", fkBit, 4, 1, "0"}});
        TCustomParameter& Number = AddLayout(Catalog.Layouts, 4, "CdPN", ptNumber, 2,
                                             {{"Nature", fkInteger, 0, 7, "3"}, {"Digits", fkDigits, 0, 0, "99"}}, 7);
        TCustomParameter& Note =
            AddLayout(Catalog.Layouts, 0x20, "Note", ptVariable, 1,
                      {{"Kind", fkEnum, 0, 2, "Text", {{"Text", 0}, {"Binary", 1}}}, {"Data", fkAppendix, 0, 0, ""}});
        TCustomParameter& Flag = AddLayout(Catalog.Layouts, 0x21, "Flag", ptVariable, 1, {{"On", fkBit, 7, 1, "1"}});
        TCustomParameter& Extra = AddLayout(Catalog.Layouts, 0x22, "Extra", ptVariable, 2);
        IAM = &Catalog.AddPrototype(1, "IAM", "Initial address");
        Instantiate(Nature, IAM->Parameters(), true);
        Instantiate(Number, IAM->Parameters(), true);
        Instantiate(Note, IAM->Parameters(), false);
        Instantiate(Flag, IAM->Parameters(), false);
        Instantiate(Extra, IAM->Parameters(), false);
        // Marks as the selection window might leave them.
        IAM->Parameters().Items(2).Checked = 0;
        IAM->Parameters().Items(0).Fields().Items(1).Checked = 0;
    }

    TTestCatalog Catalog;
    TCustomIsupPacket* IAM = nullptr;
};

// CIC 1234, NCI 05, CdPN 03 00 21 43, Note 01 AA, Flag 80.
const char Full[] = "85 01 40 00 00 34 12 01 05 02 06 04 03 00 21 43 20 02 01 AA 21 01 80 00";
// CIC 0001, NCI 02, CdPN 83 00 21 03, Extra 07 07, an unknown 30, end.
const char ExtraOnly[] = "85 01 40 00 00 01 00 01 02 02 06 04 83 00 21 03 30 01 FF 22 02 07 07 00";
// No optional part (pointer 0).
const char NoOptional[] = "85 01 40 00 00 02 00 01 01 02 00 02 03 00";

// Everything the decoded view or a tool can read of every parameter, read
// through the views or through the parameter and field objects.
std::vector<std::string> Picture(const TParameterCollection& Parameters, bool Objects)
{
    std::vector<std::string> Lines;
    for (int I = 0; I < Parameters.Count(); ++I) {
        std::string Line;
        if (Objects) {
            const TCustomParameter& P = Parameters.Items(I);
            Line = P.Name() + "|" + P.Caption() + "|" + std::to_string(P.Code()) + "|" + std::to_string(P.Part()) +
                "|" + std::to_string(P.Mandatory()) + "|" + std::to_string(P.GetPresent()) + "|" +
                std::to_string(P.Checked) + "|" + P.GetHexValue();
            for (int F = 0; F < P.Fields().Count(); ++F) {
                const TParamField& Field = P.Fields().Items(F);
                Line += "|" + std::to_string(Field.Checked) + Field.Name() + "=" + Field.GetValueText();
            }
        } else {
            const TParameterView P = Parameters.View(I);
            Line = P.Name() + "|" + P.Caption() + "|" + std::to_string(P.Code()) + "|" + std::to_string(P.Part()) +
                "|" + std::to_string(P.Mandatory()) + "|" + std::to_string(P.GetPresent()) + "|" +
                std::to_string(P.Checked()) + "|" + Hex(std::string(P.Value()));
            for (size_t F = 0; F < P.Fields().size(); ++F)
                Line += "|" + std::to_string(P.FieldChecked(static_cast<int>(F))) + P.Fields()[F].Name + "=" +
                    FieldOps::GetValueText(P.Fields()[F], P.ValueView());
        }
        Lines.push_back(Line);
    }
    return Lines;
}

} // namespace

TEST_F(CompactCopy, ACopyReadsAsTheObjectsItMakes)
{
    for (const char* Message : {Full, ExtraOnly, NoOptional}) {
        SCOPED_TRACE(Message);
        const auto Decoded = DecodeIsup(Catalog, Octets(Message));
        const TParameterCollection& Parameters = Decoded->Parameters();
        ASSERT_TRUE(Parameters.IsCompact());
        const auto Viewed = Picture(Parameters, false);
        EXPECT_EQ(Parameters.FixedPart().Count(), 1);
        EXPECT_EQ(Parameters.VariablePart().Count(), 1);
        EXPECT_EQ(Parameters.OptionalPart().Count(), 3);
        EXPECT_EQ(Parameters.PartOf(3), ipOptional);
        EXPECT_TRUE(Parameters.IsCompact());

        // A copy of the copy, made into objects, shows the same.
        TCustomIsupPacket Copy;
        Copy.Assign(*Decoded);
        EXPECT_EQ(Picture(Copy.Parameters(), true), Viewed);
        EXPECT_FALSE(Copy.Parameters().IsCompact());
        // And so does the copy itself once its objects are made, which
        // encode the octets they were read from.
        EXPECT_EQ(Hex(Encode(*Decoded)),
                  Hex(Octets(Message == ExtraOnly ? "85 01 40 00 00 01 00 01 02 02 06 04 83 00 "
                                                    "21 03 22 02 07 07 00"
                                                  : Message)));
        EXPECT_FALSE(Parameters.IsCompact());
        EXPECT_EQ(Picture(Parameters, true), Viewed);
        EXPECT_EQ(Picture(Parameters, false), Viewed);
    }
    const auto Decoded = DecodeIsup(Catalog, Octets(Full));
    EXPECT_EQ(Picture(Decoded->Parameters(), false)[2], "Note|Note caption|32|2|0|1|0|01 AA |1Kind=Binary|1Data=AA");
    EXPECT_EQ(Picture(Decoded->Parameters(), false)[0],
              "NCI|NCI caption|6|0|1|1|1|05 |1Satellite=One|0Check=1|1Echo=False");
}

TEST_F(CompactCopy, ReadingIntoACopyAgainKeepsThePartsRight)
{
    auto Packet = DecodeIsup(Catalog, Octets(Full));
    // Read again into the same copy, as the decoder does with the packets
    // it reuses: optional parameters not in the new message are absent but
    // keep the value they had, as the objects would.
    TMemoryStream Again(Octets(ExtraOnly));
    Packet->LoadFromStream(Again);
    const TParameterCollection& Parameters = Packet->Parameters();
    EXPECT_FALSE(Parameters.View(2).GetPresent());
    EXPECT_EQ(Parameters.View(2).Value(), Octets("01 AA"));
    EXPECT_TRUE(Parameters.View(4).GetPresent());
    EXPECT_EQ(Packet->Cic, 1);
    EXPECT_EQ(Picture(Parameters, false), [&] {
        auto Objects = DecodeIsup(Catalog, Octets(Full));
        Objects->Parameters().Expand();
        TMemoryStream Stream(Octets(ExtraOnly));
        Objects->LoadFromStream(Stream);
        return Picture(Objects->Parameters(), true);
    }());

    TMemoryStream None(Octets(NoOptional));
    Packet->LoadFromStream(None);
    EXPECT_FALSE(Parameters.OptionalPart().Present);
    // The encoder then writes a pointer 0 and no optional part.
    EXPECT_EQ(Hex(EncodeIsupPart(*Packet)), "02 00 01 01 02 00 02 03 00 ");

    // Renewed from the prototype, the packet is a new copy again.
    Packet->Renew(*IAM);
    EXPECT_TRUE(Parameters.OptionalPart().Present);
    EXPECT_EQ(Packet->Cic, 0);
    EXPECT_EQ(Picture(Parameters, false), Picture(Catalog.NewMessage(1)->Parameters(), false));
}

TEST_F(CompactCopy, APrototypeChangedLaterLeavesEarlierCopiesAlone)
{
    auto Before = Catalog.NewMessage(1);
    const auto PictureBefore = Picture(Before->Parameters(), false);

    TCustomParameter& Nature = IAM->Parameters().Items(0);
    Nature.SetHexValue("3F");
    Nature.Fields().Items(0).SetName("Sat");
    IAM->Parameters().Items(3).Checked = 0;
    IAM->Parameters().Items(4).SetPresent(true);
    auto After = Catalog.NewMessage(1);

    EXPECT_EQ(Picture(Before->Parameters(), false), PictureBefore);
    EXPECT_EQ(Before->Parameters().View(0).Value(), Octets("01"));
    EXPECT_FALSE(Before->Parameters().View(4).GetPresent());
    const TParameterView Now = After->Parameters().View(0);
    EXPECT_EQ(Now.Value(), Octets("3F"));
    EXPECT_EQ(Now.Fields()[0].Name, "Sat");
    EXPECT_EQ(After->Parameters().View(3).Checked(), 0);
    EXPECT_TRUE(After->Parameters().View(4).GetPresent());
    // The earlier copy's objects are made from what it was given.
    EXPECT_EQ(Picture(Before->Parameters(), true), PictureBefore);
}

TEST_F(CompactCopy, CopiesOfCopiesStayApart)
{
    auto First = DecodeIsup(Catalog, Octets(Full));
    const auto FirstPicture = Picture(First->Parameters(), false);
    TCustomIsupPacket Second;
    Second.Assign(*First);
    EXPECT_TRUE(Second.Parameters().IsCompact());

    Second.Parameters().Items(2).SetHexValue("00 BB CC");
    Second.Parameters().Items(3).Fields().Items(0).Checked = 0;
    EXPECT_EQ(Picture(First->Parameters(), false), FirstPicture);

    // A copy of the changed one, then a change to it: each keeps its own.
    TCustomIsupPacket Third;
    Third.Assign(Second);
    const auto ThirdPicture = Picture(Third.Parameters(), false);
    EXPECT_EQ(Third.Parameters().View(2).Value(), Octets("00 BB CC"));
    EXPECT_EQ(Third.Parameters().View(3).FieldChecked(0), false);
    Second.Parameters().Items(2).SetHexValue("01 DD");
    EXPECT_EQ(Picture(Third.Parameters(), false), ThirdPicture);

    // Reading a new message into the first leaves the others alone.
    TMemoryStream Stream(Octets(ExtraOnly));
    First->LoadFromStream(Stream);
    EXPECT_EQ(Picture(Third.Parameters(), false), ThirdPicture);
    EXPECT_EQ(Second.Parameters().View(2).Value(), Octets("01 DD"));
}

TEST_F(CompactCopy, ViewsOutsideTheCollectionRaise)
{
    const auto Decoded = DecodeIsup(Catalog, Octets(Full));
    EXPECT_THROW(Decoded->Parameters().View(-1), EListError);
    EXPECT_THROW(Decoded->Parameters().View(5), EListError);
    EXPECT_TRUE(Decoded->Parameters().IsCompact());
    EXPECT_THROW(IAM->Parameters().View(5), EListError);
}
