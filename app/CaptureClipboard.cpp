#include "app/CaptureClipboard.h"

#include "core/HexString.h"

std::string PasteRecord(std::string_view ClipText, const TSystemTime& Now)
{
    THexString Bytes(true);
    Bytes.FromText(ClipText);
    if (Bytes.Count() == 0)
        return {};
    const TStampBytes Stamp = StampToBytes(Now);
    std::string Record(reinterpret_cast<const char*>(Stamp.data()), Stamp.size());
    // Direction codes are 0, 1 and 2; a first octet above them is a SIO.
    if (Bytes.Bytes(0) > 2)
        Record.append({'\x00', '\xFF'});
    Record.append(Bytes.Data());
    return Record;
}
