// Word splitting under a set of delimiter characters.
#pragma once

#include <bitset>
#include <string>
#include <string_view>

using TCharSet = std::bitset<256>;

// The marks among the standard delimiters; the others are the control
// characters and the blank (codes 0 to 32).
inline constexpr std::string_view StandardDelimiterMarks = "\"'(),./:;[\\]`{}";
// Every control character and the blank, and " ' ( ) , . / : ; [ \ ] ` { }.
extern const TCharSet StandardDelimiters;
// The six brackets ( ) [ ] { }.
extern const TCharSet BracketDelimiters;

inline bool IsDelimiter(char C, const TCharSet& Delimiters)
{
    return Delimiters.test(static_cast<unsigned char>(C));
}

// The number of words: maximal runs of characters outside Delimiters.
int CountWords(std::string_view Text, const TCharSet& Delimiters);
// The N-th word, counting from 1; empty when N < 1 or there are fewer words.
std::string NthWord(int N, std::string_view Text, const TCharSet& Delimiters);
