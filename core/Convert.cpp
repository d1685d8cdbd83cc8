#include "core/Convert.h"

#include "core/Exception.h"
#include "core/Format.h"

#include <string>

int HexDigitValue(char C)
{
    if (C >= '0' && C <= '9')
        return C - '0';
    if (C >= 'a' && C <= 'f')
        return C - 'a' + 10;
    if (C >= 'A' && C <= 'F')
        return C - 'A' + 10;
    return -1;
}

namespace {

std::optional<int32_t> ParseHex(std::string_view Digits)
{
    if (Digits.empty())
        return std::nullopt;
    uint32_t Value = 0;
    int Significant = 0;
    for (char C : Digits) {
        const int D = HexDigitValue(C);
        if (D < 0)
            return std::nullopt;
        if (Significant > 0 || D != 0)
            ++Significant;
        if (Significant > 8)
            return std::nullopt;
        Value = (Value << 4) | static_cast<uint32_t>(D);
    }
    return static_cast<int32_t>(Value);
}

} // namespace

std::optional<int32_t> TryStrToInt(std::string_view Text)
{
    size_t I = 0;
    while (I < Text.size() && Text[I] == ' ')
        ++I;
    std::string_view Rest = Text.substr(I);
    if (Rest.empty())
        return std::nullopt;
    if (Rest[0] == '$' || Rest[0] == 'x' || Rest[0] == 'X')
        return ParseHex(Rest.substr(1));
    if (Rest.size() >= 2 && Rest[0] == '0' && (Rest[1] == 'x' || Rest[1] == 'X'))
        return ParseHex(Rest.substr(2));
    bool Negative = false;
    if (Rest[0] == '+' || Rest[0] == '-') {
        Negative = Rest[0] == '-';
        Rest.remove_prefix(1);
    }
    if (Rest.empty())
        return std::nullopt;
    int64_t Value = 0;
    for (char C : Rest) {
        if (C < '0' || C > '9')
            return std::nullopt;
        Value = Value * 10 + (C - '0');
        if (Value > 2147483648LL)
            return std::nullopt;
    }
    if (Negative)
        Value = -Value;
    if (Value > 2147483647LL)
        return std::nullopt;
    return static_cast<int32_t>(Value);
}

int32_t StrToInt(std::string_view Text)
{
    if (const auto Value = TryStrToInt(Text))
        return *Value;
    throw EConvertError(Format("'%s' is not a valid integer value", std::string(Text).c_str()));
}
