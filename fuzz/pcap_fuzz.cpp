// A pcap or pcapng file through the capture file reader: every message it
// gives becomes a capture, which must hold the message's octets, direction
// and link, and the first few are shown as the window and velmora-dump show
// them. A damaged file may end the reading with EPcapError, never otherwise.
#include "fuzz/FuzzSupport.h"
#include "pcapio/PcapReader.h"
#include "presentation/CaptureItems.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

// Shown in full: the rest are only added as captures.
constexpr uint64_t ShownMessages = 8;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    ShippedCatalog();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    const TIsupCatalog& Catalog = ShippedCatalog();
    TCaptureItemsCollection Captures;
    uint64_t Given = 0;
    try {
        TPcapOptions Options;
        Options.OwnPointCodes = {2061};
        TPcapReader Reader("fuzz.pcap", Data, Size, Options);
        TPcapMessage Message;
        std::string Record;
        while (Reader.Next(Message)) {
            ++Given;
            if (Message.Packet == 0 || Message.Packet > Reader.Counts().Packets)
                FuzzFail("a message names a packet that was not read");
            Record.clear();
            Message.AppendRecord(Record);
            const TCaptureItem* Item = Captures.Add(Record, Catalog);
            if (!Item)
                FuzzFail("a message of a capture file adds no capture");
            if (Item->Direction != Message.Direction || Item->Link != Message.Link ||
                Item->OctetBytes() != Message.Octets)
                FuzzFail("a capture does not hold what the capture file carried");
            if (Given <= ShownMessages)
                ShowCapture(*Item, true, Catalog, Captures.Texts());
            Reader.TakeNotes();
        }
        if (Reader.Counts().Messages != Given)
            FuzzFail("the reader counts other messages than it gave");
        Reader.Summary();
    } catch (const EPcapError&) {
    }
    return 0;
}
