#include "tools/velmora-dump/DumpFormat.h"

#include "isup/IsupPacket.h"
#include "l4/MtpPacket.h"
#include "presentation/CaptureRow.h"
#include "presentation/DecodedView.h"
#include "presentation/HexText.h"
#include "tools/velmora-dump/Json.h"

#include <vector>

namespace {

struct TColumn {
    const char* Title;
    size_t Width;
    bool Right;
};

// Widths fit the longest usual text of each column ("23:59:59.999",
// "31.12.2026", "16383 => 16383, sls=15"); a longer text pushes the rest
// of its line to the right rather than being cut.
const std::vector<TColumn> RecordColumns = {
    {"LINE", 5, true}, {"TIME", 12, false},          {"DATE", 10, false}, {"IN", 5, false},      {"OUT", 5, false},
    {"LINK", 4, true}, {"ROUTING LABEL", 22, false}, {"CIC", 5, true},    {"DETAIL", 24, false}, {"ERROR", 0, false},
};
const std::vector<TColumn> MessageColumns = {
    {"LINE", 5, true}, {"NAME", 5, false},    {"ROUTING LABEL", 22, false},
    {"CIC", 5, true},  {"DETAIL", 24, false}, {"ERROR", 0, false},
};

std::string JoinColumns(const std::vector<TColumn>& Columns, const std::vector<std::string>& Cells, TTextStyle Style)
{
    std::string Line;
    for (size_t I = 0; I < Cells.size(); ++I) {
        std::string Cell = Cells[I];
        if (Style == TTextStyle::Tabs) {
            // A cell never spans two columns or lines.
            for (char& C : Cell)
                if (C == '\t' || C == '\n' || C == '\r')
                    C = ' ';
            if (I > 0)
                Line.push_back('\t');
            Line += Cell;
            continue;
        }
        if (I > 0)
            Line += "  ";
        const size_t Pad = Cell.size() < Columns[I].Width ? Columns[I].Width - Cell.size() : 0;
        if (Columns[I].Right)
            Line.append(Pad, ' ');
        Line += Cell;
        if (!Columns[I].Right)
            Line.append(Pad, ' ');
    }
    if (Style == TTextStyle::Aligned)
        while (!Line.empty() && Line.back() == ' ')
            Line.pop_back();
    return Line;
}

std::string Cell(const TCaptureItem& Item, int Column, const TTextPool& Texts)
{
    return CellText(Item, Column, Texts);
}

std::string Detail(const TDecodedCapture& Decoded)
{
    std::string Text;
    AppendDetail(Decoded, Text);
    return Text;
}

} // namespace

std::string FormatHeader(bool Records, TTextStyle Style)
{
    const auto& Columns = Records ? RecordColumns : MessageColumns;
    std::vector<std::string> Cells;
    for (const auto& Column : Columns)
        Cells.emplace_back(Column.Title);
    return JoinColumns(Columns, Cells, Style);
}

std::string FormatText(const TDumpLine& Entry, const TTextPool& Texts, TTextStyle Style)
{
    const TCaptureItem& Item = Entry.Item;
    const std::string Line = std::to_string(Entry.Line);
    // A bare message has no direction: its name is the one the IN column
    // shows for direction 0.
    if (!Entry.IsRecord)
        return JoinColumns(MessageColumns,
                           {Line, Cell(Item, colIn, Texts), Cell(Item, colRoutingLabel, Texts),
                            Cell(Item, colCic, Texts), Detail(Entry.Decoded), Cell(Item, colDescription, Texts)},
                           Style);
    return JoinColumns(RecordColumns,
                       {Line, Cell(Item, colTime, Texts), Cell(Item, colDate, Texts), Cell(Item, colIn, Texts),
                        Cell(Item, colOut, Texts), Cell(Item, colLink, Texts), Cell(Item, colRoutingLabel, Texts),
                        Cell(Item, colCic, Texts), Detail(Entry.Decoded), Cell(Item, colDescription, Texts)},
                       Style);
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

// The fields of a present parameter, in layout order.
std::string JsonFields(const TCustomParameter& Parameter)
{
    std::string Json = "[";
    const TParamFieldCollection& Fields = Parameter.Fields();
    for (int I = 0; I < Fields.Count(); ++I) {
        const TParamField& Field = Fields.Items(I);
        TJsonObject Object;
        Object.Add("name", Field.Name());
        Object.Add("kind", FieldKindKeyword(Field.Kind()));
        // Only bit fields have a position; DIGITS and APPENDIX take the
        // octets to the end of the value.
        if (Field.Kind() == fkInteger || Field.Kind() == fkEnum || Field.Kind() == fkBit) {
            Object.Add("bit", int64_t{Field.Bit()});
            Object.Add("length", int64_t{Field.Length()});
        }
        Object.Add("value", int64_t{Field.GetValue()});
        Object.Add("text", Field.GetValueText());
        if (I > 0)
            Json.push_back(',');
        Json += Object.Text();
    }
    return Json + "]";
}

// The present parameters of an ISUP message, in message order.
std::string JsonParameters(const TCustomIsupPacket& Isup)
{
    std::string Json = "[";
    const TParameterCollection& Parameters = Isup.Parameters();
    bool First = true;
    for (int I = 0; I < Parameters.Count(); ++I) {
        const TCustomParameter& Parameter = Parameters.Items(I);
        if (!Parameter.GetPresent())
            continue;
        TJsonObject Object;
        Object.Add("name", Parameter.Name());
        Object.Add("caption", Parameter.Caption());
        Object.Add("code", int64_t{Parameter.Code()});
        Object.AddBool("mandatory", Parameter.Mandatory());
        Object.Add("hex", HexWords(Parameter.Value()));
        Object.AddRaw("fields", JsonFields(Parameter));
        if (!First)
            Json.push_back(',');
        First = false;
        Json += Object.Text();
    }
    return Json + "]";
}

} // namespace

std::string FormatTree(const TDecodedView& View)
{
    std::string Tree;
    for (int Node = 0; Node < View.Count(); ++Node) {
        Tree.append(TreeIndent + 2 * static_cast<size_t>(View.Node(Node).Level), ' ');
        View.AppendTreeLine(Node, Tree);
        Tree.push_back('\n');
    }
    return Tree;
}

std::string FormatJson(const TDumpLine& Entry, const TTextPool& Texts)
{
    const TCaptureItem& Item = Entry.Item;
    const TDecodedCapture& Decoded = Entry.Decoded;
    TJsonObject Object;
    Object.Add("line", int64_t{Entry.Line});
    if (Entry.IsRecord) {
        Object.Add("stamp", FormatStampIso(Item.Stamp));
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
    std::string Caption;
    AppendCaption(Decoded, Caption);
    Object.Add("caption", Caption);
    if (Item.Summary.HasCic)
        Object.Add("cic", int64_t{Item.Summary.Cic});
    if (const TMtpPacket* Mtp = Decoded.Mtp())
        Object.Add("description", Mtp->GetDescription());
    if (const TTestPacketL4* Test = Decoded.LinkTest())
        Object.Add("pattern", HexWords(Test->TestPattern));
    if (Decoded.Failed())
        Object.Add("error", Texts.Text(Item.Summary.ErrorText));
    Object.Add("octets", HexWords(Item.OctetBytes()));
    if (const TCustomIsupPacket* Isup = Decoded.Isup())
        Object.AddRaw("parameters", JsonParameters(*Isup));
    return Object.Text();
}
