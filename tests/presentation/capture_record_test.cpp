// The capture record: its bytes, its capture file line (the fast canonical
// reading against the general hex-word reading, conversion errors), the stop
// entry and the records paste makes.
#include "presentation/CaptureRecord.h"

#include "core/Exception.h"
#include "core/HexString.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Parsed(std::string_view Line)
{
    std::string Bytes;
    ParseCaptureLine(Line, Bytes);
    return Bytes;
}

std::string ByFromText(std::string_view Line)
{
    THexString Hex(true);
    Hex.FromText(Line);
    return std::string(Hex.Data());
}

const TSystemTime Now{2026, 12, 1, 8, 6, 7, 8, 9};

std::string Stamp()
{
    const TStampBytes Bytes = StampToBytes(Now);
    return std::string(reinterpret_cast<const char*>(Bytes.data()), Bytes.size());
}

TEST(CaptureRecord, BytesAreStampDirectionLinkAndMessage)
{
    const TCaptureRecord Record{Now, cdOut, 200, std::string("\x85\x01\x80\x00\x30", 5)};
    const std::string Bytes = CaptureRecordBytes(Record);
    EXPECT_EQ(Bytes, Stamp() + std::string("\x02\xC8\x85\x01\x80\x00\x30", 7));
    TCaptureRecord Read;
    ASSERT_TRUE(ReadCaptureRecord(Bytes, Read));
    EXPECT_EQ(Read, Record);
    // Stamp, direction and link without a message is a capture; one octet
    // less is none.
    ASSERT_TRUE(ReadCaptureRecord(Bytes.substr(0, MinCaptureRecordSize), Read));
    EXPECT_EQ(Read.Octets, "");
    EXPECT_FALSE(ReadCaptureRecord(Bytes.substr(0, MinCaptureRecordSize - 1), Read));
    EXPECT_EQ(MinCaptureRecordSize, 18u);
}

TEST(CaptureRecord, FileLineIsSpacedUpperCaseHexWithCrLf)
{
    std::string Text = "previous\r\n";
    AppendCaptureLine(std::string("\xEA\x07\x0a\xff", 4), Text);
    EXPECT_EQ(Text, "previous\r\nEA 07 0A FF \r\n");
    EXPECT_EQ(CaptureLineText(std::string("\x00\x01", 2)), "00 01 ");
    EXPECT_EQ(CaptureLineText(""), "");
    // The line reads back as the record.
    const std::string Bytes = CaptureRecordBytes({Now, cdIn, 3, std::string("\x81\x29\xFF", 3)});
    EXPECT_EQ(Parsed(CaptureLineText(Bytes)), Bytes);
}

TEST(CaptureRecord, StopEntryCarriesTheLastHeartbeatsStamp)
{
    EXPECT_EQ(StopEntryRecord(Now), Stamp() + std::string("\x00\x00\xFF\x00\x00\x00\x00", 7));
    TCaptureRecord Read;
    ASSERT_TRUE(ReadCaptureRecord(StopEntryRecord(Now), Read));
    EXPECT_TRUE(IsStopEntry(Read.Octets));
    EXPECT_FALSE(IsStopEntry(""));
    EXPECT_FALSE(IsStopEntry(std::string("\x85\xFF", 2)));
}

TEST(CaptureLine, CanonicalFormGivesTheSameOctetsAsFromText)
{
    for (std::string_view Line : {"EA 07 0C 00 01 ", "EA 07 0C 00 01", "ea 07 0c 00 fF ", "00 ", "FF", "",
                                  "0A 1B 2C 3D 4E 5F 60 71 82 93 A4 B5 C6 D7 E8 F9 "}) {
        EXPECT_EQ(Parsed(Line), ByFromText(Line)) << Line;
    }
    EXPECT_EQ(Parsed("EA 07 85 "), std::string("\xEA\x07\x85", 3));
}

TEST(CaptureLine, OtherFormsAreReadAsHexWords)
{
    for (std::string_view Line : {"EA\t07,0C;00", "  EA  07 ", "A 7 C", "1EA 107", "EA:07.0C/00", "(EA)[07]{0C}",
                                  "EA 07 \x01 0C", "0EA 00000007", "EA 07  ", " EA"}) {
        EXPECT_EQ(Parsed(Line), ByFromText(Line)) << Line;
    }
    EXPECT_EQ(Parsed("A\t7,1EA"), std::string("\x0A\x07\xEA", 3));
}

TEST(CaptureLine, AWordThatIsNotHexRaisesTheConversionError)
{
    std::string Bytes;
    try {
        ParseCaptureLine("EA 07 ZZ 00 ", Bytes);
        FAIL() << "no error";
    } catch (const EConvertError& Error) {
        EXPECT_EQ(Error.Message(), "'$0ZZ' is not a valid integer value");
    }
    EXPECT_THROW(ParseCaptureLine("EA 0G ", Bytes), EConvertError);
    EXPECT_THROW(ParseCaptureLine("EA 07 -1 ", Bytes), EConvertError);
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
