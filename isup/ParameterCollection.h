// The parameters of an ISUP message in definition order, with the three
// message parts as views over them.
#pragma once

#include "isup/CustomParameter.h"
#include "isup/ParameterCollectionPart.h"

#include <cstdint>

class TMemoryStream;

class TParameterCollection : public TCollection {
public:
    TParameterCollection();
    ~TParameterCollection() override;
    const char* ClassName() const override { return "TParameterCollection"; }

    // Item I in definition order, whatever its part; EListError outside
    // 0 .. Count() - 1.
    TCustomParameter& Items(int I) const { return static_cast<TCustomParameter&>(*GetItem(I)); }
    // Appends a plain parameter.
    TCustomParameter& AddParameter(bool Mandatory, uint8_t Code) { return Add<TCustomParameter>(Mandatory, Code); }
    // The first match in the fixed, then the variable, then the optional part.
    TCustomParameter* FindByCode(uint8_t Code) const;

    TParameterCollectionPart& FixedPart() { return FFixedPart; }
    const TParameterCollectionPart& FixedPart() const { return FFixedPart; }
    TParameterCollectionPart& VariablePart() { return FVariablePart; }
    const TParameterCollectionPart& VariablePart() const { return FVariablePart; }
    TParameterCollectionPart& OptionalPart() { return FOptionalPart; }
    const TParameterCollectionPart& OptionalPart() const { return FOptionalPart; }

    // Fixed part, variable part (pointers and values), optional part.
    virtual void LoadFromStream(TMemoryStream& Stream);
    virtual void SaveToStream(TMemoryStream& Stream) const;

    // From another parameter collection: every item again as a plain
    // TCustomParameter with the source item's Mandatory flag and Code,
    // assigned from it.
    void Assign(const TPersistent& Source) override;

private:
    TParameterCollectionPart FFixedPart;
    TParameterCollectionPart FVariablePart;
    TParameterCollectionPart FOptionalPart;
};
