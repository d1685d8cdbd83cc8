// The ring of capture files: every capture written as a capture file line,
// files begun anew by size or by count, only the newest kept, numbering
// that goes on over runs, and failures that are reported and retried.
#include "presentation/CaptureRing.h"

#include "presentation/CaptureRecord.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

class CaptureRing : public ::testing::Test {
protected:
    void SetUp() override
    {
        Folder = fs::temp_directory_path() /
            ("capture-ring-test-" + std::to_string(::getpid()) + "-" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(Folder);
    }
    void TearDown() override
    {
        std::error_code Error;
        fs::permissions(Folder, fs::perms::owner_all, Error);
        fs::remove_all(Folder, Error);
    }

    TCaptureRingSettings Settings(uint64_t Bytes, uint64_t Captures, uint32_t Keep) const
    {
        return {Folder.string(), Bytes, Captures, Keep};
    }

    // Record I: a stamp, direction 1, link I, and an SLTM-like message.
    static std::string Record(int I)
    {
        const TSystemTime Stamp{2026, 12, 1, 7, 9, 5, static_cast<uint16_t>(I % 60), 12};
        return CaptureRecordBytes({Stamp, cdIn, static_cast<uint8_t>(I), std::string("\x81\x29\x89\x34\x01\x11", 6)});
    }

    static std::string Read(const fs::path& File)
    {
        std::ifstream In(File, std::ios::binary);
        std::stringstream Text;
        Text << In.rdbuf();
        return Text.str();
    }

    std::vector<std::string> Names() const
    {
        std::vector<std::string> Result;
        for (const fs::path& File : TCaptureRing::RingFiles(Folder))
            Result.push_back(File.filename().string());
        return Result;
    }

    fs::path Folder;
};

TEST_F(CaptureRing, WritesCaptureFileLinesAndBeginsANewFileByCount)
{
    {
        TCaptureRing Ring(Settings(0, 3, 10));
        for (int I = 0; I < 7; ++I)
            ASSERT_TRUE(Ring.Append(Record(I))) << Ring.Error();
        EXPECT_EQ(Ring.Written(), 7u);
        // The folder is made when missing.
        EXPECT_EQ(Ring.CurrentFile(), Folder / "velmora-000003.ss7");
    }
    EXPECT_EQ(Names(), (std::vector<std::string>{"velmora-000001.ss7", "velmora-000002.ss7", "velmora-000003.ss7"}));
    std::string Expected;
    for (int I = 0; I < 3; ++I)
        AppendCaptureLine(Record(I), Expected);
    EXPECT_EQ(Read(Folder / "velmora-000001.ss7"), Expected);
    Expected.clear();
    AppendCaptureLine(Record(6), Expected);
    EXPECT_EQ(Read(Folder / "velmora-000003.ss7"), Expected);
}

TEST_F(CaptureRing, BeginsANewFileBeforeALineWouldPassTheSize)
{
    std::string Line;
    AppendCaptureLine(Record(0), Line);
    // Room for two lines and a half: every file holds two.
    TCaptureRing Ring(Settings(Line.size() * 5 / 2, 0, 10));
    for (int I = 0; I < 5; ++I)
        ASSERT_TRUE(Ring.Append(Record(I)));
    ASSERT_TRUE(Ring.Flush());
    const std::vector<fs::path> Files = TCaptureRing::RingFiles(Folder);
    ASSERT_EQ(Files.size(), 3u);
    EXPECT_EQ(fs::file_size(Files[0]), Line.size() * 2);
    EXPECT_EQ(fs::file_size(Files[1]), Line.size() * 2);
    EXPECT_EQ(fs::file_size(Files[2]), Line.size());
    // A size below one line still takes one capture per file.
    TCaptureRing Tiny(Settings(1, 0, 100));
    ASSERT_TRUE(Tiny.Append(Record(0)));
    ASSERT_TRUE(Tiny.Append(Record(1)));
    EXPECT_EQ(TCaptureRing::RingFiles(Folder).size(), 5u);
}

TEST_F(CaptureRing, KeepsOnlyTheNewestFilesAndGoesOnAfterAnEarlierRun)
{
    fs::create_directories(Folder);
    // Files that are not the ring's stay whatever their number.
    std::ofstream(Folder / "notes.txt") << "kept";
    std::ofstream(Folder / "velmora-x.ss7") << "kept";
    {
        TCaptureRing Ring(Settings(0, 1, 3));
        for (int I = 0; I < 10; ++I)
            ASSERT_TRUE(Ring.Append(Record(I)));
    }
    EXPECT_EQ(Names(), (std::vector<std::string>{"velmora-000008.ss7", "velmora-000009.ss7", "velmora-000010.ss7"}));
    {
        // A new run never writes into the last run's file.
        TCaptureRing Ring(Settings(0, 1, 2));
        ASSERT_TRUE(Ring.Append(Record(42)));
    }
    EXPECT_EQ(Names(), (std::vector<std::string>{"velmora-000010.ss7", "velmora-000011.ss7"}));
    std::string Expected;
    AppendCaptureLine(Record(42), Expected);
    EXPECT_EQ(Read(Folder / "velmora-000011.ss7"), Expected);
    EXPECT_TRUE(fs::exists(Folder / "notes.txt"));
    EXPECT_TRUE(fs::exists(Folder / "velmora-x.ss7"));
    EXPECT_EQ(TCaptureRing::SequenceOf("velmora-1234567.ss7"), 1234567u);
    EXPECT_EQ(TCaptureRing::SequenceOf("velmora-12a.ss7"), 0u);
    EXPECT_EQ(TCaptureRing::SequenceOf("velmora-.ss7"), 0u);
}

TEST_F(CaptureRing, AFolderThatCannotBeMadeIsReportedAndTriedAgainAfterAFlush)
{
    // A folder path through a plain file fails for root as well.
    fs::create_directories(Folder);
    std::ofstream(Folder / "file") << "x";
    TCaptureRing Ring({(Folder / "file" / "ring").string(), 0, 0, 2});
    EXPECT_FALSE(Ring.Append(Record(1)));
    EXPECT_NE(Ring.Error().find("Cannot create folder"), std::string::npos) << Ring.Error();
    // Not tried again before the next flush.
    EXPECT_FALSE(Ring.Append(Record(2)));
    EXPECT_EQ(Ring.Failed(), 2u);
    fs::remove(Folder / "file");
    EXPECT_FALSE(Ring.Flush());
    ASSERT_TRUE(Ring.Append(Record(3))) << Ring.Error();
    EXPECT_TRUE(Ring.Flush());
    EXPECT_TRUE(Ring.Error().empty());
    EXPECT_EQ(Ring.Written(), 1u);
    std::string Expected;
    AppendCaptureLine(Record(3), Expected);
    EXPECT_EQ(Read(Ring.CurrentFile()), Expected);
}

} // namespace
