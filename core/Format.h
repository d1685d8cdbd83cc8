// printf-style formatting into a std::string, for the fixed texts of the
// system ("%d => %d, sls=%d", "0x%.2X", ...).
#pragma once

#include <cstdint>
#include <string>

[[gnu::format(printf, 1, 2)]] std::string Format(const char* Pattern, ...);

// Appends Value in decimal with at least MinDigits digits (zeros in front),
// as "%.Nu" would: for the texts that hot paths write, without printf.
void AppendDecimal(std::string& Text, uint64_t Value, int MinDigits = 1);
// Writes the same digits at Out, which must have room for them (20 digits,
// or MinDigits when more); returns the end of what was written.
char* PutDecimal(char* Out, uint64_t Value, int MinDigits = 1);
