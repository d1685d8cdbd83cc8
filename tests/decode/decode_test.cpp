// The level-4 decoder: the service indicator chooses the subsystem reader,
// anything but 0, 1 and 5 is refused with its code, and ISUP messages are
// decoded against the catalog handed to the decoder and no other.
#include "decode/PacketDecoder.h"

#include "core/Exception.h"
#include "core/HexString.h"
#include "core/MemoryStream.h"
#include "isup/IsupCatalog.h"
#include "isup/IsupPacket.h"
#include "l4/MtpPacket.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const TEmptyIsupCatalog NoCatalog;

// A catalog of one message type without parameters.
class TOneMessageCatalog : public TIsupCatalog {
public:
    TOneMessageCatalog(uint8_t MessageType, std::string Name)
    {
        FPrototype.MessageType = MessageType;
        FPrototype.SetName(std::move(Name));
    }
    std::unique_ptr<TCustomIsupPacket> NewMessage(uint8_t MessageType) const override
    {
        if (MessageType != FPrototype.MessageType)
            return nullptr;
        auto Copy = std::make_unique<TCustomIsupPacket>();
        Copy->Assign(FPrototype);
        return Copy;
    }

private:
    TCustomIsupPacket FPrototype;
};

THexString Hex(const char* Text)
{
    THexString Octets(true);
    Octets.FromText(Text);
    return THexString(Octets.Data(), false);
}

// The message a decode raised, with the class it was raised as.
template <class E> std::string DecodeError(const char* Text, const TIsupCatalog& Catalog = NoCatalog)
{
    try {
        DecodePacketL4(Hex(Text), Catalog);
    } catch (const E& Error) {
        return Error.Message();
    } catch (const Exception& Error) {
        return std::string("other error: ") + Error.what();
    }
    return "no error";
}

TEST(Decode, ServiceIndicatorChoosesTheClass)
{
    const auto Mtp = DecodePacketL4(Hex("80 01 80 00 30 14 05 00"), NoCatalog);
    EXPECT_NE(dynamic_cast<TMtpPacket_TFP*>(Mtp.get()), nullptr);
    EXPECT_EQ(Mtp->Sio, 0x80);
    EXPECT_EQ(Mtp->RoutingLabel, 0x30008001u);

    const auto Test = DecodePacketL4(Hex("C1 01 80 00 30 11 00"), NoCatalog);
    ASSERT_NE(dynamic_cast<TTestPacketL4*>(Test.get()), nullptr);
    // Only the low nibble selects the subsystem; the subservice stays.
    EXPECT_EQ(Test->Sio, 0xC1);

    const TOneMessageCatalog Catalog(0x10, "RLC");
    const auto Isup = DecodePacketL4(Hex("F5 01 40 00 00 05 01 10"), Catalog);
    const auto* Message = dynamic_cast<const TCustomIsupPacket*>(Isup.get());
    ASSERT_NE(Message, nullptr);
    EXPECT_EQ(Message->Sio, 0xF5);
    EXPECT_EQ(Message->Cic, 0x0105);
    EXPECT_EQ(Message->GetName(), "RLC");
}

TEST(Decode, OtherServiceIndicatorsAreRejectedWithTheirCode)
{
    EXPECT_EQ(DecodeError<EL4Error>("83 01 80 00 30 09 00"), "Unknown Subsystem Code: 0x03");
    EXPECT_EQ(DecodeError<EL4Error>("04 01 80 00 30"), "Unknown Subsystem Code: 0x04");
    for (const int Si : {2, 3, 4, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}) {
        char Text[32];
        std::snprintf(Text, sizeof Text, "%X%X 00 00 00 00", (Si * 7) & 0xF, Si);
        char Expected[40];
        std::snprintf(Expected, sizeof Expected, "Unknown Subsystem Code: 0x%.2X", Si);
        EXPECT_EQ(DecodeError<EL4Error>(Text), Expected);
        // Not a stream error: the SIO was read.
        EXPECT_EQ(DecodeError<EL4StreamError>(Text), std::string("other error: ") + Expected);
    }
}

TEST(Decode, AnEmptyMessageHasNoSio)
{
    EXPECT_EQ(DecodeError<EL4StreamError>(""), "Can`t read SIO from stream");
    TCustomPacketL4 Packet;
    TMemoryStream Empty;
    EXPECT_THROW(Packet.LoadFromStream(Empty), EL4StreamError);
}

TEST(Decode, ShortMessagesReadAsZeros)
{
    const auto Mtp = DecodePacketL4(Hex("00"), NoCatalog);
    EXPECT_EQ(Mtp->GetName(), "$00");
    EXPECT_EQ(Mtp->RoutingLabel, 0u);
    const auto Test = DecodePacketL4(Hex("01 02"), NoCatalog);
    EXPECT_EQ(Test->GetName(), "0x00");
    EXPECT_EQ(Test->RoutingLabel, 2u);
    // An ISUP message this short fails in the ISUP reader.
    EXPECT_THROW(DecodePacketL4(Hex("05"), NoCatalog), EL4Error);
    EXPECT_THROW(DecodePacketL4(Hex("05 01 40 00 00"), NoCatalog), EL4Error);
}

TEST(Decode, ReadPacketL4StartsAtTheStreamsPosition)
{
    TMemoryStream Stream(Hex("EE EE 01 01 40 00 00 21 20 AB CD FF").Data());
    Stream.SetPosition(2);
    const auto Packet = ReadPacketL4(Stream, NoCatalog);
    const auto* Test = dynamic_cast<const TTestPacketL4*>(Packet.get());
    ASSERT_NE(Test, nullptr);
    EXPECT_EQ(Test->GetName(), "SLTA");
    EXPECT_EQ(Test->TestPattern, "\xAB\xCD");
    EXPECT_EQ(Test->RoutingLabel, 0x4001u);
}

TEST(Decode, IsupIsDecodedAgainstTheCatalogGiven)
{
    const char* const Release = "85 01 40 00 00 07 00 10";
    const TOneMessageCatalog First(0x10, "RLC");
    const TOneMessageCatalog Second(0x10, "Release complete");
    EXPECT_EQ(DecodePacketL4(Hex(Release), First)->GetName(), "RLC");
    EXPECT_EQ(DecodePacketL4(Hex(Release), Second)->GetName(), "Release complete");
    EXPECT_EQ(DecodeError<EUnknownIsupMessage>(Release), "Unknown Message Type: 0x10");
    EXPECT_EQ(DecodeError<EUnknownIsupMessage>("85 01 40 00 00 07 00 11", First), "Unknown Message Type: 0x11");
    // The ISUP reader's own errors come through unchanged.
    EXPECT_EQ(DecodeError<EL4Error>("85 01 40 00 00 07", First), "Can`t load packet from stream.");

    TMemoryStream Stream(Hex("EE 85 01 40 00 00 07 00 10 FF").Data());
    Stream.SetPosition(1);
    const auto Packet = ReadPacketL4(Stream, Second);
    EXPECT_EQ(Packet->GetName(), "Release complete");
    EXPECT_EQ(dynamic_cast<const TCustomIsupPacket&>(*Packet).Cic, 7);
}

} // namespace
