// One part of an ISUP message (mandatory fixed, mandatory variable or
// optional) as a filtered view of the message's parameters.
#pragma once

#include "core/Persistent.h"

#include <cstdint>

class TCustomParameter;
class TMemoryStream;
class TParameterCollection;

// Holds no items: its members are the owner's parameters whose Part equals
// Kind, in the owner's order. Present (a plain member) matters for the
// optional part only: false once a decoded message had an optional-part
// pointer of 0, and then the encoder writes no optional part.
class TParameterCollectionPart : public TPersistent {
public:
    TParameterCollectionPart(TParameterCollection* Owner, uint8_t Kind)
        : FOwner(Owner)
        , FKind(Kind)
    {
    }
    const char* ClassName() const override { return "TParameterCollectionPart"; }

    TParameterCollection* Owner() const { return FOwner; }
    uint8_t Kind() const { return FKind; }
    bool Present = true;

    int Count() const;
    // Raises EL4Error "TParameterCollectionPart: List index out of bounds (%d)".
    TCustomParameter& Items(int I) const;
    // The first parameter of the part with this code, or null.
    TCustomParameter* FindByCode(uint8_t Code) const;

    // Reads the part from the stream as laid out in an ISUP message.
    void LoadFromStream(TMemoryStream& Stream);
    // Writes the part; the variable part writes its pointer table, the
    // optional-part pointer included.
    void SaveToStream(TMemoryStream& Stream) const;

private:
    void LoadFixed(TMemoryStream& Stream);
    void LoadVariable(TMemoryStream& Stream);
    void LoadOptional(TMemoryStream& Stream);
    void SaveVariable(TMemoryStream& Stream) const;
    void SaveOptional(TMemoryStream& Stream) const;

    TParameterCollection* FOwner;
    uint8_t FKind;
};
