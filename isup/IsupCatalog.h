// The message catalog as the ISUP decoder sees it: a lookup by message type
// that hands out fresh copies of prototypes.
#pragma once

#include <cstdint>
#include <memory>

class TCustomIsupPacket;

class TIsupCatalog {
public:
    virtual ~TIsupCatalog();
    // A new plain TCustomIsupPacket, owned by the caller, assigned from the
    // first prototype whose MessageType equals the octet; null when none.
    virtual std::unique_ptr<TCustomIsupPacket> NewMessage(uint8_t MessageType) const = 0;
};

// The catalog ReadIsupPacket asks; null (the initial state) refuses every
// ISUP message as unknown. The catalog is not owned.
void SetIsupCatalog(const TIsupCatalog* Catalog);
const TIsupCatalog* IsupCatalog();
