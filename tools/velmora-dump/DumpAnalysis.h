// velmora-dump's --filter, --calls and --stats: consumers of the decoded
// records that keep the filtered ones and, instead of printing them, feed
// the call correlation and the counts, which are printed at the end.
#pragma once

#include "analysis/CaptureFilter.h"
#include "analysis/TrafficStats.h"
#include "tools/velmora-dump/DumpFormat.h"
#include "tools/velmora-dump/DumpPipeline.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class TPcapWriter;

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

// What --filter, --calls and --stats make of the decoded records. The
// filter is a consumer that hands the records it keeps to the next one, on
// every worker; the calls and counts must see the records in input order,
// so they run on one worker (Jobs) and print at the end (Report).
class TDumpAnalysis {
public:
    explicit TDumpAnalysis(TAnalysisOptions Options);

    // Whether the records must be decoded (a filter, calls or counts), even
    // where only their octets are written.
    bool Decodes() const { return !FOptions.Filter.Empty() || TakesLines(); }
    // Whether the records are taken in instead of printed (--calls, --stats).
    bool TakesLines() const { return FOptions.Calls || FOptions.Stats; }
    // The workers to run with, Asked being the number wanted.
    int Jobs(int Asked) const { return TakesLines() ? 1 : Asked; }
    // The consumers of a worker: Base's (the printer, or what writes a
    // pcap) behind the filter; with calls or counts, the analysis instead,
    // followed by Base's only when Writing.
    TConsumerFactory Consumers(TConsumerFactory Base, bool Writing);

    // Takes in a record kept, whose summary's texts are in Texts.
    void Add(const TDumpLine& Entry, const TTextPool& Texts);
    // What --calls and --stats print at the end, each line ended.
    std::string Report() const;

    const TCaptureAnalysis& Analysis() const { return FAnalysis; }

private:
    std::string CallsText() const;
    std::string StatsText() const;

    TAnalysisOptions FOptions;
    // The names of the records taken in, kept here: the workers' pools go
    // with them. FNames maps the indices of the pool of FNamesFrom to ours.
    TTextPool FTexts;
    const TTextPool* FNamesFrom = nullptr;
    std::vector<uint32_t> FNames;
    TCaptureAnalysis FAnalysis;
    uint64_t FCount = 0;
    // Whether every line was a capture record: only records have stamps.
    bool FStamped = true;
};

// -w behind a filter or the calls and counts: each record a worker keeps is
// appended to its block's output (its length, then its bytes), and the
// sink writes them to the pcap in input order.
class TRecordCollector : public TRecordConsumer {
public:
    void Consume(const TDumpLine& Line, const TTextPool& Texts, TInputBlock& Block) override;
};
class TPcapWriteSink : public TBlockSink {
public:
    explicit TPcapWriteSink(TPcapWriter& Writer)
        : FWriter(Writer)
    {
    }
    bool Take(TInputBlock& Block) override;

private:
    TPcapWriter& FWriter;
};

// One call as a JSON object; Stamped (read from capture records): with its
// direction, link and times.
std::string FormatCallJson(const TCallRecord& Call, bool Stamped);
