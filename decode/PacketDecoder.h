// The level-4 decoder: turns the octets of a captured message into a packet
// of the class its service indicator chooses. It sits above the subsystem
// readers, so that the level-4 frame knows none of them, and decodes ISUP
// against the message catalog it is handed.
#pragma once

#include "l4/PacketL4.h"

#include <array>
#include <memory>
#include <string>
#include <string_view>

class TCustomIsupPacket;
class TIsupCatalog;
class THexString;
class TMemoryStream;
class TMtpPacket;

// Decodes one level-4 message; the caller owns the result. Raises EL4Error
// (or a subclass) when the message cannot be decoded; never returns null.
std::unique_ptr<TCustomPacketL4> DecodePacketL4(const THexString& Bytes, const TIsupCatalog& Catalog);
// Decodes from a stream positioned at a SIO octet, dispatching by the
// service indicator: 0 MTP network management, 1 link test, 5 ISUP (a copy
// of Catalog's prototype of its message type); any other one raises
// "Unknown Subsystem Code: 0x%.2X".
std::unique_ptr<TCustomPacketL4> ReadPacketL4(TMemoryStream& Stream, const TIsupCatalog& Catalog);

// A decoder for many messages in a row (a capture list filling its rows, a
// tool decoding a file): it decodes as DecodePacketL4 does, into packets of
// its own that it reuses, one per ISUP message type, MTP heading and the
// link test, so that decoding a message allocates nothing once each kind
// has been seen. Reading the octets where they lie, it copies nothing but
// the parameter values into the packet. A decoder serves one thread; any
// number of decoders may share one catalog.
class TPacketDecoder {
public:
    explicit TPacketDecoder(const TIsupCatalog& Catalog);
    ~TPacketDecoder();
    TPacketDecoder(const TPacketDecoder&) = delete;
    TPacketDecoder& operator=(const TPacketDecoder&) = delete;

    // The message decoded into a packet of this decoder, valid until the
    // next call. Raises what DecodePacketL4 raises.
    const TCustomPacketL4& Decode(std::string_view Octets);
    // The same, but null with Error set to the decoder's message when the
    // message does not decode. The usual rejections (no octet, a subsystem
    // other than MTP, link test and ISUP, an ISUP message cut before its
    // type or of a type the catalog lacks) are told without an exception.
    const TCustomPacketL4* TryDecode(std::string_view Octets, std::string& Error);

private:
    const TIsupCatalog& FCatalog;
    std::array<std::unique_ptr<TCustomIsupPacket>, 256> FIsup;
    std::array<std::unique_ptr<TMtpPacket>, 256> FMtp;
    std::unique_ptr<TTestPacketL4> FTest;
};
