// The level-4 decoder: turns the octets of a captured message into a packet
// of the class its service indicator chooses. It sits above the subsystem
// readers, so that the level-4 frame knows none of them, and decodes ISUP
// against the message catalog it is handed.
#pragma once

#include "l4/PacketL4.h"

#include <memory>

class TIsupCatalog;
class THexString;
class TMemoryStream;

// Decodes one level-4 message; the caller owns the result. Raises EL4Error
// (or a subclass) when the message cannot be decoded; never returns null.
std::unique_ptr<TCustomPacketL4> DecodePacketL4(const THexString& Bytes, const TIsupCatalog& Catalog);
// Decodes from a stream positioned at a SIO octet, dispatching by the
// service indicator: 0 MTP network management, 1 link test, 5 ISUP (a copy
// of Catalog's prototype of its message type); any other one raises
// "Unknown Subsystem Code: 0x%.2X".
std::unique_ptr<TCustomPacketL4> ReadPacketL4(TMemoryStream& Stream, const TIsupCatalog& Catalog);
