// Search by message name and the records that paste creates.
#include "app/CaptureSearch.h"
#include "app/CaptureClipboard.h"
#include "core/Exception.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct TRow {
    std::string In;
    std::string Out;
};

int Find(const std::vector<TRow>& Rows, int Selected, std::string_view Text)
{
    return FindNextCapture(static_cast<int>(Rows.size()), Selected, Text,
                           [&Rows](int Row, int Column) { return Column == 1 ? Rows[Row].In : Rows[Row].Out; });
}

const std::vector<TRow> Rows = {
    {"IAM", ""}, {"", "ACM"}, {"STOP", ""}, {"(\?\?\?)", ""}, {"", "IAM"}, {"REL", "REL"}, {"ä-ANM", ""},
};

TEST(CaptureSearch, FindsInEitherColumnFromTheRowAfterTheSelection)
{
    EXPECT_EQ(Find(Rows, -1, "IAM"), 0);
    EXPECT_EQ(Find(Rows, 0, "IAM"), 4);
    EXPECT_EQ(Find(Rows, -1, "ACM"), 1);
    EXPECT_EQ(Find(Rows, -1, "STOP"), 2);
    EXPECT_EQ(Find(Rows, -1, "(\?\?\?)"), 3);
    EXPECT_EQ(Find(Rows, -1, "E"), 5);
}

TEST(CaptureSearch, DoesNotWrapAround)
{
    EXPECT_EQ(Find(Rows, 4, "IAM"), -1);
    EXPECT_EQ(Find(Rows, 6, "IAM"), -1);
    EXPECT_EQ(Find(Rows, 6, "ANM"), -1);
    EXPECT_EQ(Find({}, -1, "IAM"), -1);
}

TEST(CaptureSearch, IgnoresTheCaseOfLettersAToZOnly)
{
    EXPECT_EQ(Find(Rows, -1, "iam"), 0);
    EXPECT_EQ(Find(Rows, -1, "rEl"), 5);
    EXPECT_EQ(UpperCaseAZ("abz-äö{}"), "ABZ-äö{}");
    EXPECT_EQ(Find({{"x\xe4y", ""}}, -1, "X\xc4Y"), -1);
    EXPECT_EQ(Find({{"x\xe4y", ""}}, -1, "X\xe4Y"), 0);
}

TEST(CaptureSearch, EmptyTextNeverMatches)
{
    EXPECT_EQ(Find(Rows, -1, ""), -1);
}

const TSystemTime Now{2026, 12, 1, 8, 6, 7, 8, 9};

std::string Stamp()
{
    const TStampBytes Bytes = StampToBytes(Now);
    return std::string(reinterpret_cast<const char*>(Bytes.data()), Bytes.size());
}

TEST(PasteRecord, BareMessageGetsDirectionZeroAndLink255)
{
    EXPECT_EQ(PasteRecord("85 01 80 00 30 ", Now), Stamp() + std::string("\x00\xFF\x85\x01\x80\x00\x30", 7));
    EXPECT_EQ(PasteRecord("03", Now), Stamp() + std::string("\x00\xFF\x03", 3));
}

TEST(PasteRecord, FirstOctetUpToTwoIsARecordBody)
{
    EXPECT_EQ(PasteRecord("02 07 85 01 80 00 30", Now), Stamp() + std::string("\x02\x07\x85\x01\x80\x00\x30", 7));
    // A message whose SIO is 00, 01 or 02 is taken for a record body too.
    EXPECT_EQ(PasteRecord("01 01 80 00 30 11", Now), Stamp() + std::string("\x01\x01\x80\x00\x30\x11", 6));
    EXPECT_EQ(PasteRecord("00", Now), Stamp() + std::string("\x00", 1));
}

TEST(PasteRecord, AcceptsAnyDelimitersAndSeveralLines)
{
    EXPECT_EQ(PasteRecord("85,01;80\r\n00\t30", Now), Stamp() + std::string("\x00\xFF\x85\x01\x80\x00\x30", 7));
}

TEST(PasteRecord, NoOctetsGiveNoRecord)
{
    EXPECT_EQ(PasteRecord("", Now), "");
    EXPECT_EQ(PasteRecord(" \r\n,;", Now), "");
}

TEST(PasteRecord, AWordThatIsNotHexRaisesTheConversionError)
{
    EXPECT_THROW(PasteRecord("85 01 XY", Now), EConvertError);
}

} // namespace
