#include "presentation/HexText.h"

#include <cstdint>

void AppendSpacedHex(std::string_view Octets, std::string& Text)
{
    static constexpr char Digits[] = "0123456789ABCDEF";
    const size_t Start = Text.size();
    Text.resize(Start + 3 * Octets.size());
    char* Out = Text.data() + Start;
    for (const char Byte : Octets) {
        const auto Octet = static_cast<uint8_t>(Byte);
        *Out++ = Digits[Octet >> 4];
        *Out++ = Digits[Octet & 0x0F];
        *Out++ = ' ';
    }
}

std::string SpacedHex(std::string_view Octets)
{
    std::string Text;
    AppendSpacedHex(Octets, Text);
    return Text;
}

void AppendHexWords(std::string_view Octets, std::string& Text)
{
    AppendSpacedHex(Octets, Text);
    if (!Octets.empty())
        Text.pop_back();
}

std::string HexWords(std::string_view Octets)
{
    std::string Text;
    AppendHexWords(Octets, Text);
    return Text;
}
