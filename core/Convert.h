// The standard string-to-integer conversion used throughout the system:
// optional leading blanks, then either an optional sign and decimal digits,
// or an unsigned hexadecimal number introduced by "$", "x", "X", "0x" or
// "0X" (up to eight significant digits, taken as a 32-bit pattern).
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

// The value of one hexadecimal digit (either letter case), or -1.
int HexDigitValue(char C);

// The value, or nothing when the text does not convert.
std::optional<int32_t> TryStrToInt(std::string_view Text);
// The value; raises EConvertError "'%s' is not a valid integer value".
int32_t StrToInt(std::string_view Text);
