// Word splitting under the two delimiter sets.
#include "core/Words.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(Words, CountAndPick)
{
    EXPECT_EQ(CountWords("a  b", StandardDelimiters), 2);
    EXPECT_EQ(NthWord(2, "a  b", StandardDelimiters), "b");
    EXPECT_EQ(NthWord(1, "a  b", StandardDelimiters), "a");
    EXPECT_EQ(NthWord(3, "a  b", StandardDelimiters), "");
    EXPECT_EQ(NthWord(0, "a  b", StandardDelimiters), "");
    EXPECT_EQ(NthWord(-1, "a  b", StandardDelimiters), "");
    EXPECT_EQ(CountWords("", StandardDelimiters), 0);
    EXPECT_EQ(CountWords(" ,;:() ", StandardDelimiters), 0);
    EXPECT_EQ(NthWord(1, " ,;:() ", StandardDelimiters), "");
    EXPECT_EQ(CountWords("  lead,and trail;  ", StandardDelimiters), 3);
    EXPECT_EQ(NthWord(3, "  lead,and trail;  ", StandardDelimiters), "trail");
}

TEST(Words, BracketWordsKeepTheirBlanks)
{
    EXPECT_EQ(CountWords("Alpha (5)", BracketDelimiters), 2);
    EXPECT_EQ(NthWord(1, "Alpha (5)", BracketDelimiters), "Alpha ");
    EXPECT_EQ(NthWord(2, "Alpha (5)", BracketDelimiters), "5");
    EXPECT_EQ(CountWords("[a]{b}(c)", BracketDelimiters), 3);
    EXPECT_EQ(NthWord(2, "x,y.z", BracketDelimiters), "");
    EXPECT_EQ(NthWord(1, "x,y.z", BracketDelimiters), "x,y.z");
}

TEST(Words, StandardDelimiterMembers)
{
    for (int C = 0; C <= 32; ++C)
        EXPECT_TRUE(IsDelimiter(static_cast<char>(C), StandardDelimiters)) << C;
    for (const char C : std::string("\"'(),./:;[\\]`{}"))
        EXPECT_TRUE(IsDelimiter(C, StandardDelimiters)) << C;
    EXPECT_EQ(StandardDelimiters.count(), 33u + 15u);
    // Not delimiters: signs, '=', '$', '#', '_', DEL and the upper half.
    for (const char C : std::string("-+=$#_!?<>|~@%&*0aZ\x7F\x80\xE9\xFF"))
        EXPECT_FALSE(IsDelimiter(C, StandardDelimiters)) << static_cast<int>(static_cast<unsigned char>(C));
    EXPECT_EQ(BracketDelimiters.count(), 6u);
    EXPECT_FALSE(IsDelimiter(' ', BracketDelimiters));
}

TEST(Words, OctetsAboveSevenBitsAreWordCharacters)
{
    const std::string Text = "\xE9t\xE9 caf\xE9";
    EXPECT_EQ(CountWords(Text, StandardDelimiters), 2);
    EXPECT_EQ(NthWord(2, Text, StandardDelimiters), "caf\xE9");
}

} // namespace
