// A message prototype of the catalog: one ISUP message type with its own
// copies of the parameters it carries. Decoding never reads into it; it
// clones it.
#pragma once

#include "isup/IsupPacket.h"

#include <cstdint>
#include <memory>

class TStaticPacket : public TCustomIsupPacket {
public:
    explicit TStaticPacket(uint8_t Code) { MessageType = Code; }
    const char* ClassName() const override { return "TStaticPacket"; }

    // A new plain TCustomIsupPacket assigned from this prototype: message
    // type, caption, name, Checked, CIC and every parameter with its fields.
    std::unique_ptr<TCustomIsupPacket> Clone() const;
};
