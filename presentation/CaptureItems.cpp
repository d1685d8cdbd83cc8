#include "presentation/CaptureItems.h"

#include "decode/PacketDecoder.h"
#include "presentation/CaptureDecoding.h"
#include "presentation/HexText.h"

#include <algorithm>
#include <cstring>

static_assert(sizeof(TCaptureItem) == 48, "a capture's fixed part should stay at 48 bytes");

namespace {

// Arena blocks: large enough that block headers are negligible, small
// enough that an almost empty list holds little.
constexpr size_t ArenaBlockSize = 256 * 1024;

} // namespace

TCaptureItem TCaptureItem::OverRecord(std::string_view RecordBytes)
{
    TCaptureItem Item;
    if (RecordBytes.size() < MinCaptureRecordSize)
        return Item;
    const auto* Bytes = reinterpret_cast<const uint8_t*>(RecordBytes.data());
    Item.Stamp = StampFromBytes(Bytes);
    Item.Direction = Bytes[StampSize];
    Item.Link = Bytes[StampSize + 1];
    Item.FOctets = Bytes + MinCaptureRecordSize;
    Item.FCount = static_cast<uint32_t>(RecordBytes.size() - MinCaptureRecordSize);
    return Item;
}

TCaptureItem TCaptureItem::OverRecord(const TCaptureRecord& Record)
{
    TCaptureItem Item = OverMessage(Record.Octets);
    Item.Stamp = Record.Stamp;
    Item.Direction = Record.Direction;
    Item.Link = Record.Link;
    return Item;
}

TCaptureItem TCaptureItem::OverMessage(std::string_view Octets)
{
    TCaptureItem Item;
    Item.FOctets = reinterpret_cast<const uint8_t*>(Octets.data());
    Item.FCount = static_cast<uint32_t>(Octets.size());
    return Item;
}

TCaptureRecord TCaptureItem::Record() const
{
    return TCaptureRecord{Stamp, Direction, Link, std::string(OctetBytes())};
}

void TCaptureItem::AppendRecordBytes(std::string& Bytes) const
{
    AppendCaptureRecord(Stamp, Direction, Link, OctetBytes(), Bytes);
}

std::string TCaptureItem::GetRecord() const
{
    std::string Bytes;
    Bytes.reserve(MinCaptureRecordSize + FCount);
    AppendRecordBytes(Bytes);
    return Bytes;
}

std::string TCaptureItem::GetRecordText() const
{
    return CaptureLineText(GetRecord());
}

TCaptureItemsCollection::TCaptureItemsCollection() = default;
TCaptureItemsCollection::~TCaptureItemsCollection() = default;

const uint8_t* TCaptureItemsCollection::StoreOctets(const uint8_t* Bytes, size_t Count, uint64_t Item)
{
    if (Count == 0)
        return nullptr;
    if (Count > ArenaBlockSize / 4) {
        // An unusually long message gets a block of its own, inserted before
        // the current one so that the current block keeps filling.
        TOctetBlock Block{std::make_unique<uint8_t[]>(Count), Count, Item};
        std::memcpy(Block.Bytes.get(), Bytes, Count);
        const uint8_t* Result = Block.Bytes.get();
        FBlocks.insert(FBlocks.empty() ? FBlocks.end() : FBlocks.end() - 1, std::move(Block));
        FArenaBytes += Count;
        return Result;
    }
    if (FBlocks.empty() || FBlockUsed + Count > FBlockSize) {
        FBlocks.push_back(TOctetBlock{std::make_unique<uint8_t[]>(ArenaBlockSize), ArenaBlockSize, Item});
        FBlockSize = ArenaBlockSize;
        FBlockUsed = 0;
        FArenaBytes += ArenaBlockSize;
    }
    TOctetBlock& Block = FBlocks.back();
    uint8_t* Target = Block.Bytes.get() + FBlockUsed;
    std::memcpy(Target, Bytes, Count);
    FBlockUsed += Count;
    Block.LastItem = Item;
    return Target;
}

TCaptureItem& TCaptureItemsCollection::Append(const TSystemTime& Stamp, uint8_t Direction, uint8_t Link,
                                              std::string_view Octets)
{
    TCaptureItem& Item = FItems.emplace_back();
    Item.Stamp = Stamp;
    Item.Direction = Direction;
    Item.Link = Link;
    Item.FOctets =
        StoreOctets(reinterpret_cast<const uint8_t*>(Octets.data()), Octets.size(), FDropped + FItems.size() - 1);
    Item.FCount = static_cast<uint32_t>(Octets.size());
    return Item;
}

const TCaptureItem* TCaptureItemsCollection::Add(std::string_view RecordBytes, const TIsupCatalog& Catalog)
{
    if (RecordBytes.size() < MinCaptureRecordSize)
        return nullptr;
    const TCaptureItem Source = TCaptureItem::OverRecord(RecordBytes);
    TCaptureItem& Item = Append(Source.Stamp, Source.Direction, Source.Link, Source.OctetBytes());
    Summarize(Item, Catalog);
    return &Item;
}

const TCaptureItem* TCaptureItemsCollection::Add(const TCaptureRecord& Record, const TIsupCatalog& Catalog)
{
    TCaptureItem& Item = Append(Record.Stamp, Record.Direction, Record.Link, Record.Octets);
    Summarize(Item, Catalog);
    return &Item;
}

void TCaptureItemsCollection::Summarize(TCaptureItem& Item, const TIsupCatalog& Catalog)
{
    if (!FDecoder || FDecoderCatalog != &Catalog) {
        FDecoder = std::make_unique<TPacketDecoder>(Catalog);
        FDecoderCatalog = &Catalog;
    }
    const TDecodedCapture Decoded(Item.OctetBytes(), *FDecoder);
    Item.Summary = SummarizeCapture(Decoded, Item.Direction, FTexts);
    if (FObserver)
        FObserver->CaptureAdded(SequenceOf(Count() - 1), Item, Decoded);
}

void TCaptureItemsCollection::Clear()
{
    // Swapping with empty containers hands the memory back, where clear()
    // would keep the deque's block map of a million captures.
    std::deque<TCaptureItem>().swap(FItems);
    FBlocks.clear();
    FBlocks.shrink_to_fit();
    FBlockUsed = 0;
    FBlockSize = 0;
    FArenaBytes = 0;
    FDropped = 0;
}

void TCaptureItemsCollection::DropOldest(int Count)
{
    const size_t Drop = std::min(static_cast<size_t>(std::max(Count, 0)), FItems.size());
    if (Drop == 0)
        return;
    if (Drop == FItems.size()) {
        const uint64_t Dropped = FDropped + Drop;
        Clear();
        FDropped = Dropped;
        if (FObserver)
            FObserver->CapturesDropped(FDropped);
        return;
    }
    FItems.erase(FItems.begin(), FItems.begin() + static_cast<std::ptrdiff_t>(Drop));
    FDropped += Drop;
    // A block goes once every capture whose octets it holds is gone; the
    // block being filled stays.
    size_t Kept = 0;
    for (size_t I = 0; I < FBlocks.size(); ++I) {
        if (I + 1 < FBlocks.size() && FBlocks[I].LastItem < FDropped)
            FArenaBytes -= FBlocks[I].Size;
        else if (Kept++ != I)
            FBlocks[Kept - 1] = std::move(FBlocks[I]);
    }
    FBlocks.resize(Kept);
    if (FObserver)
        FObserver->CapturesDropped(FDropped);
}
