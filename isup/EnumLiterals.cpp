#include "isup/EnumLiterals.h"

void TEnumLiterals::Add(std::string Text, int32_t Value)
{
    // The table is built once while the layouts load: append in place while
    // nobody else holds it, copy it first otherwise.
    std::shared_ptr<TTable> Table;
    if (FTable && FTable.use_count() == 1)
        Table = std::const_pointer_cast<TTable>(FTable);
    else
        Table = FTable ? std::make_shared<TTable>(*FTable) : std::make_shared<TTable>();
    const size_t Index = Table->Items.size();
    Table->Items.push_back({std::move(Text), Value});
    if (Value >= 0 && Value < 256 && Table->FirstOfOctet[static_cast<size_t>(Value)] < 0)
        Table->FirstOfOctet[static_cast<size_t>(Value)] = static_cast<int32_t>(Index);
    FTable = std::move(Table);
}

const std::string* TEnumLiterals::FindTextBeyondOctet(int32_t Value) const
{
    for (const TEnumLiteral& Literal : FTable->Items)
        if (Literal.Value == Value)
            return &Literal.Text;
    return nullptr;
}

std::string TEnumLiterals::TextOf(int32_t Value) const
{
    if (const std::string* Text = FindText(Value))
        return *Text;
    return std::to_string(Value);
}

int32_t TEnumLiterals::ValueOf(std::string_view Text) const
{
    if (FTable)
        for (const TEnumLiteral& Literal : FTable->Items)
            if (Literal.Text == Text)
                return Literal.Value;
    return 0;
}

void TEnumLiterals::Assign(const TPersistent& Source)
{
    if (const auto* Literals = dynamic_cast<const TEnumLiterals*>(&Source)) {
        FTable = Literals->FTable;
        return;
    }
    TPersistent::Assign(Source);
}
