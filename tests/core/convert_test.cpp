// The standard string-to-integer conversion: decimal within the 32-bit
// signed range, hexadecimal of up to eight significant digits as a 32-bit
// pattern, and the exact error text for everything else.
#include "core/Convert.h"
#include "core/Exception.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(Convert, DecimalWithinThe32BitSignedRange)
{
    EXPECT_EQ(StrToInt("0"), 0);
    EXPECT_EQ(StrToInt("123"), 123);
    EXPECT_EQ(StrToInt("+5"), 5);
    EXPECT_EQ(StrToInt("-5"), -5);
    EXPECT_EQ(StrToInt("007"), 7);
    EXPECT_EQ(StrToInt("2147483647"), 2147483647);
    EXPECT_EQ(StrToInt("-2147483648"), -2147483647 - 1);
    EXPECT_EQ(TryStrToInt("2147483648"), std::nullopt);
    EXPECT_EQ(TryStrToInt("-2147483649"), std::nullopt);
    EXPECT_EQ(TryStrToInt("+2147483648"), std::nullopt);
    // Far beyond the range: no wrap-around back into it.
    EXPECT_EQ(TryStrToInt("4294967296"), std::nullopt);
    EXPECT_EQ(TryStrToInt("18446744073709551617"), std::nullopt);
    EXPECT_EQ(TryStrToInt("99999999999999999999999999"), std::nullopt);
}

TEST(Convert, HexadecimalIsA32BitPattern)
{
    EXPECT_EQ(StrToInt("$FFFFFFFF"), -1);
    EXPECT_EQ(StrToInt("$7FFFFFFF"), 2147483647);
    EXPECT_EQ(StrToInt("$80000000"), -2147483647 - 1);
    EXPECT_EQ(StrToInt("$1f"), 31);
    EXPECT_EQ(StrToInt("x1F"), 31);
    EXPECT_EQ(StrToInt("X1f"), 31);
    EXPECT_EQ(StrToInt("0x10"), 16);
    EXPECT_EQ(StrToInt("0XaB"), 171);
    // Leading zeros are not significant digits.
    EXPECT_EQ(StrToInt("$000000001"), 1);
    EXPECT_EQ(StrToInt("$0000000000FFFFFFFF"), -1);
    EXPECT_EQ(TryStrToInt("$100000000"), std::nullopt);
    EXPECT_EQ(TryStrToInt("$123456789"), std::nullopt);
}

TEST(Convert, LeadingBlanksOnly)
{
    EXPECT_EQ(StrToInt("  42"), 42);
    EXPECT_EQ(StrToInt(" -7"), -7);
    EXPECT_EQ(StrToInt("   $10"), 16);
    EXPECT_EQ(TryStrToInt("42 "), std::nullopt);
    EXPECT_EQ(TryStrToInt("$10 "), std::nullopt);
    EXPECT_EQ(TryStrToInt("4 2"), std::nullopt);
    EXPECT_EQ(TryStrToInt("- 4"), std::nullopt);
}

TEST(Convert, MalformedTextsFail)
{
    for (const char* Text : {"",      " ",  "   ",  "+",   "-",   "$",   "x",   "X",   "0x",   "0X",  "-$10", "+$10",
                             "-0x10", "$G", "0xZZ", "1.5", "1e3", "12a", "abc", "$-1", "0x-1", "--1", "+-1"})
        EXPECT_EQ(TryStrToInt(Text), std::nullopt) << '"' << Text << '"';
}

TEST(Convert, ErrorTextNamesTheWholeText)
{
    try {
        StrToInt("12 ");
        FAIL() << "no error";
    } catch (const EConvertError& Error) {
        EXPECT_EQ(Error.Message(), "'12 ' is not a valid integer value");
    }
    try {
        StrToInt("");
        FAIL() << "no error";
    } catch (const EConvertError& Error) {
        EXPECT_STREQ(Error.what(), "'' is not a valid integer value");
    }
    EXPECT_THROW(StrToInt("$100000000"), EConvertError);
}

} // namespace
