// The value texts of an enumerated parameter field.
#pragma once

#include "core/Persistent.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct TEnumLiteral {
    std::string Text;
    int32_t Value = 0;
};

// The literals of an ENUM field in the order they were added. The table is
// filled once while the layouts load and never changes afterwards, so copies
// share one array; Add on a shared table first takes a private copy.
//
// A field's value comes from one octet, so the table keeps, beside the
// literals, the first literal of every value from 0 to 255: the text of a
// field value is one lookup.
class TEnumLiterals : public TPersistent {
public:
    TEnumLiterals() = default;
    TEnumLiterals(const TEnumLiterals& Other)
        : TPersistent()
        , FTable(Other.FTable)
    {
    }
    TEnumLiterals& operator=(const TEnumLiterals& Other)
    {
        FTable = Other.FTable;
        return *this;
    }
    const char* ClassName() const override { return "TEnumLiterals"; }

    void Add(std::string Text, int32_t Value);
    int Count() const { return FTable ? static_cast<int>(FTable->Items.size()) : 0; }
    // A copy of literal I; callers keep 0 <= I < Count().
    TEnumLiteral Items(int I) const { return FTable->Items.at(static_cast<size_t>(I)); }

    // The text of the first literal with this value, else the value in decimal.
    std::string TextOf(int32_t Value) const;
    // The text of the first literal with this value, or null when none has it.
    const std::string* FindText(int32_t Value) const
    {
        if (!FTable)
            return nullptr;
        if (Value >= 0 && Value < 256) {
            const int32_t I = FTable->FirstOfOctet[static_cast<size_t>(Value)];
            return I < 0 ? nullptr : &FTable->Items[static_cast<size_t>(I)].Text;
        }
        return FindTextBeyondOctet(Value);
    }
    // The value of the first literal whose text equals Text exactly, else 0.
    int32_t ValueOf(std::string_view Text) const;

    // Shares the source's table.
    void Assign(const TPersistent& Source) override;
    // True when both tables are one and the same array (or both empty).
    bool SharesWith(const TEnumLiterals& Other) const { return FTable == Other.FTable; }

private:
    struct TTable {
        TTable() { FirstOfOctet.fill(-1); }
        std::vector<TEnumLiteral> Items;
        // Index in Items of the first literal of each value 0 .. 255, or -1.
        std::array<int32_t, 256> FirstOfOctet;
    };
    const std::string* FindTextBeyondOctet(int32_t Value) const;

    std::shared_ptr<const TTable> FTable;
};
