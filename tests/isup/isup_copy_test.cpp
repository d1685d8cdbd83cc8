// Copies of prototypes: shared layouts, independent selection marks and
// values, and copy-on-write of a layout that is changed while shared.
#include "tests/isup/isup_test_support.h"

#include <gtest/gtest.h>

using namespace isuptest;

namespace {

class IsupCopy : public ::testing::Test {
protected:
    void SetUp() override
    {
        TCustomParameter& Nature = AddLayout(Catalog.Layouts, 6, "NCI", ptFixed, 1,
                                             {{"Satellite", fkEnum, 0, 2, "None", {{"None", 0}, {"One", 1}}},
                                              {"Check", fkInteger, 2, 2, "0"},
                                              {"Echo", fkBit, 4, 1, "0"}});
        TCustomParameter& Number = AddLayout(Catalog.Layouts, 4, "CdPN", ptNumber, 2,
                                             {{"Nature", fkInteger, 0, 7, "3"}, {"Digits", fkDigits, 0, 0, ""}}, 7);
        IAM = &Catalog.AddPrototype(1, "IAM", "Initial address");
        Instantiate(Nature, IAM->Parameters(), true);
        Instantiate(Number, IAM->Parameters(), true);
        ACM = &Catalog.AddPrototype(6, "ACM", "Address complete");
        Instantiate(Nature, ACM->Parameters(), true);
    }

    TTestCatalog Catalog;
    TCustomIsupPacket* IAM = nullptr;
    TCustomIsupPacket* ACM = nullptr;
};

} // namespace

TEST_F(IsupCopy, CopiesShareTheLayout)
{
    auto Copy = Catalog.NewMessage(1);
    const TCustomParameter& Original = IAM->Parameters().Items(0);
    const TCustomParameter& Copied = Copy->Parameters().Items(0);
    EXPECT_TRUE(Copied.SharesLayoutWith(Original));
    EXPECT_TRUE(ACM->Parameters().Items(0).SharesLayoutWith(Original));
    EXPECT_EQ(Copied.Name(), "NCI");
    EXPECT_EQ(Copied.Caption(), "NCI caption");
    ASSERT_EQ(Copied.Fields().Count(), 3);
    EXPECT_EQ(Copied.Fields().Items(0).Name(), "Satellite");
    EXPECT_TRUE(Copied.Fields().Items(0).Literals().SharesWith(Original.Fields().Items(0).Literals()));
    EXPECT_EQ(Copied.Fields().Items(0).GetValueText(), "None");
    EXPECT_EQ(&Copied.Fields().Items(2), &Copied.Fields().Items(2));
    EXPECT_EQ(Copied.Fields().Items(2).Parameter(), &Copied);
}

TEST_F(IsupCopy, CheckedMarksAreCarriedAndIndependent)
{
    TCustomParameter& Prototype = IAM->Parameters().Items(0);
    Prototype.Checked = 0;
    Prototype.Fields().Items(1).Checked = 0;
    IAM->Checked = 0;
    auto Before = Catalog.NewMessage(1);
    EXPECT_EQ(Before->Checked, 0);
    EXPECT_EQ(Before->Parameters().Items(0).Checked, 0);

    // Toggled after the copy: the copy keeps what it was given.
    Prototype.Fields().Items(1).Checked = 1;
    Prototype.Fields().Items(2).Checked = 0;
    Prototype.Checked = 1;
    const TCustomParameter& Copied = Before->Parameters().Items(0);
    EXPECT_EQ(Copied.Checked, 0);
    EXPECT_EQ(Copied.Fields().Items(0).Checked, 1);
    EXPECT_EQ(Copied.Fields().Items(1).Checked, 0);
    EXPECT_EQ(Copied.Fields().Items(2).Checked, 1);

    // A later copy sees the new marks; so does a copy of a copy.
    auto After = Catalog.NewMessage(1);
    EXPECT_EQ(After->Parameters().Items(0).Fields().Items(1).Checked, 1);
    EXPECT_EQ(After->Parameters().Items(0).Fields().Items(2).Checked, 0);
    TCustomIsupPacket Second;
    Second.Assign(*Before);
    EXPECT_EQ(Second.Parameters().Items(0).Fields().Items(1).Checked, 0);

    // Two prototypes built from one layout have their own marks.
    EXPECT_EQ(ACM->Parameters().Items(0).Fields().Items(2).Checked, 1);
    ACM->Parameters().Items(0).Fields().Items(0).Checked = 0;
    EXPECT_EQ(IAM->Parameters().Items(0).Fields().Items(0).Checked, 1);
    // And the layout they came from keeps its own too.
    EXPECT_EQ(Catalog.Layouts.Items(0).Fields().Items(0).Checked, 1);

    // Marks of a copy made before its fields existed as objects.
    auto Lazy = Catalog.NewMessage(1);
    TCustomIsupPacket OfLazy;
    OfLazy.Assign(*Lazy);
    EXPECT_EQ(OfLazy.Parameters().Items(0).Fields().Items(2).Checked, 0);
    EXPECT_EQ(OfLazy.Parameters().Items(0).Fields().Items(1).Checked, 1);
}

TEST_F(IsupCopy, ValuesAreIndependent)
{
    auto Copy = Catalog.NewMessage(1);
    TCustomParameter& Number = Copy->Parameters().Items(1);
    Number.Fields().Items(1).SetDigits("123");
    EXPECT_EQ(Hex(Number.Value()), "83 00 21 03 ");
    EXPECT_EQ(Hex(IAM->Parameters().Items(1).Value()), "03 00 ");
    Number.SetPresent(false);
    EXPECT_TRUE(IAM->Parameters().Items(1).GetPresent());
}

TEST_F(IsupCopy, ChangingASharedLayoutCopiesItFirst)
{
    auto Copy = Catalog.NewMessage(1);
    TCustomParameter& Copied = Copy->Parameters().Items(0);
    TParamField& Held = Copied.Fields().Items(2);
    Copied.SetCaption("Renamed");
    Copied.Fields().Items(0).SetName("Sat");
    Copied.Fields().Items(0).MutableLiterals().Add("Two", 2);
    TParamField& Added = Copied.Fields().Add();
    Added.SetName("Extra");
    EXPECT_FALSE(Copied.SharesLayoutWith(IAM->Parameters().Items(0)));
    EXPECT_EQ(Copied.Caption(), "Renamed");
    EXPECT_EQ(Copied.Fields().Count(), 4);
    EXPECT_EQ(&Copied.Fields().Items(2), &Held);
    EXPECT_EQ(Held.Name(), "Echo");

    const TCustomParameter& Original = IAM->Parameters().Items(0);
    EXPECT_EQ(Original.Caption(), "NCI caption");
    EXPECT_EQ(Original.Fields().Count(), 3);
    EXPECT_EQ(Original.Fields().Items(0).Name(), "Satellite");
    EXPECT_EQ(Original.Fields().Items(0).Literals().Count(), 2);
    EXPECT_TRUE(ACM->Parameters().Items(0).SharesLayoutWith(Original));

    TCustomIsupPacket Renamed;
    Renamed.Assign(*Copy);
    Renamed.SetName("XXX");
    EXPECT_EQ(Copy->Name(), "IAM");
    EXPECT_EQ(IAM->Name(), "IAM");
}

TEST_F(IsupCopy, AssignAgainReplacesFieldObjects)
{
    auto Copy = Catalog.NewMessage(1);
    TCustomParameter& Target = Copy->Parameters().Items(0);
    Target.Fields().Items(0).Checked = 0;
    Target.Assign(ACM->Parameters().Items(0));
    EXPECT_EQ(Target.Fields().Items(0).Checked, 1);
    EXPECT_EQ(Target.Fields().Count(), 3);
    Target.Assign(Target);
    EXPECT_EQ(Target.Fields().Count(), 3);
}

TEST(IsupCopyManyFields, MarksBeyondTheSixtyFourthField)
{
    TParameterCollection Layouts;
    TCustomParameter& Layout = Layouts.AddParameter(false, 1);
    for (int I = 0; I < 70; ++I)
        Layout.Fields().Add().SetName("F" + std::to_string(I));
    Layout.Fields().Items(3).Checked = 0;
    Layout.Fields().Items(66).Checked = 0;

    TParameterCollection Copies;
    TCustomParameter& First = Copies.AddParameter(true, 1);
    First.Assign(Layout);
    // A copy of a copy whose field objects were never made.
    TCustomParameter& Second = Copies.AddParameter(true, 1);
    Second.Assign(First);
    for (const TCustomParameter* Copy : {&First, &Second}) {
        ASSERT_EQ(Copy->Fields().Count(), 70);
        for (int I = 0; I < 70; ++I)
            EXPECT_EQ(Copy->Fields().Items(I).Checked, I == 3 || I == 66 ? 0 : 1) << I;
    }
    Layout.Fields().Items(66).Checked = 1;
    EXPECT_EQ(First.Fields().Items(66).Checked, 0);
}
