#include "analysis/IsupFacts.h"

#include "isup/IsupPacket.h"
#include "isup/ParamField.h"

#include <cstring>

namespace {

struct TKindName {
    TIsupKind Kind;
    const char* Name;
};

constexpr TKindName KindNames[] = {
    {TIsupKind::IAM, "IAM"}, {TIsupKind::SAM, "SAM"}, {TIsupKind::ACM, "ACM"}, {TIsupKind::CON, "CON"},
    {TIsupKind::CPG, "CPG"}, {TIsupKind::ANM, "ANM"}, {TIsupKind::SUS, "SUS"}, {TIsupKind::RES, "RES"},
    {TIsupKind::REL, "REL"}, {TIsupKind::RLC, "RLC"}, {TIsupKind::RSC, "RSC"}, {TIsupKind::GRS, "GRS"},
};

// The parameters read, by their names in the definition files; each has a
// slot in TIsupFactReader's table of where it sits.
enum TSlot { slCalled, slCalling, slSubsequent, slCauseOrRange };
constexpr const char* CalledPartyNumber = "CalledPartyNumber";
constexpr const char* CallingPartyNumber = "CallingPartyNumber";
constexpr const char* SubsequentNumber = "SubsequentNumber";
constexpr const char* CauseIndicators = "CauseIndicators";
constexpr const char* RangeAndStatus = "RangeAndStatus";

} // namespace

const char* IsupKindName(TIsupKind Kind)
{
    for (const TKindName& Entry : KindNames)
        if (Entry.Kind == Kind)
            return Entry.Name;
    return "";
}

const TFieldDef* FindField(const TParameterView& Parameter, const char* Name)
{
    for (const TFieldDef& Def : Parameter.Fields())
        if (Def.Name == Name)
            return &Def;
    return nullptr;
}

TIsupFactReader::TIsupFactReader()
{
    FKinds.fill(-1);
    for (auto& Slots : FParameterAt)
        Slots.fill(-1);
}

TIsupKind TIsupFactReader::KindOf(const TCustomIsupPacket& Packet)
{
    int8_t& Known = FKinds[Packet.MessageType];
    if (Known < 0) {
        Known = static_cast<int8_t>(TIsupKind::Other);
        for (const TKindName& Entry : KindNames)
            if (Packet.Name() == Entry.Name)
                Known = static_cast<int8_t>(Entry.Kind);
    }
    return static_cast<TIsupKind>(Known);
}

std::optional<TParameterView> TIsupFactReader::Parameter(const TCustomIsupPacket& Packet, int Slot, const char* Name)
{
    // A message type's parameters come in the order of its definition, the
    // same in every message decoded from it: the index found once holds.
    // Views read the decoded message without making parameter objects.
    int16_t& At = FParameterAt[Packet.MessageType][static_cast<size_t>(Slot)];
    const TParameterCollection& Parameters = Packet.Parameters();
    const int Count = Parameters.Count();
    if (At >= 0 && At < Count) {
        TParameterView Found = Parameters.View(At);
        if (Found.Name() == Name)
            return Found.GetPresent() ? std::optional(Found) : std::nullopt;
    }
    if (At == -2)
        return std::nullopt;
    At = -2;
    for (int I = 0; I < Count; ++I) {
        TParameterView Found = Parameters.View(I);
        if (Found.Name() == Name) {
            At = static_cast<int16_t>(I);
            return Found.GetPresent() ? std::optional(Found) : std::nullopt;
        }
    }
    return std::nullopt;
}

// The text of an enumerated field's value without its number, which the
// decoded view may show beside it ("Normal call clearing", not
// "Normal call clearing (16)"); the number for a value without a text.
static std::string LiteralText(const TFieldDef& Def, uint32_t Value)
{
    return Def.Literals.TextOf(static_cast<int32_t>(Value));
}

void TIsupFactReader::Read(const TCustomIsupPacket& Packet, TIsupFacts& Facts)
{
    Facts = TIsupFacts();
    Facts.Kind = KindOf(Packet);
    switch (Facts.Kind) {
    case TIsupKind::IAM:
        if (const auto Called = Parameter(Packet, slCalled, CalledPartyNumber))
            Facts.Digits = FieldOps::GetDigits(Called->ValueView());
        if (const auto Calling = Parameter(Packet, slCalling, CallingPartyNumber))
            Facts.Calling = FieldOps::GetDigits(Calling->ValueView());
        break;
    case TIsupKind::SAM:
        if (const auto Subsequent = Parameter(Packet, slSubsequent, SubsequentNumber))
            Facts.Digits = FieldOps::GetDigits(Subsequent->ValueView());
        break;
    case TIsupKind::REL:
        if (const auto Cause = Parameter(Packet, slCauseOrRange, CauseIndicators)) {
            const TFieldDef* Value = FindField(*Cause, "Cause value");
            const TFieldDef* Location = FindField(*Cause, "Location");
            const TParamValue Octets = Cause->ValueView();
            if (Value && Octets.Octets.size() > static_cast<size_t>(Value->Bit / 8)) {
                Facts.HasCause = true;
                Facts.CauseValue = static_cast<uint8_t>(FieldOps::GetValue(*Value, Octets) & 0x7F);
                if (!FCauseKnown[Facts.CauseValue]) {
                    FCauseTexts[Facts.CauseValue] = LiteralText(*Value, Facts.CauseValue);
                    FCauseKnown[Facts.CauseValue] = true;
                }
                Facts.CauseText = FCauseTexts[Facts.CauseValue];
                if (Location) {
                    Facts.CauseLocation = static_cast<uint8_t>(FieldOps::GetValue(*Location, Octets) & 0x0F);
                    if (!FLocationKnown[Facts.CauseLocation]) {
                        FLocationTexts[Facts.CauseLocation] = LiteralText(*Location, Facts.CauseLocation);
                        FLocationKnown[Facts.CauseLocation] = true;
                    }
                    Facts.LocationText = FLocationTexts[Facts.CauseLocation];
                }
            }
        }
        break;
    case TIsupKind::GRS:
        if (const auto Range = Parameter(Packet, slCauseOrRange, RangeAndStatus)) {
            const TFieldDef* Field = FindField(*Range, "Range");
            const TParamValue Octets = Range->ValueView();
            if (Field && Octets.Octets.size() > static_cast<size_t>(Field->Bit / 8)) {
                Facts.HasRange = true;
                Facts.Range = static_cast<uint8_t>(FieldOps::GetValue(*Field, Octets));
            }
        }
        break;
    default:
        break;
    }
}
