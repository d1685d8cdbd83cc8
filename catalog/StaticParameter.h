// A parameter layout of the catalog: one ISUP parameter as its description
// file lays it out, and the source of every copy that goes into a message.
#pragma once

#include "isup/CustomParameter.h"

#include <string>

class TParameterCollection;

class TStaticParameter : public TCustomParameter {
public:
    // A catalog parameter is never mandatory by itself: each message decides.
    TStaticParameter(TCollection* Collection, uint8_t Code)
        : TCustomParameter(Collection, false, Code)
    {
    }
    const char* ClassName() const override { return "TStaticParameter"; }

    // A new plain parameter appended to Parameters with the mandatory flag
    // and this layout's code, assigned from this layout and given its
    // defaults. Raises the conversion error of a default that does not
    // convert; the parameter then stays in the collection.
    TCustomParameter& Instantiate(TParameterCollection& Parameters, bool Mandatory) const;

    // Reads the description file: caption, type, size, odd-indicator bit and
    // fields. Checked tells whether the file exists; a missing file leaves
    // a one-octet Variable parameter without fields. Raises Exception
    // "Bit number missing ("<file>": <field>)" for a bit field without a
    // usable bit number, and "Invalid <key> value '<text>', <expected>
    // ("<file>": <field>)" for an Octets, Order, ShowValue, or (with
    // Octets) Length key that cannot be used.
    virtual void LoadLayout(const std::string& FileName);
};
