// THexString: an octet string with hex-text conversion, the form in which
// messages are shown, searched, copied to the clipboard and saved.
#pragma once

#include "core/Persistent.h"

#include <cstdint>
#include <string>
#include <string_view>

class TMemoryStream;

class THexString : public TPersistent {
public:
    // The length that RangeToText reads as "up to the last octet".
    static constexpr int32_t ToEnd = 2147483647;

    explicit THexString(bool Spaced = false)
        : Spaced(Spaced)
    {
    }
    THexString(std::string_view Bytes, bool Spaced)
        : Spaced(Spaced)
        , FData(Bytes)
    {
    }
    const char* ClassName() const override { return "THexString"; }

    // True: text is two hex digits and a blank per octet, and parsing splits
    // words at StandardDelimiters. False: a bare run of hex pairs.
    bool Spaced;

    int Count() const { return static_cast<int>(FData.size()); }
    // Resizes to N octets; new octets are zero.
    void SetCount(int N) { FData.resize(N > 0 ? static_cast<size_t>(N) : 0, '\0'); }
    // Octet I. Callers keep 0 <= I < Count(); outside that range the read
    // gives 0 and the write is dropped, so a caller's slip never touches
    // memory outside the string.
    uint8_t Bytes(int I) const;
    void SetByte(int I, uint8_t Value);
    // The octets become a copy of the Count octets at Buffer.
    void SetBytes(const void* Buffer, size_t Count);

    std::string_view Data() const { return FData; }
    const uint8_t* Memory() const { return reinterpret_cast<const uint8_t*>(FData.data()); }

    // Writes all octets (no length) at the stream's position.
    void WriteTo(TMemoryStream& Stream) const;

    std::string ToText() const { return RangeToText(0, ToEnd); }
    // The hex text of Length octets from Start; ToEnd means up to the last.
    std::string RangeToText(int32_t Start, int32_t Length) const;
    // Replaces the octets by those parsed from Text. A piece that is not hex
    // raises the conversion error naming the "$0"-prefixed piece; the octets
    // before it are already filled.
    void FromText(std::string_view Text);

private:
    std::string FData;
};

// Spaced hex text of a run of octets: "01 A2 FF " (blank after every pair).
std::string BytesToSpacedHex(const uint8_t* Bytes, size_t Count);

// Reads spaced hex text as FromText does in the spaced form and appends the
// octets to Out: words split at StandardDelimiters, each a hex number of at
// most eight significant digits whose low octet is kept. At a word that is
// no such number it stops and returns false, with *Bad (when not null) that
// word; the octets of the words before it are appended. One table lookup
// per character: every capture file line and hex message goes through it.
bool ParseSpacedHex(std::string_view Text, std::string& Out, std::string_view* Bad = nullptr);
