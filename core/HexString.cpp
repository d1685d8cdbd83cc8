#include "core/HexString.h"

#include "core/Convert.h"
#include "core/MemoryStream.h"
#include "core/Words.h"

#include <cassert>
#include <string>

namespace {

constexpr char HexDigits[] = "0123456789ABCDEF";

void AppendHex(std::string& Text, const uint8_t* Bytes, size_t Count, bool Spaced)
{
    Text.reserve(Text.size() + Count * (Spaced ? 3 : 2));
    for (size_t I = 0; I < Count; ++I) {
        Text.push_back(HexDigits[Bytes[I] >> 4]);
        Text.push_back(HexDigits[Bytes[I] & 0x0F]);
        if (Spaced)
            Text.push_back(' ');
    }
}

// One piece of hex text read as "$0" + piece would be: its low 8 bits.
uint8_t PieceValue(std::string_view Piece)
{
    std::string Text = "$0";
    Text.append(Piece);
    return static_cast<uint8_t>(StrToInt(Text) & 0xFF);
}

} // namespace

std::string BytesToSpacedHex(const uint8_t* Bytes, size_t Count)
{
    std::string Text;
    AppendHex(Text, Bytes, Count, true);
    return Text;
}

uint8_t THexString::Bytes(int I) const
{
    assert(I >= 0 && I < Count());
    if (I < 0 || I >= Count())
        return 0;
    return static_cast<uint8_t>(FData[static_cast<size_t>(I)]);
}

void THexString::SetByte(int I, uint8_t Value)
{
    assert(I >= 0 && I < Count());
    if (I < 0 || I >= Count())
        return;
    FData[static_cast<size_t>(I)] = static_cast<char>(Value);
}

void THexString::SetBytes(const void* Buffer, size_t Count)
{
    FData.assign(static_cast<const char*>(Buffer), Count);
}

void THexString::WriteTo(TMemoryStream& Stream) const
{
    Stream.Write(FData.data(), FData.size());
}

std::string THexString::RangeToText(int32_t Start, int32_t Length) const
{
    const int64_t Len = Length == ToEnd ? Count() : Length;
    const int64_t First = Start > 0 ? Start : 0;
    const int64_t End = static_cast<int64_t>(Start) + Len;
    const int64_t Last = End < Count() ? End : Count();
    std::string Text;
    if (Last > First)
        AppendHex(Text, Memory() + First, static_cast<size_t>(Last - First), Spaced);
    return Text;
}

void THexString::FromText(std::string_view Text)
{
    if (Spaced) {
        const int N = CountWords(Text, StandardDelimiters);
        SetCount(N);
        size_t I = 0;
        for (int Word = 0; Word < N; ++Word) {
            while (IsDelimiter(Text[I], StandardDelimiters))
                ++I;
            const size_t Start = I;
            while (I < Text.size() && !IsDelimiter(Text[I], StandardDelimiters))
                ++I;
            FData[static_cast<size_t>(Word)] = static_cast<char>(PieceValue(Text.substr(Start, I - Start)));
        }
    } else {
        const int N = static_cast<int>(Text.size() / 2);
        SetCount(N);
        for (int I = 0; I < N; ++I)
            FData[static_cast<size_t>(I)] = static_cast<char>(PieceValue(Text.substr(static_cast<size_t>(2 * I), 2)));
    }
}
