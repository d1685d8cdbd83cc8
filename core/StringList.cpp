#include "core/StringList.h"

#include "core/Convert.h"

#include <cctype>

bool SameText(std::string_view A, std::string_view B)
{
    if (A.size() != B.size())
        return false;
    for (size_t I = 0; I < A.size(); ++I)
        if (std::tolower(static_cast<unsigned char>(A[I])) != std::tolower(static_cast<unsigned char>(B[I])))
            return false;
    return true;
}

std::string TStringList::Names(int I) const
{
    const std::string& Line = Strings(I);
    const size_t Eq = Line.find('=');
    return Eq == std::string::npos ? std::string() : Line.substr(0, Eq);
}

int TStringList::IndexOfName(std::string_view Name) const
{
    for (int I = 0; I < Count(); ++I) {
        const std::string& Line = FLines[static_cast<size_t>(I)];
        const size_t Eq = Line.find('=');
        if (Eq != std::string::npos && SameText(std::string_view(Line).substr(0, Eq), Name))
            return I;
    }
    return -1;
}

std::string TStringList::Values(std::string_view Name) const
{
    const int I = IndexOfName(Name);
    if (I < 0)
        return {};
    const std::string& Line = FLines[static_cast<size_t>(I)];
    return Line.substr(Line.find('=') + 1);
}

std::string TNewStringList::ValueFromIndex(int I) const
{
    return Values(Names(I));
}

int32_t TNewStringList::IntegerFromIndex(int I) const
{
    return StrToInt(ValueFromIndex(I));
}

void TNewStringList::AddWords(std::string_view Text, const TCharSet& Delimiters)
{
    const int N = CountWords(Text, Delimiters);
    for (int I = 1; I <= N; ++I)
        Add(NthWord(I, Text, Delimiters));
}
