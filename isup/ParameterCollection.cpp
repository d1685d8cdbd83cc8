#include "isup/ParameterCollection.h"

TParameterCollection::TParameterCollection()
    : FFixedPart(this, ipFixed)
    , FVariablePart(this, ipVariable)
    , FOptionalPart(this, ipOptional)
{
}

TParameterCollection::~TParameterCollection() = default;

TCustomParameter* TParameterCollection::FindByCode(uint8_t Code) const
{
    if (TCustomParameter* Parameter = FFixedPart.FindByCode(Code))
        return Parameter;
    if (TCustomParameter* Parameter = FVariablePart.FindByCode(Code))
        return Parameter;
    return FOptionalPart.FindByCode(Code);
}

void TParameterCollection::LoadFromStream(TMemoryStream& Stream)
{
    FFixedPart.LoadFromStream(Stream);
    FVariablePart.LoadFromStream(Stream);
    FOptionalPart.LoadFromStream(Stream);
}

void TParameterCollection::SaveToStream(TMemoryStream& Stream) const
{
    FFixedPart.SaveToStream(Stream);
    FVariablePart.SaveToStream(Stream);
    FOptionalPart.SaveToStream(Stream);
}

void TParameterCollection::Assign(const TPersistent& Source)
{
    if (const auto* Parameters = dynamic_cast<const TParameterCollection*>(&Source)) {
        if (Parameters == this)
            return;
        Clear();
        Reserve(Parameters->Count());
        for (int I = 0; I < Parameters->Count(); ++I) {
            const TCustomParameter& From = Parameters->Items(I);
            AddParameter(From.Mandatory(), From.Code()).CopyFrom(From);
        }
        return;
    }
    TCollection::Assign(Source);
}
