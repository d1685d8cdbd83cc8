// Process-wide helpers: the program folder and printf-style formatting.
#include "core/Format.h"
#include "core/Globals.h"

#include <gtest/gtest.h>

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

TEST(Format, FillsPatternsOfAnyLength)
{
    EXPECT_EQ(Format("%d => %d, sls=%d", 2, 1, 3), "2 => 1, sls=3");
    EXPECT_EQ(Format("0x%.2X", 3), "0x03");
    const std::string Long(1000, 'q');
    EXPECT_EQ(Format("<%s>", Long.c_str()), "<" + Long + ">");
    EXPECT_EQ(Format("%s", ""), "");
}

} // namespace
