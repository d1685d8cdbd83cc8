// The INI reader and the state-file writer. The input is an INI text, then a
// section, a key and a value, separated by NUL octets. Everything the reader
// answers is asked for; the writer sets the key, and the reader must then
// answer the value written and everything else exactly as before.
#include "core/IniFile.h"
#include "core/StringList.h"
#include "fuzz/FuzzSupport.h"

#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

namespace {

std::string Lower(std::string_view Text)
{
    std::string Result(Text);
    for (char& C : Result)
        C = static_cast<char>(std::tolower(static_cast<unsigned char>(C)));
    return Result;
}

std::string_view Trim(std::string_view Text)
{
    while (!Text.empty() && (Text.front() == ' ' || Text.front() == '\t'))
        Text.remove_prefix(1);
    while (!Text.empty() && (Text.back() == ' ' || Text.back() == '\t'))
        Text.remove_suffix(1);
    return Text;
}

// Every (section, key) the reader lists, with the value it answers, keyed
// by the names as the reader compares them.
using TAnswers = std::map<std::pair<std::string, std::string>, std::string>;

TAnswers ReadEverything(const TIniFile& Ini)
{
    TAnswers Answers;
    for (const std::string& Section : Ini.ReadSections()) {
        TStringList Lines;
        Ini.ReadSectionValues(Section, Lines);
        for (const std::string& Key : Ini.ReadSection(Section)) {
            const std::string Value = Ini.ReadString(Section, Key, "");
            Ini.ReadInteger(Section, Key, 0);
            Answers.try_emplace({Lower(Trim(Section)), Lower(Trim(Key))}, Value);
        }
        Ini.SectionExists(Section);
    }
    return Answers;
}

[[noreturn]] void Fail(const char* What, const std::string& Section, const std::string& Key)
{
    std::fprintf(stderr, "check failed: %s: [%s] %s\n", What, Section.c_str(), Key.c_str());
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    const std::string_view Input(reinterpret_cast<const char*>(Data), Size);
    const std::vector<std::string_view> Pieces = SplitInput(Input, std::string_view("\0", 1), 4);
    const std::string_view Text = Pieces[0];
    const TIniFile Before = TIniFile::FromText("f.ini", Text);
    const TAnswers Old = ReadEverything(Before);
    if (Pieces.size() < 4)
        return 0;
    const std::string Section(Pieces[1]);
    const std::string Key(Pieces[2]);
    const std::string Value(Pieces[3]);

    TIniWriter Writer = TIniWriter::FromText("f.ini", Text);
    try {
        Writer.WriteString(Section, Key, Value);
    } catch (const EIniFileException&) {
        return 0;
    }
    const TIniFile After = TIniFile::FromText("f.ini", Writer.Text());
    if (After.ReadString(Section, Key, "\x01-") != Value.substr(0, IniMaxValueLength))
        Fail("the value written does not read back", Section, Key);
    const std::pair<std::string, std::string> Written{Lower(Trim(Section)), Lower(Trim(Key))};
    for (const auto& [Names, Answer] : Old)
        if (Names != Written && After.ReadString(Names.first, Names.second, "\x01-") != Answer)
            Fail("another key changed", Names.first, Names.second);
    return 0;
}
