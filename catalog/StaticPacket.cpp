#include "catalog/StaticPacket.h"

std::unique_ptr<TCustomIsupPacket> TStaticPacket::Clone() const
{
    auto Copy = std::make_unique<TCustomIsupPacket>();
    Copy->Assign(*this);
    return Copy;
}
