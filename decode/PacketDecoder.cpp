#include "decode/PacketDecoder.h"

#include "core/Format.h"
#include "core/HexString.h"
#include "core/MemoryStream.h"
#include "isup/IsupCatalog.h"
#include "isup/IsupPacket.h"
#include "l4/MtpPacket.h"

namespace {

const char* const NoSio = "Can`t read SIO from stream";

std::string UnknownSubsystem(uint8_t ServiceIndicator)
{
    return Format("Unknown Subsystem Code: 0x%.2X", ServiceIndicator);
}

// The service indicator as a plain level-4 packet reads it first.
uint8_t PeekServiceIndicator(const TMemoryStream& Stream)
{
    if (Stream.Remaining() == 0)
        throw EL4StreamError(NoSio);
    return Stream.Memory()[Stream.Position()] & 0x0F;
}

} // namespace

std::unique_ptr<TCustomPacketL4> DecodePacketL4(const THexString& Bytes, const TIsupCatalog& Catalog)
{
    TMemoryStream Stream = TMemoryStream::Over(Bytes.Data());
    return ReadPacketL4(Stream, Catalog);
}

std::unique_ptr<TCustomPacketL4> ReadPacketL4(TMemoryStream& Stream, const TIsupCatalog& Catalog)
{
    const uint8_t ServiceIndicator = PeekServiceIndicator(Stream);
    switch (ServiceIndicator) {
    case 0:
        return ReadMtpPacket(Stream);
    case 1:
        return ReadTestPacket(Stream);
    case 5: {
        auto Packet = ReadIsupPacket(Stream, Catalog);
        if (!Packet)
            throw EL4Error(NoSio);
        return Packet;
    }
    default:
        throw EL4Error(UnknownSubsystem(ServiceIndicator));
    }
}

TPacketDecoder::TPacketDecoder(const TIsupCatalog& Catalog)
    : FCatalog(Catalog)
{
}

TPacketDecoder::~TPacketDecoder() = default;

const TCustomPacketL4& TPacketDecoder::Decode(std::string_view Octets)
{
    TMemoryStream Stream = TMemoryStream::Over(Octets);
    const uint8_t ServiceIndicator = PeekServiceIndicator(Stream);
    switch (ServiceIndicator) {
    case 0: {
        const uint8_t Heading = PeekMtpHeading(Stream);
        auto& Packet = FMtp[Heading];
        if (Packet)
            Packet->Reset();
        else
            Packet = NewMtpPacket(Heading);
        Packet->LoadFromStream(Stream);
        return *Packet;
    }
    case 1:
        if (FTest)
            FTest->Reset();
        else
            FTest = std::make_unique<TTestPacketL4>();
        FTest->LoadFromStream(Stream);
        return *FTest;
    case 5: {
        const uint8_t MessageType = PeekIsupMessageType(Stream);
        auto& Packet = FIsup[MessageType];
        if (!Packet)
            Packet = std::make_unique<TCustomIsupPacket>();
        if (const TCustomIsupPacket* Prototype = FCatalog.Prototype(MessageType)) {
            Packet->Renew(*Prototype);
        } else {
            const auto Copy = FCatalog.NewMessage(MessageType);
            if (!Copy)
                throw EUnknownIsupMessage(MessageType);
            Packet->Renew(*Copy);
        }
        Packet->LoadFromStream(Stream);
        return *Packet;
    }
    default:
        throw EL4Error(UnknownSubsystem(ServiceIndicator));
    }
}

const TCustomPacketL4* TPacketDecoder::TryDecode(std::string_view Octets, std::string& Error)
{
    if (Octets.empty()) {
        Error = NoSio;
        return nullptr;
    }
    // The texts written into Error's own storage: a rejection allocates
    // nothing either, and calls no printf (many captures of a file may be
    // of other subsystems).
    const auto Reject = [&Error](std::string_view Text, uint8_t Code) {
        static constexpr char Digits[] = "0123456789ABCDEF";
        Error.assign(Text);
        Error.push_back(Digits[Code >> 4]);
        Error.push_back(Digits[Code & 0x0F]);
        return nullptr;
    };
    const uint8_t ServiceIndicator = static_cast<uint8_t>(Octets[0]) & 0x0F;
    if (ServiceIndicator == 5) {
        if (Octets.size() <= 7) {
            Error = "Can`t load packet from stream.";
            return nullptr;
        }
        const auto MessageType = static_cast<uint8_t>(Octets[7]);
        if (!FCatalog.Prototype(MessageType) && !FCatalog.NewMessage(MessageType)) {
            return Reject("Unknown Message Type: 0x", MessageType);
        }
    } else if (ServiceIndicator != 0 && ServiceIndicator != 1) {
        return Reject("Unknown Subsystem Code: 0x", ServiceIndicator);
    }
    try {
        return &Decode(Octets);
    } catch (const std::exception& Failure) {
        Error = Failure.what();
        return nullptr;
    }
}
