// Search by message name over the captures: either name column, from the
// row after the selection, letter case of a-z ignored, no wrap-around.
#include "presentation/CaptureSearch.h"

#include "core/HexString.h"
#include "isup/IsupCatalog.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const TSystemTime Stamp{2026, 12, 1, 7, 9, 5, 3, 12};

std::string Octets(const char* SpacedHex)
{
    THexString Hex(true);
    Hex.FromText(SpacedHex);
    return std::string(Hex.Data());
}

class CaptureSearch : public testing::Test {
protected:
    void SetUp() override
    {
        const std::string Sltm = Octets("81 29 89 34 01 11 60 01 23 45 67 89 AB");
        const std::string Slta = Octets("81 29 89 34 01 21 60 01 23 45 67 89 AB");
        Add(cdIn, Sltm);                                // 0: SLTM under IN
        Add(cdOut, Slta);                               // 1: SLTA under OUT
        Add(cdNone, Octets("FF 00 00 00 00"));          // 2: STOP under IN
        Add(cdIn, Octets("83 01 80 00 30 00 01"));      // 3: (???) under IN
        Add(cdOut, Sltm);                               // 4: SLTM under OUT
        Add(cdNone, Octets("80 01 80 00 30 14 05 00")); // 5: TFP under both
    }
    void Add(uint8_t Direction, const std::string& Message)
    {
        ASSERT_TRUE(Captures.Add(TCaptureRecord{Stamp, Direction, 1, Message}, Catalog));
    }
    int Find(int Selected, std::string_view Text) const
    {
        return FindNextCapture(Captures, Captures.Count(), Selected, Text);
    }

    const TEmptyIsupCatalog Catalog;
    TCaptureItemsCollection Captures;
};

TEST_F(CaptureSearch, FindsInEitherColumnFromTheRowAfterTheSelection)
{
    EXPECT_EQ(Find(-1, "SLTM"), 0);
    EXPECT_EQ(Find(0, "SLTM"), 4);
    EXPECT_EQ(Find(-1, "SLTA"), 1);
    EXPECT_EQ(Find(-1, "STOP"), 2);
    EXPECT_EQ(Find(-1, "(\?\?\?)"), 3);
    EXPECT_EQ(Find(-1, "TF"), 5);
    EXPECT_EQ(Find(-1, "LT"), 0);
    EXPECT_EQ(Find(1, "LT"), 4);
}

TEST_F(CaptureSearch, DoesNotWrapAroundNorLookBeyondTheRows)
{
    EXPECT_EQ(Find(4, "SLTM"), -1);
    EXPECT_EQ(Find(5, "SLTM"), -1);
    EXPECT_EQ(Find(9, "TFP"), -1);
    // Captures not yet shown as rows are not searched.
    EXPECT_EQ(FindNextCapture(Captures, 5, -1, "TFP"), -1);
    EXPECT_EQ(FindNextCapture(TCaptureItemsCollection(), 0, -1, "SLTM"), -1);
}

TEST_F(CaptureSearch, IgnoresTheCaseOfLettersAToZOnly)
{
    EXPECT_EQ(Find(-1, "sltm"), 0);
    EXPECT_EQ(Find(-1, "sTo"), 2);
    EXPECT_EQ(UpperCaseAZ("abz-\xe4\xf6{}"), "ABZ-\xe4\xf6{}");
    EXPECT_EQ(UpperCaseAZ("x\xe4y"), "X\xe4Y");
}

TEST_F(CaptureSearch, EmptyTextNeverMatches)
{
    EXPECT_EQ(Find(-1, ""), -1);
}

} // namespace
