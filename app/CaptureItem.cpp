#include "app/CaptureItem.h"

#include "core/HexString.h"
#include "decode/PacketDecoder.h"
#include "isup/IsupPacket.h"

#include <cstring>
#include <exception>

static_assert(sizeof(TCaptureItem) == 48, "a capture's fixed part should stay at 48 bytes");

namespace {

// Arena blocks: large enough that block headers are negligible, small
// enough that an almost empty list holds little.
constexpr size_t ArenaBlockSize = 256 * 1024;

} // namespace

THexString TCaptureItem::Octets() const
{
    return THexString(OctetBytes(), false);
}

std::string TCaptureItem::GetRecord() const
{
    const TStampBytes StampBytes = StampToBytes(Stamp);
    std::string Record;
    Record.reserve(StampSize + 2 + FCount);
    Record.append(reinterpret_cast<const char*>(StampBytes.data()), StampBytes.size());
    Record.push_back(static_cast<char>(Direction));
    Record.push_back(static_cast<char>(Link));
    Record.append(OctetBytes());
    return Record;
}

std::string TCaptureItem::GetRecordText() const
{
    const std::string Record = GetRecord();
    return BytesToSpacedHex(reinterpret_cast<const uint8_t*>(Record.data()), Record.size());
}

TCaptureItemsCollection::TCaptureItemsCollection()
{
    FTexts.emplace_back();
    FTextIndex.emplace(std::string(), 0);
}

TCaptureItemsCollection::~TCaptureItemsCollection() = default;

const uint8_t* TCaptureItemsCollection::StoreOctets(const uint8_t* Bytes, size_t Count)
{
    if (Count == 0)
        return nullptr;
    if (Count > ArenaBlockSize / 4) {
        // An unusually long message gets a block of its own, inserted before
        // the current one so that the current block keeps filling.
        auto Block = std::make_unique<uint8_t[]>(Count);
        std::memcpy(Block.get(), Bytes, Count);
        const uint8_t* Result = Block.get();
        FBlocks.insert(FBlocks.empty() ? FBlocks.end() : FBlocks.end() - 1, std::move(Block));
        FArenaBytes += Count;
        return Result;
    }
    if (FBlocks.empty() || FBlockUsed + Count > FBlockSize) {
        FBlocks.push_back(std::make_unique<uint8_t[]>(ArenaBlockSize));
        FBlockSize = ArenaBlockSize;
        FBlockUsed = 0;
        FArenaBytes += ArenaBlockSize;
    }
    uint8_t* Target = FBlocks.back().get() + FBlockUsed;
    std::memcpy(Target, Bytes, Count);
    FBlockUsed += Count;
    return Target;
}

TCaptureItem* TCaptureItemsCollection::Add(std::string_view Record)
{
    if (Record.size() < MinRecordSize)
        return nullptr;
    const auto* Bytes = reinterpret_cast<const uint8_t*>(Record.data());
    TCaptureItem& Item = FItems.emplace_back();
    Item.Stamp = StampFromBytes(Bytes);
    Item.Direction = Bytes[StampSize];
    Item.Link = Bytes[StampSize + 1];
    const size_t Count = Record.size() - MinRecordSize;
    Item.FOctets = StoreOctets(Bytes + MinRecordSize, Count);
    Item.FCount = static_cast<uint32_t>(Count);
    return &Item;
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
}

uint32_t TCaptureItemsCollection::InternText(std::string_view Text)
{
    auto Found = FTextIndex.find(std::string(Text));
    if (Found != FTextIndex.end())
        return Found->second;
    const auto Index = static_cast<uint32_t>(FTexts.size());
    FTexts.push_back(QString::fromUtf8(Text.data(), static_cast<qsizetype>(Text.size())));
    FTextIndex.emplace(std::string(Text), Index);
    return Index;
}

const QString& TCaptureItemsCollection::Text(uint32_t Index) const
{
    return Index < FTexts.size() ? FTexts[Index] : FTexts[0];
}

void SummarizeCapture(TCaptureItem& Item, TCaptureItemsCollection& Captures, const TIsupCatalog& Catalog)
{
    if (Item.IsStopEntry()) {
        Item.StateImage = ciStop;
        Item.NameText = Captures.InternText("STOP");
        return;
    }
    if (Item.Direction == 1)
        Item.StateImage = ciIn;
    else if (Item.Direction == 2)
        Item.StateImage = ciOut;
    try {
        const std::unique_ptr<TCustomPacketL4> Packet = DecodePacketL4(Item.Octets(), Catalog);
        Item.NameText = Captures.InternText(Packet->GetName());
        Item.RoutingLabel = Packet->RoutingLabel;
        Item.HasRoutingLabel = true;
        if (const auto* Isup = dynamic_cast<const TCustomIsupPacket*>(Packet.get())) {
            Item.Cic = Isup->Cic;
            Item.HasCic = true;
        }
    } catch (const std::exception& Error) {
        Item.StateImage = ciError;
        Item.NameText = Captures.InternText("(\?\?\?)");
        Item.ErrorText = Captures.InternText(Error.what());
        Item.HasRoutingLabel = false;
        Item.HasCic = false;
    }
}
