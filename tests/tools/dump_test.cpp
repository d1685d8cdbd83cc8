// Golden tests of velmora-dump: the built program runs on hex lines, capture
// records and the bundled sample, and its output is compared field by field.
#include "tests/tools/json_parse.h"

#include "tools/velmora-dump/Json.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct TRun {
    std::string Out;
    std::string Err;
    int Status = -1;
};

// A file in a fresh temporary folder, removed with the object.
class TTempFile {
public:
    TTempFile(std::string_view Content, const std::string& Name = "input.txt")
    {
        char Pattern[] = "/tmp/velmora-dump-test-XXXXXX";
        const char* Dir = mkdtemp(Pattern);
        if (!Dir)
            throw std::runtime_error("mkdtemp failed");
        FDir = Dir;
        FPath = FDir / Name;
        std::ofstream(FPath, std::ios::binary) << Content;
    }
    ~TTempFile()
    {
        std::error_code Ignored;
        fs::remove_all(FDir, Ignored);
    }
    std::string Path() const { return FPath.string(); }
    std::string Dir() const { return FDir.string(); }

private:
    fs::path FDir;
    fs::path FPath;
};

std::string ReadAll(const fs::path& Path)
{
    std::ifstream In(Path, std::ios::binary);
    std::stringstream Text;
    Text << In.rdbuf();
    return Text.str();
}

// Runs the tool with Args, Input on its standard input.
TRun RunDump(const std::vector<std::string>& Args, std::string_view Input = {})
{
    TTempFile In(Input, "stdin");
    const fs::path OutPath = fs::path(In.Dir()) / "stdout";
    const fs::path ErrPath = fs::path(In.Dir()) / "stderr";
    const pid_t Child = fork();
    if (Child < 0)
        throw std::runtime_error("fork failed");
    if (Child == 0) {
        const int InFd = open(In.Path().c_str(), O_RDONLY);
        const int OutFd = open(OutPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int ErrFd = open(ErrPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (InFd < 0 || OutFd < 0 || ErrFd < 0)
            _exit(127);
        dup2(InFd, 0);
        dup2(OutFd, 1);
        dup2(ErrFd, 2);
        std::vector<char*> Argv;
        Argv.push_back(const_cast<char*>(VELMORA_DUMP_PATH));
        for (const auto& Arg : Args)
            Argv.push_back(const_cast<char*>(Arg.c_str()));
        Argv.push_back(nullptr);
        execv(VELMORA_DUMP_PATH, Argv.data());
        _exit(127);
    }
    int Status = 0;
    waitpid(Child, &Status, 0);
    TRun Run;
    Run.Status = WIFEXITED(Status) ? WEXITSTATUS(Status) : 128 + WTERMSIG(Status);
    Run.Out = ReadAll(OutPath);
    Run.Err = ReadAll(ErrPath);
    return Run;
}

std::vector<std::string> SplitLines(const std::string& Text)
{
    std::vector<std::string> Lines;
    std::string Line;
    std::istringstream Stream(Text);
    while (std::getline(Stream, Line))
        Lines.push_back(Line);
    return Lines;
}

std::vector<std::string> SplitTabs(const std::string& Line)
{
    std::vector<std::string> Cells;
    size_t Start = 0;
    for (;;) {
        const size_t Tab = Line.find('\t', Start);
        Cells.push_back(Line.substr(Start, Tab == std::string::npos ? std::string::npos : Tab - Start));
        if (Tab == std::string::npos)
            return Cells;
        Start = Tab + 1;
    }
}

// Rows of the tab-separated output, each split into its cells.
std::vector<std::vector<std::string>> Rows(const TRun& Run)
{
    std::vector<std::vector<std::string>> Result;
    for (const auto& Line : SplitLines(Run.Out))
        Result.push_back(SplitTabs(Line));
    return Result;
}

// One capture record line: stamp of 7 December 2026 (a Monday) at the
// given time, direction, link, then the message's hex.
std::string Record(int Hour, int Minute, int Second, int Millis, int Direction, int Link, const std::string& Message)
{
    char Head[128];
    std::snprintf(Head, sizeof Head, "EA 07 0C 00 01 00 07 00 %02X 00 %02X 00 %02X 00 %02X %02X %02X %02X ", Hour,
                  Minute, Second, Millis & 0xFF, Millis >> 8, Direction, Link);
    return Head + Message;
}

// Cells of a message row (hex mode).
enum { mLine, mName, mLabel, mCic, mDetail, mError, mCount };
// Cells of a record row.
enum { rLine, rTime, rDate, rIn, rOut, rLink, rLabel, rCic, rDetail, rError, rCount };

TEST(DumpHexLines, LinkTestMessagesShowNameLabelAndPattern)
{
    const auto Run = RunDump({"--tsv"},
                             "81 01 80 00 30 11 40 AA BB CC DD\n"
                             "81 02 40 00 30 21 30 01 02 03\n"
                             "01 01 40 00 00 12 3F AA BB CC\n");
    ASSERT_EQ(Run.Status, 0);
    EXPECT_EQ(Run.Err, "");
    const auto R = Rows(Run);
    ASSERT_EQ(R.size(), 3u);
    EXPECT_EQ(R[0], (std::vector<std::string>{"1", "SLTM", "2 => 1, sls=3", "", "SLTM (Pattern=AA BB CC DD)", ""}));
    EXPECT_EQ(R[1], (std::vector<std::string>{"2", "SLTA", "1 => 2, sls=3", "", "SLTA (Pattern=01 02 03)", ""}));
    // The spare low nibble of the length octet is ignored: 0x3F is length 3.
    EXPECT_EQ(R[2], (std::vector<std::string>{"3", "0x12", "1 => 1, sls=0", "", "0x12 (Pattern=AA BB CC)", ""}));
}

TEST(DumpHexLines, MtpManagementMessagesShowTheirDescription)
{
    const auto Run = RunDump({"--tsv"},
                             "00 01 80 00 30 14 05 00\n"
                             "00 01 80 00 30 23 FF FF\n"
                             "00 01 80 00 30 11 85\n"
                             "00 01 80 00 30 1A 05 00\n"
                             "00 01 80 00 30 54\n"
                             "00 01 80 00 30 18 34 12\n"
                             "00 01 80 00 30\n");
    ASSERT_EQ(Run.Status, 0);
    const auto R = Rows(Run);
    ASSERT_EQ(R.size(), 7u);
    EXPECT_EQ(R[0][mName], "TFP");
    EXPECT_EQ(R[0][mDetail], "TFP (Destination=5)");
    EXPECT_EQ(R[1][mDetail], "TFC (Destination=65535)");
    EXPECT_EQ(R[2][mDetail], "COO (FSN=133)");
    EXPECT_EQ(R[3][mDetail], "UPU");
    EXPECT_EQ(R[4][mDetail], "TFA (Destination=0)");
    EXPECT_EQ(R[5][mDetail], "DLC (Identity=4660)");
    // A message that ends after its routing label has heading 0.
    EXPECT_EQ(R[6][mName], "$00");
    for (const auto& Row : R) {
        ASSERT_EQ(Row.size(), static_cast<size_t>(mCount));
        EXPECT_EQ(Row[mLabel], "2 => 1, sls=3");
        EXPECT_EQ(Row[mError], "");
    }
}

TEST(DumpHexLines, GroupHeadingsAndUnknownHeadings)
{
    const std::vector<std::pair<std::string, std::string>> Cases = {
        {"01", "CHM"}, {"02", "ECM"}, {"03", "FCM"}, {"04", "TFM"}, {"05", "RSM"}, {"06", "MIM"},
        {"07", "TRM"}, {"08", "DLM"}, {"0A", "UFC"}, {"0F", "$0F"}, {"09", "$09"}, {"24", "$24"},
    };
    std::string Input;
    for (const auto& Case : Cases)
        Input += "00 00 00 00 00 " + Case.first + "\n";
    const auto Run = RunDump({"--tsv"}, Input);
    const auto R = Rows(Run);
    ASSERT_EQ(R.size(), Cases.size());
    for (size_t I = 0; I < Cases.size(); ++I) {
        EXPECT_EQ(R[I][mName], Cases[I].second);
        // No information field: the description is the name alone.
        EXPECT_EQ(R[I][mDetail], Cases[I].second);
    }
}

TEST(DumpHexLines, UndecodableMessagesShowTheDecodersText)
{
    const auto Run = RunDump({"--tsv"},
                             "83 01 80 00 30 09 00 03 05 07\n"
                             "04 01 80 00 30 11\n"
                             "8F 00 00 00 00\n"
                             "\n"
                             " , ;\n");
    ASSERT_EQ(Run.Status, 0);
    const auto R = Rows(Run);
    ASSERT_EQ(R.size(), 5u);
    EXPECT_EQ(R[0], (std::vector<std::string>{"1", "(?\?\?)", "", "", "", "Unknown Subsystem Code: 0x03"}));
    EXPECT_EQ(R[1][mError], "Unknown Subsystem Code: 0x04");
    EXPECT_EQ(R[2][mError], "Unknown Subsystem Code: 0x0F");
    // A hex line without octets is an empty message.
    EXPECT_EQ(R[3], (std::vector<std::string>{"4", "(?\?\?)", "", "", "", "Can`t read SIO from stream"}));
    EXPECT_EQ(R[4][mError], "Can`t read SIO from stream");
}

TEST(DumpHexLines, AMessageStartingWithFFIsAStopMarker)
{
    const auto Run = RunDump({"--tsv", "-v"}, "FF 00 00 00 00\nff\n");
    EXPECT_EQ(Run.Out, "1\tSTOP\t\t\t\t\n2\tSTOP\t\t\t\t\n");
    const auto Json = ParseJson(SplitLines(RunDump({"--json"}, "FF 00 00 00 00\n").Out).at(0));
    EXPECT_EQ(Json.Keys(), (std::vector<std::string>{"line", "name", "caption", "octets"}));
    EXPECT_EQ(Json["caption"].Str, "Heart Stop Message");
}

TEST(DumpHexLines, BadLinesAreReportedWithTheirNumberAndTheRestGoesOn)
{
    const auto Run = RunDump({"--tsv"},
                             "00 00 00 00 00 14 05 00\n"
                             "00 ZZ\n"
                             "# a comment line\n"
                             "  # another one\n"
                             "00 00 00 00 00 0x54 05 00\n"
                             "00 00 00 00 00 54 123456789\n"
                             "00,00;00:00 (00) 13\n");
    EXPECT_EQ(Run.Status, 0);
    EXPECT_EQ(Run.Err,
              "velmora-dump: <stdin>:2: '$0ZZ' is not a valid integer value\n"
              "velmora-dump: <stdin>:5: '$00x54' is not a valid integer value\n"
              "velmora-dump: <stdin>:6: '$0123456789' is not a valid integer value\n");
    const auto R = Rows(Run);
    ASSERT_EQ(R.size(), 2u);
    EXPECT_EQ(R[0][mLine], "1");
    EXPECT_EQ(R[0][mName], "TFP");
    // Any delimiter separates octets.
    EXPECT_EQ(R[1][mLine], "7");
    EXPECT_EQ(R[1][mName], "RCT");
}

TEST(DumpHexLines, OctetsKeepTheLowByteOfLongerHexWords)
{
    const auto Run = RunDump({"--tsv"}, "1101 1 1240 0 0 7711 30 AA BB CC\n");
    const auto R = Rows(Run);
    ASSERT_EQ(R.size(), 1u);
    EXPECT_EQ(R[0][mName], "SLTM");
    EXPECT_EQ(R[0][mDetail], "SLTM (Pattern=AA BB CC)");
    EXPECT_EQ(R[0][mLabel], "1 => 1, sls=0");
}

TEST(DumpRecords, TimeDateLinkAndTheDirectionRule)
{
    const std::string Input = Record(9, 5, 3, 12, 1, 3, "00 01 80 00 30 14 05 00") + "\n" +
        Record(23, 59, 59, 999, 2, 255, "00 02 40 00 30 54 05 00") + "\n" +
        Record(0, 0, 0, 0, 3, 0, "81 01 80 00 30 21 00") + "\n" + Record(12, 30, 1, 500, 0, 7, "81 01 80 00 30 11 00") +
        "\n";
    const auto Run = RunDump({"--records", "--tsv"}, Input);
    ASSERT_EQ(Run.Status, 0);
    EXPECT_EQ(Run.Err, "");
    const auto R = Rows(Run);
    ASSERT_EQ(R.size(), 4u);
    EXPECT_EQ(R[0],
              (std::vector<std::string>{"1", "9:05:03.012", "7.12.2026", "TFP", "", "3", "2 => 1, sls=3", "",
                                        "TFP (Destination=5)", ""}));
    EXPECT_EQ(R[1],
              (std::vector<std::string>{"2", "23:59:59.999", "7.12.2026", "", "TFA", "255", "1 => 2, sls=3", "",
                                        "TFA (Destination=5)", ""}));
    // Any other direction code shows the name under both columns.
    EXPECT_EQ(R[2][rIn], "SLTA");
    EXPECT_EQ(R[2][rOut], "SLTA");
    EXPECT_EQ(R[2][rTime], "0:00:00.000");
    EXPECT_EQ(R[3][rIn], "SLTM");
    EXPECT_EQ(R[3][rOut], "SLTM");
    EXPECT_EQ(R[3][rDetail], "SLTM");
}

TEST(DumpRecords, StopEntriesEmptyMessagesAndShortRecords)
{
    const std::string Input = Record(9, 6, 0, 7, 0, 0, "FF 00 00 00 00") + "\n" + Record(9, 6, 1, 0, 1, 4, "") + "\n" +
        "EA 07 0C 00 01 00 07 00 09 00 05 00 03 00 0C 00 01\n" + Record(9, 6, 2, 0, 2, 4, "83 01 80 00 30 09") + "\n";
    const auto Run = RunDump({"--records", "--tsv"}, Input);
    ASSERT_EQ(Run.Status, 0);
    EXPECT_EQ(Run.Err, "velmora-dump: <stdin>:3: a record of 17 octets is shorter than 18 octets\n");
    const auto R = Rows(Run);
    ASSERT_EQ(R.size(), 3u);
    // A stop entry shows STOP under IN and nothing else but its stamp.
    EXPECT_EQ(R[0], (std::vector<std::string>{"1", "9:06:00.007", "7.12.2026", "STOP", "", "", "", "", "", ""}));
    // A record of exactly 18 octets carries an empty message.
    EXPECT_EQ(R[1],
              (std::vector<std::string>{"2", "9:06:01.000", "7.12.2026", "(?\?\?)", "", "4", "", "", "",
                                        "Can`t read SIO from stream"}));
    EXPECT_EQ(R[2][rLine], "4");
    EXPECT_EQ(R[2][rIn], "");
    EXPECT_EQ(R[2][rOut], "(?\?\?)");
    EXPECT_EQ(R[2][rError], "Unknown Subsystem Code: 0x03");
}

TEST(DumpRecords, LineEndsOfEverySystemReadAlike)
{
    const std::vector<std::string> Lines = {
        Record(9, 5, 3, 12, 1, 3, "81 01 80 00 30 11 20 AA BB "),
        Record(9, 5, 3, 40, 2, 3, "81 02 40 00 30 21 20 AA BB "),
        Record(9, 5, 4, 101, 1, 3, "80 01 80 00 30 14 05 00 "),
    };
    auto Join = [&Lines](const std::string& End) {
        std::string Text;
        for (const auto& Line : Lines)
            Text += Line + End;
        return Text;
    };
    const TTempFile Lf(Join("\n"), "lf.ss7");
    const TTempFile CrLf(Join("\r\n"), "crlf.ss7");
    const TTempFile Cr(Join("\r"), "cr.ss7");
    // The last line without any line end, and blank lines in between.
    const TTempFile Mixed(Lines[0] + "\r\n\r\n" + Lines[1] + "\n\n" + Lines[2], "mixed.ss7");
    const auto Expected = RunDump({Lf.Path()});
    ASSERT_EQ(Expected.Status, 0);
    EXPECT_EQ(SplitLines(Expected.Out).size(), 3u);
    EXPECT_NE(Expected.Out.find("9:05:04.101"), std::string::npos);
    EXPECT_EQ(RunDump({CrLf.Path()}).Out, Expected.Out);
    EXPECT_EQ(RunDump({Cr.Path()}).Out, Expected.Out);
    const auto MixedRun = RunDump({"--tsv", Mixed.Path()});
    const auto R = Rows(MixedRun);
    ASSERT_EQ(R.size(), 3u);
    EXPECT_EQ(R[0][rLine], "1");
    EXPECT_EQ(R[1][rLine], "3");
    EXPECT_EQ(R[2][rLine], "5");
    EXPECT_EQ(R[2][rDetail], "TFP (Destination=5)");
}

TEST(DumpInput, ModeFollowsTheExtensionUnlessAnOptionSaysOtherwise)
{
    const std::string Line = Record(9, 5, 3, 12, 1, 3, "81 01 80 00 30 11 00") + "\r\n";
    const TTempFile Upper(Line, "CAPTURE.SS7");
    const TTempFile Txt(Line, "capture.txt");
    EXPECT_EQ(Rows(RunDump({"--tsv", Upper.Path()}))[0].size(), static_cast<size_t>(rCount));
    // Read as a bare message, the record's first octet is the SIO: 0xEA has
    // service indicator 10.
    const auto AsHex = Rows(RunDump({"--tsv", Txt.Path()}));
    ASSERT_EQ(AsHex.size(), 1u);
    ASSERT_EQ(AsHex[0].size(), static_cast<size_t>(mCount));
    EXPECT_EQ(AsHex[0][mError], "Unknown Subsystem Code: 0x0A");
    EXPECT_EQ(Rows(RunDump({"--tsv", "--records", Txt.Path()}))[0][rIn], "SLTM");
    EXPECT_EQ(Rows(RunDump({"--tsv", "--hex", Upper.Path()}))[0].size(), static_cast<size_t>(mCount));
    EXPECT_EQ(Rows(RunDump({"--tsv", "--records", "-"}, Line))[0][rIn], "SLTM");
}

TEST(DumpInput, UnreadableInputAndWrongCommandLines)
{
    const auto Missing = RunDump({"/nonexistent/velmora/capture.ss7"});
    EXPECT_EQ(Missing.Status, 1);
    EXPECT_EQ(Missing.Out, "");
    EXPECT_EQ(Missing.Err, "velmora-dump: cannot open '/nonexistent/velmora/capture.ss7': No such file or directory\n");

    const TTempFile Some("", "x.ss7");
    const auto Folder = RunDump({Some.Dir()});
    EXPECT_EQ(Folder.Status, 1);
    EXPECT_NE(Folder.Err.find("cannot read"), std::string::npos);

    EXPECT_EQ(RunDump({"--bogus"}).Status, 2);
    EXPECT_EQ(RunDump({Some.Path(), Some.Path()}).Status, 2);
    // A number of jobs from 1 to 256, after -j, --jobs or joined to -j.
    for (const std::vector<std::string>& Jobs :
         {std::vector<std::string>{"-j"}, {"-j", "0"}, {"-j", "x"}, {"-j", "257"}, {"-j2x"}, {"--jobs", "-1"}})
        EXPECT_EQ(RunDump(Jobs).Status, 2) << Jobs.back();
    const std::string Hex = "00 01 80 00 30 14 05 00\n83 00 00 00 00\nzz\n";
    const auto Default = RunDump({}, Hex);
    for (const std::vector<std::string>& Jobs : {std::vector<std::string>{"-j", "1"}, {"-j3"}, {"--jobs", "256"}}) {
        const auto Run = RunDump(Jobs, Hex);
        EXPECT_EQ(Run.Status, 0);
        EXPECT_EQ(Run.Out, Default.Out);
        EXPECT_EQ(Run.Err, Default.Err);
    }

    const auto Empty = RunDump({Some.Path()});
    EXPECT_EQ(Empty.Status, 0);
    EXPECT_EQ(Empty.Out, "");
}

TEST(DumpOutput, HeaderAndAlignedColumns)
{
    const auto Run = RunDump({"--header"}, "00 01 80 00 30 14 05 00\n83 00 00 00 00\n");
    const auto Lines = SplitLines(Run.Out);
    ASSERT_EQ(Lines.size(), 3u);
    EXPECT_EQ(Lines[0], " LINE  NAME   ROUTING LABEL             CIC  DETAIL                    ERROR");
    EXPECT_EQ(Lines[1], "    1  TFP    2 => 1, sls=3                  TFP (Destination=5)");
    EXPECT_EQ(Lines[2],
              "    2  (?\?\?)                                                           "
              "Unknown Subsystem Code: 0x03");
    const auto Tabs = RunDump({"--header", "--tsv", "--records"}, "");
    EXPECT_EQ(Tabs.Out, "LINE\tTIME\tDATE\tIN\tOUT\tLINK\tROUTING LABEL\tCIC\tDETAIL\tERROR\n");
}

TEST(DumpOutput, HelpDescribesEveryColumnAndJsonMember)
{
    const auto Run = RunDump({"--help"});
    EXPECT_EQ(Run.Status, 0);
    for (const char* Word :
         {"--records", "--hex", "--tsv", "--json", "--header", "ROUTING LABEL", "DETAIL", "ERROR", "stamp", "direction",
          "octets", "Exit status", "--cfg", "--verbose", "parameters", "APPENDIX", "--jobs"})
        EXPECT_NE(Run.Out.find(Word), std::string::npos) << Word;
}

// The bundled sample capture, in the aligned form, line for line.
TEST(DumpSample, MtpLinkTestSampleMatchesItsGoldenOutput)
{
    const auto Run = RunDump({VELMORA_SOURCE_DIR "/samples/mtp-link-test.ss7"});
    ASSERT_EQ(Run.Status, 0);
    EXPECT_EQ(Run.Err, "");
    EXPECT_EQ(Run.Out, ReadAll(VELMORA_SOURCE_DIR "/tests/tools/golden/mtp-link-test.txt"));
}

TEST(DumpJson, EveryLineIsAJsonObjectWithTheMembersThatApply)
{
    const auto Run = RunDump({"--json", VELMORA_SOURCE_DIR "/samples/mtp-link-test.ss7"});
    ASSERT_EQ(Run.Status, 0);
    const auto Lines = SplitLines(Run.Out);
    ASSERT_EQ(Lines.size(), 12u);
    std::vector<TJson> Objects;
    for (const auto& Line : Lines)
        Objects.push_back(ParseJson(Line));

    const TJson& Sltm = Objects[0];
    EXPECT_EQ(Sltm.Keys(),
              (std::vector<std::string>{"line", "stamp", "direction", "link", "si", "opc", "dpc", "sls", "name",
                                        "caption", "pattern", "octets"}));
    EXPECT_EQ(Sltm["line"].Num, 1);
    EXPECT_EQ(Sltm["stamp"].Str, "2026-12-07T09:05:03.012");
    EXPECT_EQ(Sltm["direction"].Num, 1);
    EXPECT_EQ(Sltm["link"].Num, 3);
    EXPECT_EQ(Sltm["si"].Num, 1);
    EXPECT_EQ(Sltm["opc"].Num, 2);
    EXPECT_EQ(Sltm["dpc"].Num, 1);
    EXPECT_EQ(Sltm["sls"].Num, 3);
    EXPECT_EQ(Sltm["name"].Str, "SLTM");
    EXPECT_EQ(Sltm["caption"].Str, "Test Subsystem Message");
    EXPECT_EQ(Sltm["pattern"].Str, "AA BB CC DD");
    EXPECT_EQ(Sltm["octets"].Str, "81 01 80 00 30 11 40 AA BB CC DD");

    const TJson& Tfp = Objects[2];
    EXPECT_EQ(Tfp["name"].Str, "TFP");
    EXPECT_EQ(Tfp["caption"].Str, "MTP Subsystem Message");
    EXPECT_EQ(Tfp["description"].Str, "TFP (Destination=5)");
    EXPECT_FALSE(Tfp.Has("error"));
    EXPECT_FALSE(Tfp.Has("cic"));

    const TJson& Sccp = Objects[9];
    EXPECT_EQ(Sccp["name"].Str, "(?\?\?)");
    EXPECT_EQ(Sccp["error"].Str, "Unknown Subsystem Code: 0x03");
    // The frame of a rejected message is still shown.
    EXPECT_EQ(Sccp["si"].Num, 3);
    EXPECT_EQ(Sccp["opc"].Num, 2);

    const TJson& Stop = Objects[10];
    EXPECT_EQ(Stop.Keys(), (std::vector<std::string>{"line", "stamp", "direction", "name", "caption", "octets"}));
    EXPECT_EQ(Stop["name"].Str, "STOP");
    EXPECT_EQ(Stop["caption"].Str, "Heart Stop Message");
}

TEST(DumpJson, BareMessagesHaveNoRecordMembers)
{
    const auto Run = RunDump({"--json"}, "00 FF FF FF FF 14 05 00\n");
    const auto Lines = SplitLines(Run.Out);
    ASSERT_EQ(Lines.size(), 1u);
    const TJson Object = ParseJson(Lines[0]);
    EXPECT_EQ(
        Object.Keys(),
        (std::vector<std::string>{"line", "si", "opc", "dpc", "sls", "name", "caption", "description", "octets"}));
    EXPECT_EQ(Object["opc"].Num, 16383);
    EXPECT_EQ(Object["dpc"].Num, 16383);
    EXPECT_EQ(Object["sls"].Num, 15);
}

TEST(DumpJson, StringsEscapeQuotesBackslashesControlsAndHighOctets)
{
    EXPECT_EQ(JsonQuote(""), "\"\"");
    EXPECT_EQ(JsonQuote("Can`t \"x\" \\ /"), "\"Can`t \\\"x\\\" \\\\ /\"");
    EXPECT_EQ(JsonQuote(std::string("\b\f\n\r\t\x01\x1F", 7)), "\"\\b\\f\\n\\r\\t\\u0001\\u001f\"");
    EXPECT_EQ(JsonQuote(std::string("\0", 1)), "\"\\u0000\"");
    EXPECT_EQ(JsonQuote("\x7F\x80\xE9\xFF"), "\"\\u007f\\u0080\\u00e9\\u00ff\"");
    const std::string Mixed = std::string("a\"\\\n\xE9z\0", 7);
    EXPECT_EQ(ParseJson(JsonQuote(Mixed)).Str, Mixed);
    TJsonObject Object;
    Object.Add("s", "x\ty").Add("n", int64_t{-5}).AddBool("b", true).AddRaw("a", "[1,2]");
    EXPECT_EQ(Object.Text(), R"({"s":"x\ty","n":-5,"b":true,"a":[1,2]})");
    EXPECT_EQ(TJsonObject().Text(), "{}");
}

TEST(DumpJson, TheCheckerRejectsMalformedJson)
{
    for (const char* Bad :
         {"", "{", "{\"a\":}", "{\"a\":1,}", "[1 2]", "\"\x01\"", "\"\xE9\"", "01", "{} x", "\"\\u12\"", "tru"})
        EXPECT_THROW(ParseJson(Bad), std::runtime_error) << Bad;
}

// The small definition set of the catalog tests: SampleMsg (type 0xFA)
// with a fixed, a variable and an optional parameter.
const std::string TestCfg = VELMORA_SOURCE_DIR "/tests/catalog/cfg";
const std::string SampleMsg = "85 01 02 03 04 34 12 FA 0C 02 07 05 80 70 21 43 05 CA 02 02 AB 00";

TEST(DumpIsup, NameCicAndCaption)
{
    const auto Run = RunDump({"--tsv", "--cfg", TestCfg}, SampleMsg + "\n85 01 02 03 04 34 12 01 00\n");
    ASSERT_EQ(Run.Status, 0);
    EXPECT_EQ(Run.Err, "");
    const auto R = Rows(Run);
    ASSERT_EQ(R.size(), 2u);
    EXPECT_EQ(
        R[0],
        (std::vector<std::string>{"1", "SampleMsg", "4108 => 513, sls=0", "4660", "SampleMsg, Sample message", ""}));
    // A message type the catalog does not hold.
    EXPECT_EQ(R[1], (std::vector<std::string>{"2", "(?\?\?)", "", "", "", "Unknown Message Type: 0x01"}));
}

TEST(DumpIsup, RecordsPlaceTheIsupNameByDirection)
{
    const auto Run = RunDump({"--tsv", "--records", "--cfg", TestCfg}, Record(9, 5, 5, 886, 2, 1, SampleMsg) + "\n");
    const auto R = Rows(Run);
    ASSERT_EQ(R.size(), 1u);
    EXPECT_EQ(R[0][rIn], "");
    EXPECT_EQ(R[0][rOut], "SampleMsg");
    EXPECT_EQ(R[0][rCic], "4660");
}

TEST(DumpIsup, VerboseShowsTheDecodedViewTree)
{
    const auto Run =
        RunDump({"-v", "--cfg", TestCfg},
                SampleMsg + "\n" + "81 01 80 00 30 11 20 AA BB\n" + "80 01 80 00 30 14 05 00\n83 01 80 00 30 09 00\n");
    ASSERT_EQ(Run.Status, 0);
    const auto Lines = SplitLines(Run.Out);
    const std::vector<std::string> Tree = {
        "        SampleMsg, Sample message",
        "          SampleFlags, Sample flags",
        "            Urgent = False",
        "            Count = 6",
        "            ODD = False",
        "          SampleNumber, Sample number",
        "            Plan = 7",
        "            Screened = False",
        "            Digits = 12345",
        "          SampleNote, Sample note",
        "            Kind = Binary",
        "            Data = AB",
    };
    ASSERT_EQ(Lines.size(), 1 + Tree.size() + 6);
    EXPECT_EQ(Lines[0].substr(0, 18), "    1  SampleMsg  ");
    for (size_t I = 0; I < Tree.size(); ++I)
        EXPECT_EQ(Lines[1 + I], Tree[I]);
    // The one-line views of the other subsystems.
    EXPECT_EQ(Lines[14], "        Test Pattern: 20 AA BB");
    EXPECT_EQ(Lines[16], "        Message Dump: 14 05 00");
    EXPECT_EQ(Lines[18], "        Message Dump: 09 00");
}

TEST(DumpIsup, JsonListsThePresentParametersAndTheirFields)
{
    const auto Run = RunDump({"--json", "--cfg", TestCfg}, SampleMsg + "\n");
    const auto Lines = SplitLines(Run.Out);
    ASSERT_EQ(Lines.size(), 1u);
    const TJson Message = ParseJson(Lines[0]);
    EXPECT_EQ(Message.Keys(),
              (std::vector<std::string>{"line", "si", "opc", "dpc", "sls", "name", "caption", "cic", "octets",
                                        "parameters"}));
    EXPECT_EQ(Message["si"].Num, 5);
    EXPECT_EQ(Message["name"].Str, "SampleMsg");
    EXPECT_EQ(Message["caption"].Str, "Sample message");
    EXPECT_EQ(Message["cic"].Num, 4660);
    const auto& Parameters = Message["parameters"].Items;
    ASSERT_EQ(Parameters.size(), 3u);

    const TJson& Flags = Parameters[0];
    EXPECT_EQ(Flags.Keys(), (std::vector<std::string>{"name", "caption", "code", "mandatory", "hex", "fields"}));
    EXPECT_EQ(Flags["name"].Str, "SampleFlags");
    EXPECT_EQ(Flags["caption"].Str, "Sample flags");
    EXPECT_EQ(Flags["code"].Num, 201);
    EXPECT_TRUE(Flags["mandatory"].Boolean);
    EXPECT_EQ(Flags["hex"].Str, "0C");
    const auto& FlagFields = Flags["fields"].Items;
    ASSERT_EQ(FlagFields.size(), 3u);
    EXPECT_EQ(FlagFields[1].Keys(), (std::vector<std::string>{"name", "kind", "bit", "length", "value", "text"}));
    EXPECT_EQ(FlagFields[0]["kind"].Str, "BIT");
    EXPECT_EQ(FlagFields[0]["text"].Str, "False");
    EXPECT_EQ(FlagFields[1]["name"].Str, "Count");
    EXPECT_EQ(FlagFields[1]["kind"].Str, "INTEGER");
    EXPECT_EQ(FlagFields[1]["bit"].Num, 1);
    EXPECT_EQ(FlagFields[1]["length"].Num, 3);
    EXPECT_EQ(FlagFields[1]["value"].Num, 6);
    EXPECT_EQ(FlagFields[1]["text"].Str, "6");

    const TJson& Number = Parameters[1];
    EXPECT_EQ(Number["hex"].Str, "80 70 21 43 05");
    const TJson& Digits = Number["fields"].Items[2];
    // Fields that take the octets to the end of the value have no position.
    EXPECT_EQ(Digits.Keys(), (std::vector<std::string>{"name", "kind", "value", "text"}));
    EXPECT_EQ(Digits["kind"].Str, "DIGITS");
    EXPECT_EQ(Digits["text"].Str, "12345");
    EXPECT_EQ(Number["fields"].Items[0]["kind"].Str, "ENUM");

    const TJson& Note = Parameters[2];
    EXPECT_FALSE(Note["mandatory"].Boolean);
    EXPECT_EQ(Note["code"].Num, 202);
    EXPECT_EQ(Note["fields"].Items[0]["text"].Str, "Binary");
    EXPECT_EQ(Note["fields"].Items[1]["kind"].Str, "APPENDIX");
    EXPECT_EQ(Note["fields"].Items[1]["text"].Str, "AB");
}

TEST(DumpIsup, AnAbsentOptionalParameterIsLeftOut)
{
    // The same message with an empty optional part.
    const auto Run = RunDump({"--json", "--cfg", TestCfg}, "85 01 02 03 04 34 12 FA 0C 02 00 05 80 70 21 43 05\n");
    const auto Lines = SplitLines(Run.Out);
    ASSERT_EQ(Lines.size(), 1u);
    const TJson Message = ParseJson(Lines[0]);
    ASSERT_FALSE(Message.Has("error")) << Message["error"].Str;
    const auto& Parameters = Message["parameters"].Items;
    ASSERT_EQ(Parameters.size(), 2u);
    EXPECT_EQ(Parameters[0]["name"].Str, "SampleFlags");
    EXPECT_EQ(Parameters[1]["name"].Str, "SampleNumber");
}

TEST(DumpDefinitions, BadOrMissingDefinitionsEndTheProgram)
{
    const auto Missing = RunDump({"--cfg", "/nonexistent/velmora/CFG"}, SampleMsg + "\n");
    EXPECT_EQ(Missing.Status, 1);
    EXPECT_EQ(Missing.Out, "");
    EXPECT_EQ(Missing.Err, "velmora-dump: definitions folder '/nonexistent/velmora/CFG/' does not exist\n");

    const auto Bad = RunDump({"--cfg", VELMORA_SOURCE_DIR "/tests/catalog/bad-msg-code"}, SampleMsg + "\n");
    EXPECT_EQ(Bad.Status, 1);
    EXPECT_EQ(Bad.Out, "");
    EXPECT_NE(Bad.Err.find("velmora-dump: cannot load the definitions from"), std::string::npos);
    EXPECT_NE(Bad.Err.find("is not a valid integer value"), std::string::npos);

    EXPECT_EQ(RunDump({"--cfg"}).Status, 2);
}

// The bundled ISUP call flow, decoded against the CFG folder beside the
// program: every message decodes, every ISUP message carries its CIC and
// parameters, and the JSON twin agrees with the text form line by line.
TEST(DumpDefinitions, TheBundledCallFlowDecodesAgainstTheDefaultDefinitions)
{
    const std::string Sample = VELMORA_SOURCE_DIR "/samples/sample-call.ss7";
    if (!fs::exists(Sample))
        GTEST_SKIP() << "no sample call flow";
    const auto Text = RunDump({"--tsv", Sample});
    const auto Json = RunDump({"--json", Sample});
    ASSERT_EQ(Text.Status, 0);
    ASSERT_EQ(Json.Status, 0);
    EXPECT_EQ(Text.Err, "");
    const auto R = Rows(Text);
    const auto Objects = SplitLines(Json.Out);
    ASSERT_EQ(R.size(), Objects.size());
    ASSERT_GT(R.size(), 10u);
    int Isup = 0;
    int Iam = 0;
    for (size_t I = 0; I < R.size(); ++I) {
        SCOPED_TRACE(R[I][rLine]);
        const TJson Object = ParseJson(Objects[I]);
        const std::string Name = R[I][rIn].empty() ? R[I][rOut] : R[I][rIn];
        EXPECT_EQ(Object["name"].Str, Name);
        EXPECT_EQ(R[I][rError], "");
        if (Name == "STOP")
            continue;
        if (Object["si"].Num != 5) {
            EXPECT_EQ(R[I][rCic], "");
            continue;
        }
        ++Isup;
        ASSERT_TRUE(Object.Has("cic"));
        EXPECT_EQ(R[I][rCic], std::to_string(static_cast<int>(Object["cic"].Num)));
        // An RLC may carry no parameter at all; the list is there all the same.
        EXPECT_EQ(Object["parameters"].Kind, TJson::Array);
        if (Name == "IAM") {
            ++Iam;
            bool CalledNumber = false;
            for (const auto& Parameter : Object["parameters"].Items)
                if (Parameter["name"].Str == "CalledPartyNumber")
                    for (const auto& Field : Parameter["fields"].Items)
                        CalledNumber |= Field["kind"].Str == "DIGITS" && !Field["text"].Str.empty();
            EXPECT_TRUE(CalledNumber);
        }
    }
    EXPECT_GT(Isup, 0);
    EXPECT_GT(Iam, 0);
}

} // namespace

// A capture file written with -w and read back: the contents, not the name,
// make it a pcap, and its rows carry the packet number.
TEST(DumpPcap, WrittenCapturesReadBackWithTheirPacketNumbers)
{
    const TTempFile Records(Record(9, 5, 3, 12, 1, 3, "81 01 80 00 30 11 00") + "\r\n" +
                                Record(9, 5, 3, 13, 0, 0, "FF 00 00 00 00") + "\r\n" +
                                Record(23, 59, 59, 999, 2, 200, "00 01 80 00 30 14 05 00") + "\r\n",
                            "calls.ss7");
    const std::string Written = Records.Dir() + "/written.txt";
    const auto Write = RunDump({"-w", Written, Records.Path()});
    EXPECT_EQ(Write.Status, 0) << Write.Err;
    EXPECT_EQ(Write.Out, "");
    EXPECT_EQ(Write.Err,
              "velmora-dump: " + Written + ": 2 messages written; 1 stop entries left out (they are not messages)\n");

    const auto Read = RunDump({"--tsv", "--header", Written});
    EXPECT_EQ(Read.Status, 0) << Read.Err;
    const auto Cells = Rows(Read);
    ASSERT_EQ(Cells.size(), 3u);
    EXPECT_EQ(Cells[0][rLine], "PACKET");
    EXPECT_EQ(
        Cells[1],
        (std::vector<std::string>{"1", "9:05:03.012", "7.12.2026", "SLTM", "", "3", "2 => 1, sls=3", "", "SLTM", ""}));
    EXPECT_EQ(Cells[2][rLine], "2");
    EXPECT_EQ(Cells[2][rTime], "23:59:59.999");
    EXPECT_EQ(Cells[2][rOut], "TFP");
    EXPECT_EQ(Cells[2][rLink], "200");
    EXPECT_EQ(Read.Err, "velmora-dump: " + Written + ": 2 packets, 2 messages\n");

    // Own point codes decide the direction instead of the sent flag: both
    // messages come from point code 2.
    const auto Ours = Rows(RunDump({"--tsv", "--own-pc", "5,2", Written}));
    ASSERT_EQ(Ours.size(), 2u);
    EXPECT_EQ(Ours[0][rOut], "SLTM");
    EXPECT_EQ(Ours[1][rOut], "TFP");
    const auto Theirs = Rows(RunDump({"--tsv", "--own-pc", "0x3FFF", Written}));
    ASSERT_EQ(Theirs.size(), 2u);
    EXPECT_EQ(Theirs[0][rIn], "SLTM");
    EXPECT_EQ(Theirs[1][rIn], "TFP");
    const auto Aligned = SplitLines(RunDump({"--header", Written}).Out);
    ASSERT_EQ(Aligned.size(), 3u);
    EXPECT_EQ(Aligned[0].substr(0, 22), "PACKET  TIME          ");
    EXPECT_EQ(Aligned[1].substr(0, 22), "     1  9:05:03.012   ");
}

TEST(DumpPcap, WrongOptionsAndUnwritableOutput)
{
    EXPECT_EQ(RunDump({"--own-pc", "16384"}).Status, 2);
    EXPECT_EQ(RunDump({"--own-pc", "1,,2"}).Status, 2);
    EXPECT_EQ(RunDump({"--own-pc"}).Status, 2);
    EXPECT_EQ(RunDump({"-w"}).Status, 2);
    const auto Unwritable = RunDump({"-w", "/nonexistent/velmora/out.pcap"}, "81 01 80 00 30 11 00\n");
    EXPECT_EQ(Unwritable.Status, 1);
    EXPECT_NE(Unwritable.Err.find("/nonexistent/velmora/out.pcap: cannot be written"), std::string::npos)
        << Unwritable.Err;
    // Bare messages have no stamp: written at the start of 1970, and said so.
    const TTempFile Out("", "out.pcap");
    const auto Bare = RunDump({"-w", Out.Path()}, "81 01 80 00 30 11 00\n");
    EXPECT_EQ(Bare.Status, 0);
    EXPECT_NE(Bare.Err.find("1 messages written; 1 stamps that are no date and time"), std::string::npos) << Bare.Err;
}
