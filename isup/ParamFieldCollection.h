// The fields of one ISUP parameter, in layout order.
#pragma once

#include "isup/ParamField.h"

#include <string>

// A view of the parameter's field layouts. The TParamField objects are made
// on the first access to a field (Items, Add, Delete), not when the
// parameter is copied: decoding a message copies dozens of parameters and
// mostly never looks at a field. Once made, a field object keeps its address
// until the parameter is assigned again or the field is deleted. Use Count
// and Items: the inherited TCollection accessors see only the field objects
// made so far.
class TParamFieldCollection : public TCollection {
public:
    explicit TParamFieldCollection(TCustomParameter* Parameter)
        : FParameter(Parameter)
    {
    }
    const char* ClassName() const override { return "TParamFieldCollection"; }

    TCustomParameter* Parameter() const { return FParameter; }

    // The number of fields of the layout.
    int Count() const;
    // Field I (0 <= I < Count()); raises EListError outside that range.
    TParamField& Items(int I) const;
    // Appends a field with an empty layout and Checked set.
    TParamField& Add();
    void Delete(int I);
    void Clear();

    // "{ " + every field's description joined by "; " + " }", or empty
    // without fields.
    std::string GetDescription() const;

    // Takes the source's field layouts and the Checked mark of each field.
    void Assign(const TPersistent& Source) override;

private:
    friend class TCustomParameter;
    // Makes the field objects when they do not exist yet.
    void Materialize() const;
    // Drops the field objects (the parameter keeps their marks).
    void Release() { TCollection::Clear(); }
    int ObjectCount() const { return TCollection::Count(); }

    TCustomParameter* FParameter;
};
