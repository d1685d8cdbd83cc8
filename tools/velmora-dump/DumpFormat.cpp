#include "tools/velmora-dump/DumpFormat.h"

#include "core/Format.h"
#include "isup/IsupPacket.h"
#include "l4/MtpPacket.h"
#include "presentation/CaptureRow.h"
#include "presentation/DecodedView.h"
#include "presentation/HexText.h"
#include "tools/velmora-dump/Json.h"

#include <cstring>

namespace {

struct TColumn {
    const char* Title;
    size_t Width;
    bool Right;
};

// Widths fit the longest usual text of each column ("23:59:59.999",
// "31.12.2026", "16383 => 16383, sls=15"); a longer text pushes the rest
// of its line to the right rather than being cut.
constexpr TColumn RecordColumns[] = {
    {"LINE", 5, true}, {"TIME", 12, false},          {"DATE", 10, false}, {"IN", 5, false},      {"OUT", 5, false},
    {"LINK", 4, true}, {"ROUTING LABEL", 22, false}, {"CIC", 5, true},    {"DETAIL", 24, false}, {"ERROR", 0, false},
};
// The records of a pcap: the first column holds packet numbers.
constexpr TColumn PacketColumns[] = {
    {"PACKET", 6, true}, {"TIME", 12, false},          {"DATE", 10, false}, {"IN", 5, false},      {"OUT", 5, false},
    {"LINK", 4, true},   {"ROUTING LABEL", 22, false}, {"CIC", 5, true},    {"DETAIL", 24, false}, {"ERROR", 0, false},
};
constexpr TColumn MessageColumns[] = {
    {"LINE", 5, true}, {"NAME", 5, false},    {"ROUTING LABEL", 22, false},
    {"CIC", 5, true},  {"DETAIL", 24, false}, {"ERROR", 0, false},
};

// Writes a line's cells one after the other into the output: each cell is
// appended where it stands, then padded to its column (aligned) or cleaned
// of tabs and line ends (tab-separated).
class TLineWriter {
public:
    TLineWriter(const TColumn* Columns, TTextStyle Style, std::string& Out)
        : FColumns(Columns)
        , FStyle(Style)
        , FOut(Out)
        , FLineStart(Out.size())
    {
    }

    // Starts the next cell; its text is appended to Out() until EndCell.
    std::string& BeginCell()
    {
        if (FCell > 0) {
            if (FStyle == TTextStyle::Tabs)
                FOut.push_back('\t');
            else
                FOut.append(2, ' ');
        }
        FCellStart = FOut.size();
        return FOut;
    }
    void EndCell()
    {
        const TColumn& Column = FColumns[FCell++];
        if (FStyle == TTextStyle::Tabs) {
            // A cell never spans two columns or lines.
            for (size_t I = FCellStart; I < FOut.size(); ++I)
                if (FOut[I] == '\t' || FOut[I] == '\n' || FOut[I] == '\r')
                    FOut[I] = ' ';
            return;
        }
        const size_t Size = FOut.size() - FCellStart;
        if (Size >= Column.Width)
            return;
        const size_t Pad = Column.Width - Size;
        FOut.append(Pad, ' ');
        if (Column.Right) {
            // The cell moves right, blanks in front.
            char* Cell = FOut.data() + FCellStart;
            std::memmove(Cell + Pad, Cell, Size);
            std::memset(Cell, ' ', Pad);
        }
    }
    void Cell(std::string_view Text)
    {
        BeginCell() += Text;
        EndCell();
    }
    void Finish()
    {
        if (FStyle != TTextStyle::Aligned)
            return;
        size_t End = FOut.size();
        while (End > FLineStart && FOut[End - 1] == ' ')
            --End;
        FOut.resize(End);
    }

private:
    const TColumn* FColumns;
    TTextStyle FStyle;
    std::string& FOut;
    size_t FLineStart;
    size_t FCellStart = 0;
    size_t FCell = 0;
};

} // namespace

void AppendHeader(bool Records, TTextStyle Style, bool Packets, std::string& Out)
{
    const TColumn* Columns = Packets ? PacketColumns : Records ? RecordColumns : MessageColumns;
    const size_t Count = Records || Packets ? std::size(RecordColumns) : std::size(MessageColumns);
    TLineWriter Line(Columns, Style, Out);
    for (size_t I = 0; I < Count; ++I)
        Line.Cell(Columns[I].Title);
    Line.Finish();
}

void AppendText(const TDumpLine& Entry, const TTextPool& Texts, TTextStyle Style, std::string& Out)
{
    const TCaptureItem& Item = Entry.Item;
    TLineWriter Line(!Entry.IsRecord ? MessageColumns : Entry.FromPacket ? PacketColumns : RecordColumns, Style, Out);
    AppendDecimal(Line.BeginCell(), static_cast<uint64_t>(Entry.Line));
    Line.EndCell();
    const auto Cell = [&](int Column) {
        AppendCellText(Item, Column, Texts, Line.BeginCell());
        Line.EndCell();
    };
    if (Entry.IsRecord) {
        Cell(colTime);
        Cell(colDate);
        Cell(colIn);
        Cell(colOut);
        Cell(colLink);
    } else {
        // A bare message has no direction: its name is the one the IN
        // column shows for direction 0.
        Cell(colIn);
    }
    Cell(colRoutingLabel);
    Cell(colCic);
    AppendDetail(Entry.Decoded, Line.BeginCell());
    Line.EndCell();
    Cell(colDescription);
    Line.Finish();
}

const char* FieldKindKeyword(uint8_t Kind)
{
    switch (Kind) {
    case fkInteger:
        return "INTEGER";
    case fkEnum:
        return "ENUM";
    case fkBit:
        return "BIT";
    case fkAppendix:
        return "APPENDIX";
    case fkDigits:
        return "DIGITS";
    default:
        return "";
    }
}

namespace {

// Appends the text of a value as a JSON string, escaped in one pass over
// the text once it is made.
template <class TMake> void AppendMadeString(std::string& Out, std::string& Scratch, TMake Make)
{
    Scratch.clear();
    Make(Scratch);
    AppendJsonString(Scratch, Out);
}

// The fields of a present parameter, in layout order.
void AppendJsonFields(const TParameterView& Parameter, std::string& Out, std::string& Scratch)
{
    Out.push_back('[');
    const TParamValue Value = Parameter.ValueView();
    bool First = true;
    for (const TFieldDef& Field : Parameter.Fields()) {
        if (!First)
            Out.push_back(',');
        First = false;
        TJsonObject Object(Out);
        Object.Add("name", Field.Name);
        Object.Add("kind", FieldKindKeyword(Field.Kind));
        // Only bit fields have a position; DIGITS and APPENDIX take the
        // octets to the end of the value.
        if (Field.Kind == fkInteger || Field.Kind == fkEnum || Field.Kind == fkBit) {
            Object.Add("bit", int64_t{Field.Bit});
            Object.Add("length", int64_t{Field.Length});
            // A whole value says which octets make its number.
            if (Field.Octets > 1) {
                Object.Add("octets", int64_t{Field.Octets});
                Object.Add("order", Field.MsbFirst ? "MsbFirst" : "LsbFirst");
            }
        }
        Object.Add("value", int64_t{FieldOps::GetValue(Field, Value)});
        Object.Key("text");
        AppendMadeString(Out, Scratch, [&](std::string& Text) { FieldOps::AppendValueText(Text, Field, Value); });
        Object.Close();
    }
    Out.push_back(']');
}

// The present parameters of an ISUP message, in message order.
void AppendJsonParameters(const TCustomIsupPacket& Isup, std::string& Out)
{
    std::string Scratch;
    Out.push_back('[');
    const TParameterCollection& Parameters = Isup.Parameters();
    bool First = true;
    for (int I = 0; I < Parameters.Count(); ++I) {
        const TParameterView Parameter = Parameters.View(I);
        if (!Parameter.GetPresent())
            continue;
        if (!First)
            Out.push_back(',');
        First = false;
        TJsonObject Object(Out);
        Object.Add("name", Parameter.Name());
        Object.Add("caption", Parameter.Caption());
        Object.Add("code", int64_t{Parameter.Code()});
        Object.AddBool("mandatory", Parameter.Mandatory());
        // Hex pairs need no escaping.
        Object.Key("hex").Out().push_back('"');
        AppendHexWords(Parameter.Value(), Out);
        Out.push_back('"');
        Object.Key("fields");
        AppendJsonFields(Parameter, Out, Scratch);
        Object.Close();
    }
    Out.push_back(']');
}

} // namespace

void AppendTree(const TDecodedCapture& Decoded, std::string& Out)
{
    AppendDecodedLines(Decoded, TreeIndent, Out);
}

void AppendJson(const TDumpLine& Entry, const TTextPool& Texts, std::string& Out)
{
    const TCaptureItem& Item = Entry.Item;
    const TDecodedCapture& Decoded = Entry.Decoded;
    std::string Scratch;
    TJsonObject Object(Out);
    Object.Add(Entry.FromPacket ? "packet" : "line", int64_t{Entry.Line});
    if (Entry.IsRecord) {
        Object.Key("stamp").Out().push_back('"');
        AppendStampIso(Item.Stamp, Out);
        Out.push_back('"');
        Object.Add("direction", int64_t{Item.Direction});
        if (!Decoded.IsStopEntry())
            Object.Add("link", int64_t{Item.Link});
    }
    uint8_t ServiceIndicator = 0;
    uint32_t RoutingLabel = 0;
    if (Decoded.Heading(ServiceIndicator, RoutingLabel)) {
        Object.Add("si", int64_t{ServiceIndicator});
        Object.Add("opc", int64_t{GetOpc(RoutingLabel)});
        Object.Add("dpc", int64_t{GetDpc(RoutingLabel)});
        Object.Add("sls", int64_t{GetSls(RoutingLabel)});
    }
    Object.Add("name", Texts.Text(Item.Summary.NameText));
    Object.Key("caption");
    AppendMadeString(Out, Scratch, [&](std::string& Text) { AppendCaption(Decoded, Text); });
    if (Item.Summary.HasCic)
        Object.Add("cic", int64_t{Item.Summary.Cic});
    if (const TMtpPacket* Mtp = Decoded.Mtp())
        Object.Add("description", Mtp->GetDescription());
    if (const TTestPacketL4* Test = Decoded.LinkTest()) {
        Object.Key("pattern").Out().push_back('"');
        AppendHexWords(Test->TestPattern, Out);
        Out.push_back('"');
    }
    if (Decoded.Failed())
        Object.Add("error", Texts.Text(Item.Summary.ErrorText));
    Object.Key("octets").Out().push_back('"');
    AppendHexWords(Item.OctetBytes(), Out);
    Out.push_back('"');
    if (const TCustomIsupPacket* Isup = Decoded.Isup()) {
        Object.Key("parameters");
        AppendJsonParameters(*Isup, Out);
    }
    Object.Close();
}
