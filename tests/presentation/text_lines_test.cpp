// Splitting text into lines: CR, LF and CR LF, in memory and from a stream
// read in blocks, where a CR LF may straddle two blocks.
#include "presentation/TextLines.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

using TLines = std::vector<std::string>;

TLines Split(std::string_view Text)
{
    TLines Result;
    TLineSplitter Lines(Text);
    std::string_view Line;
    while (Lines.Next(Line))
        Result.emplace_back(Line);
    EXPECT_EQ(Result.size(), TLineSplitter::Count(Text)) << "for " << testing::PrintToString(std::string(Text));
    return Result;
}

// The lines TLineReader reads from a file holding Text.
TLines Read(const std::string& Text)
{
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> File(std::tmpfile(), &std::fclose);
    EXPECT_TRUE(File);
    std::fwrite(Text.data(), 1, Text.size(), File.get());
    std::rewind(File.get());
    TLines Result;
    TLineReader Reader(File.get());
    std::string_view Line;
    while (Reader.Next(Line))
        Result.emplace_back(Line);
    EXPECT_FALSE(Reader.Failed());
    return Result;
}

const std::vector<std::pair<std::string, TLines>> Cases = {
    {"a\r\nb\r\n", {"a", "b"}},
    {"a\nb\n", {"a", "b"}},
    {"a\rb\r", {"a", "b"}},
    {"a\r\n\r\nb", {"a", "", "b"}},
    {"a\n\rb", {"a", "", "b"}},
    {"a\r\r\nb", {"a", "", "b"}},
    {"", {}},
    {"\r\n", {""}},
    {"last without end", {"last without end"}},
    {"\r", {""}},
    {"\n\n", {"", ""}},
    {"a\rb\nc\r\n\r", {"a", "b", "c", ""}},
};

TEST(TextLines, AcceptCrLfCrAndLfAsLineEnds)
{
    for (const auto& [Text, Lines] : Cases)
        EXPECT_EQ(Split(Text), Lines) << testing::PrintToString(Text);
}

TEST(TextLines, AStreamGivesTheSameLines)
{
    for (const auto& [Text, Lines] : Cases)
        EXPECT_EQ(Read(Text), Lines) << testing::PrintToString(Text);
}

TEST(TextLines, ALineEndAcrossTwoBlocksOfAStreamEndsOneLine)
{
    // The reader takes 64 KiB at a time: a CR that ends one block and the LF
    // that starts the next are one line end, and a long line is whole.
    for (size_t Split = 65534; Split <= 65537; ++Split) {
        const std::string First(Split, 'x');
        const std::string Long(200000, 'y');
        EXPECT_EQ(Read(First + "\r\n" + Long + "\r\nz"), (TLines{First, Long, "z"})) << Split;
        EXPECT_EQ(Read(First + "\r\r\n"), (TLines{First, ""})) << Split;
    }
}

} // namespace
