// The parameter catalog: every parameter layout named in Parameters.ini, in
// the order of its [Codes] section.
#pragma once

#include "catalog/StaticParameter.h"
#include "isup/ParameterCollection.h"

#include <string>
#include <string_view>
#include <unordered_map>

class TStaticParameters : public TParameterCollection {
public:
    // An empty catalog.
    TStaticParameters() = default;
    // Reads Parameters.ini: the description-file name pattern of [General]
    // FileName (default "%s", relative to the folder of FileName) and one
    // layout per line of [Codes], loaded from its description file. Raises
    // the conversion error of a code that is not an integer, the format
    // errors of a bad pattern and the errors of LoadLayout. A missing file
    // gives an empty catalog.
    explicit TStaticParameters(const std::string& FileName);
    const char* ClassName() const override { return "TStaticParameters"; }

    TStaticParameter& Items(int I) const { return static_cast<TStaticParameter&>(TParameterCollection::Items(I)); }

    // The first layout whose Name equals Name exactly, or null.
    const TStaticParameter* FindByName(std::string_view Name) const;
    // Instantiates the first layout named Name into Parameters (see
    // TStaticParameter::Instantiate); null, and nothing added, when the
    // catalog has no such name.
    TCustomParameter* InstantiateByName(TParameterCollection& Parameters, std::string_view Name, bool Mandatory) const;

private:
    // Name -> index of the first layout of that name; rebuilt when the
    // catalog has grown since.
    mutable std::unordered_map<std::string, int> FNameIndex;
    mutable int FIndexedCount = 0;
};
