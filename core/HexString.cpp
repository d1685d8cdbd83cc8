#include "core/HexString.h"

#include "core/Exception.h"
#include "core/MemoryStream.h"
#include "core/Words.h"

#include <array>
#include <cassert>
#include <string>

namespace {

constexpr char HexDigits[] = "0123456789ABCDEF";

// What a character is in hex text: its digit value (0 to 15), a delimiter
// of the spaced form, or anything else.
enum : uint8_t { hcDelimiter = 16, hcOther = 17 };

constexpr std::array<uint8_t, 256> HexClasses = [] {
    std::array<uint8_t, 256> Classes{};
    for (auto& Class : Classes)
        Class = hcOther;
    for (int C = 0; C <= 32; ++C)
        Classes[static_cast<size_t>(C)] = hcDelimiter;
    for (const char C : StandardDelimiterMarks)
        Classes[static_cast<unsigned char>(C)] = hcDelimiter;
    for (int D = 0; D < 10; ++D)
        Classes[static_cast<size_t>('0' + D)] = static_cast<uint8_t>(D);
    for (int D = 0; D < 6; ++D) {
        Classes[static_cast<size_t>('A' + D)] = static_cast<uint8_t>(10 + D);
        Classes[static_cast<size_t>('a' + D)] = static_cast<uint8_t>(10 + D);
    }
    return Classes;
}();

inline uint8_t HexClass(char C)
{
    return HexClasses[static_cast<unsigned char>(C)];
}

[[noreturn]] void PieceError(std::string_view Piece)
{
    throw EConvertError("'$0" + std::string(Piece) + "' is not a valid integer value");
}

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

} // namespace

bool ParseSpacedHex(std::string_view Text, std::string& Out, std::string_view* Bad)
{
    // At most one octet per two characters (a word and its delimiter).
    const size_t Start = Out.size();
    Out.resize(Start + (Text.size() + 1) / 2);
    char* Octet = Out.data() + Start;
    const char* P = Text.data();
    const char* const End = P + Text.size();
    bool Good = true;
    while (P < End) {
        uint8_t Class = HexClass(*P);
        if (Class == hcDelimiter) {
            ++P;
            continue;
        }
        // The usual word: two digits, then a delimiter or the end.
        if (End - P >= 2) {
            const uint8_t Low = HexClass(P[1]);
            if (Class < 16 && Low < 16 && (End - P == 2 || HexClass(P[2]) == hcDelimiter)) {
                *Octet++ = static_cast<char>(Class << 4 | Low);
                P += 2;
                continue;
            }
        }
        // Any other word: every character a digit, at most eight of them
        // after the leading zeros.
        const char* const Word = P;
        uint32_t Value = 0;
        int Significant = 0;
        bool Digits = true;
        for (; P < End && (Class = HexClass(*P)) != hcDelimiter; ++P) {
            if (Class >= 16) {
                Digits = false;
                continue;
            }
            if (Significant > 0 || Class != 0)
                ++Significant;
            Value = Value << 4 | Class;
        }
        if (!Digits || Significant > 8) {
            if (Bad)
                *Bad = std::string_view(Word, static_cast<size_t>(P - Word));
            Good = false;
            break;
        }
        *Octet++ = static_cast<char>(Value & 0xFF);
    }
    Out.resize(static_cast<size_t>(Octet - Out.data()));
    return Good;
}

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
        std::string Parsed;
        std::string_view Bad;
        if (ParseSpacedHex(Text, Parsed, &Bad)) {
            FData = std::move(Parsed);
            return;
        }
        // As if every word had been stored in turn: the octet count is the
        // word count, the octets before the bad word are filled, the others
        // keep what they held.
        SetCount(CountWords(Text, StandardDelimiters));
        FData.replace(0, Parsed.size(), Parsed);
        PieceError(Bad);
    }
    const int N = static_cast<int>(Text.size() / 2);
    SetCount(N);
    for (int I = 0; I < N; ++I) {
        const uint8_t High = HexClass(Text[static_cast<size_t>(2 * I)]);
        const uint8_t Low = HexClass(Text[static_cast<size_t>(2 * I + 1)]);
        if (High >= 16 || Low >= 16)
            PieceError(Text.substr(static_cast<size_t>(2 * I), 2));
        FData[static_cast<size_t>(I)] = static_cast<char>(High << 4 | Low);
    }
}
