// String lists of name=value lines.
#pragma once

#include "core/Words.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// An ordered list of lines. A line name=value has the name before its first
// "=" and the value after it; name lookup ignores letter case.
class TStringList {
public:
    int Count() const { return static_cast<int>(FLines.size()); }
    const std::string& Strings(int I) const { return FLines.at(static_cast<size_t>(I)); }
    void Add(std::string Line) { FLines.push_back(std::move(Line)); }
    void Clear() { FLines.clear(); }

    std::string Names(int I) const;
    // The value of the first line named Name, or empty.
    std::string Values(std::string_view Name) const;
    int IndexOfName(std::string_view Name) const;

    const std::vector<std::string>& Lines() const { return FLines; }

private:
    std::vector<std::string> FLines;
};

// A string list with the conveniences the definition files need.
class TNewStringList : public TStringList {
public:
    // The value of the FIRST line bearing the name of line I: for a
    // repeated name every one of its lines yields the first line's value.
    std::string ValueFromIndex(int I) const;
    // ValueFromIndex(I) by the standard conversion; raises its error.
    int32_t IntegerFromIndex(int I) const;
    // Appends each word of Text as a line of its own.
    void AddWords(std::string_view Text, const TCharSet& Delimiters);
};

// Letter-case-blind comparison of ASCII texts.
bool SameText(std::string_view A, std::string_view B);
