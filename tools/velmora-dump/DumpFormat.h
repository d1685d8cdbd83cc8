// The output forms of velmora-dump: aligned columns, tab-separated columns
// and JSON Lines, one line per decoded input line, and the decoded view's
// lines under it. The texts are those of the window's capture list and
// decoded view, made by the presentation layer; only the layout is
// velmora-dump's own.
#pragma once

#include "presentation/CaptureDecoding.h"
#include "presentation/CaptureItems.h"

#include <string>

class TDecodedView;

enum class TTextStyle { Aligned, Tabs };

// One input line decoded: the capture as the list holds it (its summary's
// texts in the dump's text pool) and its decoded message.
struct TDumpLine {
    int Line = 0;
    // A capture record; false for a bare level-4 message.
    bool IsRecord = false;
    TCaptureItem Item;
    TDecodedCapture Decoded;
};

// The line naming the columns of the text forms.
std::string FormatHeader(bool Records, TTextStyle Style);
// One message in a text form, without the line end.
std::string FormatText(const TDumpLine& Entry, const TTextPool& Texts, TTextStyle Style);
// One message as a JSON object, without the line end.
std::string FormatJson(const TDumpLine& Entry, const TTextPool& Texts);
// The lines of the decoded view, each indented by TreeIndent blanks and two
// more per level and ended by a line end; nothing for a stop entry.
std::string FormatTree(const TDecodedView& View);
constexpr size_t TreeIndent = 8;

// The definition-file keyword of a field kind: INTEGER, ENUM, BIT, DIGITS
// or APPENDIX.
const char* FieldKindKeyword(uint8_t Kind);
