#include "presentation/TextLines.h"

#include <cerrno>
#include <cstring>

bool NextLine(std::string_view Text, size_t& Position, std::string_view& Line, bool Final)
{
    const size_t Size = Text.size();
    if (Position >= Size)
        return false;
    // The first LF, then a CR before it: two memchr scans find the line's
    // end many times faster than a loop over every character.
    const char* const Start = Text.data() + Position;
    const char* Found = static_cast<const char*>(std::memchr(Start, '\n', Size - Position));
    const size_t Span = Found ? static_cast<size_t>(Found - Start) : Size - Position;
    if (const auto* Cr = static_cast<const char*>(std::memchr(Start, '\r', Span)))
        Found = Cr;
    size_t End = Found ? static_cast<size_t>(Found - Text.data()) : Size;
    size_t Next = End;
    if (End < Size) {
        ++Next;
        if (Text[End] == '\r') {
            if (Next < Size) {
                if (Text[Next] == '\n')
                    ++Next;
            } else if (!Final) {
                return false;
            }
        }
    } else if (!Final) {
        return false;
    }
    Line = Text.substr(Position, End - Position);
    Position = Next;
    return true;
}

size_t TLineSplitter::Count(std::string_view Text)
{
    // Line ends are LFs and CRs, a CR LF pair counting once; memchr finds
    // them many times faster than a loop over every character.
    const char* const End = Text.data() + Text.size();
    size_t Ends = 0;
    for (const char* P = Text.data(); (P = static_cast<const char*>(std::memchr(P, '\n', End - P))); ++P)
        ++Ends;
    for (const char* P = Text.data(); (P = static_cast<const char*>(std::memchr(P, '\r', End - P))); ++P)
        if (P + 1 == End || P[1] != '\n')
            ++Ends;
    const bool OpenLastLine = !Text.empty() && Text.back() != '\n' && Text.back() != '\r';
    return Ends + (OpenLastLine ? 1 : 0);
}

bool TLineReader::Next(std::string_view& Line)
{
    constexpr size_t BlockSize = 1 << 16;
    for (;;) {
        if (NextLine(FBuffer, FPosition, Line, FEnd))
            return true;
        if (FEnd)
            return false;
        // Keep the unfinished line, drop what was read, and read on.
        FBuffer.erase(0, FPosition);
        FPosition = 0;
        const size_t Kept = FBuffer.size();
        FBuffer.resize(Kept + BlockSize);
        const size_t Got = std::fread(FBuffer.data() + Kept, 1, BlockSize, FFile);
        FBuffer.resize(Kept + Got);
        if (Got == 0) {
            FEnd = true;
            if (std::ferror(FFile))
                FError = errno != 0 ? errno : EIO;
        }
    }
}
