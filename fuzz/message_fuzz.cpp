// A bare level-4 message (SIO first) decoded with the shipped definitions and
// shown as the window and velmora-dump show it: every cell of its list row,
// the decoded view with every status text, velmora-dump's lines and JSON.
// Then the decoded message is written back to octets, as the decoded view's
// "ISUP Packet Coded" text does: what is written must be a fixed point of
// decoding. It decodes, writing it again gives the same octets, and an ISUP
// message shows the same tree as the message it came from. That holds while
// every parameter lies within reach of its one-octet pointer; beyond, the
// pointer wraps (a value the decoder filled up to a length octet that the
// input cut short can make a message that long), and such messages are only
// shown, not compared.
#include "fuzz/FuzzSupport.h"
#include "presentation/CaptureDecoding.h"
#include "presentation/HexText.h"
#include "presentation/TextPool.h"

#include <cstddef>
#include <cstdint>

namespace {

// SIO, routing label, CIC and message type, then at most 255 octets: no
// pointer into them can be larger than an octet holds.
constexpr size_t PointerReach = 5 + 3 + 255;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    CheckParameterBlocksAreNotRecycled();
    ShippedCatalog();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    const std::string_view Octets(reinterpret_cast<const char*>(Data), Size);
    const TIsupCatalog& Catalog = ShippedCatalog();
    TTextPool Texts;
    const std::string Shown = ShowCapture(TCaptureItem::OverMessage(Octets), false, Catalog, Texts);

    const TDecodedCapture First(Octets, Catalog);
    if (!First.Packet())
        return 0;
    const std::string Written = WalkPacket(*First.Packet());
    if (Written.size() > PointerReach)
        return 0;
    const TDecodedCapture Second(Written, Catalog);
    if (!Second.Packet())
        FuzzFail("a message written back does not decode", Second.Error() + "\n  " + SpacedHex(Written));
    if (const std::string Again = WalkPacket(*Second.Packet()); Again != Written)
        FuzzFail("a message written back is written differently the second time",
                 "first " + SpacedHex(Written) + "\n  then  " + SpacedHex(Again));
    if (First.Isup() && ShowCapture(TCaptureItem::OverMessage(Written), false, Catalog, Texts) != Shown)
        FuzzFail("an ISUP message written back shows another tree", Shown);
    return 0;
}
