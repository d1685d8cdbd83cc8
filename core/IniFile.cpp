#include "core/IniFile.h"

#include "core/Convert.h"
#include "core/Format.h"
#include "core/StringList.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

namespace {

bool IsBlank(char C)
{
    return C == ' ' || C == '\t';
}

std::string_view Trim(std::string_view Text)
{
    while (!Text.empty() && IsBlank(Text.front()))
        Text.remove_prefix(1);
    while (!Text.empty() && IsBlank(Text.back()))
        Text.remove_suffix(1);
    return Text;
}

std::string Lower(std::string_view Text)
{
    std::string Result(Text);
    for (char& C : Result)
        C = static_cast<char>(std::tolower(static_cast<unsigned char>(C)));
    return Result;
}

// The length of the UTF-8 byte order mark that starts Text, or 0.
size_t ByteOrderMarkLength(std::string_view Text)
{
    return Text.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
}

// The whole of a regular file, in as few reads as its size allows: a
// definition set is a hundred small files read at every start.
bool ReadWholeFile(const std::string& FileName, std::string& Text)
{
    // Not blocking on a FIFO, which is no file to read.
    const int Fd = ::open(FileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (Fd < 0)
        return false;
    struct stat Info {};
    bool Read = ::fstat(Fd, &Info) == 0 && S_ISREG(Info.st_mode);
    if (Read) {
        // One octet more than the size, so that the end is seen at once;
        // a file that grows meanwhile is read to its new end.
        Text.resize(static_cast<size_t>(Info.st_size) + 1);
        size_t Used = 0;
        for (;;) {
            if (Used == Text.size())
                Text.resize(2 * Text.size());
            const ssize_t Got = ::read(Fd, Text.data() + Used, Text.size() - Used);
            if (Got < 0 && errno == EINTR)
                continue;
            if (Got <= 0) {
                Read = Got == 0;
                break;
            }
            Used += static_cast<size_t>(Got);
        }
        Text.resize(Used);
    }
    ::close(Fd);
    return Read;
}

// Splits at CR, LF and CR LF.
std::vector<std::string_view> SplitLines(std::string_view Text)
{
    std::vector<std::string_view> Lines;
    size_t Start = 0;
    for (size_t I = 0; I < Text.size(); ++I) {
        if (Text[I] != '\r' && Text[I] != '\n')
            continue;
        Lines.push_back(Text.substr(Start, I - Start));
        if (Text[I] == '\r' && I + 1 < Text.size() && Text[I + 1] == '\n')
            ++I;
        Start = I + 1;
    }
    if (Start < Text.size())
        Lines.push_back(Text.substr(Start));
    return Lines;
}

// A line of an INI text: a section header, a key line, or anything else.
struct TLine {
    enum { Other, Section, Key } Kind = Other;
    std::string_view Name;  // section name or key, trimmed
    std::string_view Value; // trimmed, quotes still on
};

TLine ClassifyLine(std::string_view Raw)
{
    TLine Line;
    const std::string_view Text = Trim(Raw);
    if (Text.empty() || Text.front() == ';')
        return Line;
    if (Text.front() == '[') {
        const size_t Close = Text.find(']');
        Line.Kind = TLine::Section;
        Line.Name = Trim(Text.substr(1, Close == std::string_view::npos ? std::string_view::npos : Close - 1));
        return Line;
    }
    const size_t Eq = Text.find('=');
    if (Eq == std::string_view::npos)
        return Line;
    Line.Name = Trim(Text.substr(0, Eq));
    if (Line.Name.empty())
        return Line;
    Line.Kind = TLine::Key;
    Line.Value = Trim(Text.substr(Eq + 1));
    return Line;
}

std::string CleanValue(std::string_view Value)
{
    if (Value.size() >= 2 && (Value.front() == '"' || Value.front() == '\'') && Value.back() == Value.front())
        Value = Value.substr(1, Value.size() - 2);
    if (Value.size() > IniMaxValueLength)
        Value = Value.substr(0, IniMaxValueLength);
    return std::string(Value);
}

// Keeps the names that fit, with one terminator each, into the list limit:
// the first name that would pass it and every name after it are dropped.
template <class TGetName, class TItems> std::vector<std::string> CutNameList(const TItems& Items, TGetName GetName)
{
    std::vector<std::string> Names;
    size_t Used = 0;
    for (const auto& Item : Items) {
        const std::string& Name = GetName(Item);
        if (Used + Name.size() + 1 > IniMaxNameListLength)
            break;
        Used += Name.size() + 1;
        Names.push_back(Name);
    }
    return Names;
}

} // namespace

TIniFile::TIniFile(std::string FileName)
    : FFileName(std::move(FileName))
{
    std::string Text;
    FExists = ReadWholeFile(FFileName, Text);
    if (FExists)
        Parse(Text);
}

TIniFile TIniFile::FromText(std::string FileName, std::string_view Text)
{
    TIniFile File;
    File.FFileName = std::move(FileName);
    File.FExists = true;
    File.Parse(Text);
    return File;
}

void TIniFile::Parse(std::string_view Text)
{
    // A UTF-8 byte order mark would otherwise glue itself to the first name.
    Text.remove_prefix(ByteOrderMarkLength(Text));
    TSection* Current = nullptr;
    for (std::string_view Raw : SplitLines(Text)) {
        const TLine Line = ClassifyLine(Raw);
        if (Line.Kind == TLine::Section) {
            FSections.push_back(TSection{std::string(Line.Name), {}, {}});
            Current = &FSections.back();
            FFirstSection.try_emplace(Lower(Line.Name), FSections.size() - 1);
        } else if (Line.Kind == TLine::Key && Current) {
            Current->Entries.push_back(TEntry{std::string(Line.Name), CleanValue(Line.Value)});
            Current->FirstEntry.try_emplace(Lower(Line.Name), Current->Entries.size() - 1);
        }
    }
}

const TIniFile::TSection* TIniFile::FindSection(std::string_view Name) const
{
    const auto Found = FFirstSection.find(Lower(Trim(Name)));
    return Found == FFirstSection.end() ? nullptr : &FSections[Found->second];
}

const TIniFile::TEntry* TIniFile::FindEntry(const TSection& Section, std::string_view Key) const
{
    const auto Found = Section.FirstEntry.find(Lower(Trim(Key)));
    return Found == Section.FirstEntry.end() ? nullptr : &Section.Entries[Found->second];
}

std::string TIniFile::ReadString(std::string_view Section, std::string_view Key, std::string_view Default) const
{
    if (const TSection* Found = FindSection(Section))
        if (const TEntry* Entry = FindEntry(*Found, Key))
            return Entry->Value;
    return std::string(Default);
}

int32_t TIniFile::ReadInteger(std::string_view Section, std::string_view Key, int32_t Default) const
{
    const TSection* Found = FindSection(Section);
    const TEntry* Entry = Found ? FindEntry(*Found, Key) : nullptr;
    if (!Entry)
        return Default;
    const std::string& Text = Entry->Value;
    std::optional<int32_t> Value;
    if (Text.size() > 2 && Text[0] == '0' && (Text[1] == 'x' || Text[1] == 'X'))
        Value = TryStrToInt("$" + Text.substr(2));
    else
        Value = TryStrToInt(Text);
    return Value.value_or(Default);
}

bool TIniFile::SectionExists(std::string_view Section) const
{
    return FindSection(Section) != nullptr;
}

bool TIniFile::ValueExists(std::string_view Section, std::string_view Key) const
{
    const TSection* Found = FindSection(Section);
    return Found && FindEntry(*Found, Key);
}

std::vector<std::string> TIniFile::ReadSections() const
{
    return CutNameList(FSections, [](const TSection& S) -> const std::string& { return S.Name; });
}

std::vector<std::string> TIniFile::ReadSection(std::string_view Section) const
{
    const TSection* Found = FindSection(Section);
    if (!Found)
        return {};
    return CutNameList(Found->Entries, [](const TEntry& E) -> const std::string& { return E.Key; });
}

void TIniFile::ReadSectionValues(std::string_view Section, TStringList& Lines) const
{
    Lines.Clear();
    const TSection* Found = FindSection(Section);
    if (!Found)
        return;
    for (const std::string& Key : ReadSection(Section))
        Lines.Add(Key + "=" + FindEntry(*Found, Key)->Value);
}

// ---------------------------------------------------------------------------

TIniWriter::TIniWriter(std::string FileName)
    : FFileName(std::move(FileName))
{
    std::string Text;
    if (ReadWholeFile(FFileName, Text))
        Load(Text);
}

TIniWriter TIniWriter::FromText(std::string FileName, std::string_view Text)
{
    TIniWriter Writer;
    Writer.FFileName = std::move(FileName);
    Writer.Load(Text);
    return Writer;
}

void TIniWriter::Load(std::string_view Text)
{
    if (Text.find('\n') != std::string_view::npos && Text.find("\r\n") == std::string_view::npos)
        FLineEnd = "\n";
    // The mark stays at the front of the file, but the lines behind it are
    // read as the reader reads them, so its first section header is found.
    const size_t Mark = ByteOrderMarkLength(Text);
    FByteOrderMark = Text.substr(0, Mark);
    for (std::string_view Line : SplitLines(Text.substr(Mark)))
        FLines.emplace_back(Line);
}

void TIniWriter::WriteString(std::string_view Section, std::string_view Key, std::string_view Value)
{
    auto HasBreak = [](std::string_view Text) { return Text.find_first_of("\r\n") != std::string_view::npos; };
    const std::string_view CleanKey = Trim(Key);
    const std::string_view CleanSection = Trim(Section);
    if (HasBreak(Section) || HasBreak(Key) || HasBreak(Value) || CleanKey.empty() ||
        CleanKey.find('=') != std::string_view::npos || CleanKey.front() == '[' || CleanKey.front() == ';' ||
        CleanSection.find(']') != std::string_view::npos)
        throw EIniFileException(Format("Unable to write to %s", FFileName.c_str()));

    std::string Stored(Value);
    const bool Quoted =
        Value.size() >= 2 && (Value.front() == '"' || Value.front() == '\'') && Value.back() == Value.front();
    if (!Value.empty() && (IsBlank(Value.front()) || IsBlank(Value.back()) || Quoted))
        Stored = "\"" + Stored + "\"";
    const std::string NewLine = std::string(CleanKey) + "=" + Stored;

    // Locate the first section of that name, and in it the first line of the key.
    size_t SectionLine = FLines.size();
    for (size_t I = 0; I < FLines.size(); ++I) {
        const TLine Line = ClassifyLine(FLines[I]);
        if (Line.Kind == TLine::Section && SameText(Line.Name, CleanSection)) {
            SectionLine = I;
            break;
        }
    }
    if (SectionLine == FLines.size()) {
        if (!FLines.empty() && !Trim(FLines.back()).empty())
            FLines.emplace_back();
        FLines.push_back("[" + std::string(CleanSection) + "]");
        FLines.push_back(NewLine);
        return;
    }
    size_t InsertAt = SectionLine + 1;
    for (size_t I = SectionLine + 1; I < FLines.size(); ++I) {
        const TLine Line = ClassifyLine(FLines[I]);
        if (Line.Kind == TLine::Section)
            break;
        if (Line.Kind != TLine::Key)
            continue;
        if (SameText(Line.Name, CleanKey)) {
            FLines[I] = NewLine;
            return;
        }
        InsertAt = I + 1;
    }
    FLines.insert(FLines.begin() + static_cast<std::ptrdiff_t>(InsertAt), NewLine);
}

void TIniWriter::WriteInteger(std::string_view Section, std::string_view Key, int32_t Value)
{
    WriteString(Section, Key, std::to_string(Value));
}

std::string TIniWriter::Text() const
{
    std::string Result = FByteOrderMark;
    for (const std::string& Line : FLines)
        Result += Line + FLineEnd;
    return Result;
}

void TIniWriter::UpdateFile() const
{
    namespace fs = std::filesystem;
    const fs::path Target(FFileName);
    fs::path Temporary = Target;
    Temporary += ".tmp";
    bool Written = false;
    {
        std::ofstream Out(Temporary, std::ios::binary | std::ios::trunc);
        if (Out) {
            const std::string Content = Text();
            Out.write(Content.data(), static_cast<std::streamsize>(Content.size()));
            Out.flush();
            Written = Out.good();
        }
    }
    std::error_code Error;
    if (Written)
        fs::rename(Temporary, Target, Error);
    if (!Written || Error) {
        fs::remove(Temporary, Error);
        throw EIniFileException(Format("Unable to write to %s", FFileName.c_str()));
    }
}

void WriteIniString(const std::string& FileName, std::string_view Section, std::string_view Key, std::string_view Value)
{
    TIniWriter Writer(FileName);
    Writer.WriteString(Section, Key, Value);
    Writer.UpdateFile();
}
