// The presentation layer's hot paths without a window: a capture file line
// read and added to the captures (decoded once for its row summary), the
// cells of a row drawn, the decoded view of a selected capture built, and
// velmora-dump's work per line. The captures are the lines of
// samples/sample-call.ss7, decoded against the bundled definitions.
#include "catalog/Definitions.h"
#include "core/Globals.h"
#include "presentation/CaptureDecoding.h"
#include "presentation/CaptureItems.h"
#include "presentation/CaptureRecord.h"
#include "presentation/CaptureRow.h"
#include "presentation/DecodedView.h"
#include "presentation/TextLines.h"

#include <benchmark/benchmark.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

const TDefinitions& Definitions()
{
    static const TDefinitions Loaded = LoadDefinitions(ProgramFolder() + "CFG/");
    return Loaded;
}

const std::string& SampleText()
{
    static const std::string Text = [] {
        std::ifstream File(VELMORA_SAMPLE_CALL, std::ios::binary);
        std::stringstream Read;
        Read << File.rdbuf();
        return Read.str();
    }();
    return Text;
}

std::vector<std::string> SampleRecords()
{
    std::vector<std::string> Records;
    TLineSplitter Lines(SampleText());
    std::string_view Line;
    std::string Bytes;
    while (Lines.Next(Line)) {
        ParseCaptureLine(Line, Bytes);
        if (Bytes.size() >= MinCaptureRecordSize)
            Records.push_back(Bytes);
    }
    return Records;
}

// A file line to a capture with its row summary, as a load does.
void BM_LineToCapture(benchmark::State& State)
{
    const TIsupCatalog& Catalog = *Definitions().StaticPackets;
    const std::string& Text = SampleText();
    TCaptureItemsCollection Captures;
    std::string Bytes;
    int64_t Lines = 0;
    for (auto _ : State) {
        TLineSplitter Split(Text);
        std::string_view Line;
        while (Split.Next(Line)) {
            ParseCaptureLine(Line, Bytes);
            benchmark::DoNotOptimize(Captures.Add(Bytes, Catalog));
            ++Lines;
        }
        if (Captures.Count() > 1000000) {
            State.PauseTiming();
            Captures.Clear();
            State.ResumeTiming();
        }
    }
    State.SetItemsProcessed(Lines);
}
BENCHMARK(BM_LineToCapture);

// The eight text cells of a row, as the list draws them.
void BM_RowCells(benchmark::State& State)
{
    TCaptureItemsCollection Captures;
    for (const std::string& Record : SampleRecords())
        Captures.Add(Record, *Definitions().StaticPackets);
    std::string Cell;
    int64_t Rows = 0;
    for (auto _ : State) {
        for (int Row = 0; Row < Captures.Count(); ++Row, ++Rows) {
            for (int Column = colIn; Column < CaptureColumnCount; ++Column) {
                Cell.clear();
                AppendCellText(Captures.Items(Row), Column, Captures.Texts(), Cell);
                benchmark::DoNotOptimize(Cell.data());
            }
        }
    }
    State.SetItemsProcessed(Rows);
}
BENCHMARK(BM_RowCells);

// The decoded view of a selected capture.
void BM_DecodedView(benchmark::State& State)
{
    const std::vector<std::string> Records = SampleRecords();
    int64_t Views = 0;
    for (auto _ : State) {
        for (const std::string& Record : Records) {
            const TDecodedView View(std::string_view(Record).substr(MinCaptureRecordSize),
                                    *Definitions().StaticPackets);
            benchmark::DoNotOptimize(View.Count());
            ++Views;
        }
    }
    State.SetItemsProcessed(Views);
}
BENCHMARK(BM_DecodedView);

// velmora-dump's texts of a line: the row summary, its cells and the detail.
void BM_DumpLineTexts(benchmark::State& State)
{
    const std::vector<std::string> Records = SampleRecords();
    TTextPool Texts;
    std::string Out;
    int64_t Lines = 0;
    for (auto _ : State) {
        for (const std::string& Record : Records) {
            TCaptureItem Item = TCaptureItem::OverRecord(Record);
            const TDecodedCapture Decoded(Item.OctetBytes(), *Definitions().StaticPackets);
            Item.Summary = SummarizeCapture(Decoded, Item.Direction, Texts);
            Out.clear();
            for (int Column = colIn; Column < CaptureColumnCount; ++Column)
                AppendCellText(Item, Column, Texts, Out);
            AppendDetail(Decoded, Out);
            benchmark::DoNotOptimize(Out.data());
            ++Lines;
        }
    }
    State.SetItemsProcessed(Lines);
}
BENCHMARK(BM_DumpLineTexts);

} // namespace
