// printf-style formatting into a std::string, for the fixed texts of the
// system ("%d => %d, sls=%d", "0x%.2X", ...).
#pragma once

#include <cstdint>
#include <string>

[[gnu::format(printf, 1, 2)]] std::string Format(const char* Pattern, ...);

// Appends Value in decimal with at least MinDigits digits (zeros in front),
// as "%.Nu" would: for the texts that hot paths write, without printf.
void AppendDecimal(std::string& Text, uint64_t Value, int MinDigits = 1);
