#include "tools/velmora-dump/DumpFormat.h"

#include "core/HexString.h"
#include "core/MemoryStream.h"
#include "isup/IsupPacket.h"
#include "l4/MtpPacket.h"
#include "tools/velmora-dump/Json.h"

#include <algorithm>
#include <optional>
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

// The circuit identification code of an ISUP message; none for every other
// message.
std::optional<unsigned> CicOf(const TCustomPacketL4& Packet)
{
    if (const auto* Isup = dynamic_cast<const TCustomIsupPacket*>(&Packet))
        return Isup->Cic;
    return std::nullopt;
}

std::string Detail(const TDumpEntry& Entry)
{
    if (!Entry.Packet)
        return {};
    if (const auto* Mtp = dynamic_cast<const TMtpPacket*>(Entry.Packet.get()))
        return Mtp->GetDescription();
    if (const auto* Test = dynamic_cast<const TTestPacketL4*>(Entry.Packet.get())) {
        if (Test->TestPattern.empty())
            return Test->GetName();
        return Test->GetName() + " (Pattern=" + HexWords(Test->TestPattern) + ")";
    }
    // An ISUP message as the root of the decoded view shows it.
    if (const auto* Isup = dynamic_cast<const TCustomIsupPacket*>(Entry.Packet.get()))
        return Isup->Name() + ", " + Isup->Caption();
    return {};
}

// The caption the decoded view shows for the message.
std::string Caption(const TDumpEntry& Entry)
{
    if (Entry.IsStop)
        return "Heart Stop Message";
    if (!Entry.Packet)
        return Entry.Error;
    switch (Entry.Packet->GetServiceIndicator()) {
    case 0:
        return "MTP Subsystem Message";
    case 1:
        return "Test Subsystem Message";
    case 5:
        if (const auto* Isup = dynamic_cast<const TCustomIsupPacket*>(Entry.Packet.get()))
            return Isup->Caption();
        return {};
    default:
        return {};
    }
}

struct TFrame {
    uint8_t ServiceIndicator;
    uint32_t RoutingLabel;
};

// The SIO and routing label as far as the octets hold them; a message the
// decoder rejected still shows where it came from and where it went.
std::optional<TFrame> Frame(const TDumpEntry& Entry)
{
    if (Entry.IsStop || Entry.Octets.empty())
        return std::nullopt;
    if (Entry.Packet)
        return TFrame{Entry.Packet->GetServiceIndicator(), Entry.Packet->RoutingLabel};
    TCustomPacketL4 Head;
    TMemoryStream Stream(Entry.Octets);
    Head.LoadFromStream(Stream);
    return TFrame{Head.GetServiceIndicator(), Head.RoutingLabel};
}

} // namespace

std::string HexWords(std::string_view Octets)
{
    std::string Text = BytesToSpacedHex(reinterpret_cast<const uint8_t*>(Octets.data()), Octets.size());
    if (!Text.empty())
        Text.pop_back();
    return Text;
}

std::string FormatHeader(bool Records, TTextStyle Style)
{
    const auto& Columns = Records ? RecordColumns : MessageColumns;
    std::vector<std::string> Cells;
    for (const auto& Column : Columns)
        Cells.emplace_back(Column.Title);
    return JoinColumns(Columns, Cells, Style);
}

std::string FormatText(const TDumpEntry& Entry, TTextStyle Style)
{
    const std::string Name = Entry.Name();
    std::string Label;
    std::string Cic;
    if (Entry.Packet) {
        Label = GetRoutingLabelText(Entry.Packet->RoutingLabel);
        if (const auto Code = CicOf(*Entry.Packet))
            Cic = std::to_string(*Code);
    }
    const std::string Line = std::to_string(Entry.Line);
    if (!Entry.IsRecord)
        return JoinColumns(MessageColumns, {Line, Name, Label, Cic, Detail(Entry), Entry.Error}, Style);

    // A received message shows its name under IN, a sent one under OUT, any
    // other direction code under both; a stop entry shows STOP under IN.
    std::string In, Out, Link;
    if (Entry.IsStop) {
        In = Name;
    } else {
        if (Entry.Direction != 2)
            In = Name;
        if (Entry.Direction != 1)
            Out = Name;
        Link = std::to_string(Entry.Link);
    }
    return JoinColumns(RecordColumns,
                       {Line, FormatStampTime(Entry.Stamp), FormatStampDate(Entry.Stamp), In, Out, Link, Label, Cic,
                        Detail(Entry), Entry.Error},
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

void TreeLine(std::string& Tree, int Level, const std::string& Text)
{
    Tree.append(TreeIndent + 2 * static_cast<size_t>(Level), ' ');
    Tree += Text;
    Tree.push_back('\n');
}

} // namespace

std::string FormatTree(const TDumpEntry& Entry)
{
    std::string Tree;
    if (Entry.IsStop)
        return Tree;
    const auto* Isup = dynamic_cast<const TCustomIsupPacket*>(Entry.Packet.get());
    if (!Isup) {
        const std::string_view Octets = Entry.Octets;
        if (dynamic_cast<const TTestPacketL4*>(Entry.Packet.get()))
            TreeLine(Tree, 0, "Test Pattern: " + HexWords(Octets.substr(std::min<size_t>(6, Octets.size()))));
        else
            TreeLine(Tree, 0, "Message Dump: " + HexWords(Octets.substr(std::min<size_t>(5, Octets.size()))));
        return Tree;
    }
    TreeLine(Tree, 0, Isup->Name() + ", " + Isup->Caption());
    const TParameterCollection& Parameters = Isup->Parameters();
    for (int I = 0; I < Parameters.Count(); ++I) {
        const TCustomParameter& Parameter = Parameters.Items(I);
        if (!Parameter.GetPresent())
            continue;
        TreeLine(Tree, 1, Parameter.Name() + ", " + Parameter.Caption());
        const TParamFieldCollection& Fields = Parameter.Fields();
        for (int J = 0; J < Fields.Count(); ++J) {
            const TParamField& Field = Fields.Items(J);
            if (Field.Checked)
                TreeLine(Tree, 2, Field.Name() + " = " + Field.GetValueText());
        }
    }
    return Tree;
}

std::string FormatJson(const TDumpEntry& Entry)
{
    TJsonObject Object;
    Object.Add("line", int64_t{Entry.Line});
    if (Entry.IsRecord) {
        Object.Add("stamp", FormatStampIso(Entry.Stamp));
        Object.Add("direction", int64_t{Entry.Direction});
        if (!Entry.IsStop)
            Object.Add("link", int64_t{Entry.Link});
    }
    if (const auto Head = Frame(Entry)) {
        Object.Add("si", int64_t{Head->ServiceIndicator});
        Object.Add("opc", int64_t{GetOpc(Head->RoutingLabel)});
        Object.Add("dpc", int64_t{GetDpc(Head->RoutingLabel)});
        Object.Add("sls", int64_t{GetSls(Head->RoutingLabel)});
    }
    Object.Add("name", Entry.Name());
    Object.Add("caption", Caption(Entry));
    if (Entry.Packet) {
        if (const auto Code = CicOf(*Entry.Packet))
            Object.Add("cic", int64_t{*Code});
        if (const auto* Mtp = dynamic_cast<const TMtpPacket*>(Entry.Packet.get()))
            Object.Add("description", Mtp->GetDescription());
        if (const auto* Test = dynamic_cast<const TTestPacketL4*>(Entry.Packet.get()))
            Object.Add("pattern", HexWords(Test->TestPattern));
    }
    if (Entry.Failed())
        Object.Add("error", Entry.Error);
    Object.Add("octets", HexWords(Entry.Octets));
    if (const auto* Isup = dynamic_cast<const TCustomIsupPacket*>(Entry.Packet.get()))
        Object.AddRaw("parameters", JsonParameters(*Isup));
    return Object.Text();
}
