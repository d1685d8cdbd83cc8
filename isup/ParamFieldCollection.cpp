#include "isup/ParamFieldCollection.h"

#include "isup/CustomParameter.h"

int TParamFieldCollection::Count() const
{
    return static_cast<int>(FParameter->Layout().Fields.size());
}

void TParamFieldCollection::Materialize() const
{
    const int Defs = Count();
    if (ObjectCount() == Defs)
        return;
    // The collection is a mutable member of its parameter: making the field
    // objects does not change what the parameter shows.
    auto& Self = const_cast<TParamFieldCollection&>(*this);
    Self.Reserve(Defs);
    for (int I = ObjectCount(); I < Defs; ++I) {
        // The mark first: once the object exists, it is what FieldChecked reads.
        const uint8_t Mark = FParameter->FieldChecked(I) ? 1 : 0;
        Self.TCollection::Add<TParamField>().Checked.Load(Mark);
    }
}

TParamField& TParamFieldCollection::Items(int I) const
{
    Materialize();
    return static_cast<TParamField&>(*GetItem(I));
}

TParamField& TParamFieldCollection::Add()
{
    Materialize();
    FParameter->MutableLayout().Fields.emplace_back();
    return TCollection::Add<TParamField>();
}

void TParamFieldCollection::Delete(int I)
{
    Materialize();
    TCollection::Delete(I);
    auto& Fields = FParameter->MutableLayout().Fields;
    Fields.erase(Fields.begin() + I);
}

void TParamFieldCollection::Clear()
{
    Release();
    FParameter->MutableLayout().Fields.clear();
    FParameter->FFieldUnchecked = 0;
    FParameter->FFieldCheckedHigh.clear();
    FParameter->Changed();
}

std::string TParamFieldCollection::GetDescription() const
{
    const auto& Defs = FParameter->Layout().Fields;
    if (Defs.empty())
        return {};
    const TParamValue Value = FParameter->ValueView();
    std::string Text = "{ ";
    for (const TFieldDef& Def : Defs) {
        Text += Def.Name;
        Text += " = ";
        FieldOps::AppendValueText(Text, Def, Value);
        Text += "; ";
    }
    Text.resize(Text.size() - 2);
    Text += " }";
    return Text;
}

void TParamFieldCollection::Assign(const TPersistent& Source)
{
    if (const auto* Fields = dynamic_cast<const TParamFieldCollection*>(&Source)) {
        if (Fields == this)
            return;
        std::vector<uint8_t> Marks;
        Marks.reserve(static_cast<size_t>(Fields->Count()));
        for (int I = 0; I < Fields->Count(); ++I)
            Marks.push_back(Fields->FParameter->FieldChecked(I));
        Release();
        if (!FParameter->SharesLayoutWith(*Fields->FParameter)) {
            auto Defs = Fields->FParameter->Layout().Fields;
            FParameter->MutableLayout().Fields = std::move(Defs);
        }
        FParameter->FFieldUnchecked = 0;
        FParameter->FFieldCheckedHigh.clear();
        for (size_t I = 0; I < Marks.size(); ++I)
            FParameter->SetFieldChecked(static_cast<int>(I), Marks[I] != 0);
        return;
    }
    TCollection::Assign(Source);
}
