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

char* PutDecimal(char* Out, uint64_t Value, int MinDigits)
{
    char Digits[20];
    int Count = 0;
    do {
        Digits[Count++] = static_cast<char>('0' + Value % 10);
        Value /= 10;
    } while (Value != 0);
    for (int Zeros = Count; Zeros < MinDigits; ++Zeros)
        *Out++ = '0';
    while (Count > 0)
        *Out++ = Digits[--Count];
    return Out;
}

void AppendDecimal(std::string& Text, uint64_t Value, int MinDigits)
{
    // Made in place and appended in one go: a character pushed at a time
    // costs a call each where push_back is not inlined.
    char Buffer[20];
    const char* End = PutDecimal(Buffer, Value, 0);
    const auto Digits = static_cast<int>(End - Buffer);
    if (MinDigits > Digits)
        Text.append(static_cast<size_t>(MinDigits - Digits), '0');
    Text.append(Buffer, static_cast<size_t>(End - Buffer));
}
