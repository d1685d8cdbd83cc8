// The collection item with the user's selection mark: the common base of
// ISUP parameters and of the fields inside them.
#pragma once

#include "core/Persistent.h"

#include <atomic>
#include <cstdint>
#include <iosfwd>

// A selection mark: one octet, 1 = selected, read and written like one.
// Every change of a mark anywhere counts one more in MarkChanges: copies of
// a message take their marks from a snapshot of the prototype that holds as
// long as no mark has changed since it was taken (see TParameterCollection).
class TSelectionMark {
public:
    constexpr TSelectionMark(uint8_t Value = 1) noexcept
        : FValue(Value)
    {
    }
    TSelectionMark(const TSelectionMark& Other) noexcept
        : FValue(Other.FValue)
    {
    }
    TSelectionMark& operator=(const TSelectionMark& Other) noexcept
    {
        Set(Other.FValue);
        return *this;
    }
    TSelectionMark& operator=(uint8_t Value) noexcept
    {
        Set(Value);
        return *this;
    }
    operator uint8_t() const noexcept { return FValue; }

    // How many times a mark has changed since the program started.
    static uint64_t Changes() noexcept { return FChanges.load(std::memory_order_relaxed); }

    // Test frameworks print a mark as its number.
    friend void PrintTo(const TSelectionMark& Mark, std::ostream* Out);

private:
    friend class TCustomParameter;
    friend class TParamFieldCollection;

    void Set(uint8_t Value) noexcept
    {
        if (Value == FValue)
            return;
        FValue = Value;
        FChanges.fetch_add(1, std::memory_order_relaxed);
    }
    // For copies taking a mark from a snapshot: nothing that a snapshot
    // reflects has changed.
    void Load(uint8_t Value) noexcept { FValue = Value; }

    uint8_t FValue;
    inline static std::atomic<uint64_t> FChanges{0};
};

// Checked is a plain member, read and written directly (as
// TCustomItemL4::Checked of the level-4 messages): 1 = selected.
class TCkCollectionItem : public TCollectionItem {
public:
    explicit TCkCollectionItem(TCollection* Collection)
        : TCollectionItem(Collection)
    {
    }
    const char* ClassName() const override { return "TCkCollectionItem"; }

    TSelectionMark Checked = 1;
};
