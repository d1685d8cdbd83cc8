#include "fuzz/FuzzSupport.h"

#include "analysis/CallTracker.h"
#include "analysis/TrafficStats.h"
#include "catalog/Definitions.h"
#include "core/MemoryStream.h"
#include "isup/CustomParameter.h"
#include "isup/IsupPacket.h"
#include "isup/ParamField.h"
#include "l4/PacketL4.h"
#include "presentation/CaptureRow.h"
#include "presentation/DecodedView.h"
#include "tools/velmora-dump/DumpFormat.h"

#include <algorithm>
#include <cctype>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace fs = std::filesystem;

void FuzzFail(const char* What, std::string_view Detail)
{
    std::fprintf(stderr, "check failed: %s\n", What);
    if (!Detail.empty())
        std::fprintf(stderr, "  %.*s\n", static_cast<int>(Detail.size()), Detail.data());
    std::abort();
}

std::vector<std::string_view> SplitInput(std::string_view Input, std::string_view Marker, size_t Pieces)
{
    std::vector<std::string_view> Result;
    while (Result.size() + 1 < Pieces) {
        const size_t At = Input.find(Marker);
        if (At == std::string_view::npos)
            break;
        Result.push_back(Input.substr(0, At));
        Input.remove_prefix(At + Marker.size());
    }
    Result.push_back(Input);
    return Result;
}

const std::string& ScratchFolder()
{
    static const std::string Folder = [] {
        const fs::path Path = fs::temp_directory_path() / ("velmora-fuzz-" + std::to_string(getpid()));
        fs::remove_all(Path);
        fs::create_directories(Path);
        return Path.string() + "/";
    }();
    return Folder;
}

void WriteWholeFile(const std::string& Path, std::string_view Text)
{
    std::ofstream Out(Path, std::ios::binary | std::ios::trunc);
    Out.write(Text.data(), static_cast<std::streamsize>(Text.size()));
    if (!Out) {
        std::fprintf(stderr, "cannot write %s\n", Path.c_str());
        std::abort();
    }
}

namespace {

// Keeps the compiler from dropping texts nobody reads.
volatile size_t Sink;

void Use(const std::string& Text)
{
    Sink = Sink + Text.size();
}

void WalkParameter(const TCustomParameter& Parameter)
{
    Use(Parameter.GetTitle());
    Use(Parameter.GetTypeText());
    Use(Parameter.GetHexValue());
    Use(Parameter.GetText());
    Use(Parameter.GetDescription());
    Sink = Sink + static_cast<size_t>(Parameter.GetPresent());
    const TParamFieldCollection& Fields = Parameter.Fields();
    for (int I = 0; I < Fields.Count(); ++I) {
        const TParamField& Field = Fields.Items(I);
        Use(Field.GetValueText());
        Use(Field.GetHexText());
        Use(Field.GetDescription());
        Sink = Sink + Field.GetValue() + static_cast<size_t>(Field.GetOctetIndex() + Field.GetBitShift());
    }
}

} // namespace

std::string WalkPacket(const TCustomPacketL4& Packet)
{
    Use(Packet.GetName());
    if (const auto* Isup = dynamic_cast<const TCustomIsupPacket*>(&Packet)) {
        Use(Isup->GetSummary());
        Use(Isup->GetCodedText(true));
        Use(Isup->GetCodedText(false));
        const TParameterCollection& Parameters = Isup->Parameters();
        for (int I = 0; I < Parameters.Count(); ++I)
            WalkParameter(Parameters.Items(I));
    }
    TMemoryStream Out;
    Packet.SaveToStream(Out);
    return Out.Bytes();
}

void CheckParameterBlocksAreNotRecycled()
{
    auto* First = new TCustomParameter(nullptr, false, 1);
    const void* Block = First;
    delete First;
    auto* Second = new TCustomParameter(nullptr, false, 2);
    const bool Recycled = Second == Block;
    delete Second;
    if (Recycled) {
        std::fprintf(stderr, "freed parameter blocks are recycled under AddressSanitizer\n");
        std::abort();
    }
}

const TIsupCatalog& ShippedCatalog()
{
    static const TDefinitions Definitions = [] {
        try {
            return LoadDefinitions(VELMORA_SHIPPED_CFG);
        } catch (const std::exception& Error) {
            FuzzFail("the shipped definitions do not load", Error.what());
        }
    }();
    if (Definitions.StaticPackets->Count() == 0)
        FuzzFail("the shipped definitions hold no message", VELMORA_SHIPPED_CFG);
    return *Definitions.StaticPackets;
}

namespace {

// A JSON value read from Text at Position, recursively to a sane depth.
class TJsonChecker {
public:
    explicit TJsonChecker(std::string_view Text)
        : FText(Text)
    {
    }

    void Check()
    {
        Value(0);
        if (FPosition != FText.size())
            Fail("text after the JSON value");
    }

private:
    [[noreturn]] void Fail(const char* What) const
    {
        FuzzFail(What, std::string(FText) + "\n  at offset " + std::to_string(FPosition));
    }
    char Peek() const { return FPosition < FText.size() ? FText[FPosition] : '\0'; }
    void Expect(char C)
    {
        if (Peek() != C)
            Fail("malformed JSON");
        ++FPosition;
    }
    void Value(int Depth)
    {
        if (Depth > 16)
            Fail("JSON nested too deep");
        const char C = Peek();
        if (C == '{')
            Members(Depth);
        else if (C == '[')
            Elements(Depth);
        else if (C == '"')
            String();
        else if (C == '-' || (C >= '0' && C <= '9'))
            Number();
        else if (!Word("true") && !Word("false") && !Word("null"))
            Fail("malformed JSON value");
    }
    bool Word(std::string_view Text)
    {
        if (FText.substr(FPosition, Text.size()) != Text)
            return false;
        FPosition += Text.size();
        return true;
    }
    void Members(int Depth)
    {
        Expect('{');
        if (Peek() == '}') {
            ++FPosition;
            return;
        }
        for (;;) {
            String();
            Expect(':');
            Value(Depth + 1);
            if (Peek() == '}') {
                ++FPosition;
                return;
            }
            Expect(',');
        }
    }
    void Elements(int Depth)
    {
        Expect('[');
        if (Peek() == ']') {
            ++FPosition;
            return;
        }
        for (;;) {
            Value(Depth + 1);
            if (Peek() == ']') {
                ++FPosition;
                return;
            }
            Expect(',');
        }
    }
    void String()
    {
        Expect('"');
        for (;;) {
            const auto C = static_cast<unsigned char>(Peek());
            if (FPosition >= FText.size() || C < 0x20 || C >= 0x7F)
                Fail("a JSON string holds a raw control or non-ASCII octet, or is not closed");
            ++FPosition;
            if (C == '"')
                return;
            if (C != '\\')
                continue;
            const char Escape = Peek();
            ++FPosition;
            if (Escape == 'u') {
                for (int I = 0; I < 4; ++I, ++FPosition)
                    if (!std::isxdigit(static_cast<unsigned char>(Peek())))
                        Fail("a JSON \\u escape without four hex digits");
            } else if (std::string_view("\"\\/bfnrt").find(Escape) == std::string_view::npos) {
                Fail("an unknown JSON escape");
            }
        }
    }
    void Number()
    {
        if (Peek() == '-')
            ++FPosition;
        if (Peek() == '0') {
            ++FPosition;
        } else {
            if (!(Peek() >= '1' && Peek() <= '9'))
                Fail("a JSON number without digits");
            while (Peek() >= '0' && Peek() <= '9')
                ++FPosition;
        }
        if (Peek() == '.' || Peek() == 'e' || Peek() == 'E')
            Fail("velmora-dump writes integers only");
    }

    std::string_view FText;
    size_t FPosition = 0;
};

bool HasLineBreak(std::string_view Text)
{
    return Text.find_first_of("\r\n") != std::string_view::npos;
}

} // namespace

void CheckJson(std::string_view Text)
{
    TJsonChecker(Text).Check();
}

std::string ShowCapture(const TCaptureItem& Item, bool IsRecord, const TIsupCatalog& Catalog, TTextPool& Texts)
{
    // As velmora-dump handles a line, and the window a new capture.
    TDumpLine Entry{1, IsRecord, Item, TDecodedCapture(Item.OctetBytes(), Catalog)};
    Entry.Item.Summary = SummarizeCapture(Entry.Decoded, Entry.Item.Direction, Texts);
    for (int Column = 0; Column < CaptureColumnCount; ++Column) {
        const std::string Cell = CellText(Entry.Item, Column, Texts);
        if (HasLineBreak(Cell))
            FuzzFail("a cell of the capture list holds a line break", Cell);
    }
    // Every message is one line of velmora-dump's output, in every form.
    std::string Aligned, Tabs, Json;
    AppendText(Entry, Texts, TTextStyle::Aligned, Aligned);
    AppendText(Entry, Texts, TTextStyle::Tabs, Tabs);
    AppendJson(Entry, Texts, Json);
    if (HasLineBreak(Aligned) || HasLineBreak(Tabs))
        FuzzFail("a message line of velmora-dump holds a line break", Aligned);
    const auto TabCount = static_cast<size_t>(std::count(Tabs.begin(), Tabs.end(), '\t'));
    if (TabCount + 1 != (IsRecord ? 10u : 6u))
        FuzzFail("a tab-separated line has the wrong number of columns", Tabs);
    CheckJson(Json);

    // The calls and counts kept of every capture, as the window's views and
    // velmora-dump --calls and --stats keep them.
    TCaptureAnalysis Analysis;
    Analysis.Add(1, Entry.Item, Entry.Decoded);
    if (Analysis.Stats.Messages() != 1)
        FuzzFail("a capture is not counted once");
    Use(CallsCsv(Analysis.Calls.Calls()));
    for (const auto& Cause : Analysis.Stats.Causes())
        Use(Cause.Text);

    // velmora-dump's tree lines, written straight from the decoded message.
    std::string Tree;
    AppendTree(Entry.Decoded, Tree);

    // The decoded view as the window shows it when the capture is selected.
    const TDecodedView View(std::move(Entry.Decoded));
    Use(View.HexStatusText());
    std::string Status;
    for (int Node = 0; Node < View.Count(); ++Node) {
        View.StatusText(Node, Status);
        Use(Status);
    }
    std::string Shown = View.Caption();
    Shown += '\n';
    if (static_cast<size_t>(std::count(Tree.begin(), Tree.end(), '\n')) != static_cast<size_t>(View.Count()) ||
        Tree.find('\r') != std::string::npos)
        FuzzFail("a line of the decoded view holds a line break", Tree);
    Shown += Tree;
    return Shown;
}
