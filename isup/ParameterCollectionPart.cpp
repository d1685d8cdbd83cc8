#include "isup/ParameterCollectionPart.h"

#include "core/Format.h"
#include "core/MemoryStream.h"
#include "isup/ParameterCollection.h"
#include "l4/PacketL4.h"

#include <vector>

int TParameterCollectionPart::Count() const
{
    return FOwner->PartCount(FKind);
}

TCustomParameter& TParameterCollectionPart::Items(int Index) const
{
    FOwner->Expand();
    int N = 0;
    if (Index >= 0)
        for (int I = 0; I < FOwner->Count(); ++I) {
            TCustomParameter& Parameter = FOwner->Items(I);
            if (Parameter.Part() == FKind && N++ == Index)
                return Parameter;
        }
    throw EL4Error(Format("TParameterCollectionPart: List index out of bounds (%d)", Index));
}

TCustomParameter* TParameterCollectionPart::FindByCode(uint8_t Code) const
{
    FOwner->Expand();
    for (int I = 0; I < FOwner->Count(); ++I) {
        TCustomParameter& Parameter = FOwner->Items(I);
        if (Parameter.Part() == FKind && Parameter.Code() == Code)
            return &Parameter;
    }
    return nullptr;
}

void TParameterCollectionPart::LoadFromStream(TMemoryStream& Stream)
{
    FOwner->Expand();
    switch (FKind) {
    case ipFixed:
        LoadFixed(Stream);
        break;
    case ipVariable:
        LoadVariable(Stream);
        break;
    case ipOptional:
        LoadOptional(Stream);
        break;
    default:
        break;
    }
}

void TParameterCollectionPart::LoadFixed(TMemoryStream& Stream)
{
    for (int I = 0; I < FOwner->Count(); ++I) {
        TCustomParameter& Parameter = FOwner->Items(I);
        if (Parameter.Part() == ipFixed)
            Parameter.LoadFromStream(Stream);
    }
}

void TParameterCollectionPart::LoadVariable(TMemoryStream& Stream)
{
    // Each pointer counts octets from the pointer octet itself.
    for (int I = 0; I < FOwner->Count(); ++I) {
        TCustomParameter& Parameter = FOwner->Items(I);
        if (Parameter.Part() != ipVariable)
            continue;
        uint8_t Pointer;
        if (!Stream.ReadByte(Pointer))
            throw EL4Error("Can`t load parameter pointer.");
        const size_t Next = Stream.Position();
        Stream.SetPosition(Next - 1 + Pointer);
        Parameter.LoadFromStream(Stream);
        Stream.SetPosition(Next);
    }
}

void TParameterCollectionPart::LoadOptional(TMemoryStream& Stream)
{
    bool Any = false;
    for (int I = 0; I < FOwner->Count() && !Any; ++I)
        Any = FOwner->Items(I).Part() == ipOptional;
    if (!Any)
        return;
    uint8_t Pointer;
    if (!Stream.ReadByte(Pointer))
        throw EL4Error("Can`t load optional part pointer.");
    if (Pointer == 0) {
        Present = false;
        return;
    }
    Present = true;
    Stream.SetPosition(Stream.Position() - 1 + Pointer);
    for (int I = 0; I < FOwner->Count(); ++I) {
        TCustomParameter& Parameter = FOwner->Items(I);
        if (Parameter.Part() == ipOptional)
            Parameter.ClearPresent();
    }
    // Parameters in any order, each code, length, value; code 0 or the end
    // of the input ends the part.
    uint8_t Code;
    while (Stream.ReadByte(Code) && Code != 0) {
        if (TCustomParameter* Parameter = FindByCode(Code)) {
            Parameter->LoadFromStream(Stream);
            continue;
        }
        // Unknown parameter: skipped by its length.
        uint8_t Length;
        if (!Stream.ReadByte(Length))
            break;
        Stream.SetPosition(Stream.Position() + Length);
    }
}

void TParameterCollectionPart::SaveToStream(TMemoryStream& Stream) const
{
    FOwner->Expand();
    switch (FKind) {
    case ipFixed:
        for (int I = 0; I < FOwner->Count(); ++I) {
            const TCustomParameter& Parameter = FOwner->Items(I);
            if (Parameter.Part() == ipFixed)
                Parameter.SaveToStream(Stream);
        }
        break;
    case ipVariable:
        SaveVariable(Stream);
        break;
    case ipOptional:
        SaveOptional(Stream);
        break;
    default:
        break;
    }
}

void TParameterCollectionPart::SaveVariable(TMemoryStream& Stream) const
{
    const TParameterCollectionPart& Optional = FOwner->OptionalPart();
    const size_t N = static_cast<size_t>(Count());
    const size_t M = Optional.Count() > 0 ? 1 : 0;
    if (N + M == 0)
        return;
    const size_t Start = Stream.Position();
    std::vector<uint8_t> Pointers(N + M, 0);
    Stream.SetPosition(Start + N + M);
    size_t Slot = 0;
    for (int I = 0; I < FOwner->Count(); ++I) {
        const TCustomParameter& Parameter = FOwner->Items(I);
        if (Parameter.Part() != ipVariable)
            continue;
        Pointers[Slot] = static_cast<uint8_t>(Stream.Position() - (Start + Slot));
        Parameter.SaveToStream(Stream);
        ++Slot;
    }
    if (M == 1 && Optional.Present)
        Pointers[N] = static_cast<uint8_t>(Stream.Position() - (Start + N));
    const size_t End = Stream.Position();
    Stream.SetPosition(Start);
    Stream.Write(Pointers.data(), Pointers.size());
    Stream.SetPosition(End);
}

void TParameterCollectionPart::SaveOptional(TMemoryStream& Stream) const
{
    if (!Present || Count() == 0)
        return;
    for (int I = 0; I < FOwner->Count(); ++I) {
        const TCustomParameter& Parameter = FOwner->Items(I);
        if (Parameter.Part() != ipOptional || !Parameter.GetPresent())
            continue;
        Stream.WriteByte(Parameter.Code());
        Parameter.SaveToStream(Stream);
    }
    Stream.WriteByte(0);
}
