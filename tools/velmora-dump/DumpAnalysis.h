// velmora-dump's --filter, --calls and --stats: a consumer of the decoded
// lines that keeps the filtered ones and, instead of printing them, feeds
// the call correlation and the counts, then prints those at the end.
#pragma once

#include "analysis/CaptureFilter.h"
#include "analysis/TrafficStats.h"
#include "tools/velmora-dump/DumpFormat.h"

#include <string>
#include <string_view>

struct TAnalysisOptions {
    // The --filter expression, parsed; empty keeps every message.
    TCaptureFilter Filter;
    bool Calls = false;
    bool Stats = false;
    bool Json = false;
    bool Header = false;
    TTextStyle Style = TTextStyle::Aligned;
};

// The help text of the options below, for --help.
extern const char* const AnalysisHelp;

enum class TAnalysisOption { NotOne, Taken, Wrong };
// Takes in Argv[I] when it is one of --filter EXPR, --calls and --stats
// (I then on the last word taken); Wrong, with Error, for a bad one.
TAnalysisOption TakeAnalysisOption(int Argc, char** Argv, int& I, TAnalysisOptions& Options, std::string& Error);

class TDumpAnalysis {
public:
    TDumpAnalysis(TAnalysisOptions Options, const TTextPool& Texts);

    // Whether the messages must be decoded (a filter, calls or counts),
    // even where only their octets are written.
    bool Decodes() const { return !FOptions.Filter.Empty() || TakesLines(); }
    // Whether the line passes the filter.
    bool Keep(const TDumpLine& Entry) const { return FOptions.Filter.Matches(Entry.Item, FTexts); }
    // Whether the lines are taken in instead of printed (--calls, --stats).
    bool TakesLines() const { return FOptions.Calls || FOptions.Stats; }
    void Add(const TDumpLine& Entry);
    // What --calls and --stats print at the end, each line ended.
    std::string Report() const;

    const TCaptureAnalysis& Analysis() const { return FAnalysis; }

private:
    std::string CallsText() const;
    std::string StatsText() const;

    TAnalysisOptions FOptions;
    const TTextPool& FTexts;
    TCaptureAnalysis FAnalysis;
    uint64_t FCount = 0;
    // Whether every line was a capture record: only records have stamps.
    bool FStamped = true;
};

// One call as a JSON object; Stamped (read from capture records): with its
// direction, link and times.
std::string FormatCallJson(const TCallRecord& Call, bool Stamped);
