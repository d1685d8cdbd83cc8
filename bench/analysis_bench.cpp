// Calls and counts benchmark: N captures (default one million) of a call
// mix, or the records of a capture file, are taken in as the window takes
// them (decoded once for their summary). Reports the intake without and
// with the calls and counts attached, the time the calls and counts take
// by themselves (over captures decoded beforehand, in batches), and the
// time filters take over all the captures, and the intake with the calls
// and counts under a limit on captures held; CPU times of the process.
//
//   analysis_bench [COUNT [FILE.ss7]]
#include "analysis/CaptureFilter.h"
#include "analysis/TrafficStats.h"
#include "catalog/Definitions.h"
#include "core/Globals.h"
#include "presentation/CaptureDecoding.h"
#include "presentation/CaptureItems.h"
#include "presentation/TextLines.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <deque>
#include <string>
#include <vector>

#include "bench/call_mix.h"

namespace {

// The process's CPU time: the machine may be shared, and wall time then
// says more about the others than about us.
struct Clock {
    using time_point = double;
    static double now()
    {
        timespec Now{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &Now);
        return static_cast<double>(Now.tv_sec) + static_cast<double>(Now.tv_nsec) / 1e9;
    }
};

double Seconds(double Since)
{
    return Clock::now() - Since;
}

std::vector<TCaptureRecord> FileRecords(const char* Name, size_t Count)
{
    std::vector<TCaptureRecord> Records;
    std::FILE* File = std::fopen(Name, "rb");
    if (!File)
        return Records;
    TLineReader Reader(File);
    std::string_view Line;
    std::string Bytes;
    TCaptureRecord Record;
    while (Records.size() < Count && Reader.Next(Line)) {
        ParseCaptureLine(Line, Bytes);
        if (ReadCaptureRecord(Bytes, Record))
            Records.push_back(Record);
    }
    std::fclose(File);
    return Records;
}

} // namespace

int main(int argc, char** argv)
{
    const size_t Count = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 1000000;
    const TDefinitions Definitions = LoadDefinitions(ProgramFolder() + "CFG/");
    const TIsupCatalog& Catalog = *Definitions.StaticPackets;
    const std::vector<TCaptureRecord> Records = argc > 2 ? FileRecords(argv[2], Count) : bench::CallMix(Count);
    std::printf("%zu captures (%s)\n", Records.size(), argc > 2 ? argv[2] : "call mix");

    {
        TCaptureItemsCollection Captures;
        const auto Start = Clock::now();
        for (const TCaptureRecord& Record : Records)
            Captures.Add(Record, Catalog);
        std::printf("intake without calls and counts:  %.3f s\n", Seconds(Start));
    }

    TCaptureItemsCollection Captures;
    TCaptureAnalysis Analysis;
    Captures.SetObserver(&Analysis);
    auto Start = Clock::now();
    for (const TCaptureRecord& Record : Records)
        Captures.Add(Record, Catalog);
    std::printf("intake with calls and counts:     %.3f s (%zu calls)\n", Seconds(Start),
                Analysis.Calls.Calls().size());

    {
        // A long run under a limit on captures, dropping the oldest a
        // twentieth of the limit at a time as the window does: the calls go
        // with their captures.
        constexpr int Limit = 100000;
        TCaptureItemsCollection Held;
        TCaptureAnalysis Kept;
        Held.SetObserver(&Kept);
        size_t MostCalls = 0;
        const auto Since = Clock::now();
        for (const TCaptureRecord& Record : Records) {
            Held.Add(Record, Catalog);
            if (Held.Count() > Limit) {
                MostCalls = std::max(MostCalls, Kept.Calls.Calls().size());
                Held.DropOldest(Held.Count() - Limit + Limit / 20);
            }
        }
        std::printf("the same, at most %d held:     %.3f s (at most %zu calls held, %llu in all)\n", Limit,
                    Seconds(Since), MostCalls, static_cast<unsigned long long>(Kept.Calls.TotalCalls()));
    }

    // The calls and counts alone: captures decoded beforehand, a batch at a
    // time, then fed; only the feeding is timed.
    TCaptureAnalysis Alone;
    double Fed = 0;
    constexpr int Batch = 20000;
    for (int First = 0; First < Captures.Count(); First += Batch) {
        std::deque<TDecodedCapture> Decoded;
        const int Last = std::min(Captures.Count(), First + Batch);
        for (int I = First; I < Last; ++I)
            Decoded.emplace_back(Captures.Items(I).OctetBytes(), Catalog);
        const auto Feed = Clock::now();
        for (int I = First; I < Last; ++I)
            Alone.Add(Captures.SequenceOf(I), Captures.Items(I), Decoded[static_cast<size_t>(I - First)]);
        Fed += Seconds(Feed);
    }
    std::printf("calls and counts by themselves:   %.3f s (%.0f ns a capture; %zu calls, %llu messages)\n", Fed,
                Fed * 1e9 / static_cast<double>(Captures.Count()), Alone.Calls.Calls().size(),
                static_cast<unsigned long long>(Alone.Stats.Messages()));

    for (const char* Expression : {"name=IAM", "pc=2300 cic=5-90", "!name=IAM,ACM,ANM,REL,RLC", "dir=in link=0-3",
                                   "sltm", "\"=> 2300\" !name=RLC"}) {
        const TCaptureFilter Filter = TCaptureFilter::Parse(Expression);
        Start = Clock::now();
        int Kept = 0;
        for (int I = 0; I < Captures.Count(); ++I)
            Kept += Filter.Matches(Captures.Items(I), Captures.Texts());
        std::printf("filter %-28s %.3f s (%d kept)\n", Expression, Seconds(Start), Kept);
    }
    return 0;
}
