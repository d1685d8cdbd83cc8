#include "presentation/TextLines.h"

#include <cerrno>
#include <cstdint>
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

namespace {

// The number of Byte octets in Text, eight at a time: a machine word's
// matching octets found by arithmetic, without a branch or a call per line.
size_t CountOctet(std::string_view Text, char Byte)
{
    constexpr uint64_t Low7 = 0x7F7F7F7F7F7F7F7FULL;
    const uint64_t Pattern = 0x0101010101010101ULL * static_cast<uint8_t>(Byte);
    const char* P = Text.data();
    const char* const End = P + Text.size();
    size_t Count = 0;
    for (; End - P >= 8; P += 8) {
        uint64_t Word;
        std::memcpy(&Word, P, 8);
        const uint64_t X = Word ^ Pattern;
        // The high bit of each octet of X that is zero, and of no other.
        const uint64_t Zero = ~(((X & Low7) + Low7) | X | Low7);
        // One bit a matching octet, at its bottom; the multiplication sums
        // the eight octets into the top one (a call to popcount would be a
        // library call on a processor not known to have the instruction).
        Count += static_cast<size_t>(((Zero >> 7) * 0x0101010101010101ULL) >> 56);
    }
    for (; P < End; ++P)
        Count += *P == Byte ? 1 : 0;
    return Count;
}

} // namespace

TLineSplitter::TLineSplitter(std::string_view Text)
    : FText(Text)
    , FHasCr(!Text.empty() && std::memchr(Text.data(), '\r', Text.size()) != nullptr)
{
}

bool TLineSplitter::NextLfLine(std::string_view& Line)
{
    const size_t Size = FText.size();
    if (FPosition >= Size)
        return false;
    const char* const Start = FText.data() + FPosition;
    const auto* Found = static_cast<const char*>(std::memchr(Start, '\n', Size - FPosition));
    const size_t Length = Found ? static_cast<size_t>(Found - Start) : Size - FPosition;
    Line = FText.substr(FPosition, Length);
    FPosition += Length + (Found ? 1 : 0);
    return true;
}

size_t TLineSplitter::Count(std::string_view Text)
{
    // Line ends are LFs and CRs, a CR LF pair counting once.
    if (Text.empty())
        return 0;
    size_t Ends = CountOctet(Text, '\n');
    const char* const End = Text.data() + Text.size();
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
