// The parameters of an ISUP message in definition order, with the three
// message parts as views over them.
#pragma once

#include "isup/CustomParameter.h"
#include "isup/ParameterCollectionPart.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class TMemoryStream;
struct TParameterPlan;

// One parameter of a collection as the decoded view and the tools read it:
// what the parameter object shows, read without making one.
class TParameterView {
public:
    TParameterView(const TCustomParameter& Parameter, std::string_view Value, bool Present)
        : FParameter(&Parameter)
        , FValue(Value)
        , FPresent(Present)
    {
    }

    uint8_t Code() const { return FParameter->Code(); }
    uint8_t Part() const { return FParameter->Part(); }
    uint8_t ParamType() const { return FParameter->ParamType(); }
    bool Mandatory() const { return FParameter->Mandatory(); }
    // As TCustomParameter::GetPresent.
    bool GetPresent() const { return FPresent; }
    int32_t Size() const { return FParameter->Size(); }
    int32_t OddBit() const { return FParameter->OddBit(); }
    uint8_t Checked() const { return FParameter->Checked; }
    const std::string& Name() const { return FParameter->Name(); }
    const std::string& Caption() const { return FParameter->Caption(); }
    // The layouts of the fields, in layout order.
    const std::vector<TFieldDef>& Fields() const { return FParameter->Layout().Fields; }
    bool FieldChecked(int I) const { return FParameter->FieldChecked(I); }
    std::string_view Value() const { return FValue; }
    // What the fields read (see FieldOps).
    TParamValue ValueView() const { return {FValue, FParameter->Size(), FParameter->OddBit()}; }

private:
    const TCustomParameter* FParameter;
    std::string_view FValue;
    bool FPresent;
};

// The collection has two forms that no caller can tell apart.
//
// Built item by item (the catalogs, the prototypes, a message made in code)
// it holds its parameter objects.
//
// A copy made by Assign (every message the decoder reads) holds none: it
// shares a plan of its source, made once per source state: every parameter
// frozen as it stood when copied (layout, type, default value, Checked
// marks), grouped by message part, with the optional parameters indexed by
// code. The source makes its plan again only after it or some selection
// mark has changed. The copy itself keeps only what decoding read into it:
// the present parameters' values, in one buffer that a reused copy keeps
// from message to message, so that decoding allocates nothing. Anything
// that asks for a parameter object (Items, FindByCode, AddParameter, the
// parts' Items, writing) makes all of them from the plan first; View and
// Count read a copy as it is.
//
// A plan is made under a lock and only read afterwards, so copies of one
// source may be made and decoded on several threads at once, as long as
// nobody changes the source (its marks included) meanwhile.
class TParameterCollection : public TCollection {
public:
    TParameterCollection();
    ~TParameterCollection() override;
    const char* ClassName() const override { return "TParameterCollection"; }

    int Count() const;
    // Item I in definition order, whatever its part; EListError outside
    // 0 .. Count() - 1.
    TCustomParameter& Items(int I) const { return static_cast<TCustomParameter&>(*GetItem(I)); }
    // Item I read without making parameter objects; EListError outside
    // 0 .. Count() - 1.
    TParameterView View(int I) const;
    // The part of item I, read without making parameter objects.
    uint8_t PartOf(int I) const;

    // Appends a plain parameter.
    TCustomParameter& AddParameter(bool Mandatory, uint8_t Code) { return Add<TCustomParameter>(Mandatory, Code); }
    template <class T, class... TArgs> T& Add(TArgs&&... Args)
    {
        Expand();
        ++FVersion;
        return TCollection::Add<T>(std::forward<TArgs>(Args)...);
    }
    TCollectionItem* GetItem(int Index) const
    {
        if (FPlan)
            Expand();
        return TCollection::GetItem(Index);
    }
    void Insert(std::unique_ptr<TCollectionItem> Item);
    void Delete(int Index);
    void Clear();
    void Reserve(int Capacity);

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
    // assigned from it (held as a copy of the source's plan, see above).
    void Assign(const TPersistent& Source) override;

    // True while the collection is a copy that holds no parameter objects.
    bool IsCompact() const { return FPlan != nullptr; }
    // Makes the parameter objects of a compact copy now; nothing otherwise.
    void Expand() const;
    // Makes the plan that copies of this collection share now, as the
    // catalog does for its prototypes once they are loaded.
    void PreparePlan() const { CurrentPlan(); }

private:
    friend class TCustomParameter;
    friend class TCustomIsupPacket;
    friend class TParameterCollectionPart;

    // What a compact copy holds of parameter I beyond the plan: the value
    // read into it (Offset and Length in FValues; Length NotRead for the
    // plan's value) and its Present flag (-1 for the plan's).
    struct TSlot {
        static constexpr uint32_t NotRead = 0xFFFFFFFFu;
        uint32_t Offset = 0;
        uint32_t Length = NotRead;
        int8_t Present = -1;
    };

    // The plan of this collection as it stands; made when missing or stale.
    const TParameterPlan& CurrentPlan() const;
    void AssignFrom(const TParameterCollection& Source);
    int PartCount(uint8_t Kind) const;
    void LoadCompact(TMemoryStream& Stream);
    // Reads Length octets (zeros where the input ends) as parameter I's value.
    void ReadValue(int I, TMemoryStream& Stream, size_t Length);

    TParameterCollectionPart FFixedPart;
    TParameterCollectionPart FVariablePart;
    TParameterCollectionPart FOptionalPart;

    // Counts every change of the collection and of its items.
    uint64_t FVersion = 0;

    // A compact copy: the plan it shares, and what it read.
    mutable std::shared_ptr<const TParameterPlan> FPlan;
    mutable std::vector<TSlot> FSlots;
    mutable std::string FValues;

    // The plan copies of this collection share, once made; the pointer is
    // read without the lock.
    mutable std::shared_ptr<const TParameterPlan> FOwnPlan;
    mutable std::atomic<const TParameterPlan*> FOwnPlanRead{nullptr};
};
