// The collection item with the user's selection mark: the common base of
// ISUP parameters and of the fields inside them.
#pragma once

#include "core/Persistent.h"

#include <cstdint>

// Checked is a plain member, read and written directly (as
// TCustomItemL4::Checked of the level-4 messages): 1 = selected.
class TCkCollectionItem : public TCollectionItem {
public:
    explicit TCkCollectionItem(TCollection* Collection)
        : TCollectionItem(Collection)
    {
    }
    const char* ClassName() const override { return "TCkCollectionItem"; }

    uint8_t Checked = 1;
};
