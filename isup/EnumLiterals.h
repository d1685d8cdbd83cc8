// The value texts of an enumerated parameter field.
#pragma once

#include "core/Persistent.h"

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
class TEnumLiterals : public TPersistent {
public:
    TEnumLiterals() = default;
    TEnumLiterals(const TEnumLiterals& Other)
        : TPersistent()
        , FItems(Other.FItems)
    {
    }
    TEnumLiterals& operator=(const TEnumLiterals& Other)
    {
        FItems = Other.FItems;
        return *this;
    }
    const char* ClassName() const override { return "TEnumLiterals"; }

    void Add(std::string Text, int32_t Value);
    int Count() const { return FItems ? static_cast<int>(FItems->size()) : 0; }
    // A copy of literal I; callers keep 0 <= I < Count().
    TEnumLiteral Items(int I) const { return FItems->at(static_cast<size_t>(I)); }

    // The text of the first literal with this value, else the value in decimal.
    std::string TextOf(int32_t Value) const;
    // The value of the first literal whose text equals Text exactly, else 0.
    int32_t ValueOf(std::string_view Text) const;

    // Shares the source's table.
    void Assign(const TPersistent& Source) override;
    // True when both tables are one and the same array (or both empty).
    bool SharesWith(const TEnumLiterals& Other) const { return FItems == Other.FItems; }

private:
    std::shared_ptr<const std::vector<TEnumLiteral>> FItems;
};
