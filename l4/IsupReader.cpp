#include "IsupReader.h"

#include "PacketL4.h"

// No ISUP decoder is linked in: every ISUP message is refused.
std::unique_ptr<TCustomPacketL4> ReadIsupPacket(TMemoryStream&)
{
    throw EL4Error("ISUP decoding is not available");
}
