// printf-style formatting into a std::string, for the fixed texts of the
// system ("%d => %d, sls=%d", "0x%.2X", ...).
#pragma once

#include <string>

[[gnu::format(printf, 1, 2)]] std::string Format(const char* Pattern, ...);
