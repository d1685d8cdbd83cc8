// The output forms of velmora-dump: aligned columns, tab-separated columns
// and JSON Lines, one line per decoded input line.
#pragma once

#include "DumpEntry.h"

#include <string>

enum class TTextStyle { Aligned, Tabs };

// The line naming the columns of the text forms.
std::string FormatHeader(bool Records, TTextStyle Style);
// One message in a text form, without the line end.
std::string FormatText(const TDumpEntry& Entry, TTextStyle Style);
// One message as a JSON object, without the line end.
std::string FormatJson(const TDumpEntry& Entry);

// Spaced hex of octets without the blank after the last pair: "AA BB CC".
std::string HexWords(std::string_view Octets);
