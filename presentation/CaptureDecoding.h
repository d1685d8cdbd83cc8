// A capture's message decoded once, and the texts made from it that the
// capture list, the decoded view's caption and velmora-dump's lines share:
// the row summary, the caption and the one-line detail.
#pragma once

#include "presentation/CaptureItems.h"

#include <memory>
#include <string>
#include <string_view>

class TCustomIsupPacket;
class TCustomPacketL4;
class TIsupCatalog;
class TMtpPacket;
class TPacketDecoder;
class TTestPacketL4;

// The names and captions of what is no decoded message, and of the
// subsystems without a caption of their own; named here so that help texts
// can quote them.
constexpr const char* StopEntryName = "STOP";
constexpr const char* FailedName = "(\?\?\?)";
constexpr const char* StopEntryCaption = "Heart Stop Message";
constexpr const char* MtpCaption = "MTP Subsystem Message";
constexpr const char* LinkTestCaption = "Test Subsystem Message";

// The message of a capture, decoded against a catalog: the decoded packet,
// or the decoder's error; a stop entry is not decoded at all.
class TDecodedCapture {
public:
    // Decodes Octets (SIO first), which must outlive this object.
    TDecodedCapture(std::string_view Octets, const TIsupCatalog& Catalog);
    // Decodes Octets into a packet of Decoder, which this object borrows:
    // it is valid until Decoder decodes the next message, and TakePacket
    // gives nothing. What a tool uses that decodes message after message.
    TDecodedCapture(std::string_view Octets, TPacketDecoder& Decoder);
    ~TDecodedCapture();
    TDecodedCapture(TDecodedCapture&&) noexcept;
    TDecodedCapture& operator=(TDecodedCapture&&) noexcept;

    std::string_view Octets() const { return FOctets; }
    bool IsStopEntry() const { return FStop; }
    // Decoding raised an error (never for a stop entry).
    bool Failed() const { return !FStop && !FDecoded; }
    // The decoder's message when decoding failed.
    const std::string& Error() const { return FError; }

    // The decoded message; null for a stop entry and when decoding failed.
    const TCustomPacketL4* Packet() const { return FDecoded; }
    const TCustomIsupPacket* Isup() const;
    const TMtpPacket* Mtp() const;
    const TTestPacketL4* LinkTest() const;
    // Hands the decoded message over; Packet() is null afterwards. Null for
    // a message decoded into a packet of a TPacketDecoder.
    std::unique_ptr<TCustomPacketL4> TakePacket();

    // The service indicator and routing label as far as the octets hold
    // them, read even when the decoder rejected the message, so that a
    // failed message still shows where it came from; false for a stop entry
    // and for a message without octets.
    bool Heading(uint8_t& ServiceIndicator, uint32_t& RoutingLabel) const;

private:
    std::string_view FOctets;
    bool FStop = false;
    // The decoded message: FPacket's, or one a decoder lends.
    const TCustomPacketL4* FDecoded = nullptr;
    std::unique_ptr<TCustomPacketL4> FPacket;
    std::string FError;
};

// The list row's summary of a capture decoded as Decoded, sent in
// Direction: its name ("STOP" for a stop entry, "(???)" when decoding
// failed), routing label, CIC of an ISUP message, the decoder's error and
// the state image; texts interned in Texts.
TCaptureSummary SummarizeCapture(const TDecodedCapture& Decoded, uint8_t Direction, TTextPool& Texts);

// Appends the caption the decoded view shows for the message: "Heart Stop
// Message" for a stop entry, "MTP Subsystem Message", "Test Subsystem
// Message", an ISUP message's caption, or the decoder's error.
void AppendCaption(const TDecodedCapture& Decoded, std::string& Text);

// Appends velmora-dump's one-line detail of the message: an MTP management
// message's name and information field ("TFP (Destination=5)"), a link test
// message's name and pattern ("SLTM (Pattern=AA BB)"), an ISUP message's
// name and caption as the root of its decoded view shows them; nothing for
// a stop entry or a message that did not decode.
void AppendDetail(const TDecodedCapture& Decoded, std::string& Text);
