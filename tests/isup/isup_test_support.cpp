#include "tests/isup/isup_test_support.h"

#include <stdexcept>

namespace isuptest {

std::unique_ptr<TCustomIsupPacket> DecodeIsup(const TIsupCatalog& Catalog, std::string_view Bytes)
{
    TMemoryStream Stream(Bytes);
    std::unique_ptr<TCustomIsupPacket> Packet = ReadIsupPacket(Stream, Catalog);
    if (!Packet)
        throw std::logic_error("no ISUP message in an empty input");
    return Packet;
}

} // namespace isuptest
