#include "core/Words.h"

namespace {

TCharSet MakeSet(std::string_view Members, bool WithControls)
{
    TCharSet Set;
    if (WithControls)
        for (int C = 0; C <= 32; ++C)
            Set.set(static_cast<size_t>(C));
    for (char C : Members)
        Set.set(static_cast<unsigned char>(C));
    return Set;
}

} // namespace

const TCharSet StandardDelimiters = MakeSet(StandardDelimiterMarks, true);
const TCharSet BracketDelimiters = MakeSet("()[]{}", false);

int CountWords(std::string_view Text, const TCharSet& Delimiters)
{
    int Count = 0;
    bool InWord = false;
    for (char C : Text) {
        const bool Delimiter = IsDelimiter(C, Delimiters);
        if (!Delimiter && !InWord)
            ++Count;
        InWord = !Delimiter;
    }
    return Count;
}

std::string NthWord(int N, std::string_view Text, const TCharSet& Delimiters)
{
    if (N < 1)
        return {};
    int Count = 0;
    size_t I = 0;
    while (I < Text.size()) {
        while (I < Text.size() && IsDelimiter(Text[I], Delimiters))
            ++I;
        if (I >= Text.size())
            break;
        const size_t Start = I;
        while (I < Text.size() && !IsDelimiter(Text[I], Delimiters))
            ++I;
        if (++Count == N)
            return std::string(Text.substr(Start, I - Start));
    }
    return {};
}
