// The datagrams of the signalling processor. Byte 0 is the type: a capture
// datagram (0xBB) carries direction, link and a level-4 message, and turns
// into a capture record by taking the stamp of its reception in place of
// its type; a heartbeat (0x92) carries nothing that is read. A datagram of
// fewer than 4 bytes is not looked at.
#pragma once

#include "core/Stamp.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

enum TDatagramType : uint8_t {
    dtCapture = 0xBB,
    dtHeartBeat = 0x92,
};

// Datagrams shorter than this are dropped unread.
constexpr size_t MinDatagramSize = 4;

enum class TDatagramKind { Ignored, Capture, HeartBeat };

// What a received datagram is: datagrams shorter than MinDatagramSize and
// those of another type are ignored.
TDatagramKind DatagramKind(std::string_view Datagram);
// Record := the capture record of a capture datagram received at Now: Now's
// stamp, then the datagram after its type (direction, link, message).
void CaptureDatagramRecord(std::string_view Datagram, const TSystemTime& Now, std::string& Record);

// Appends a capture datagram: the type, direction, link and message.
void AppendCaptureDatagram(uint8_t Direction, uint8_t Link, std::string_view Message, std::string& Datagram);
// A heartbeat datagram, padded with zeros to the size the monitor looks at.
std::string HeartBeatDatagram();
