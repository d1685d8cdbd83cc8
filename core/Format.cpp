#include "core/Format.h"

#include <cstdarg>
#include <cstdio>

std::string Format(const char* Pattern, ...)
{
    char Small[256];
    va_list Args;
    va_start(Args, Pattern);
    va_list Again;
    va_copy(Again, Args);
    const int Needed = std::vsnprintf(Small, sizeof Small, Pattern, Args);
    va_end(Args);
    std::string Result;
    if (Needed < 0) {
        va_end(Again);
        return Result;
    }
    if (static_cast<size_t>(Needed) < sizeof Small) {
        Result.assign(Small, static_cast<size_t>(Needed));
    } else {
        Result.resize(static_cast<size_t>(Needed));
        std::vsnprintf(Result.data(), Result.size() + 1, Pattern, Again);
    }
    va_end(Again);
    return Result;
}

void AppendDecimal(std::string& Text, uint64_t Value, int MinDigits)
{
    // The digits from the last one back, then pushed one by one: a number
    // is a few digits, and push_back is cheaper than any call for them.
    char Digits[20];
    int Count = 0;
    do {
        Digits[Count++] = static_cast<char>('0' + Value % 10);
        Value /= 10;
    } while (Value != 0);
    for (int Zeros = Count; Zeros < MinDigits; ++Zeros)
        Text.push_back('0');
    while (Count > 0)
        Text.push_back(Digits[--Count]);
}
