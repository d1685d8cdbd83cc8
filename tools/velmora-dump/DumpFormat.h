// The output forms of velmora-dump: aligned columns, tab-separated columns
// and JSON Lines, one line per decoded input line, and the decoded view's
// lines under it. The texts are those of the window's capture list and
// decoded view, made by the presentation layer; only the layout is
// velmora-dump's own. Everything is appended to the caller's text, which
// collects the output of many lines before it is written.
#pragma once

#include "presentation/CaptureDecoding.h"
#include "presentation/CaptureItems.h"

#include <string>

enum class TTextStyle { Aligned, Tabs };

// One input line decoded: the capture as the list holds it (its summary's
// texts in the dump's text pool) and its decoded message.
struct TDumpLine {
    int Line = 0;
    // A capture record; false for a bare level-4 message.
    bool IsRecord = false;
    TCaptureItem Item;
    TDecodedCapture Decoded;
    // Line is the number of the pcap packet that carried the message.
    bool FromPacket = false;
};

// The line naming the columns of the text forms, without the line end;
// Packets: the first column holds pcap packet numbers rather than line
// numbers.
void AppendHeader(bool Records, TTextStyle Style, bool Packets, std::string& Out);
// One message in a text form, without the line end.
void AppendText(const TDumpLine& Entry, const TTextPool& Texts, TTextStyle Style, std::string& Out);
// One message as a JSON object, without the line end.
void AppendJson(const TDumpLine& Entry, const TTextPool& Texts, std::string& Out);
// The lines of the decoded view, each indented by TreeIndent blanks and two
// more per level and ended by a line end; nothing for a stop entry.
void AppendTree(const TDecodedCapture& Decoded, std::string& Out);
constexpr size_t TreeIndent = 8;

// The definition-file keyword of a field kind: INTEGER, ENUM, BIT, DIGITS
// or APPENDIX.
const char* FieldKindKeyword(uint8_t Kind);
