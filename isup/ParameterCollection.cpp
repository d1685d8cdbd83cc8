#include "isup/ParameterCollection.h"

#include "core/Exception.h"
#include "core/Format.h"
#include "core/MemoryStream.h"
#include "l4/PacketL4.h"

#include <array>
#include <mutex>

// What every copy of a collection shares: its parameters frozen as they
// stood (as parameter objects that nobody else reaches) and what decoding
// needs of them, worked out once.
struct TParameterPlan {
    // The source's version and the count of mark changes when it was made.
    uint64_t Version = 0;
    uint64_t Marks = 0;
    TParameterCollection Frozen;
    // Per parameter: its part and the octets a fixed-part value takes.
    std::vector<uint8_t> Parts;
    std::vector<uint8_t> FixedLengths;
    // The parameters of each part, in order.
    std::vector<int> Fixed;
    std::vector<int> Variable;
    std::vector<int> Optional;
    // The first optional parameter with each code, or -1.
    std::array<int, 256> OptionalByCode{};
};

namespace {

// Plans are made rarely (once per prototype, again after a change): one
// lock for all of them.
std::mutex PlanLock;

} // namespace

TParameterCollection::TParameterCollection()
    : FFixedPart(this, ipFixed)
    , FVariablePart(this, ipVariable)
    , FOptionalPart(this, ipOptional)
{
}

TParameterCollection::~TParameterCollection() = default;

int TParameterCollection::Count() const
{
    return FPlan ? static_cast<int>(FSlots.size()) : TCollection::Count();
}

TParameterView TParameterCollection::View(int I) const
{
    if (!FPlan) {
        const TCustomParameter& Parameter = Items(I);
        return {Parameter, Parameter.Value(), Parameter.GetPresent()};
    }
    if (I < 0 || I >= Count())
        throw EListError(Format("List index out of bounds (%d)", I));
    const TCustomParameter& Frozen = FPlan->Frozen.Items(I);
    const TSlot& Slot = FSlots[static_cast<size_t>(I)];
    const std::string_view Value = Slot.Length == TSlot::NotRead
        ? std::string_view(Frozen.Value())
        : std::string_view(FValues).substr(Slot.Offset, Slot.Length);
    const bool Present = Slot.Present < 0 ? Frozen.GetPresent() : Frozen.Mandatory() || Slot.Present != 0;
    return {Frozen, Value, Present};
}

uint8_t TParameterCollection::PartOf(int I) const
{
    if (FPlan && I >= 0 && I < Count())
        return FPlan->Parts[static_cast<size_t>(I)];
    return Items(I).Part();
}

void TParameterCollection::Insert(std::unique_ptr<TCollectionItem> Item)
{
    Expand();
    ++FVersion;
    TCollection::Insert(std::move(Item));
}

void TParameterCollection::Delete(int Index)
{
    Expand();
    ++FVersion;
    TCollection::Delete(Index);
}

void TParameterCollection::Clear()
{
    FPlan.reset();
    FSlots.clear();
    FValues.clear();
    ++FVersion;
    TCollection::Clear();
}

void TParameterCollection::Reserve(int Capacity)
{
    Expand();
    TCollection::Reserve(Capacity);
}

TCustomParameter* TParameterCollection::FindByCode(uint8_t Code) const
{
    if (TCustomParameter* Parameter = FFixedPart.FindByCode(Code))
        return Parameter;
    if (TCustomParameter* Parameter = FVariablePart.FindByCode(Code))
        return Parameter;
    return FOptionalPart.FindByCode(Code);
}

int TParameterCollection::PartCount(uint8_t Kind) const
{
    if (FPlan) {
        switch (Kind) {
        case ipFixed:
            return static_cast<int>(FPlan->Fixed.size());
        case ipVariable:
            return static_cast<int>(FPlan->Variable.size());
        case ipOptional:
            return static_cast<int>(FPlan->Optional.size());
        default:
            return 0;
        }
    }
    int N = 0;
    for (int I = 0; I < Count(); ++I)
        if (Items(I).Part() == Kind)
            ++N;
    return N;
}

void TParameterCollection::Expand() const
{
    if (!FPlan)
        return;
    auto& Self = const_cast<TParameterCollection&>(*this);
    const std::shared_ptr<const TParameterPlan> Plan = std::move(Self.FPlan);
    Self.FPlan.reset();
    Self.TCollection::Clear();
    Self.TCollection::Reserve(static_cast<int>(FSlots.size()));
    for (size_t I = 0; I < FSlots.size(); ++I) {
        const TCustomParameter& Frozen = Plan->Frozen.Items(static_cast<int>(I));
        TCustomParameter& Parameter = Self.TCollection::Add<TCustomParameter>(Frozen.Mandatory(), Frozen.Code());
        Parameter.CopyFrom(Frozen);
        const TSlot& Slot = FSlots[I];
        if (Slot.Length != TSlot::NotRead)
            Parameter.FValue.assign(FValues, Slot.Offset, Slot.Length);
        if (Slot.Present >= 0)
            Parameter.FPresent = Parameter.Mandatory() || Slot.Present != 0;
    }
    Self.FSlots.clear();
    Self.FValues.clear();
    ++Self.FVersion;
}

const TParameterPlan& TParameterCollection::CurrentPlan() const
{
    // A copy's own plan holds what it read: made from its objects.
    Expand();
    const TParameterPlan* Plan = FOwnPlanRead.load(std::memory_order_acquire);
    const uint64_t Marks = TSelectionMark::Changes();
    if (Plan && Plan->Version == FVersion && Plan->Marks == Marks)
        return *Plan;

    const std::lock_guard<std::mutex> Lock(PlanLock);
    Plan = FOwnPlanRead.load(std::memory_order_relaxed);
    if (Plan && Plan->Version == FVersion && Plan->Marks == Marks)
        return *Plan;
    auto Made = std::make_shared<TParameterPlan>();
    Made->Version = FVersion;
    Made->Marks = Marks;
    const int N = Count();
    Made->Frozen.TCollection::Reserve(N);
    Made->Parts.reserve(static_cast<size_t>(N));
    Made->FixedLengths.reserve(static_cast<size_t>(N));
    Made->OptionalByCode.fill(-1);
    for (int I = 0; I < N; ++I) {
        const TCustomParameter& From = Items(I);
        TCustomParameter& Frozen = Made->Frozen.TCollection::Add<TCustomParameter>(From.Mandatory(), From.Code());
        Frozen.CopyFrom(From);
        const uint8_t Part = Frozen.Part();
        Made->Parts.push_back(Part);
        Made->FixedLengths.push_back(static_cast<uint8_t>(Frozen.Size()));
        if (Part == ipFixed)
            Made->Fixed.push_back(I);
        else if (Part == ipVariable)
            Made->Variable.push_back(I);
        else if (Part == ipOptional) {
            Made->Optional.push_back(I);
            if (Made->OptionalByCode[Frozen.Code()] < 0)
                Made->OptionalByCode[Frozen.Code()] = I;
        }
    }
    FOwnPlan = Made;
    FOwnPlanRead.store(Made.get(), std::memory_order_release);
    return *Made;
}

void TParameterCollection::Assign(const TPersistent& Source)
{
    if (const auto* Parameters = dynamic_cast<const TParameterCollection*>(&Source)) {
        AssignFrom(*Parameters);
        return;
    }
    TCollection::Assign(Source);
}

void TParameterCollection::AssignFrom(const TParameterCollection& Source)
{
    if (&Source == this)
        return;
    ++FVersion;
    if (TCollection::Count() > 0)
        TCollection::Clear();
    if (Source.FPlan) {
        // A copy of a copy: the same plan and what the source read.
        if (FPlan != Source.FPlan)
            FPlan = Source.FPlan;
        FSlots = Source.FSlots;
        FValues = Source.FValues;
        return;
    }
    const TParameterPlan& Plan = Source.CurrentPlan();
    // A copy made again from the same source keeps its hold on the plan.
    if (FPlan.get() != &Plan)
        FPlan = Source.FOwnPlan;
    FSlots.assign(Plan.Parts.size(), TSlot{});
    FValues.clear();
}

void TParameterCollection::ReadValue(int I, TMemoryStream& Stream, size_t Length)
{
    const size_t Offset = FValues.size();
    // Octets the input lacks stay zero.
    FValues.resize(Offset + Length, '\0');
    Stream.Read(FValues.data() + Offset, Length);
    TSlot& Slot = FSlots[static_cast<size_t>(I)];
    Slot.Offset = static_cast<uint32_t>(Offset);
    Slot.Length = static_cast<uint32_t>(Length);
    Slot.Present = 1;
}

void TParameterCollection::LoadFromStream(TMemoryStream& Stream)
{
    if (FPlan) {
        LoadCompact(Stream);
        return;
    }
    FFixedPart.LoadFromStream(Stream);
    FVariablePart.LoadFromStream(Stream);
    FOptionalPart.LoadFromStream(Stream);
}

// The three parts as TParameterCollectionPart reads them, into the slots.
void TParameterCollection::LoadCompact(TMemoryStream& Stream)
{
    const TParameterPlan& Plan = *FPlan;
    ++FVersion;
    // Fixed part: the values one after another, without length.
    for (const int I : Plan.Fixed)
        ReadValue(I, Stream, Plan.FixedLengths[static_cast<size_t>(I)]);

    // Variable part: each pointer counts octets from the pointer octet itself
    // and leads to a length octet and the value.
    for (const int I : Plan.Variable) {
        uint8_t Pointer;
        if (!Stream.ReadByte(Pointer))
            throw EL4Error("Can`t load parameter pointer.");
        const size_t Next = Stream.Position();
        Stream.SetPosition(Next - 1 + Pointer);
        uint8_t Length = 0;
        Stream.ReadByte(Length);
        ReadValue(I, Stream, Length);
        Stream.SetPosition(Next);
    }

    // Optional part: a pointer, then parameters in any order, each code,
    // length and value; code 0 or the end of the input ends it.
    if (Plan.Optional.empty())
        return;
    uint8_t Pointer;
    if (!Stream.ReadByte(Pointer))
        throw EL4Error("Can`t load optional part pointer.");
    if (Pointer == 0) {
        FOptionalPart.Present = false;
        return;
    }
    FOptionalPart.Present = true;
    Stream.SetPosition(Stream.Position() - 1 + Pointer);
    for (const int I : Plan.Optional)
        FSlots[static_cast<size_t>(I)].Present = 0;
    uint8_t Code;
    while (Stream.ReadByte(Code) && Code != 0) {
        const int I = Plan.OptionalByCode[Code];
        uint8_t Length = 0;
        if (I >= 0) {
            Stream.ReadByte(Length);
            ReadValue(I, Stream, Length);
            continue;
        }
        // Unknown parameter: skipped by its length.
        if (!Stream.ReadByte(Length))
            break;
        Stream.SetPosition(Stream.Position() + Length);
    }
}

void TParameterCollection::SaveToStream(TMemoryStream& Stream) const
{
    Expand();
    FFixedPart.SaveToStream(Stream);
    FVariablePart.SaveToStream(Stream);
    FOptionalPart.SaveToStream(Stream);
}
