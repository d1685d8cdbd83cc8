#include "tests/isup/isup_test_support.h"

#include "l4/PacketL4.h"

#include <stdexcept>

namespace isuptest {

std::unique_ptr<TCustomIsupPacket> DecodeIsup(std::string_view Bytes)
{
    std::unique_ptr<TCustomPacketL4> Packet = DecodePacketL4(THexString(Bytes, false));
    auto* Isup = dynamic_cast<TCustomIsupPacket*>(Packet.get());
    if (!Isup)
        throw std::logic_error("not an ISUP message");
    Packet.release();
    return std::unique_ptr<TCustomIsupPacket>(Isup);
}

} // namespace isuptest
