// INI texts: a reader that loads a file once into memory and answers the
// profile reads the definition files need, and a small writer that updates
// single keys of a file (the state file) and replaces it atomically.
#pragma once

#include "core/Exception.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class TStringList;

// Values longer than this are cut to it.
inline constexpr size_t IniMaxValueLength = 2047;
// The name lists (section names, the keys behind section values) hold at most
// this many characters, counting one terminator after each name.
inline constexpr size_t IniMaxNameListLength = 16384;

// A read-only INI text. Section and key names are compared without regard
// to letter case; blanks around keys and values are dropped and a value
// enclosed in one pair of double or single quotes loses them. Lines may end
// in CR, LF or CR LF. Lines outside any section, lines without "=", empty
// keys and comment lines starting with ";" are ignored. A missing or
// unreadable file reads as empty; reading never creates or writes a file.
class TIniFile {
public:
    explicit TIniFile(std::string FileName);
    // Parses Text as the content of a file named FileName.
    static TIniFile FromText(std::string FileName, std::string_view Text);

    const std::string& FileName() const { return FFileName; }
    // Whether the file could be read when the object was made.
    bool Exists() const { return FExists; }

    // The value of Key in Section, or Default when either is absent. When a
    // section or key occurs more than once, the first occurrence answers.
    std::string ReadString(std::string_view Section, std::string_view Key, std::string_view Default) const;
    // The value as an integer: a text longer than 2 characters starting with
    // "0x" or "0X" is read as hexadecimal after that prefix, any other text
    // by the standard conversion. An absent key or a text that does not
    // convert gives Default; never raises.
    int32_t ReadInteger(std::string_view Section, std::string_view Key, int32_t Default) const;
    bool SectionExists(std::string_view Section) const;
    // Whether Section holds Key (with any value, the empty one included).
    bool ValueExists(std::string_view Section, std::string_view Key) const;

    // Every section name in file order (a repeated section appears each
    // time), cut to IniMaxNameListLength.
    std::vector<std::string> ReadSections() const;
    // Every key of the section in file order, cut to IniMaxNameListLength.
    std::vector<std::string> ReadSection(std::string_view Section) const;
    // One line key=value per key of ReadSection, the value being what
    // ReadString returns for the key: a repeated key yields its first value.
    void ReadSectionValues(std::string_view Section, TStringList& Lines) const;

private:
    struct TEntry {
        std::string Key;
        std::string Value;
    };
    struct TSection {
        std::string Name;
        std::vector<TEntry> Entries;
        // Lower-case key -> index of its first entry.
        std::unordered_map<std::string, size_t> FirstEntry;
    };

    TIniFile() = default;
    void Parse(std::string_view Text);
    const TSection* FindSection(std::string_view Name) const;
    const TEntry* FindEntry(const TSection& Section, std::string_view Key) const;

    std::string FFileName;
    bool FExists = false;
    std::vector<TSection> FSections;
    // Lower-case section name -> index of its first occurrence.
    std::unordered_map<std::string, size_t> FFirstSection;
};

// Raised when the writer cannot replace its file.
class EIniFileException : public Exception {
public:
    using Exception::Exception;
};

// Updates keys of an INI file while keeping every other line as it was.
// The file is read when the writer is made (a missing file starts empty) and
// written by UpdateFile through a temporary file renamed over the original,
// so a reader never sees a half-written file.
class TIniWriter {
public:
    explicit TIniWriter(std::string FileName);
    // A writer over Text as the content of a file named FileName.
    static TIniWriter FromText(std::string FileName, std::string_view Text);

    const std::string& FileName() const { return FFileName; }

    // Sets Key in Section: the first line of that key in the first section
    // of that name is replaced; a missing key is added after the section's
    // last key, a missing section is appended. A value with blanks at
    // either end or enclosed in quotes is quoted so that it reads back as
    // given. Raises EIniFileException for names or values holding a line
    // break, a key holding "=" or starting with "[" or ";", or a section
    // name holding "]".
    void WriteString(std::string_view Section, std::string_view Key, std::string_view Value);
    void WriteInteger(std::string_view Section, std::string_view Key, int32_t Value);
    // Writes the lines to the file; raises EIniFileException
    // "Unable to write to %s" when the file cannot be replaced.
    void UpdateFile() const;

    // The current text, as UpdateFile would write it.
    std::string Text() const;

private:
    TIniWriter() = default;
    void Load(std::string_view Text);

    std::string FFileName;
    // A UTF-8 byte order mark the file started with, written back in front.
    std::string FByteOrderMark;
    std::vector<std::string> FLines;
    std::string FLineEnd = "\r\n";
};

// Reads FileName, sets one key and writes the file back atomically.
void WriteIniString(const std::string& FileName, std::string_view Section, std::string_view Key,
                    std::string_view Value);
