// One input line of velmora-dump, decoded the way the capture list decodes
// a capture: the record fields when the line is a capture record, the
// message octets, and either the decoded message or the decoder's error.
#pragma once

#include "core/Stamp.h"
#include "l4/PacketL4.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

class TIsupCatalog;

// Size of the capture record's head: stamp, direction, link.
constexpr size_t RecordHeadSize = StampSize + 2;

struct TDumpEntry {
    int Line = 0;
    bool IsRecord = false;
    TSystemTime Stamp;
    uint8_t Direction = 0;
    uint8_t Link = 0;
    // The level-4 message octets.
    std::string Octets;
    // A stop entry: the first message octet is 0xFF.
    bool IsStop = false;
    // The decoded message; none for a stop entry or when decoding failed.
    std::unique_ptr<TCustomPacketL4> Packet;
    // The decoder's message when decoding failed.
    std::string Error;

    bool Failed() const { return !IsStop && !Packet; }
    // The name the capture list shows: "STOP", "(???)" or GetName.
    std::string Name() const;
};

// Decodes a bare level-4 message, ISUP against Catalog.
TDumpEntry DecodeMessage(int Line, std::string_view Octets, const TIsupCatalog& Catalog);
// Decodes a capture record; Record holds at least RecordHeadSize octets.
TDumpEntry DecodeRecord(int Line, std::string_view Record, const TIsupCatalog& Catalog);
