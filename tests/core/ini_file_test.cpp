// The INI reader and the state-file writer.
#include "core/IniFile.h"
#include "core/StringList.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

namespace {

std::vector<std::string> Lines(const TStringList& List)
{
    return List.Lines();
}

class TempFolder {
public:
    TempFolder()
    {
        const auto* Info = testing::UnitTest::GetInstance()->current_test_info();
        FPath =
            fs::temp_directory_path() / (std::string("velmora-ini-") + Info->test_suite_name() + "-" + Info->name());
        fs::remove_all(FPath);
        fs::create_directories(FPath);
    }
    ~TempFolder() { fs::remove_all(FPath); }
    std::string File(const std::string& Name) const { return (FPath / Name).string(); }
    void Write(const std::string& Name, const std::string& Text) const
    {
        std::ofstream(File(Name), std::ios::binary) << Text;
    }
    std::string Read(const std::string& Name) const
    {
        std::ifstream In(File(Name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>());
    }
    const fs::path& Path() const { return FPath; }

private:
    fs::path FPath;
};

} // namespace

TEST(IniFileRead, NamesIgnoreCaseAndBlanksAreTrimmed)
{
    const auto Ini = TIniFile::FromText("x.ini",
                                        "[General]\n  Caption   =   Sample number  \n"
                                        "[ Codes ]\nSampleNumber=200\n");
    EXPECT_EQ(Ini.ReadString("GENERAL", "caption", "-"), "Sample number");
    EXPECT_EQ(Ini.ReadString("codes", "SAMPLENUMBER", "-"), "200");
    EXPECT_EQ(Ini.ReadString("General", "Missing", "dflt"), "dflt");
    EXPECT_EQ(Ini.ReadString("Missing", "Caption", "dflt"), "dflt");
    EXPECT_TRUE(Ini.SectionExists("CODES"));
    EXPECT_FALSE(Ini.SectionExists("Cod"));
}

TEST(IniFileRead, OnePairOfEnclosingQuotesIsDropped)
{
    const auto Ini = TIniFile::FromText("x.ini",
                                        "[S]\n"
                                        "a=\"  padded  \"\n"
                                        "b='single'\n"
                                        "c=\"\"twice\"\"\n"
                                        "d=\"mixed'\n"
                                        "e=\"\n"
                                        "f=\"\"\n"
                                        "g=in \"middle\" only\n");
    EXPECT_EQ(Ini.ReadString("S", "a", "-"), "  padded  ");
    EXPECT_EQ(Ini.ReadString("S", "b", "-"), "single");
    EXPECT_EQ(Ini.ReadString("S", "c", "-"), "\"twice\"");
    EXPECT_EQ(Ini.ReadString("S", "d", "-"), "\"mixed'");
    EXPECT_EQ(Ini.ReadString("S", "e", "-"), "\"");
    EXPECT_EQ(Ini.ReadString("S", "f", "-"), "");
    EXPECT_EQ(Ini.ReadString("S", "g", "-"), "in \"middle\" only");
}

TEST(IniFileRead, AnyLineEndAndByteOrderMark)
{
    const auto Ini = TIniFile::FromText("x.ini", "\xEF\xBB\xBF[A]\r\nx=1\r\n[B]\ry=2\r[C]\nz=3");
    EXPECT_EQ(Ini.ReadString("A", "x", "-"), "1");
    EXPECT_EQ(Ini.ReadString("B", "y", "-"), "2");
    EXPECT_EQ(Ini.ReadString("C", "z", "-"), "3");
    EXPECT_EQ(Ini.ReadSections(), (std::vector<std::string>{"A", "B", "C"}));
}

TEST(IniFileRead, LinesThatAreNotKeysAreIgnored)
{
    const auto Ini = TIniFile::FromText("x.ini", "orphan=1\n[S]\n; note=3\njunk line\n=empty key\nk=v=w\n");
    EXPECT_EQ(Ini.ReadString("S", "k", "-"), "v=w");
    EXPECT_EQ(Ini.ReadString("S", "; note", "-"), "-");
    EXPECT_EQ(Ini.ReadSection("S"), (std::vector<std::string>{"k"}));
    EXPECT_EQ(Ini.ReadSections(), (std::vector<std::string>{"S"}));
}

TEST(IniFileRead, ValuesAreCutAt2047Characters)
{
    const std::string Long(3000, 'v');
    const auto Ini = TIniFile::FromText("x.ini",
                                        "[S]\nlong=" + Long + "\nexact=" + std::string(2047, 'e') + "\nquoted=\"" +
                                            std::string(2047, 'q') + "\"\n");
    EXPECT_EQ(Ini.ReadString("S", "long", ""), std::string(2047, 'v'));
    EXPECT_EQ(Ini.ReadString("S", "exact", ""), std::string(2047, 'e'));
    EXPECT_EQ(Ini.ReadString("S", "quoted", ""), std::string(2047, 'q'));
    TStringList Values;
    Ini.ReadSectionValues("S", Values);
    EXPECT_EQ(Values.Strings(0), "long=" + std::string(2047, 'v'));
}

TEST(IniFileRead, IntegersNeverRaise)
{
    const auto Ini = TIniFile::FromText("x.ini",
                                        "[S]\n"
                                        "dec=-42\nhex0x=0x1F\nupperhex=0XfF\nbare0x=0x\n"
                                        "dollar=$10\nxprefix=x10\nword=abc\nempty=\n"
                                        "big=4294967296\nwide=0x123456789\nsigned=0x-5\n"
                                        "quoted=\"12\"\n");
    EXPECT_EQ(Ini.ReadInteger("S", "dec", 7), -42);
    EXPECT_EQ(Ini.ReadInteger("S", "hex0x", 7), 31);
    EXPECT_EQ(Ini.ReadInteger("S", "upperhex", 7), 255);
    EXPECT_EQ(Ini.ReadInteger("S", "bare0x", 7), 7);
    EXPECT_EQ(Ini.ReadInteger("S", "dollar", 7), 16);
    EXPECT_EQ(Ini.ReadInteger("S", "xprefix", 7), 16);
    EXPECT_EQ(Ini.ReadInteger("S", "word", 7), 7);
    EXPECT_EQ(Ini.ReadInteger("S", "empty", 7), 7);
    EXPECT_EQ(Ini.ReadInteger("S", "big", 7), 7);
    EXPECT_EQ(Ini.ReadInteger("S", "wide", 7), 7);
    EXPECT_EQ(Ini.ReadInteger("S", "signed", 7), 7);
    EXPECT_EQ(Ini.ReadInteger("S", "quoted", 7), 12);
    EXPECT_EQ(Ini.ReadInteger("S", "absent", 7), 7);
    EXPECT_EQ(Ini.ReadInteger("Nope", "dec", 7), 7);
}

TEST(IniFileRead, RepeatedNamesAnswerWithTheFirst)
{
    const auto Ini = TIniFile::FromText("x.ini", "[S]\nX=1\nY=5\nx=2\n[T]\nZ=9\n[s]\nX=3\nW=4\n");
    EXPECT_EQ(Ini.ReadString("S", "X", "-"), "1");
    // Keys of a later section of the same name are not reached.
    EXPECT_EQ(Ini.ReadString("S", "W", "-"), "-");
    EXPECT_EQ(Ini.ReadSections(), (std::vector<std::string>{"S", "T", "s"}));
    TStringList Values;
    Ini.ReadSectionValues("s", Values);
    EXPECT_EQ(Lines(Values), (std::vector<std::string>{"X=1", "Y=5", "x=1"}));
}

TEST(IniFileRead, NameListsAreCutAt16384CharactersWithTerminators)
{
    // 4 names of 4095 characters take 4 x 4096 = 16384: all fit exactly.
    auto Name = [](char C, size_t N) { return std::string(N, C); };
    std::string Exact = "[S]\n";
    for (char C : std::string("abcd"))
        Exact += Name(C, 4095) + "=" + C + "\n";
    auto Ini = TIniFile::FromText("x.ini", Exact);
    EXPECT_EQ(Ini.ReadSection("S").size(), 4u);

    // One character more in the last name passes the limit: that name and
    // every later one are dropped whole, earlier ones stay.
    std::string Over = "[S]\n" + Name('a', 4095) + "=1\n" + Name('b', 4095) + "=2\n" + Name('c', 4095) + "=3\n" +
        Name('d', 4096) + "=4\nz=5\n";
    Ini = TIniFile::FromText("x.ini", Over);
    const auto Keys = Ini.ReadSection("S");
    ASSERT_EQ(Keys.size(), 3u);
    EXPECT_EQ(Keys[2], Name('c', 4095));
    TStringList Values;
    Ini.ReadSectionValues("S", Values);
    EXPECT_EQ(Values.Count(), 3);
    // The dropped keys are still there for a direct read.
    EXPECT_EQ(Ini.ReadString("S", "z", "-"), "5");

    // Section names are cut the same way.
    std::string Sections;
    for (int I = 0; I < 2000; ++I)
        Sections += "[Section" + std::to_string(1000 + I) + "]\n"; // 11 + 1 each
    Ini = TIniFile::FromText("x.ini", Sections);
    const auto Names = Ini.ReadSections();
    EXPECT_EQ(Names.size(), 16384u / 12u);
    EXPECT_EQ(Names.back(), "Section" + std::to_string(1000 + 16384 / 12 - 1));
}

TEST(IniFileRead, MissingFileReadsAsEmptyAndIsNotCreated)
{
    TempFolder Folder;
    const std::string Path = Folder.File("absent.ini");
    const TIniFile Ini(Path);
    EXPECT_FALSE(Ini.Exists());
    EXPECT_EQ(Ini.ReadString("S", "k", "d"), "d");
    EXPECT_EQ(Ini.ReadInteger("S", "k", 3), 3);
    EXPECT_TRUE(Ini.ReadSections().empty());
    TStringList Values;
    Values.Add("stale=1");
    Ini.ReadSectionValues("S", Values);
    EXPECT_EQ(Values.Count(), 0);
    EXPECT_FALSE(fs::exists(Path));
    // A folder is not a file either.
    EXPECT_FALSE(TIniFile(Folder.Path().string()).Exists());
}

TEST(IniFileRead, ReadsAFileFromDisk)
{
    TempFolder Folder;
    Folder.Write("a.ini", "[Codes]\r\nSampleMsg=250\r\n");
    const TIniFile Ini(Folder.File("a.ini"));
    EXPECT_TRUE(Ini.Exists());
    EXPECT_EQ(Ini.ReadInteger("codes", "samplemsg", 0), 250);
}

TEST(IniWriter, UpdatesAndInsertsKeepingOtherLines)
{
    TempFolder Folder;
    Folder.Write("State.ini", "; window state\r\n[CaptureForm]\r\nLeft=10\r\nTop=20\r\n\r\n[Other]\r\nKeep=yes\r\n");
    TIniWriter Writer(Folder.File("State.ini"));
    Writer.WriteInteger("captureform", "LEFT", 15);
    Writer.WriteString("CaptureForm", "Width", "640");
    Writer.WriteString("New", "Host", "10.0.0.1");
    Writer.UpdateFile();
    EXPECT_EQ(Folder.Read("State.ini"),
              "; window state\r\n[CaptureForm]\r\nLEFT=15\r\nTop=20\r\nWidth=640\r\n\r\n"
              "[Other]\r\nKeep=yes\r\n\r\n[New]\r\nHost=10.0.0.1\r\n");
    EXPECT_FALSE(fs::exists(Folder.File("State.ini.tmp")));
}

TEST(IniWriter, CreatesAMissingFileAndRoundTripsAwkwardValues)
{
    TempFolder Folder;
    const std::string Path = Folder.File("State.ini");
    WriteIniString(Path, "Options", "Host", "  spaced  ");
    WriteIniString(Path, "Options", "Quoted", "'q'");
    WriteIniString(Path, "Options", "Empty", "");
    WriteIniString(Path, "Options", "Host", "  again ");
    const TIniFile Ini(Path);
    EXPECT_EQ(Ini.ReadString("Options", "Host", "-"), "  again ");
    EXPECT_EQ(Ini.ReadString("Options", "Quoted", "-"), "'q'");
    EXPECT_EQ(Ini.ReadString("Options", "Empty", "-"), "");
    EXPECT_EQ(Ini.ReadSection("Options"), (std::vector<std::string>{"Host", "Quoted", "Empty"}));
}

TEST(IniWriter, KeepsLfLineEndsOfAnLfFile)
{
    TempFolder Folder;
    Folder.Write("s.ini", "[A]\nx=1\n");
    WriteIniString(Folder.File("s.ini"), "A", "y", "2");
    EXPECT_EQ(Folder.Read("s.ini"), "[A]\nx=1\ny=2\n");
}

TEST(IniWriter, FindsTheFirstSectionBehindAByteOrderMark)
{
    // The reader skips the mark, so a writer that did not would append a
    // second [S] whose values the reader never answers with.
    TempFolder Folder;
    Folder.Write("s.ini", "\xEF\xBB\xBF[S]\r\nK=old\r\n");
    WriteIniString(Folder.File("s.ini"), "S", "K", "new");
    EXPECT_EQ(Folder.Read("s.ini"), "\xEF\xBB\xBF[S]\r\nK=new\r\n");
    EXPECT_EQ(TIniFile(Folder.File("s.ini")).ReadString("S", "K", "-"), "new");

    // A mark alone is an empty file that keeps its mark.
    TIniWriter Writer = TIniWriter::FromText("m.ini", "\xEF\xBB\xBF");
    Writer.WriteString("A", "x", "1");
    EXPECT_EQ(Writer.Text(), "\xEF\xBB\xBF[A]\r\nx=1\r\n");
}

TEST(IniWriter, RefusesTextsThatWouldBreakTheFile)
{
    TempFolder Folder;
    TIniWriter Writer(Folder.File("s.ini"));
    EXPECT_THROW(Writer.WriteString("A", "k", "two\nlines"), EIniFileException);
    EXPECT_THROW(Writer.WriteString("A", "k=v", "x"), EIniFileException);
    EXPECT_THROW(Writer.WriteString("A]", "k", "x"), EIniFileException);
    EXPECT_THROW(Writer.WriteString("A", " ", "x"), EIniFileException);
    EXPECT_EQ(Writer.Text(), "");
}

TEST(IniWriter, ReportsAFileThatCannotBeReplaced)
{
    TempFolder Folder;
    const std::string Path = (Folder.Path() / "no-such-folder" / "s.ini").string();
    try {
        WriteIniString(Path, "A", "k", "v");
        FAIL() << "no error raised";
    } catch (const EIniFileException& E) {
        EXPECT_EQ(E.Message(), "Unable to write to " + Path);
    }
}
