// Process-wide helpers: the program folder and printf-style formatting.
#include "core/Format.h"
#include "core/Globals.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace {

TEST(Globals, ProgramFolderIsTheExecutablesFolder)
{
    const std::string Folder = ProgramFolder();
    ASSERT_FALSE(Folder.empty());
    EXPECT_EQ(Folder.back(), '/');
    EXPECT_TRUE(std::filesystem::is_directory(Folder));
    EXPECT_TRUE(std::filesystem::equivalent(Folder, std::filesystem::canonical("/proc/self/exe").parent_path()));
}

TEST(Globals, StateFileNameIsEmptyUntilSet)
{
    EXPECT_EQ(StateFileName, "");
}

TEST(Format, DecimalsAreWhatPrintfWrites)
{
    const uint64_t Values[] = {0, 7, 9, 10, 99, 100, 12345, 65535, 4294967295u, 18446744073709551615u};
    for (const uint64_t Value : Values) {
        for (const int Digits : {0, 1, 2, 3, 4, 25}) {
            char Expected[64];
            std::snprintf(Expected, sizeof Expected, "%.*llu", Digits, static_cast<unsigned long long>(Value));
            std::string Text = "x";
            AppendDecimal(Text, Value, Digits);
            // printf writes no digit for 0 with precision 0; a text always
            // has one.
            EXPECT_EQ(Text, std::string("x") + (Value == 0 && Digits == 0 ? "0" : Expected)) << Value << " " << Digits;
        }
    }
}

TEST(Format, FillsPatternsOfAnyLength)
{
    EXPECT_EQ(Format("%d => %d, sls=%d", 2, 1, 3), "2 => 1, sls=3");
    EXPECT_EQ(Format("0x%.2X", 3), "0x03");
    const std::string Long(1000, 'q');
    EXPECT_EQ(Format("<%s>", Long.c_str()), "<" + Long + ">");
    EXPECT_EQ(Format("%s", ""), "");
}

} // namespace
