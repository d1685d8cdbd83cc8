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

const TFieldDef* FindField(const TCustomParameter& Parameter, const char* Name)
{
    for (const TFieldDef& Def : Parameter.Layout().Fields)
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

const TCustomParameter* TIsupFactReader::Parameter(const TCustomIsupPacket& Packet, int Slot, const char* Name)
{
    // A message type's parameters come in the order of its definition, the
    // same in every message decoded from it: the index found once holds.
    int16_t& At = FParameterAt[Packet.MessageType][static_cast<size_t>(Slot)];
    const TParameterCollection& Parameters = Packet.Parameters();
    if (At >= 0 && At < Parameters.Count() && Parameters.Items(At).Name() == Name) {
        const TCustomParameter& Found = Parameters.Items(At);
        return Found.GetPresent() ? &Found : nullptr;
    }
    At = -2;
    for (int I = 0; I < Parameters.Count(); ++I) {
        if (Parameters.Items(I).Name() == Name) {
            At = static_cast<int16_t>(I);
            return Parameters.Items(I).GetPresent() ? &Parameters.Items(I) : nullptr;
        }
    }
    return nullptr;
}

void TIsupFactReader::Read(const TCustomIsupPacket& Packet, TIsupFacts& Facts)
{
    Facts = TIsupFacts();
    Facts.Kind = KindOf(Packet);
    switch (Facts.Kind) {
    case TIsupKind::IAM:
        if (const TCustomParameter* Called = Parameter(Packet, slCalled, CalledPartyNumber))
            Facts.Digits = FieldOps::GetDigits(Called);
        if (const TCustomParameter* Calling = Parameter(Packet, slCalling, CallingPartyNumber))
            Facts.Calling = FieldOps::GetDigits(Calling);
        break;
    case TIsupKind::SAM:
        if (const TCustomParameter* Subsequent = Parameter(Packet, slSubsequent, SubsequentNumber))
            Facts.Digits = FieldOps::GetDigits(Subsequent);
        break;
    case TIsupKind::REL:
        if (const TCustomParameter* Cause = Parameter(Packet, slCauseOrRange, CauseIndicators)) {
            const TFieldDef* Value = FindField(*Cause, "Cause value");
            const TFieldDef* Location = FindField(*Cause, "Location");
            if (Value && Cause->GetValueLength() > Value->Bit / 8) {
                Facts.HasCause = true;
                Facts.CauseValue = static_cast<uint8_t>(FieldOps::GetValue(*Value, Cause) & 0x7F);
                if (!FCauseKnown[Facts.CauseValue]) {
                    FCauseTexts[Facts.CauseValue] = FieldOps::GetValueText(*Value, Cause);
                    FCauseKnown[Facts.CauseValue] = true;
                }
                Facts.CauseText = FCauseTexts[Facts.CauseValue];
                if (Location) {
                    Facts.CauseLocation = static_cast<uint8_t>(FieldOps::GetValue(*Location, Cause) & 0x0F);
                    if (!FLocationKnown[Facts.CauseLocation]) {
                        FLocationTexts[Facts.CauseLocation] = FieldOps::GetValueText(*Location, Cause);
                        FLocationKnown[Facts.CauseLocation] = true;
                    }
                    Facts.LocationText = FLocationTexts[Facts.CauseLocation];
                }
            }
        }
        break;
    case TIsupKind::GRS:
        if (const TCustomParameter* Range = Parameter(Packet, slCauseOrRange, RangeAndStatus)) {
            const TFieldDef* Field = FindField(*Range, "Range");
            if (Field && Range->GetValueLength() > Field->Bit / 8) {
                Facts.HasRange = true;
                Facts.Range = static_cast<uint8_t>(FieldOps::GetValue(*Field, Range));
            }
        }
        break;
    default:
        break;
    }
}
