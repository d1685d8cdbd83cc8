// The message catalog as the ISUP decoder sees it: a lookup by message type
// that hands out fresh copies of prototypes. The decoder is given the
// catalog it decodes with; the program's catalog is the one loaded from the
// definition files (catalog/).
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
    // The prototype that NewMessage copies for the octet, for a decoder that
    // renews packets of its own from it (TCustomIsupPacket::Renew); null
    // when there is none, and in a catalog that lends no prototypes (the
    // decoder then asks NewMessage).
    virtual const TCustomIsupPacket* Prototype(uint8_t MessageType) const;
};

// A catalog without message types: every ISUP message is unknown to it.
class TEmptyIsupCatalog : public TIsupCatalog {
public:
    std::unique_ptr<TCustomIsupPacket> NewMessage(uint8_t MessageType) const override;
};
