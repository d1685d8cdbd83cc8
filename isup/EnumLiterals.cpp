#include "isup/EnumLiterals.h"

void TEnumLiterals::Add(std::string Text, int32_t Value)
{
    // The table is built once while the layouts load: append in place while
    // nobody else holds it, copy it first otherwise.
    if (FItems && FItems.use_count() == 1) {
        const_cast<std::vector<TEnumLiteral>&>(*FItems).push_back({std::move(Text), Value});
        return;
    }
    auto Items =
        FItems ? std::make_shared<std::vector<TEnumLiteral>>(*FItems) : std::make_shared<std::vector<TEnumLiteral>>();
    Items->push_back({std::move(Text), Value});
    FItems = std::move(Items);
}

std::string TEnumLiterals::TextOf(int32_t Value) const
{
    if (FItems)
        for (const TEnumLiteral& Literal : *FItems)
            if (Literal.Value == Value)
                return Literal.Text;
    return std::to_string(Value);
}

int32_t TEnumLiterals::ValueOf(std::string_view Text) const
{
    if (FItems)
        for (const TEnumLiteral& Literal : *FItems)
            if (Literal.Text == Text)
                return Literal.Value;
    return 0;
}

void TEnumLiterals::Assign(const TPersistent& Source)
{
    if (const auto* Literals = dynamic_cast<const TEnumLiterals*>(&Source)) {
        FItems = Literals->FItems;
        return;
    }
    TPersistent::Assign(Source);
}
