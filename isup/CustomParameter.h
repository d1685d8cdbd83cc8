// An ISUP parameter: its raw value octets, how it sits in a message, and the
// layout through which its fields read that value.
#pragma once

#include "isup/CkCollectionItem.h"
#include "isup/ParamFieldCollection.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TMemoryStream;

// Parameter types of the description files.
enum : uint8_t {
    ptUnset = 0,
    ptFixed = 1,
    ptVariable = 2,
    ptNumber = 3,
};

// Parts of an ISUP message (ITU-T Q.763): where a parameter sits.
enum : uint8_t {
    ipFixed = 0,
    ipVariable = 1,
    ipOptional = 2,
};

// The parts of a parameter that come from its description file and never
// change once the definitions are loaded. A message prototype and every copy
// decoded from it share one layout; a setter on a parameter whose layout is
// shared gives it a private copy first.
struct TParamLayout {
    std::string Name;
    std::string Caption;
    std::vector<TFieldDef> Fields;
};

// One parameter of a message or of the layout catalog.
//
// Accessors: Code(), Part(), ParamType(), Size(), Mandatory(), Present()
// (the raw flag; GetPresent() applies the mandatory rule), OddBit(), Value(),
// Name(), Caption(), Fields(); setters where the loader needs them. The
// selection mark Checked is a plain inherited member, as are the Checked
// members of the fields.
//
// Copying (Assign) shares the layout and copies only what a decoded message
// may change: Value, Present, Checked and the fields' Checked marks; the
// field objects are made again on first access.
//
// Every change of a parameter counts in the version of the collection that
// holds it, so that a collection knows when the copies it hands out must be
// taken afresh (see TParameterCollection).
class TCustomParameter : public TCkCollectionItem {
public:
    TCustomParameter(TCollection* Collection, bool Mandatory, uint8_t Code);
    ~TCustomParameter() override;

    // Every decode creates and frees a few dozen parameters: blocks of
    // exactly this class are recycled through a per-thread free list.
    static void* operator new(size_t Size);
    static void operator delete(void* Block, size_t Size);
    const char* ClassName() const override { return "TCustomParameter"; }

    uint8_t Code() const { return FCode; }
    void SetCode(uint8_t Code)
    {
        FCode = Code;
        Changed();
    }
    // 0 mandatory fixed part, 1 mandatory variable part, 2 optional part.
    uint8_t Part() const { return FPart; }
    // 1 Fixed, 2 Variable, 3 Number, 0 unset.
    uint8_t ParamType() const { return FParamType; }
    // Sets the type and derives Part from it and from Mandatory.
    void SetParamType(uint8_t ParamType);
    int32_t Size() const { return FSize; }
    void SetSize(int32_t Size)
    {
        FSize = Size;
        Changed();
    }
    bool Mandatory() const { return FMandatory; }
    bool Present() const { return FPresent; }
    int32_t OddBit() const { return FOddBit; }
    void SetOddBit(int32_t OddBit)
    {
        FOddBit = OddBit;
        Changed();
    }

    // The raw value octets.
    const std::string& Value() const { return FValue; }
    void SetValue(std::string_view Octets)
    {
        FValue.assign(Octets.data(), Octets.size());
        Changed();
    }
    // What the fields read: the value with Size and OddBit.
    TParamValue ValueView() const { return {FValue, FSize, FOddBit}; }
    // Octet I of the value, 0 beyond its end.
    uint8_t ValueOctet(int I) const
    {
        return I >= 0 && static_cast<size_t>(I) < FValue.size() ? static_cast<uint8_t>(FValue[static_cast<size_t>(I)])
                                                                : 0;
    }
    // Stores octet I; dropped beyond the end of the value.
    void SetValueOctet(int I, uint8_t Octet)
    {
        if (I >= 0 && static_cast<size_t>(I) < FValue.size())
            FValue[static_cast<size_t>(I)] = static_cast<char>(Octet);
        Changed();
    }

    const std::string& Name() const { return Layout().Name; }
    void SetName(std::string Name);
    const std::string& Caption() const { return Layout().Caption; }
    void SetCaption(std::string Caption);

    TParamFieldCollection& Fields() { return FFields; }
    const TParamFieldCollection& Fields() const { return FFields; }
    const TParamLayout& Layout() const;
    // True when both parameters read their fields through one layout.
    bool SharesLayoutWith(const TCustomParameter& Other) const { return FLayout && FLayout == Other.FLayout; }
    // The Checked mark of field I, read without making the field objects.
    bool FieldChecked(int I) const;

    // True when mandatory, else the Present flag.
    virtual bool GetPresent() const;
    // Present := true for a mandatory parameter, else Flag.
    virtual void SetPresent(bool Flag);
    // "Fixed", "Variable", "Number" or empty.
    virtual std::string GetTypeText() const;
    // Reads the value (a length octet first unless in the fixed part) and
    // marks the parameter present. Never reads beyond the end of the input:
    // octets the input lacks are zeros, a missing length octet gives an
    // empty value.
    virtual void LoadFromStream(TMemoryStream& Stream);
    // Writes the length octet (unless in the fixed part) and the value, cut
    // to its length modulo 256.
    virtual void SaveToStream(TMemoryStream& Stream) const;
    // Parses spaced hex; fewer octets than Size apply the defaults instead.
    // A text that does not parse raises EConvertError and changes nothing.
    virtual void SetHexValue(std::string_view Text);
    // Spaced hex of the value, a blank after every octet.
    virtual std::string GetHexValue() const;
    virtual void SetText(std::string_view Text);
    virtual std::string GetText() const;
    // "Name = " + Fields().GetDescription().
    virtual std::string GetDescription() const;
    virtual void ClearPresent();
    // Value := Size zero octets, then every field's default text written in.
    virtual void ApplyDefaults();

    int GetValueLength() const { return static_cast<int>(FValue.size()); }
    // Resizes the value; leading octets keep their values, new ones are 0.
    void SetValueLength(int Length);
    // Name, or "Name, Caption" when they differ.
    std::string GetTitle() const;

    // From another parameter: Code, type (Part follows this parameter's own
    // Mandatory), Present, Caption, Name, OddBit, Size, Value, Checked and
    // the fields with their Checked marks. Mandatory is not copied.
    void Assign(const TPersistent& Source) override;

private:
    friend class TParamField;
    friend class TParamFieldCollection;
    friend class TParameterCollection;

    // Assign from a parameter, without the type test.
    void CopyFrom(const TCustomParameter& Source);
    // Counts a change in the holding collection's version.
    void Changed()
    {
        if (FOwnerVersion)
            ++*FOwnerVersion;
    }

    TParamLayout& MutableLayout();
    void SetFieldChecked(int I, bool Checked);

    uint8_t FCode;
    uint8_t FPart = ipFixed;
    uint8_t FParamType = ptUnset;
    bool FMandatory;
    bool FPresent;
    int32_t FSize = 0;
    int32_t FOddBit = 0;
    std::string FValue;
    std::shared_ptr<const TParamLayout> FLayout;
    // The version counter of the TParameterCollection holding this
    // parameter; null for a parameter held by another kind of collection.
    uint64_t* FOwnerVersion = nullptr;
    // The fields' Checked marks while their objects do not exist: bit I of
    // FFieldUnchecked for field I < 64 (set = cleared mark), FFieldCheckedHigh
    // for the rest.
    uint64_t FFieldUnchecked = 0;
    std::vector<uint8_t> FFieldCheckedHigh;
    mutable TParamFieldCollection FFields;
};
