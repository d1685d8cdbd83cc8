// The captures held by the main window: one TCaptureItem per captured
// message (stamp, direction, link, level-4 octets and the row summary
// decoded once when the capture is added), kept in arrival order by
// TCaptureItemsCollection.
#pragma once

#include "core/Stamp.h"

#include <QString>

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class THexString;
class TIsupCatalog;

// Indices into the capture list's state images.
enum TCaptureImage : int8_t {
    ciNone = -1,
    ciStop = 5,
    ciError = 7,
    ciIn = 9,
    ciOut = 10,
};

// One capture: stamp, direction, link, the level-4 message octets, and what
// its list row shows beyond those, decoded once when the capture is added.
// Texts are indices into the collection's text pool, so a million rows of
// "IAM" share one string; the octets live in the collection's arena. The
// members are laid out so that a capture takes 48 bytes plus its message.
class TCaptureItem {
public:
    TSystemTime Stamp;
    // The routing label word (DPC bits 0-13, OPC 14-27, SLS 28-31).
    uint32_t RoutingLabel = 0;
    // Message name, "(???)" for a failed decode, "STOP" for a stop entry.
    uint32_t NameText = 0;
    // The decoder's error message; 0 when decoding succeeded.
    uint32_t ErrorText = 0;

private:
    friend class TCaptureItemsCollection;
    uint32_t FCount = 0;
    const uint8_t* FOctets = nullptr;

public:
    uint16_t Cic = 0;
    // 1 received (IN), 2 sent (OUT), 0 for pasted bare messages and stop entries.
    uint8_t Direction = 0;
    uint8_t Link = 0;
    int8_t StateImage = ciNone;
    bool HasRoutingLabel = false;
    bool HasCic = false;

    // The level-4 message octets, SIO first.
    std::string_view OctetBytes() const { return {reinterpret_cast<const char*>(FOctets), FCount}; }
    int OctetCount() const { return static_cast<int>(FCount); }
    uint8_t OctetAt(int I) const { return I >= 0 && static_cast<uint32_t>(I) < FCount ? FOctets[I] : 0; }
    // A copy of the octets as an (unspaced) hex string.
    THexString Octets() const;
    // A stop entry (lost heartbeat) carries 0xFF as its first message octet.
    bool IsStopEntry() const { return FCount > 0 && FOctets[0] == 0xFF; }

    // The capture record: stamp, direction, link, octets.
    std::string GetRecord() const;
    // The capture record as spaced hex ("EA 07 0C 00 ... "), one file line.
    std::string GetRecordText() const;
};

// The captures in arrival order. Items are only appended or all removed
// together; an item's address stays valid until Clear.
class TCaptureItemsCollection {
public:
    // Shortest record that is a capture: stamp, direction and link.
    static constexpr size_t MinRecordSize = StampSize + 2;

    TCaptureItemsCollection();
    ~TCaptureItemsCollection();
    TCaptureItemsCollection(const TCaptureItemsCollection&) = delete;
    TCaptureItemsCollection& operator=(const TCaptureItemsCollection&) = delete;

    int Count() const { return static_cast<int>(FItems.size()); }
    const TCaptureItem& Items(int Index) const { return FItems[static_cast<size_t>(Index)]; }
    TCaptureItem& Items(int Index) { return FItems[static_cast<size_t>(Index)]; }

    // Appends a capture built from a record (stamp, direction, link,
    // message); null for a record shorter than MinRecordSize. The summary
    // is left empty (SummarizeCapture fills it).
    TCaptureItem* Add(std::string_view Record);
    void Clear();

    // Interns a text for a summary; index 0 is the empty text.
    uint32_t InternText(std::string_view Text);
    const QString& Text(uint32_t Index) const;

    // Octet bytes held by the arena, for memory reports.
    size_t ArenaBytes() const { return FArenaBytes; }

private:
    const uint8_t* StoreOctets(const uint8_t* Bytes, size_t Count);

    std::deque<TCaptureItem> FItems;
    // The octets of all captures, in blocks that are never moved.
    std::vector<std::unique_ptr<uint8_t[]>> FBlocks;
    size_t FBlockUsed = 0;
    size_t FBlockSize = 0;
    size_t FArenaBytes = 0;
    std::vector<QString> FTexts;
    std::unordered_map<std::string, uint32_t> FTextIndex;
};

// Fills what a capture's row shows by decoding its octets against Catalog:
// name, routing label, CIC of an ISUP message, state image, or "(???)" with
// the decoder's error.
void SummarizeCapture(TCaptureItem& Item, TCaptureItemsCollection& Captures, const TIsupCatalog& Catalog);
