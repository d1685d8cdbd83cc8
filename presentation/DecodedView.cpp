#include "presentation/DecodedView.h"

#include "core/MemoryStream.h"
#include "isup/IsupPacket.h"
#include "presentation/HexText.h"

#include <charconv>

namespace {

// Octets of a level-4 message before the user part: SIO and routing label.
constexpr size_t UserPartOffset = 5;
// A link test message's length octet follows its heading.
constexpr size_t TestPatternOffset = 6;

} // namespace

TDecodedView::TDecodedView() = default;
TDecodedView::~TDecodedView() = default;
TDecodedView::TDecodedView(TDecodedView&&) noexcept = default;
TDecodedView& TDecodedView::operator=(TDecodedView&&) noexcept = default;

TDecodedView::TDecodedView(std::string_view Octets, const TIsupCatalog& Catalog)
{
    Build(TDecodedCapture(Octets, Catalog));
}

TDecodedView::TDecodedView(TDecodedCapture&& Decoded)
{
    Build(std::move(Decoded));
}

void TDecodedView::Build(TDecodedCapture&& Decoded)
{
    AppendSpacedHex(Decoded.Octets(), FDumpText);
    AppendCaption(Decoded, FCaption);
    if (Decoded.IsStopEntry())
        return;
    if (const TCustomIsupPacket* Isup = Decoded.Isup()) {
        AddIsupNodes(*Isup);
        FPacket = Decoded.TakePacket();
    } else if (Decoded.LinkTest()) {
        // The length octet and the pattern.
        AddOctetsLine(TestPatternPrefix, Decoded.Octets(), TestPatternOffset);
    } else {
        // MTP network management, and any message the decoder rejected:
        // everything after the routing label.
        AddOctetsLine(MessageDumpPrefix, Decoded.Octets(), UserPartOffset);
    }
}

int TDecodedView::AddNode(int Parent, TNodeKind Kind, int8_t Image)
{
    const int Index = Count();
    TViewNode& Node = FNodes.emplace_back();
    Node.Parent = Parent;
    Node.Kind = Kind;
    Node.Image = Image;
    std::vector<int>& Siblings = Parent < 0 ? FTopLevel : FNodes[static_cast<size_t>(Parent)].Children;
    Node.Row = static_cast<int>(Siblings.size());
    Node.Level = Parent < 0 ? 0 : static_cast<uint8_t>(FNodes[static_cast<size_t>(Parent)].Level + 1);
    Siblings.push_back(Index);
    return Index;
}

void TDecodedView::AddOctetsLine(const char* Prefix, std::string_view Octets, size_t Offset)
{
    const int Index = AddNode(-1, nkNone, tiNone);
    std::string& Text = FNodes[static_cast<size_t>(Index)].Text;
    Text = Prefix;
    FLineHasOctets = Offset < Octets.size();
    if (FLineHasOctets)
        AppendSpacedHex(Octets.substr(Offset), Text);
}

void TDecodedView::AddIsupNodes(const TCustomIsupPacket& Message)
{
    const int Root = AddNode(-1, nkMessage, tiMessage);
    FNodes[static_cast<size_t>(Root)].Text = Message.Name() + ", " + Message.Caption();
    FNodes[static_cast<size_t>(Root)].Expanded = true;
    // Read through the parameters' views: a decoded message holds no
    // parameter objects, and showing it makes none.
    const TParameterCollection& Parameters = Message.Parameters();
    for (int I = 0; I < Parameters.Count(); ++I) {
        const TParameterView Parameter = Parameters.View(I);
        if (!Parameter.GetPresent())
            continue;
        const int ParameterNode = AddNode(Root, nkParameter, Parameter.Mandatory() ? tiMandatory : tiOptional);
        {
            TViewNode& Node = FNodes[static_cast<size_t>(ParameterNode)];
            Node.Text = Parameter.Name() + ", " + Parameter.Caption();
            Node.Parameter = I;
            // The selection mark of the parameter opens it.
            Node.Expanded = Parameter.Checked() != 0;
        }
        const std::vector<TFieldDef>& Fields = Parameter.Fields();
        const TParamValue Value = Parameter.ValueView();
        for (int J = 0; J < static_cast<int>(Fields.size()); ++J) {
            const TFieldDef& Field = Fields[static_cast<size_t>(J)];
            // A field whose mark is cleared is not listed at all.
            if (!Parameter.FieldChecked(J))
                continue;
            int8_t Image = tiValue;
            if (Field.Kind == fkBit)
                Image = FieldOps::GetValue(Field, Value) != 0 ? tiBitSet : tiBitClear;
            else if (Field.Kind == fkAppendix)
                Image = tiNone;
            const int FieldNode = AddNode(ParameterNode, nkField, Image);
            TViewNode& Node = FNodes[static_cast<size_t>(FieldNode)];
            Node.Parameter = I;
            Node.Field = J;
            // A BIT field shows its name only: its box shows the value.
            Node.Text = Field.Name;
            if (Field.Kind != fkBit) {
                Node.Text += " = ";
                FieldOps::AppendValueText(Node.Text, Field, Value);
            }
        }
    }
}

std::string TDecodedView::HexStatusText() const
{
    return "Hex: " + FDumpText;
}

const TCustomIsupPacket* TDecodedView::Message() const
{
    return static_cast<const TCustomIsupPacket*>(FPacket.get());
}

bool TDecodedView::StatusText(int Index, std::string& Text) const
{
    if (Index < 0 || Index >= Count())
        return false;
    const TViewNode& Node = FNodes[static_cast<size_t>(Index)];
    const TCustomIsupPacket* Isup = Message();
    if (Node.Kind == nkNone || !Isup)
        return false;
    Text.clear();
    if (Node.Kind == nkMessage) {
        TMemoryStream Stream;
        Isup->WriteIsupPart(Stream);
        if (Stream.Size() > 0) {
            Text = "ISUP Packet Coded: ";
            AppendSpacedHex(Stream.Bytes(), Text);
        }
        return true;
    }
    const TCustomParameter& Parameter = Isup->Parameters().Items(Node.Parameter);
    if (Node.Kind == nkParameter) {
        Text = "Hex String: " + Parameter.GetHexValue();
        return true;
    }
    char Digits[16];
    const auto End = std::to_chars(Digits, Digits + sizeof Digits, Parameter.Fields().Items(Node.Field).GetValue()).ptr;
    Text = "Integer Value: ";
    Text.append(Digits, End);
    return true;
}

void TDecodedView::AppendTreeLine(int Index, std::string& Text) const
{
    const TViewNode& Node = FNodes[static_cast<size_t>(Index)];
    if (Node.Kind == nkNone) {
        // The line's octets end with a blank; the line does not.
        std::string_view Line = Node.Text;
        if (FLineHasOctets)
            Line.remove_suffix(1);
        Text += Line;
        return;
    }
    if (Node.Kind == nkField && (Node.Image == tiBitSet || Node.Image == tiBitClear)) {
        Text += Node.Text;
        Text += Node.Image == tiBitSet ? " = True" : " = False";
        return;
    }
    Text += Node.Text;
}

namespace {

void AppendIndent(size_t Indent, int Level, std::string& Text)
{
    Text.append(Indent + 2 * static_cast<size_t>(Level), ' ');
}

// A line of octets as AppendTreeLine writes it: the prefix and the octets
// from Offset on, without a blank after the last.
void AppendOctetsLine(const char* Prefix, std::string_view Octets, size_t Offset, std::string& Text)
{
    Text += Prefix;
    if (Offset < Octets.size())
        AppendHexWords(Octets.substr(Offset), Text);
}

} // namespace

void AppendDecodedLines(const TDecodedCapture& Decoded, size_t Indent, std::string& Text)
{
    if (Decoded.IsStopEntry())
        return;
    const TCustomIsupPacket* Isup = Decoded.Isup();
    if (!Isup) {
        AppendIndent(Indent, 0, Text);
        if (Decoded.LinkTest())
            AppendOctetsLine(TestPatternPrefix, Decoded.Octets(), TestPatternOffset, Text);
        else
            AppendOctetsLine(MessageDumpPrefix, Decoded.Octets(), UserPartOffset, Text);
        Text.push_back('\n');
        return;
    }
    AppendIndent(Indent, 0, Text);
    Text += Isup->Name();
    Text += ", ";
    Text += Isup->Caption();
    Text.push_back('\n');
    const TParameterCollection& Parameters = Isup->Parameters();
    for (int I = 0; I < Parameters.Count(); ++I) {
        const TParameterView Parameter = Parameters.View(I);
        if (!Parameter.GetPresent())
            continue;
        AppendIndent(Indent, 1, Text);
        Text += Parameter.Name();
        Text += ", ";
        Text += Parameter.Caption();
        Text.push_back('\n');
        const std::vector<TFieldDef>& Fields = Parameter.Fields();
        const TParamValue Value = Parameter.ValueView();
        for (size_t J = 0; J < Fields.size(); ++J) {
            if (!Parameter.FieldChecked(static_cast<int>(J)))
                continue;
            AppendIndent(Indent, 2, Text);
            Text += Fields[J].Name;
            Text += " = ";
            FieldOps::AppendValueText(Text, Fields[J], Value);
            Text.push_back('\n');
        }
    }
}
