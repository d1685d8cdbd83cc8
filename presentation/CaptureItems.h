// The captures held by the main window: one TCaptureItem per captured
// message (stamp, direction, link, the level-4 octets, and the summary its
// list row shows, decoded once when the capture is added), kept in arrival
// order by TCaptureItemsCollection.
#pragma once

#include "presentation/CaptureRecord.h"
#include "presentation/TextPool.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TDecodedCapture;
class TIsupCatalog;
class TPacketDecoder;

// The capture list's state images of a row: indices into the window's
// image list.
enum TCaptureImage : int8_t {
    ciNone = -1,
    ciStop = 5,
    ciError = 7,
    ciIn = 9,
    ciOut = 10,
};

// What a capture's list row shows beyond its record, decoded once: name,
// routing label, CIC of an ISUP message, the decoder's error and the state
// image. Texts are indices into a TTextPool.
struct TCaptureSummary {
    // The routing label word (DPC bits 0-13, OPC 14-27, SLS 28-31).
    uint32_t RoutingLabel = 0;
    // Message name, "(???)" for a failed decode, "STOP" for a stop entry.
    uint32_t NameText = 0;
    // The decoder's error message; 0 when decoding succeeded.
    uint32_t ErrorText = 0;
    uint16_t Cic = 0;
    int8_t StateImage = ciNone;
    bool HasRoutingLabel : 1 = false;
    bool HasCic : 1 = false;
};

// One capture: its record's fields, a view of its octets (held by the
// collection, or by whoever made the item) and its summary. The members are
// laid out so that a capture takes 48 bytes plus its message.
class TCaptureItem {
public:
    TCaptureItem() = default;
    // An item over a record's bytes (at least MinCaptureRecordSize), which
    // must outlive it; the summary is left empty.
    static TCaptureItem OverRecord(std::string_view RecordBytes);
    // An item over a record, whose octets must outlive it.
    static TCaptureItem OverRecord(const TCaptureRecord& Record);
    // An item over bare message octets (direction 0, link 0, no stamp).
    static TCaptureItem OverMessage(std::string_view Octets);

    TSystemTime Stamp;
    TCaptureSummary Summary;

private:
    friend class TCaptureItemsCollection;
    const uint8_t* FOctets = nullptr;
    uint32_t FCount = 0;

public:
    // 1 received (IN), 2 sent (OUT), 0 for pasted bare messages and stop entries.
    uint8_t Direction = cdNone;
    uint8_t Link = 0;

    // The level-4 message octets, SIO first.
    std::string_view OctetBytes() const { return {reinterpret_cast<const char*>(FOctets), FCount}; }
    int OctetCount() const { return static_cast<int>(FCount); }
    // A stop entry (lost heartbeat) carries 0xFF as its first message octet.
    bool IsStopEntry() const { return ::IsStopEntry(OctetBytes()); }

    // The capture record: stamp, direction, link, octets.
    TCaptureRecord Record() const;
    void AppendRecordBytes(std::string& Bytes) const;
    std::string GetRecord() const;
    // The record as one capture file line ("EA 07 0C 00 ... "), without its
    // line end.
    std::string GetRecordText() const;
};

// Told of each capture as it is added, with its message decoded once for
// its summary, and of the oldest captures dropped: for whoever keeps
// something of every capture (calls, counts) without decoding it again.
// Captures are named by their sequence number: the count of captures added
// before them since the last Clear, which stays theirs while older ones
// are dropped.
class TCaptureObserver {
public:
    virtual ~TCaptureObserver() = default;
    // The item's summary is made.
    virtual void CaptureAdded(uint64_t Sequence, const TCaptureItem& Item, const TDecodedCapture& Decoded) = 0;
    // Every capture before sequence number FirstKept is gone.
    virtual void CapturesDropped(uint64_t FirstKept) { (void)FirstKept; }
};

// The captures in arrival order, with the pool their summaries' texts are
// kept in. Items are appended, and removed all together or oldest first; an
// item's address stays valid until it is removed.
class TCaptureItemsCollection {
public:
    TCaptureItemsCollection();
    ~TCaptureItemsCollection();
    TCaptureItemsCollection(const TCaptureItemsCollection&) = delete;
    TCaptureItemsCollection& operator=(const TCaptureItemsCollection&) = delete;

    int Count() const { return static_cast<int>(FItems.size()); }
    const TCaptureItem& Items(int Index) const { return FItems[static_cast<size_t>(Index)]; }

    // Appends a capture built from a record's bytes (stamp, direction, link,
    // message) and summarized against Catalog; null for bytes shorter than
    // MinCaptureRecordSize.
    const TCaptureItem* Add(std::string_view RecordBytes, const TIsupCatalog& Catalog);
    const TCaptureItem* Add(const TCaptureRecord& Record, const TIsupCatalog& Catalog);
    void Clear();
    // Removes the Count oldest captures (all of them when Count is larger)
    // and hands back the memory of their octets.
    void DropOldest(int Count);
    // Captures removed by DropOldest since the last Clear.
    uint64_t Dropped() const { return FDropped; }
    // The sequence number (see TCaptureObserver) of the capture at Position,
    // and the position of a sequence number: -1 when that capture was
    // dropped or is yet to come.
    uint64_t SequenceOf(int Position) const { return FDropped + static_cast<uint64_t>(Position); }
    int PositionOf(uint64_t Sequence) const
    {
        return Sequence >= FDropped && Sequence - FDropped < FItems.size() ? static_cast<int>(Sequence - FDropped) : -1;
    }
    // The observer told of every capture added and dropped from now on;
    // null for none.
    void SetObserver(TCaptureObserver* Observer) { FObserver = Observer; }

    TTextPool& Texts() { return FTexts; }
    const TTextPool& Texts() const { return FTexts; }

    // Octet bytes held by the arena, for memory reports.
    size_t ArenaBytes() const { return FArenaBytes; }

private:
    TCaptureItem& Append(const TSystemTime& Stamp, uint8_t Direction, uint8_t Link, std::string_view Octets);
    // Decodes the item's message against Catalog and summarizes it.
    void Summarize(TCaptureItem& Item, const TIsupCatalog& Catalog);
    // Item: the sequence number of the capture the octets belong to.
    const uint8_t* StoreOctets(const uint8_t* Bytes, size_t Count, uint64_t Item);

    // A block of octets and the sequence number (captures since the last
    // Clear) of the newest capture whose octets it holds.
    struct TOctetBlock {
        std::unique_ptr<uint8_t[]> Bytes;
        size_t Size = 0;
        uint64_t LastItem = 0;
    };

    std::deque<TCaptureItem> FItems;
    // The octets of all captures, in blocks that are never moved.
    std::vector<TOctetBlock> FBlocks;
    size_t FBlockUsed = 0;
    size_t FBlockSize = 0;
    size_t FArenaBytes = 0;
    uint64_t FDropped = 0;
    // Kept over Clear: the names of the next captures are mostly the same.
    TTextPool FTexts;
    TCaptureObserver* FObserver = nullptr;
    // Decodes the captures as they are added into packets it reuses; made
    // again when the captures are decoded against another catalog.
    std::unique_ptr<TPacketDecoder> FDecoder;
    const TIsupCatalog* FDecoderCatalog = nullptr;
};
