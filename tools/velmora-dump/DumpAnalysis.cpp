#include "tools/velmora-dump/DumpAnalysis.h"

#include "pcapio/PcapWriter.h"
#include "tools/velmora-dump/Json.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace {

std::string Iso(const TSystemTime& Stamp)
{
    return FormatStampIso(Stamp);
}

// The stamp of second Second (StampMilliseconds / 1000), ISO 8601.
std::string SecondIso(int64_t Second)
{
    using namespace std::chrono;
    const sys_seconds At{seconds{Second}};
    const auto Day = floor<days>(At);
    const year_month_day Date{Day};
    const hh_mm_ss Time{At - Day};
    char Text[32];
    std::snprintf(Text, sizeof Text, "%04d-%02u-%02uT%02d:%02d:%02d", int(Date.year()), unsigned(Date.month()),
                  unsigned(Date.day()), int(Time.hours().count()), int(Time.minutes().count()),
                  int(Time.seconds().count()));
    return Text;
}

std::string DirectionText(uint8_t Direction)
{
    return Direction == cdIn ? "IN" : Direction == cdOut ? "OUT" : std::to_string(Direction);
}

std::string Seconds(int64_t Ms)
{
    char Text[32];
    std::snprintf(Text, sizeof Text, "%lld.%03lld", static_cast<long long>(Ms / 1000),
                  static_cast<long long>(Ms % 1000));
    return Text;
}

std::string Pad(std::string Text, size_t Width, bool Right = false)
{
    if (Text.size() >= Width)
        return Text;
    return Right ? std::string(Width - Text.size(), ' ') + Text : Text + std::string(Width - Text.size(), ' ');
}

// Cells joined as velmora-dump's other text forms are: two blanks between
// padded cells, or single tabs.
std::string Join(const std::vector<std::pair<std::string, int>>& Cells, TTextStyle Style)
{
    std::string Line;
    for (size_t I = 0; I < Cells.size(); ++I) {
        if (I > 0)
            Line += Style == TTextStyle::Tabs ? "\t" : "  ";
        const auto& [Text, Width] = Cells[I];
        Line +=
            Style == TTextStyle::Tabs ? Text : Pad(Text, static_cast<size_t>(Width < 0 ? -Width : Width), Width < 0);
    }
    while (Style == TTextStyle::Aligned && !Line.empty() && Line.back() == ' ')
        Line.pop_back();
    return Line + "\n";
}

} // namespace

const char* const AnalysisHelp = R"HELP(Filters, calls and counts:
  --filter EXPR
              keep only the messages that match EXPR, in every output form;
              the filter language of the monitor's filter bar: terms
              separated by blanks, all of which must hold:
                FIELD=V[,V...]  the field has any of the values; a number
                                may be a range A-B. Fields: name (message
                                name), dir (in, out), link, opc, dpc, pc
                                (OPC or DPC), sls, si, cic
                !TERM           the term does not hold
                WORD, "WORDS"   one of the message's texts (name, link,
                                routing label, CIC, time, date, error)
                                contains it, letter case ignored
              e.g. --filter name=IAM, --filter 'pc=1234 cic=5-9',
              --filter '!name=IAM,ACM,ANM,REL,RLC'. A bad expression is
              reported with its column and exits 2. With -w only the
              matching captures are written
  --calls     instead of the messages, print the calls correlated from
              them, one line per call in order of the IAM: an IAM starts
              a call on its point-code pair (either way round) and CIC;
              SAM, ACM, CON, CPG, ANM, SUS, RES, REL and RLC there belong to
              it and RLC completes it; a new IAM, an RSC, or a GRS whose
              range covers the CIC ends it. Columns: CALL START OPC DPC CIC
              CALLING CALLED STATE (setup, alerting, answered, released,
              complete) ANSWERED CAUSE ("RELEASED BY" calling or called
              side) ("ENDED BY" IAM, RSC or GRS) MESSAGES DURATION (IAM to
              REL or to the last message, seconds)
  --calls --json
              one JSON object per call: call (its number), opc, dpc, cic
              (of the IAM), calling, called (with the SAM digits), state,
              answered (ANM or CON seen), cause, cause_text, cause_location,
              location_text (of the REL; absent without one), released_by,
              ended_by, complete (RLC seen), messages (their count); from
              capture records also direction and link (of the IAM), start,
              answer, release, end (ISO 8601) and duration_ms, talk_ms
  --stats     instead of the messages, print their counts: by name and
              direction, by link, by point-code pair, the REL causes, and
              from capture records the messages per second by minute
  --stats --json
              one JSON object: messages, by_name (name -> count),
              by_name_direction (name -> IN, OUT, other), by_direction,
              by_link, by_pc_pair ("OPC-DPC" -> count), causes (value ->
              text, count), calls, answered, complete, and from capture
              records per_second (a list of [second, count])
  The messages of a pcap file are records. With -w, the captures go to the
  file and what --calls and --stats print to standard output (-w - cannot
  be combined with them). --calls and --stats take the messages in input
  order on one thread, whatever -j says; --filter alone runs on every job)HELP";

TAnalysisOption TakeAnalysisOption(int Argc, char** Argv, int& I, TAnalysisOptions& Options, std::string& Error)
{
    const std::string_view Arg = Argv[I];
    if (Arg == "--calls")
        Options.Calls = true;
    else if (Arg == "--stats")
        Options.Stats = true;
    else if (Arg == "--filter") {
        if (I + 1 >= Argc) {
            Error = "--filter needs an expression";
            return TAnalysisOption::Wrong;
        }
        try {
            Options.Filter = TCaptureFilter::Parse(Argv[++I]);
        } catch (const EFilterError& Failure) {
            Error = std::string("bad --filter expression: ") + Failure.what();
            return TAnalysisOption::Wrong;
        }
    } else
        return TAnalysisOption::NotOne;
    return TAnalysisOption::Taken;
}

std::string FormatCallJson(const TCallRecord& Call, bool Stamped)
{
    TJsonObject Object;
    Object.Add("call", static_cast<int64_t>(Call.Number))
        .Add("opc", int64_t{Call.Opc})
        .Add("dpc", int64_t{Call.Dpc})
        .Add("cic", int64_t{Call.Cic})
        .Add("calling", Call.Calling)
        .Add("called", Call.Called)
        .Add("state", CallStateText(Call.State))
        .AddBool("answered", Call.Answered);
    if (Stamped)
        Object.Add("direction", DirectionText(Call.Direction)).Add("link", int64_t{Call.Link});
    if (Call.HasCause) {
        Object.Add("cause", int64_t{Call.CauseValue})
            .Add("cause_text", Call.CauseText)
            .Add("cause_location", int64_t{Call.CauseLocation})
            .Add("location_text", Call.LocationText);
    }
    if (Call.Released)
        Object.Add("released_by", ReleaseSideText(Call.ReleasedBy));
    if (Call.EndedBy != TCallEnd::None)
        Object.Add("ended_by", CallEndText(Call.EndedBy));
    Object.AddBool("complete", Call.Complete).Add("messages", static_cast<int64_t>(Call.Messages.size()));
    if (Stamped) {
        Object.Add("start", Iso(Call.Start));
        if (Call.Answered)
            Object.Add("answer", Iso(Call.AnswerTime));
        if (Call.Released)
            Object.Add("release", Iso(Call.ReleaseTime));
        Object.Add("end", Iso(Call.EndTime)).Add("duration_ms", Call.DurationMs()).Add("talk_ms", Call.TalkMs());
    }
    return Object.Text();
}

namespace {

// Hands the records the filter keeps to the next consumer.
class TFilterConsumer : public TRecordConsumer {
public:
    TFilterConsumer(const TCaptureFilter& Filter, std::unique_ptr<TRecordConsumer> Next)
        : FFilter(Filter)
        , FNext(std::move(Next))
    {
    }
    void Consume(const TDumpLine& Line, const TTextPool& Texts, TInputBlock& Block) override
    {
        if (FFilter.Matches(Line.Item, Texts))
            FNext->Consume(Line, Texts, Block);
    }

private:
    // A copy of its own: a filter remembers the texts of the pool it is used
    // with, and each worker has its pool.
    TCaptureFilter FFilter;
    std::unique_ptr<TRecordConsumer> FNext;
};

// Feeds the calls and counts, then the next consumer if any.
class TAnalysisConsumer : public TRecordConsumer {
public:
    TAnalysisConsumer(TDumpAnalysis& Analysis, std::unique_ptr<TRecordConsumer> Next)
        : FAnalysis(Analysis)
        , FNext(std::move(Next))
    {
    }
    void Consume(const TDumpLine& Line, const TTextPool& Texts, TInputBlock& Block) override
    {
        FAnalysis.Add(Line, Texts);
        if (FNext)
            FNext->Consume(Line, Texts, Block);
    }

private:
    TDumpAnalysis& FAnalysis;
    std::unique_ptr<TRecordConsumer> FNext;
};

} // namespace

TDumpAnalysis::TDumpAnalysis(TAnalysisOptions Options)
    : FOptions(std::move(Options))
{
}

TConsumerFactory TDumpAnalysis::Consumers(TConsumerFactory Base, bool Writing)
{
    return [this, Base = std::move(Base), Writing]() -> std::unique_ptr<TRecordConsumer> {
        std::unique_ptr<TRecordConsumer> Consumer =
            TakesLines() ? std::make_unique<TAnalysisConsumer>(*this, Writing ? Base() : nullptr) : Base();
        if (!FOptions.Filter.Empty())
            Consumer = std::make_unique<TFilterConsumer>(FOptions.Filter, std::move(Consumer));
        return Consumer;
    };
}

void TDumpAnalysis::Add(const TDumpLine& Entry, const TTextPool& Texts)
{
    FStamped = FStamped && Entry.IsRecord;
    // The counts keep names by their index in our pool.
    if (FNamesFrom != &Texts) {
        FNamesFrom = &Texts;
        FNames.clear();
    }
    TCaptureItem Item = Entry.Item;
    const uint32_t Name = Item.Summary.NameText;
    if (Name >= FNames.size())
        FNames.resize(Texts.Count(), 0);
    if (Name != 0 && FNames[Name] == 0)
        FNames[Name] = FTexts.Intern(Texts.Text(Name));
    Item.Summary.NameText = FNames[Name];
    FAnalysis.Add(FCount++, Item, Entry.Decoded);
}

void TRecordCollector::Consume(const TDumpLine& Line, const TTextPool&, TInputBlock& Block)
{
    std::string& Out = Block.Out;
    const size_t At = Out.size();
    Out.append(sizeof(uint32_t), '\0');
    Line.Item.AppendRecordBytes(Out);
    const auto Size = static_cast<uint32_t>(Out.size() - At - sizeof(uint32_t));
    std::memcpy(Out.data() + At, &Size, sizeof Size);
}

bool TPcapWriteSink::Take(TInputBlock& Block)
{
    if (!Block.Notes.empty())
        std::fwrite(Block.Notes.data(), 1, Block.Notes.size(), stderr);
    std::string_view Out = Block.Out;
    while (Out.size() >= sizeof(uint32_t)) {
        uint32_t Size = 0;
        std::memcpy(&Size, Out.data(), sizeof Size);
        Out.remove_prefix(sizeof Size);
        FWriter.WriteRecord(Out.substr(0, Size));
        Out.remove_prefix(std::min<size_t>(Size, Out.size()));
    }
    return true;
}

std::string TDumpAnalysis::Report() const
{
    std::string Text;
    if (FOptions.Calls)
        Text += CallsText();
    if (FOptions.Stats)
        Text += StatsText();
    return Text;
}

std::string TDumpAnalysis::CallsText() const
{
    std::string Text;
    const auto& Calls = FAnalysis.Calls.Calls();
    if (FOptions.Json) {
        for (const TCallRecord& Call : Calls)
            Text += FormatCallJson(Call, FStamped) + "\n";
        return Text;
    }
    const TTextStyle Style = FOptions.Style;
    if (FOptions.Header)
        Text += Join({{"CALL", -6},
                      {"START", 23},
                      {"OPC", -5},
                      {"DPC", -5},
                      {"CIC", -5},
                      {"CALLING", 15},
                      {"CALLED", 18},
                      {"STATE", 9},
                      {"ANSWERED", 8},
                      {"CAUSE", -5},
                      {"RELEASED BY", 11},
                      {"ENDED BY", 8},
                      {"MESSAGES", -8},
                      {"DURATION", 0}},
                     Style);
    for (const TCallRecord& Call : Calls) {
        Text += Join({{std::to_string(Call.Number), -6},
                      {FStamped ? Iso(Call.Start) : std::string(), 23},
                      {std::to_string(Call.Opc), -5},
                      {std::to_string(Call.Dpc), -5},
                      {std::to_string(Call.Cic), -5},
                      {Call.Calling, 15},
                      {Call.Called, 18},
                      {CallStateText(Call.State), 9},
                      {Call.Answered ? "yes" : "no", 8},
                      {Call.HasCause ? std::to_string(Call.CauseValue) : std::string(), -5},
                      {ReleaseSideText(Call.ReleasedBy), 11},
                      {CallEndText(Call.EndedBy), 8},
                      {std::to_string(Call.Messages.size()), -8},
                      {FStamped ? Seconds(Call.DurationMs()) : std::string(), 0}},
                     Style);
    }
    return Text;
}

std::string TDumpAnalysis::StatsText() const
{
    const TTrafficStats& Stats = FAnalysis.Stats;
    const TCallTracker& Calls = FAnalysis.Calls;
    const uint64_t Answered = Calls.AnsweredCalls();
    const uint64_t Complete = Calls.CompleteCalls();
    if (FOptions.Json) {
        TJsonObject ByName, ByNameDirection, ByLink, ByPair, Causes, ByDirection;
        for (const auto& Name : Stats.ByName(FTexts)) {
            ByName.Add(Name.Name, static_cast<int64_t>(Name.Total()));
            TJsonObject Directions;
            Directions.Add("IN", static_cast<int64_t>(Name.In))
                .Add("OUT", static_cast<int64_t>(Name.Out))
                .Add("other", static_cast<int64_t>(Name.Other));
            ByNameDirection.AddRaw(Name.Name, Directions.Text());
        }
        ByDirection.Add("IN", static_cast<int64_t>(Stats.In())).Add("OUT", static_cast<int64_t>(Stats.Out()));
        for (const auto& [Link, Count] : Stats.ByLink())
            ByLink.Add(std::to_string(Link), static_cast<int64_t>(Count));
        for (const auto& Pair : Stats.ByPair())
            ByPair.Add(std::to_string(Pair.Opc) + "-" + std::to_string(Pair.Dpc), static_cast<int64_t>(Pair.Count));
        for (const auto& Cause : Stats.Causes()) {
            TJsonObject One;
            One.Add("text", Cause.Text).Add("count", static_cast<int64_t>(Cause.Count));
            Causes.AddRaw(std::to_string(Cause.Value), One.Text());
        }
        TJsonObject Object;
        Object.Add("messages", static_cast<int64_t>(Stats.Messages()))
            .AddRaw("by_name", ByName.Text())
            .AddRaw("by_name_direction", ByNameDirection.Text())
            .AddRaw("by_direction", ByDirection.Text())
            .AddRaw("by_link", ByLink.Text())
            .AddRaw("by_pc_pair", ByPair.Text())
            .AddRaw("causes", Causes.Text())
            .Add("calls", static_cast<int64_t>(Calls.TotalCalls()))
            .Add("answered", static_cast<int64_t>(Answered))
            .Add("complete", static_cast<int64_t>(Complete));
        if (FStamped) {
            std::string Seconds = "[";
            for (const auto& [Second, Count] : Stats.PerSecond()) {
                if (Seconds.size() > 1)
                    Seconds += ',';
                Seconds += "[" + JsonQuote(SecondIso(Second)) + "," + std::to_string(Count) + "]";
            }
            Object.AddRaw("per_second", Seconds + "]");
        }
        return Object.Text() + "\n";
    }
    const TTextStyle Style = FOptions.Style;
    std::string Text;
    Text += "Messages: " + std::to_string(Stats.Messages()) + " (IN " + std::to_string(Stats.In()) + ", OUT " +
        std::to_string(Stats.Out()) + ")\n";
    Text += "Calls: " + std::to_string(Calls.TotalCalls()) + " (answered " + std::to_string(Answered) + ", complete " +
        std::to_string(Complete) + ")\n";
    Text += "\nBy name and direction\n";
    Text += Join({{"NAME", 8}, {"IN", -9}, {"OUT", -9}, {"OTHER", -9}, {"TOTAL", -9}}, Style);
    for (const auto& Name : Stats.ByName(FTexts))
        Text += Join({{Name.Name, 8},
                      {std::to_string(Name.In), -9},
                      {std::to_string(Name.Out), -9},
                      {std::to_string(Name.Other), -9},
                      {std::to_string(Name.Total()), -9}},
                     Style);
    Text += "\nBy link\n";
    Text += Join({{"LINK", -4}, {"MESSAGES", -9}}, Style);
    for (const auto& [Link, Count] : Stats.ByLink())
        Text += Join({{std::to_string(Link), -4}, {std::to_string(Count), -9}}, Style);
    Text += "\nBy point-code pair\n";
    Text += Join({{"OPC", -5}, {"DPC", -5}, {"MESSAGES", -9}}, Style);
    for (const auto& Pair : Stats.ByPair())
        Text += Join({{std::to_string(Pair.Opc), -5}, {std::to_string(Pair.Dpc), -5}, {std::to_string(Pair.Count), -9}},
                     Style);
    Text += "\nRelease causes\n";
    Text += Join({{"CAUSE", -5}, {"MESSAGES", -9}, {"TEXT", 0}}, Style);
    for (const auto& Cause : Stats.Causes())
        Text += Join({{std::to_string(Cause.Value), -5}, {std::to_string(Cause.Count), -9}, {Cause.Text, 0}}, Style);
    if (FStamped && !Stats.PerSecond().empty()) {
        // Per minute: the messages and the busiest second of each.
        Text += "\nMessages per second, by minute\n";
        Text += Join({{"MINUTE", 16}, {"MESSAGES", -9}, {"PEAK/S", -7}, {"AVERAGE/S", -9}}, Style);
        auto At = Stats.PerSecond().begin();
        const auto End = Stats.PerSecond().end();
        while (At != End) {
            const int64_t Minute = At->first >= 0 ? At->first / 60 : (At->first - 59) / 60;
            uint64_t Total = 0;
            uint32_t Peak = 0;
            for (; At != End && (At->first >= 0 ? At->first / 60 : (At->first - 59) / 60) == Minute; ++At) {
                Total += At->second;
                Peak = std::max(Peak, At->second);
            }
            char Average[32];
            std::snprintf(Average, sizeof Average, "%.2f", static_cast<double>(Total) / 60.0);
            Text += Join({{SecondIso(Minute * 60).substr(0, 16), 16},
                          {std::to_string(Total), -9},
                          {std::to_string(Peak), -7},
                          {Average, -9}},
                         Style);
        }
    }
    return Text;
}
