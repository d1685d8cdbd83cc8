// The capture record: one captured level-4 message with the stamp of its
// reception, its direction and its link, however it arrived (a datagram, a
// capture file line, the clipboard, a lost heartbeat, a file of another
// tool). As bytes it is the stamp (16 octets), the direction, the link and
// the message; as a line of a capture file (.ss7) those bytes in spaced
// upper-case hex, ended by CR LF.
#pragma once

#include "core/Stamp.h"

#include <cstdint>
#include <string>
#include <string_view>

// The shortest byte string that is a capture: stamp, direction and link.
// Anything shorter is dropped without a word, wherever it comes from.
constexpr size_t MinCaptureRecordSize = StampSize + 2;

// Direction codes of a capture.
enum TCaptureDirection : uint8_t {
    // Pasted bare messages and stop entries.
    cdNone = 0,
    cdIn = 1,
    cdOut = 2,
};

// A message whose first octet is this is no signalling message but the
// stop entry of a lost heartbeat.
constexpr uint8_t StopEntryOctet = 0xFF;

struct TCaptureRecord {
    // Local date and time at which the capture was first received.
    TSystemTime Stamp;
    // 1 received (IN), 2 sent (OUT), 0 for pasted bare messages and stop
    // entries; any other code is kept as it is.
    uint8_t Direction = cdNone;
    uint8_t Link = 0;
    // The level-4 message: SIO, routing label, user part.
    std::string Octets;

    bool operator==(const TCaptureRecord&) const = default;
};

// Whether a message is a stop entry (its first octet is 0xFF).
inline bool IsStopEntry(std::string_view Octets)
{
    return !Octets.empty() && static_cast<uint8_t>(Octets[0]) == StopEntryOctet;
}

// Reads a record from its bytes; false, Record untouched, when Bytes is
// shorter than MinCaptureRecordSize.
bool ReadCaptureRecord(std::string_view Bytes, TCaptureRecord& Record);
// Appends the record's bytes: stamp, direction, link, message.
void AppendCaptureRecord(const TSystemTime& Stamp, uint8_t Direction, uint8_t Link, std::string_view Octets,
                         std::string& Bytes);
void AppendCaptureRecord(const TCaptureRecord& Record, std::string& Bytes);
std::string CaptureRecordBytes(const TCaptureRecord& Record);

// Bytes := the octets of one capture file line, read as a spaced hex string
// reads text: words split at StandardDelimiters, each word's low octet kept,
// so that tabs, commas or lower-case digits read as well; an empty line
// gives no octets. The "XX XX ... " form the monitor writes is read by a
// fast path that gives the same octets. A word that is not hex raises
// EConvertError.
void ParseCaptureLine(std::string_view Line, std::string& Bytes);
// The same, appending the octets to Bytes; Bytes is left as it was when
// the line raises EConvertError.
void AppendLineOctets(std::string_view Line, std::string& Bytes);
// Appends the capture file line of a record's bytes: each octet as two
// upper-case hex digits and a blank, then CR LF.
void AppendCaptureLine(std::string_view RecordBytes, std::string& Text);
// The same line without its CR LF.
std::string CaptureLineText(std::string_view RecordBytes);

// The record of the stop entry made when heartbeats stop: the stamp of the
// last heartbeat, direction 0, link 0, and the message FF 00 00 00 00.
std::string StopEntryRecord(const TSystemTime& LastHeartBeat);

// The record that pasting ClipText at Now creates, empty when the text holds
// no octets. The text is read like a capture file line (all its lines
// together). A first octet of 0, 1 or 2 starts a record body (direction,
// link, message): the record is Now's stamp and the octets as given. Any
// other is the SIO of a bare level-4 message, as the copy commands put it
// on the clipboard: Now's stamp, direction 0, link 255, the octets. A word
// that is not hex raises EConvertError.
std::string PasteRecord(std::string_view ClipText, const TSystemTime& Now);
// The record that pasting a copied level-4 message creates, whatever its
// first octet: Now's stamp, direction 0, link 255, the octets; empty for no
// octets.
std::string PasteMessageRecord(std::string_view Message, const TSystemTime& Now);
