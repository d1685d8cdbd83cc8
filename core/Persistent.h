// Framework base classes: the persistent object with its copy operation
// Assign, and the owning collection of items of one class.
#pragma once

#include <memory>
#include <vector>

// A persistent object. Assign copies the content of another object; a
// class overrides it for the sources it knows and passes every other one to
// its base, so an unknown source ends at the refusal
// "Cannot assign a %s to a %s".
class TPersistent {
public:
    TPersistent() = default;
    TPersistent(const TPersistent&) = delete;
    TPersistent& operator=(const TPersistent&) = delete;
    virtual ~TPersistent() = default;

    virtual void Assign(const TPersistent& Source);
    virtual const char* ClassName() const { return "TPersistent"; }

protected:
    // Called by Assign when no override accepted the source: the source may
    // still know how to copy itself into this object.
    virtual void AssignTo(TPersistent& Dest) const;
    [[noreturn]] void AssignError(const TPersistent* Source) const;
};

class TCollection;

// An item of a TCollection: it knows its collection and its index there.
class TCollectionItem : public TPersistent {
public:
    explicit TCollectionItem(TCollection* Collection)
        : FCollection(Collection)
    {
    }
    const char* ClassName() const override { return "TCollectionItem"; }

    TCollection* Collection() const { return FCollection; }
    int Index() const { return FIndex; }

private:
    friend class TCollection;
    TCollection* FCollection;
    int FIndex = -1;
};

// An ordered list that creates, owns and frees its items.
class TCollection : public TPersistent {
public:
    TCollection() = default;
    ~TCollection() override;
    const char* ClassName() const override { return "TCollection"; }

    int Count() const { return static_cast<int>(FItems.size()); }
    // The item at Index; an index outside 0 .. Count() - 1 raises EListError.
    // Inline: decoders walk their collections item by item.
    TCollectionItem* GetItem(int Index) const
    {
        if (static_cast<size_t>(Index) >= FItems.size())
            IndexError(Index);
        return FItems[static_cast<size_t>(Index)].get();
    }

    // Creates an item of class T owned by this collection and appends it.
    // T's constructor takes the collection first, then Args.
    template <class T, class... TArgs> T& Add(TArgs&&... Args)
    {
        auto Item = std::make_unique<T>(this, std::forward<TArgs>(Args)...);
        T& Result = *Item;
        Insert(std::move(Item));
        return Result;
    }

    void Insert(std::unique_ptr<TCollectionItem> Item);
    void Delete(int Index);
    void Clear();
    void Reserve(int Capacity) { FItems.reserve(static_cast<size_t>(Capacity)); }

private:
    [[noreturn]] static void IndexError(int Index);
    std::vector<std::unique_ptr<TCollectionItem>> FItems;
};
