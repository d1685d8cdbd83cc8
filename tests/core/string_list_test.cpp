// Name/value string lists and the conveniences the definition files use.
#include "core/Exception.h"
#include "core/StringList.h"

#include <gtest/gtest.h>

namespace {

TNewStringList Lines(std::initializer_list<const char*> Texts)
{
    TNewStringList List;
    for (const char* Text : Texts)
        List.Add(Text);
    return List;
}

TEST(StringList, NamesAndValues)
{
    const auto List = Lines({"Alpha=1", "beta=x=y", "plain", "Gamma=", "=orphan"});
    EXPECT_EQ(List.Names(0), "Alpha");
    EXPECT_EQ(List.Names(1), "beta");
    EXPECT_EQ(List.Names(2), "");
    EXPECT_EQ(List.Values("ALPHA"), "1");
    // The value is everything after the first "=".
    EXPECT_EQ(List.Values("Beta"), "x=y");
    EXPECT_EQ(List.Values("gamma"), "");
    EXPECT_EQ(List.Values("missing"), "");
    EXPECT_EQ(List.IndexOfName("GAMMA"), 3);
    EXPECT_EQ(List.IndexOfName("plain"), -1);
}

TEST(StringList, ValueFromIndexTakesTheFirstLineOfItsName)
{
    const auto List = Lines({"X=1", "x=2", "Y=3"});
    EXPECT_EQ(List.ValueFromIndex(0), "1");
    EXPECT_EQ(List.ValueFromIndex(1), "1");
    EXPECT_EQ(List.ValueFromIndex(2), "3");
}

TEST(StringList, IntegerFromIndexUsesTheStandardConversion)
{
    const auto List = Lines({"A= 12", "B=$1F", "C=12 ", "D=", "E=-2147483648"});
    EXPECT_EQ(List.IntegerFromIndex(0), 12);
    EXPECT_EQ(List.IntegerFromIndex(1), 31);
    EXPECT_EQ(List.IntegerFromIndex(4), -2147483647 - 1);
    try {
        List.IntegerFromIndex(2);
        FAIL() << "no error";
    } catch (const EConvertError& Error) {
        EXPECT_EQ(Error.Message(), "'12 ' is not a valid integer value");
    }
    EXPECT_THROW(List.IntegerFromIndex(3), EConvertError);
}

TEST(StringList, AddWordsAppendsEveryWord)
{
    auto List = Lines({"kept"});
    List.AddWords("", StandardDelimiters);
    List.AddWords(" ,; ", StandardDelimiters);
    EXPECT_EQ(List.Count(), 1);
    List.AddWords("One, Two;Three", StandardDelimiters);
    List.AddWords("Alpha (5)", BracketDelimiters);
    ASSERT_EQ(List.Count(), 6);
    EXPECT_EQ(List.Strings(0), "kept");
    EXPECT_EQ(List.Strings(1), "One");
    EXPECT_EQ(List.Strings(2), "Two");
    EXPECT_EQ(List.Strings(3), "Three");
    EXPECT_EQ(List.Strings(4), "Alpha ");
    EXPECT_EQ(List.Strings(5), "5");
}

TEST(StringList, SameTextIgnoresLetterCaseOnly)
{
    EXPECT_TRUE(SameText("Parameters.INI", "parameters.ini"));
    EXPECT_TRUE(SameText("", ""));
    EXPECT_FALSE(SameText("abc", "abd"));
    EXPECT_FALSE(SameText("abc", "abcd"));
    EXPECT_FALSE(SameText("a b", "a_b"));
}

} // namespace
