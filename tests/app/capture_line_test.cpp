// Reading capture file lines: line ends, the fast canonical path against the
// general hex-word reading, and conversion errors.
#include "app/CaptureFile.h"
#include "core/HexString.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> SplitLines(std::string_view Text)
{
    std::vector<std::string> Result;
    TCaptureLines Lines(Text);
    std::string_view Line;
    while (Lines.Next(Line))
        Result.emplace_back(Line);
    EXPECT_EQ(Result.size(), TCaptureLines::Count(Text)) << "for " << testing::PrintToString(std::string(Text));
    return Result;
}

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

TEST(CaptureLines, AcceptsCrLfCrAndLfAsLineEnds)
{
    using V = std::vector<std::string>;
    EXPECT_EQ(SplitLines("a\r\nb\r\n"), (V{"a", "b"}));
    EXPECT_EQ(SplitLines("a\nb\n"), (V{"a", "b"}));
    EXPECT_EQ(SplitLines("a\rb\r"), (V{"a", "b"}));
    EXPECT_EQ(SplitLines("a\r\n\r\nb"), (V{"a", "", "b"}));
    EXPECT_EQ(SplitLines("a\n\rb"), (V{"a", "", "b"}));
    EXPECT_EQ(SplitLines("a\r\r\nb"), (V{"a", "", "b"}));
    EXPECT_EQ(SplitLines(""), V{});
    EXPECT_EQ(SplitLines("\r\n"), V{""});
    EXPECT_EQ(SplitLines("last without end"), V{"last without end"});
    EXPECT_EQ(SplitLines("\r"), V{""});
    EXPECT_EQ(SplitLines("\n\n"), (V{"", ""}));
    EXPECT_EQ(SplitLines("a\rb\nc\r\n\r"), (V{"a", "b", "c", ""}));
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

} // namespace
