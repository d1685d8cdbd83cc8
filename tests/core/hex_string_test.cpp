// THexString: rendering octets as spaced or bare hex, ranges of octets, and
// parsing hex text back, including the partly parsed state after an error.
#include "core/Convert.h"
#include "core/Exception.h"
#include "core/HexString.h"
#include "core/MemoryStream.h"
#include "core/Words.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

std::string Octets(const THexString& Hex)
{
    return std::string(Hex.Data());
}

TEST(HexStringText, SpacedTextHasABlankAfterEveryPair)
{
    THexString Hex(std::string("\x01\xA2\xFF", 3), true);
    EXPECT_EQ(Hex.ToText(), "01 A2 FF ");
    Hex.Spaced = false;
    EXPECT_EQ(Hex.ToText(), "01A2FF");
    EXPECT_EQ(THexString(true).ToText(), "");
    EXPECT_EQ(THexString(false).ToText(), "");
    EXPECT_EQ(BytesToSpacedHex(reinterpret_cast<const uint8_t*>("\x00\x0a\xf0"), 3), "00 0A F0 ");
}

TEST(HexStringText, RangeToTextClampsToTheOctets)
{
    THexString Four(std::string("\x01\x02\x03\x04", 4), true);
    EXPECT_EQ(Four.RangeToText(5, THexString::ToEnd), "");
    EXPECT_EQ(Four.RangeToText(4, THexString::ToEnd), "");
    EXPECT_EQ(Four.RangeToText(2, THexString::ToEnd), "03 04 ");
    EXPECT_EQ(Four.RangeToText(0, THexString::ToEnd), Four.ToText());
    EXPECT_EQ(Four.RangeToText(1, 2), "02 03 ");
    EXPECT_EQ(Four.RangeToText(3, 100), "04 ");
    EXPECT_EQ(Four.RangeToText(1, 0), "");
    EXPECT_EQ(Four.RangeToText(2, -1), "");
    // A start and length whose sum passes the 32-bit range do not wrap.
    EXPECT_EQ(Four.RangeToText(2, 2147483646), "03 04 ");
    EXPECT_EQ(Four.RangeToText(2147483000, 2147483000), "");
    EXPECT_EQ(Four.RangeToText(-10, 12), "01 02 ");
    EXPECT_EQ(Four.RangeToText(-2147483647 - 1, 2147483646), "");

    THexString Six(std::string("\x01\x02\x03\x04\x05\x06", 6), true);
    EXPECT_EQ(Six.RangeToText(-3, 5), "01 02 ");
    EXPECT_EQ(Six.RangeToText(-3, 3), "");
    // ToEnd is the octet count, counted from the start given.
    EXPECT_EQ(Six.RangeToText(-3, THexString::ToEnd), "01 02 03 ");
    Six.Spaced = false;
    EXPECT_EQ(Six.RangeToText(4, 2), "0506");
}

TEST(HexStringParse, SpacedWordsSplitAtAnyStandardDelimiter)
{
    THexString Hex(true);
    Hex.FromText("0a,1B;ff");
    EXPECT_EQ(Octets(Hex), std::string("\x0A\x1B\xFF", 3));
    Hex.FromText("01\t02\r\n03\"04'05(06)07,08.09/0A:0B;0C[0D\\0E]0F`10{11}12\x01"
                 "13 ");
    ASSERT_EQ(Hex.Count(), 19);
    for (int I = 0; I < 19; ++I)
        EXPECT_EQ(Hex.Bytes(I), I + 1);
}

TEST(HexStringParse, SpacedWordsKeepTheirLowOctet)
{
    THexString Hex(true);
    Hex.FromText("7 1234 FFFFFFFF 0 00000000000000AB");
    EXPECT_EQ(Octets(Hex), std::string("\x07\x34\xFF\x00\xAB", 5));
}

TEST(HexStringParse, EmptyOrDelimiterOnlyTextGivesNoOctets)
{
    THexString Hex(std::string("\x01\x02", 2), true);
    Hex.FromText("");
    EXPECT_EQ(Hex.Count(), 0);
    Hex.SetBytes("\x01", 1);
    Hex.FromText(" ,; \t\r\n");
    EXPECT_EQ(Hex.Count(), 0);
}

TEST(HexStringParse, BareTextReadsPairsAndDropsAnOddLastCharacter)
{
    THexString Hex(false);
    Hex.FromText("0a1");
    EXPECT_EQ(Octets(Hex), std::string("\x0A", 1));
    Hex.FromText("00ff7F");
    EXPECT_EQ(Octets(Hex), std::string("\x00\xFF\x7F", 3));
    Hex.FromText("");
    EXPECT_EQ(Hex.Count(), 0);
    Hex.FromText("A");
    EXPECT_EQ(Hex.Count(), 0);
}

TEST(HexStringParse, NonHexFailsWithTheDollarZeroPiece)
{
    for (const bool Spaced : {true, false}) {
        THexString Hex(Spaced);
        try {
            Hex.FromText("ZZ");
            FAIL() << "no error";
        } catch (const EConvertError& Error) {
            EXPECT_EQ(Error.Message(), "'$0ZZ' is not a valid integer value");
        }
    }
    THexString Hex(true);
    // Nine significant digits do not fit 32 bits.
    EXPECT_THROW(Hex.FromText("123456789"), EConvertError);
    // A blank inside a bare pair is not hex either.
    THexString Bare(false);
    EXPECT_THROW(Bare.FromText("0 "), EConvertError);
}

TEST(HexStringParse, AnErrorLeavesTheOctetsBeforeItFilled)
{
    THexString Spaced(true);
    EXPECT_THROW(Spaced.FromText("01 02 ZZ 04"), EConvertError);
    ASSERT_EQ(Spaced.Count(), 4);
    EXPECT_EQ(Spaced.Bytes(0), 0x01);
    EXPECT_EQ(Spaced.Bytes(1), 0x02);

    THexString Bare(false);
    EXPECT_THROW(Bare.FromText("AB-Z12"), EConvertError);
    ASSERT_EQ(Bare.Count(), 3);
    EXPECT_EQ(Bare.Bytes(0), 0xAB);
}

// Spaced hex read word by word, each word through the standard conversion
// as "$0" + word: what the one-pass table reader must give.
std::string ReadWordByWord(std::string_view Text, std::string& Bad)
{
    std::string Octets;
    for (int N = 1; N <= CountWords(Text, StandardDelimiters); ++N) {
        const std::string Word = NthWord(N, Text, StandardDelimiters);
        const auto Value = TryStrToInt("$0" + Word);
        if (!Value) {
            Bad = Word;
            break;
        }
        Octets.push_back(static_cast<char>(*Value & 0xFF));
    }
    return Octets;
}

TEST(HexStringParse, TheTableReaderReadsAsTheWordsDo)
{
    // Words of one to eleven characters drawn from digits (zeros above all),
    // letters that are no digits and bytes from 0x80 up, between runs of
    // delimiters, control characters among them.
    const std::string Digits = "0000000123456789abcdefABCDEF";
    const std::string Others = "GgZz-+x$\x80\xFF";
    const std::string Delimiters = " \t\r\n\x01,.;:/\\()[]{}\"'`";
    std::mt19937 Random(7);
    auto Pick = [&](const std::string& From) { return From[Random() % From.size()]; };
    for (int Case = 0; Case < 20000; ++Case) {
        std::string Text;
        const int Words = static_cast<int>(Random() % 5);
        for (int W = 0; W < Words; ++W) {
            for (int D = static_cast<int>(Random() % 3); D > 0; --D)
                Text += Pick(Delimiters);
            const int Length = 1 + static_cast<int>(Random() % 11);
            for (int C = 0; C < Length; ++C)
                Text += Random() % 40 == 0 ? Pick(Others) : Pick(Digits);
        }
        if (Random() % 2)
            Text += Pick(Delimiters);
        SCOPED_TRACE(Text);
        std::string ExpectedBad;
        const std::string Expected = ReadWordByWord(Text, ExpectedBad);
        std::string Octets = "kept";
        std::string_view Bad;
        const bool Good = ParseSpacedHex(Text, Octets, &Bad);
        ASSERT_EQ(Good, ExpectedBad.empty());
        ASSERT_EQ(Octets, "kept" + Expected);
        ASSERT_EQ(std::string(Bad), ExpectedBad);
    }
}

TEST(HexStringParse, TextRoundTripsInBothForms)
{
    std::string All;
    for (int I = 0; I < 256; ++I)
        All.push_back(static_cast<char>(I));
    for (const bool Spaced : {true, false}) {
        THexString Source(All, Spaced);
        THexString Back(Spaced);
        Back.FromText(Source.ToText());
        EXPECT_EQ(Octets(Back), All);
    }
}

TEST(HexStringOctets, CountBytesAndWriting)
{
    THexString Hex(false);
    Hex.SetBytes("\x10\x20\x30", 3);
    Hex.SetCount(5);
    EXPECT_EQ(Octets(Hex), std::string("\x10\x20\x30\x00\x00", 5));
    Hex.SetCount(2);
    EXPECT_EQ(Octets(Hex), std::string("\x10\x20", 2));
    Hex.SetByte(1, 0xEE);
    EXPECT_EQ(Hex.Bytes(1), 0xEE);
    Hex.SetCount(-1);
    EXPECT_EQ(Hex.Count(), 0);

    THexString Message(std::string("\xAA\xBB", 2), false);
    TMemoryStream Stream(std::string("\x01\x02\x03\x04", 4));
    Stream.SetPosition(1);
    Message.WriteTo(Stream);
    // No length is written; the octets overwrite at the position.
    EXPECT_EQ(Stream.Bytes(), std::string("\x01\xAA\xBB\x04", 4));
    EXPECT_EQ(Stream.Position(), 3u);
}

} // namespace
