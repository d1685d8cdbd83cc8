#include "core/Persistent.h"

#include "core/Exception.h"
#include "core/Format.h"

void TPersistent::Assign(const TPersistent& Source)
{
    Source.AssignTo(*this);
}

void TPersistent::AssignTo(TPersistent& Dest) const
{
    Dest.AssignError(this);
}

void TPersistent::AssignError(const TPersistent* Source) const
{
    throw EConvertError(Format("Cannot assign a %s to a %s", Source ? Source->ClassName() : "nil", ClassName()));
}

TCollection::~TCollection() = default;

void TCollection::IndexError(int Index)
{
    throw EListError(Format("List index out of bounds (%d)", Index));
}

void TCollection::Insert(std::unique_ptr<TCollectionItem> Item)
{
    Item->FCollection = this;
    Item->FIndex = Count();
    FItems.push_back(std::move(Item));
}

void TCollection::Delete(int Index)
{
    if (Index < 0 || Index >= Count())
        throw EListError(Format("List index out of bounds (%d)", Index));
    FItems.erase(FItems.begin() + Index);
    for (int I = Index; I < Count(); ++I)
        FItems[static_cast<size_t>(I)]->FIndex = I;
}

void TCollection::Clear()
{
    FItems.clear();
}
