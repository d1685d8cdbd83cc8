// One received datagram through the monitor's intake: its kind, the capture
// record it becomes, the capture added to the list and its row, and the
// decoded view shown when it is selected. A capture datagram must give a
// capture that holds its direction, link and message, and whose capture file
// line reads back as its record.
#include "fuzz/FuzzSupport.h"
#include "presentation/CaptureItems.h"
#include "presentation/CaptureRecord.h"
#include "presentation/Datagram.h"

#include <cstddef>
#include <cstdint>

namespace {

// The endpoint drops longer datagrams before they reach the intake.
constexpr size_t LongestDatagram = 2048;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    ShippedCatalog();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    const std::string_view Datagram(reinterpret_cast<const char*>(Data), Size);
    if (Size > LongestDatagram || DatagramKind(Datagram) != TDatagramKind::Capture)
        return 0;
    const TSystemTime Now{2026, 2, 0, 1, 0, 0, 0, 7};
    std::string Record;
    CaptureDatagramRecord(Datagram, Now, Record);

    const TIsupCatalog& Catalog = ShippedCatalog();
    TCaptureItemsCollection Captures;
    const TCaptureItem* Item = Captures.Add(Record, Catalog);
    if (!Item)
        FuzzFail("a capture datagram adds no capture");
    if (Item->Stamp != Now || Item->Direction != Data[1] || Item->Link != Data[2] ||
        Item->OctetBytes() != Datagram.substr(3))
        FuzzFail("a capture does not hold what its datagram carried");
    std::string Line;
    ParseCaptureLine(Item->GetRecordText(), Line);
    if (Line != Record)
        FuzzFail("a capture's file line reads back as another record");
    ShowCapture(*Item, true, Catalog, Captures.Texts());
    return 0;
}
