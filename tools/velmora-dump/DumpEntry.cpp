#include "tools/velmora-dump/DumpEntry.h"

#include "core/HexString.h"
#include "decode/PacketDecoder.h"

#include <exception>

namespace {

void Decode(TDumpEntry& Entry, const TIsupCatalog& Catalog)
{
    Entry.IsStop = !Entry.Octets.empty() && static_cast<uint8_t>(Entry.Octets[0]) == 0xFF;
    if (Entry.IsStop)
        return;
    try {
        Entry.Packet = DecodePacketL4(THexString(Entry.Octets, false), Catalog);
    } catch (const std::exception& Error) {
        Entry.Error = Error.what();
    }
}

} // namespace

std::string TDumpEntry::Name() const
{
    if (IsStop)
        return "STOP";
    return Packet ? Packet->GetName() : "(?\?\?)";
}

TDumpEntry DecodeMessage(int Line, std::string_view Octets, const TIsupCatalog& Catalog)
{
    TDumpEntry Entry;
    Entry.Line = Line;
    Entry.Octets = Octets;
    Decode(Entry, Catalog);
    return Entry;
}

TDumpEntry DecodeRecord(int Line, std::string_view Record, const TIsupCatalog& Catalog)
{
    TDumpEntry Entry;
    Entry.Line = Line;
    Entry.IsRecord = true;
    const auto* Bytes = reinterpret_cast<const uint8_t*>(Record.data());
    Entry.Stamp = StampFromBytes(Bytes);
    Entry.Direction = Bytes[StampSize];
    Entry.Link = Bytes[StampSize + 1];
    Entry.Octets = Record.substr(RecordHeadSize);
    Decode(Entry, Catalog);
    return Entry;
}
