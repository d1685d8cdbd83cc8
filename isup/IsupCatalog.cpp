#include "isup/IsupCatalog.h"

#include "isup/IsupPacket.h"

TIsupCatalog::~TIsupCatalog() = default;

const TCustomIsupPacket* TIsupCatalog::Prototype(uint8_t) const
{
    return nullptr;
}

std::unique_ptr<TCustomIsupPacket> TEmptyIsupCatalog::NewMessage(uint8_t) const
{
    return nullptr;
}
