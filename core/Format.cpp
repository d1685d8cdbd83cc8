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
