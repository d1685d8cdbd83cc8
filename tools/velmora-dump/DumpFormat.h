// The output forms of velmora-dump: aligned columns, tab-separated columns
// and JSON Lines, one line per decoded input line.
#pragma once

#include "tools/velmora-dump/DumpEntry.h"

#include <string>

enum class TTextStyle { Aligned, Tabs };

// The line naming the columns of the text forms.
std::string FormatHeader(bool Records, TTextStyle Style);
// One message in a text form, without the line end.
std::string FormatText(const TDumpEntry& Entry, TTextStyle Style);
// One message as a JSON object, without the line end.
std::string FormatJson(const TDumpEntry& Entry);
// The lines the decoded view shows for the message, each indented by
// TreeIndent blanks and two more per level and ended by a line end: the
// tree of an ISUP message (the message, its present parameters, the checked
// fields of each), the test pattern of a link test message, the octets after
// the routing label of any other message; nothing for a stop entry.
std::string FormatTree(const TDumpEntry& Entry);
constexpr size_t TreeIndent = 8;

// The definition-file keyword of a field kind: INTEGER, ENUM, BIT, DIGITS
// or APPENDIX.
const char* FieldKindKeyword(uint8_t Kind);

// Spaced hex of octets without the blank after the last pair: "AA BB CC".
std::string HexWords(std::string_view Octets);
