// The framework base classes: Assign's refusal of unknown sources, the
// AssignTo hook, and a collection's ownership and index bookkeeping.
#include "core/Exception.h"
#include "core/Persistent.h"

#include <gtest/gtest.h>

namespace {

class TApple : public TPersistent {
public:
    const char* ClassName() const override { return "TApple"; }
    int Weight = 0;
    void Assign(const TPersistent& Source) override
    {
        if (const auto* Apple = dynamic_cast<const TApple*>(&Source)) {
            Weight = Apple->Weight;
            return;
        }
        TPersistent::Assign(Source);
    }
};

// Knows how to copy itself into an apple, which does not know pears.
class TPear : public TPersistent {
public:
    const char* ClassName() const override { return "TPear"; }
    int Weight = 0;

protected:
    void AssignTo(TPersistent& Dest) const override
    {
        if (auto* Apple = dynamic_cast<TApple*>(&Dest)) {
            Apple->Weight = Weight;
            return;
        }
        TPersistent::AssignTo(Dest);
    }
};

class TCounted : public TCollectionItem {
public:
    TCounted(TCollection* Collection, int& Alive, int Tag)
        : TCollectionItem(Collection)
        , Alive(Alive)
        , Tag(Tag)
    {
        ++Alive;
    }
    ~TCounted() override { --Alive; }
    int& Alive;
    int Tag;
};

std::string AssignError(TPersistent& Dest, const TPersistent& Source)
{
    try {
        Dest.Assign(Source);
    } catch (const EConvertError& Error) {
        return Error.Message();
    }
    return "no error";
}

TEST(Persistent, AssignRefusesAnUnknownSourceNamingBothClasses)
{
    TApple Apple;
    TPersistent Plain;
    EXPECT_EQ(AssignError(Apple, Plain), "Cannot assign a TPersistent to a TApple");
    EXPECT_EQ(AssignError(Plain, Apple), "Cannot assign a TApple to a TPersistent");
    TPear Pear;
    EXPECT_EQ(AssignError(Pear, Apple), "Cannot assign a TApple to a TPear");
}

TEST(Persistent, AssignCopiesKnownSourcesAndAsksTheSourceOtherwise)
{
    TApple From, To;
    From.Weight = 150;
    To.Assign(From);
    EXPECT_EQ(To.Weight, 150);
    TPear Pear;
    Pear.Weight = 90;
    To.Assign(Pear);
    EXPECT_EQ(To.Weight, 90);
}

TEST(Collection, ItemsKnowTheirCollectionAndIndex)
{
    int Alive = 0;
    {
        TCollection Items;
        auto& A = Items.Add<TCounted>(Alive, 10);
        auto& B = Items.Add<TCounted>(Alive, 11);
        auto& C = Items.Add<TCounted>(Alive, 12);
        EXPECT_EQ(Alive, 3);
        EXPECT_EQ(Items.Count(), 3);
        EXPECT_EQ(A.Index(), 0);
        EXPECT_EQ(B.Index(), 1);
        EXPECT_EQ(C.Index(), 2);
        EXPECT_EQ(A.Collection(), &Items);
        EXPECT_EQ(Items.GetItem(1), &B);

        Items.Delete(0);
        EXPECT_EQ(Alive, 2);
        EXPECT_EQ(B.Index(), 0);
        EXPECT_EQ(C.Index(), 1);
        EXPECT_EQ(Items.GetItem(0), &B);

        auto Loose = std::make_unique<TCounted>(nullptr, Alive, 13);
        TCounted* Raw = Loose.get();
        Items.Insert(std::move(Loose));
        EXPECT_EQ(Raw->Collection(), &Items);
        EXPECT_EQ(Raw->Index(), 2);
        EXPECT_EQ(static_cast<TCounted*>(Items.GetItem(2))->Tag, 13);
    }
    // The collection frees its items.
    EXPECT_EQ(Alive, 0);
}

TEST(Collection, BoundsAndClear)
{
    int Alive = 0;
    TCollection Items;
    EXPECT_EQ(Items.Count(), 0);
    try {
        Items.GetItem(0);
        FAIL() << "no error";
    } catch (const EListError& Error) {
        EXPECT_EQ(Error.Message(), "List index out of bounds (0)");
    }
    Items.Add<TCounted>(Alive, 1);
    Items.Add<TCounted>(Alive, 2);
    EXPECT_THROW(Items.GetItem(-1), EListError);
    EXPECT_THROW(Items.GetItem(2), EListError);
    EXPECT_THROW(Items.Delete(2), EListError);
    EXPECT_EQ(Items.Count(), 2);
    Items.Clear();
    EXPECT_EQ(Items.Count(), 0);
    EXPECT_EQ(Alive, 0);
    auto& Again = Items.Add<TCounted>(Alive, 3);
    EXPECT_EQ(Again.Index(), 0);
}

} // namespace
