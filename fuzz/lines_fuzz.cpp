// Text through the line splitter and the hex parser, as velmora-dump, a
// capture file load and a paste read it. Checked on the way: the splitter's
// line count and the stream reader agree with its lines; the parser's fast
// path for the monitor's own "XX XX " form gives what the general hex reader
// gives, and a record's line written back reads as the same octets. Every
// line is then shown as a record and as a bare message, as velmora-dump
// shows them.
#include "core/Exception.h"
#include "core/HexString.h"
#include "fuzz/FuzzSupport.h"
#include "presentation/CaptureItems.h"
#include "presentation/CaptureRecord.h"
#include "presentation/TextLines.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <vector>

namespace {

// Lines beyond these are only split, not shown: a long input would spend
// the run decoding rather than finding new paths.
constexpr size_t ShownLines = 16;

// The octets of Line as the general hex reader reads them; nothing when it
// refuses the line.
std::optional<std::string> ReadHex(std::string_view Line)
{
    try {
        THexString Hex(true);
        Hex.FromText(Line);
        return std::string(Hex.Data());
    } catch (const Exception&) {
        return std::nullopt;
    }
}

std::optional<std::string> ParseLine(std::string_view Line)
{
    try {
        std::string Bytes;
        ParseCaptureLine(Line, Bytes);
        return Bytes;
    } catch (const Exception&) {
        return std::nullopt;
    }
}

void CheckStreamReader(std::string_view Input, const std::vector<std::string_view>& Lines)
{
    if (Input.empty())
        return;
    std::FILE* File = fmemopen(const_cast<char*>(Input.data()), Input.size(), "rb");
    if (!File)
        FuzzFail("fmemopen failed");
    TLineReader Reader(File);
    std::string_view Line;
    size_t I = 0;
    for (; Reader.Next(Line); ++I)
        if (I >= Lines.size() || Line != Lines[I])
            FuzzFail("the stream reader gives another line than the splitter", Line);
    std::fclose(File);
    if (I != Lines.size() || Reader.Failed())
        FuzzFail("the stream reader gives fewer lines than the splitter");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    ShippedCatalog();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    const std::string_view Input(reinterpret_cast<const char*>(Data), Size);
    std::vector<std::string_view> Lines;
    TLineSplitter Splitter(Input);
    for (std::string_view Line; Splitter.Next(Line);)
        Lines.push_back(Line);
    if (TLineSplitter::Count(Input) != Lines.size())
        FuzzFail("the line count differs from the lines given");
    CheckStreamReader(Input, Lines);

    const TIsupCatalog& Catalog = ShippedCatalog();
    TTextPool Texts;
    for (size_t I = 0; I < Lines.size() && I < ShownLines; ++I) {
        const std::optional<std::string> Bytes = ParseLine(Lines[I]);
        if (Bytes != ReadHex(Lines[I]))
            FuzzFail("the capture line reader and the hex reader read a line differently", Lines[I]);
        if (!Bytes)
            continue;
        if (ParseLine(CaptureLineText(*Bytes)) != Bytes)
            FuzzFail("a capture line written back reads differently", Lines[I]);
        ShowCapture(TCaptureItem::OverMessage(*Bytes), false, Catalog, Texts);
        TCaptureRecord Record;
        if (!ReadCaptureRecord(*Bytes, Record))
            continue;
        if (CaptureRecordBytes(Record) != *Bytes)
            FuzzFail("a capture record written back differs", Lines[I]);
        ShowCapture(TCaptureItem::OverRecord(*Bytes), true, Catalog, Texts);
    }

    // A paste reads all lines together into one record.
    try {
        const std::string Record = PasteRecord(Input, TSystemTime{2026, 12, 2, 8, 23, 59, 59, 999});
        TCaptureItemsCollection Captures;
        if (const TCaptureItem* Item = Captures.Add(Record, Catalog))
            ShowCapture(*Item, true, Catalog, Texts);
    } catch (const Exception&) {
        // The window shows the parser's error.
    }
    return 0;
}
