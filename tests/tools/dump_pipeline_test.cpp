// velmora-dump's pipeline: input read in blocks of any size gives the same
// records, numbers and notes as when read whole, and the output comes out
// in input order for any number of workers.
#include "tools/velmora-dump/DumpPipeline.h"

#include "catalog/Definitions.h"
#include "pcapio/PcapReader.h"
#include "pcapio/PcapWriter.h"
#include "presentation/HexText.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

struct TParsed {
    // "Number: octets" per record.
    std::string Records;
    std::string Notes;
    int Blocks = 0;
};

TParsed ParseAll(std::string Text, bool Records, size_t ReadSize)
{
    std::FILE* File = fmemopen(Text.data(), Text.size(), "r");
    EXPECT_TRUE(File);
    TLineSource Source(File, Records, "in", ReadSize);
    TInputBlock Block;
    TParsed Result;
    for (;;) {
        Block.Clear();
        if (!Source.Read(Block))
            break;
        ++Result.Blocks;
        Source.Parse(Block);
        for (const TInputRecord& Record : Block.Records) {
            Result.Records += std::to_string(Record.Number) + ": " +
                SpacedHex(std::string_view(Block.Octets).substr(Record.Offset, Record.Size)) + "\n";
        }
        Result.Notes += Block.Notes;
    }
    EXPECT_EQ(Source.Error(), 0);
    std::fclose(File);
    return Result;
}

// Every kind of line end, a CR LF that a read may cut in two, comments, a
// bad line, blank lines, a line longer than many reads and a last line
// without its end.
std::string MixedText()
{
    std::string Long;
    for (int I = 0; I < 100; ++I)
        Long += "5A ";
    return "01 02\r\n# comment\n\r03 04 05\rZZ\n\n" + Long + "\r\nAA";
}

TEST(DumpLineSource, BlocksOfAnySizeGiveTheRecordsOfTheWholeText)
{
    const TParsed Whole = ParseAll(MixedText(), false, 1 << 20);
    EXPECT_EQ(Whole.Blocks, 1);
    std::string Long;
    for (int I = 0; I < 100; ++I)
        Long += "5A ";
    // Hex lines: a blank line is an empty message; line 5 is not hex.
    EXPECT_EQ(Whole.Records, "1: 01 02 \n3: \n4: 03 04 05 \n6: \n7: " + Long + "\n8: AA \n");
    EXPECT_EQ(Whole.Notes.rfind("velmora-dump: in:5: ", 0), 0u) << Whole.Notes;
    EXPECT_EQ(Whole.Notes.find('\n'), Whole.Notes.size() - 1);
    for (const size_t ReadSize : {1, 2, 3, 5, 7, 8, 64}) {
        const TParsed Pieces = ParseAll(MixedText(), false, ReadSize);
        EXPECT_EQ(Pieces.Records, Whole.Records) << ReadSize;
        EXPECT_EQ(Pieces.Notes, Whole.Notes) << ReadSize;
        EXPECT_GT(Pieces.Blocks, 1) << ReadSize;
    }
}

TEST(DumpLineSource, RecordLinesSkipBlankLinesAndNoteShortRecords)
{
    const std::string Record = "EA 07 0C 00 01 00 07 00 09 00 05 00 03 00 0C 00 01 02 81";
    const std::string Text = Record + "\r\n\r\n  \n" + "EA 07\n" + Record;
    for (const size_t ReadSize : {3, 1 << 20}) {
        const TParsed Parsed = ParseAll(Text, true, ReadSize);
        EXPECT_EQ(Parsed.Records, "1: " + Record + " \n5: " + Record + " \n") << ReadSize;
        EXPECT_EQ(Parsed.Notes, "velmora-dump: in:4: a record of 2 octets is shorter than 18 octets\n") << ReadSize;
    }
}

// Writes each record's number.
class TNumberWriter : public TRecordConsumer {
public:
    void Consume(const TDumpLine& Line, const TTextPool& /*Texts*/, TInputBlock& Block) override
    {
        Block.Out += std::to_string(Line.Line);
        Block.Out.push_back(Line.Decoded.Failed() ? '!' : '\n');
    }
};

class TCollectingSink : public TBlockSink {
public:
    explicit TCollectingSink(int FailAt = -1)
        : FFailAt(FailAt)
    {
    }
    bool Take(TInputBlock& Block) override
    {
        if (FBlocks++ == FFailAt)
            return false;
        Out += Block.Out;
        Notes += Block.Notes;
        return true;
    }
    std::string Out;
    std::string Notes;

private:
    int FFailAt;
    int FBlocks = 0;
};

// Link test messages, one per line, every hundredth line not hex.
std::string ManyLines(int Count)
{
    std::string Text;
    for (int I = 1; I <= Count; ++I)
        Text += I % 100 == 0 ? "xyz\n" : "81 29 89 34 01 11 00\n";
    return Text;
}

TEST(DumpPipeline, OutputAndNotesKeepInputOrderForAnyNumberOfWorkers)
{
    const TDefinitions Definitions;
    const int Count = 3000;
    std::string Expected;
    for (int I = 1; I <= Count; ++I)
        if (I % 100 != 0)
            Expected += std::to_string(I) + "\n";
    for (const int Jobs : {1, 2, 3, 8}) {
        std::string Text = ManyLines(Count);
        std::FILE* File = fmemopen(Text.data(), Text.size(), "r");
        ASSERT_TRUE(File);
        // About five lines a block: hundreds of blocks in flight.
        TLineSource Source(File, false, "in", 100);
        TCollectingSink Sink;
        EXPECT_TRUE(RunPipeline(
            Source, *Definitions.StaticPackets, [] { return std::make_unique<TNumberWriter>(); }, Jobs, Sink));
        std::fclose(File);
        EXPECT_EQ(Sink.Out, Expected) << Jobs;
        EXPECT_EQ(Sink.Notes.find("in:100:"), Sink.Notes.find("in:"));
        EXPECT_LT(Sink.Notes.find("in:1500:"), Sink.Notes.find("in:2900:")) << Jobs;
    }
}

TEST(DumpPipeline, ASinkThatFailsStopsThePipeline)
{
    const TDefinitions Definitions;
    for (const int Jobs : {1, 2, 4}) {
        std::string Text = ManyLines(3000);
        std::FILE* File = fmemopen(Text.data(), Text.size(), "r");
        ASSERT_TRUE(File);
        TLineSource Source(File, false, "in", 100);
        TCollectingSink Sink(3);
        EXPECT_FALSE(RunPipeline(
            Source, *Definitions.StaticPackets, [] { return std::make_unique<TNumberWriter>(); }, Jobs, Sink));
        std::fclose(File);
        // Three blocks of about five lines went out, nothing after them.
        EXPECT_EQ(Sink.Out.rfind("1\n", 0), 0u) << Jobs;
        EXPECT_LT(Sink.Out.size(), 100u) << Jobs;
    }
}

// A pcap's messages go through the pipeline in blocks as lines do: numbered
// by their packet, marked as coming from a packet, in order for any number
// of workers; a file cut inside a packet ends the input after the messages
// before the cut, with a note naming the file, and the source says it failed.
TEST(DumpPcapSource, MessagesKeepTheirPacketsAndOrderAndACutFileFails)
{
    const TDefinitions Definitions;
    const std::string Path =
        (std::filesystem::temp_directory_path() / ("dump_pipeline_" + std::to_string(getpid()) + ".pcap")).string();
    const int Count = 2000;
    {
        TPcapWriter Writer(Path);
        const TSystemTime Stamp{2026, 12, 2, 8, 10, 0, 0, 0};
        for (int I = 0; I < Count; ++I)
            Writer.Write(Stamp, 1 + I % 2, static_cast<uint8_t>(I % 3), std::string("\x81\x29\x89\x34\x01\x11\x00", 7));
        Writer.Close();
    }
    std::string Expected;
    for (int I = 1; I <= Count; ++I)
        Expected += std::to_string(I) + "\n";

    // A consumer that also checks what each line is.
    class TPacketLines : public TRecordConsumer {
    public:
        void Consume(const TDumpLine& Line, const TTextPool&, TInputBlock& Block) override
        {
            const bool Right = Line.IsRecord && Line.FromPacket && Line.Item.Direction == 1 + (Line.Line - 1) % 2 &&
                Line.Item.Link == (Line.Line - 1) % 3 && !Line.Decoded.Failed();
            Block.Out += std::to_string(Line.Line);
            Block.Out.push_back(Right ? '\n' : '!');
        }
    };
    for (const int Jobs : {1, 2, 3}) {
        TPcapReader Reader(Path);
        // About 40 messages a block.
        TPcapSource Source(Reader, 1000);
        TCollectingSink Sink;
        EXPECT_TRUE(RunPipeline(
            Source, *Definitions.StaticPackets, [] { return std::make_unique<TPacketLines>(); }, Jobs, Sink));
        EXPECT_EQ(Sink.Out, Expected) << Jobs;
        EXPECT_EQ(Sink.Notes, "") << Jobs;
        EXPECT_FALSE(Source.Failed());
    }

    // Cut inside packet 1500: 16 octets of pcap packet header and 7 of
    // pseudo-header and MTP2 header before each message's 7.
    std::filesystem::resize_file(Path, 24 + 1499 * 30 + 20);
    for (const int Jobs : {1, 2}) {
        TPcapReader Reader(Path);
        TPcapSource Source(Reader, 1000);
        TCollectingSink Sink;
        EXPECT_TRUE(RunPipeline(
            Source, *Definitions.StaticPackets, [] { return std::make_unique<TPacketLines>(); }, Jobs, Sink));
        EXPECT_EQ(Sink.Out, Expected.substr(0, Expected.find("\n1500\n") + 1)) << Jobs;
        EXPECT_NE(Sink.Notes.find(Path), std::string::npos) << Sink.Notes;
        EXPECT_EQ(Sink.Notes.rfind("velmora-dump: ", 0), 0u) << Sink.Notes;
        EXPECT_TRUE(Source.Failed());
    }
    std::filesystem::remove(Path);
}

} // namespace
