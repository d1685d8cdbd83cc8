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
#include "tests/isup/isup_test_support.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <typeinfo>
#include <vector>

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

// A test catalog that lends its prototypes to a decoder, as the loaded
// catalog does; the plain one only hands out copies.
class TLendingCatalog : public isuptest::TTestCatalog {
public:
    const TCustomIsupPacket* Prototype(uint8_t MessageType) const override
    {
        for (const auto& Packet : Prototypes)
            if (Packet->MessageType == MessageType)
                return Packet.get();
        return nullptr;
    }
};

// IAM: the fixed NCI, the mandatory CdPN, the optional Note (20) and Flag
// (21); RLC: an optional Cause (12) only.
template <class TCatalog> void Fill(TCatalog& Catalog)
{
    using namespace isuptest;
    TCustomParameter& Nature =
        AddLayout(Catalog.Layouts, 6, "NCI", ptFixed, 1,
                  {{"Satellite", fkEnum, 0, 2, "One", {{"None", 0}, {"One", 1}}}, {"Echo", fkBit, 4, 1, "0"}});
    TCustomParameter& Number = AddLayout(Catalog.Layouts, 4, "CdPN", ptNumber, 2,
                                         {{"Nature", fkInteger, 0, 7, "3"}, {"Digits", fkDigits, 0, 0, "99"}}, 7);
    TCustomParameter& Note =
        AddLayout(Catalog.Layouts, 0x20, "Note", ptVariable, 1,
                  {{"Kind", fkEnum, 0, 2, "Text", {{"Text", 0}, {"Binary", 1}}}, {"Data", fkAppendix, 0, 0, ""}});
    TCustomParameter& Flag = AddLayout(Catalog.Layouts, 0x21, "Flag", ptVariable, 1, {{"On", fkBit, 7, 1, "1"}});
    TCustomParameter& Cause =
        AddLayout(Catalog.Layouts, 0x12, "Cause", ptVariable, 2, {{"Value", fkInteger, 8, 7, "0"}});
    TCustomIsupPacket& IAM = Catalog.AddPrototype(1, "IAM", "Initial address");
    Instantiate(Nature, IAM.Parameters(), true);
    Instantiate(Number, IAM.Parameters(), true);
    Instantiate(Note, IAM.Parameters(), false);
    Instantiate(Flag, IAM.Parameters(), false);
    IAM.Parameters().Items(0).Fields().Items(1).Checked = 0;
    TCustomIsupPacket& RLC = Catalog.AddPrototype(0x10, "RLC", "Release complete");
    Instantiate(Cause, RLC.Parameters(), false);
}

// Messages of every kind, whole, cut short and rejected.
const std::vector<const char*> Mix = {
    // ISUP: every optional present; one unknown and one twice; none
    // (pointer 0); the optional part cut; input ending before a pointer;
    // an RLC with and without its cause; too short; an unknown type.
    "85 01 40 00 00 34 12 01 05 02 06 04 03 00 21 43 20 02 01 AA 21 01 80 00",
    "85 01 40 00 00 01 00 01 02 02 06 04 83 00 21 03 30 01 FF 21 01 00 21 01 80 00",
    "85 01 40 00 00 02 00 01 01 02 00 02 03 00",
    "85 FF FF FF FF 03 00 01 05 02 06 04 03 00 21 43 20 09 01",
    "85 01 40 00 00 34 12 01 05",
    "85 01 40 00 00 34 12 01 05 02",
    "F5 01 02 03 04 07 00 10 01 12 02 80 90 00",
    "85 01 02 03 04 07 00 10 00",
    "85 01 40",
    "85 01 40 00 00 07 00 09",
    // MTP network management: whole, cut inside the label and the
    // information, a group heading, an unknown heading.
    "80 01 80 00 30 14 05 00",
    "80 01",
    "80",
    "80 02 40 00 30 11 85",
    "80 02 40 00 30 11",
    "80 01 80 00 30 01",
    "80 01 80 00 30 0F",
    // Link test: a long pattern, a short one, cut in the label, a pattern
    // longer than the input.
    "81 01 80 00 30 11 F0 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F",
    "C1 01 80 00 30 21 20 AB CD",
    "81 01",
    "81 01 80 00 30 11 30 AA",
    // Other subsystems and nothing at all.
    "83 01 80 00 30 09 00",
    "",
};

// Everything a row, the decoded view or a tool reads of a decoded packet.
std::string Describe(const TCustomPacketL4& Packet)
{
    std::string Text = std::string(Packet.ClassName()) + " " + Packet.GetName() + " sio=" + std::to_string(Packet.Sio) +
        " label=" + std::to_string(Packet.RoutingLabel) + " checked=" + std::to_string(Packet.Checked);
    if (const auto* Mtp = dynamic_cast<const TMtpPacket*>(&Packet))
        Text += " heading=" + std::to_string(Mtp->Heading) + " info=" + isuptest::Hex(Mtp->Info) + " " +
            Mtp->GetDescription();
    if (const auto* Test = dynamic_cast<const TTestPacketL4*>(&Packet))
        Text += " heading=" + std::to_string(Test->Heading) + " pattern=" + isuptest::Hex(Test->TestPattern);
    if (const auto* Isup = dynamic_cast<const TCustomIsupPacket*>(&Packet)) {
        const TParameterCollection& Parameters = Isup->Parameters();
        Text += " cic=" + std::to_string(Isup->Cic) + " type=" + std::to_string(Isup->MessageType) + " " +
            Isup->Caption() + " parts=" + std::to_string(Parameters.FixedPart().Present) +
            std::to_string(Parameters.VariablePart().Present) + std::to_string(Parameters.OptionalPart().Present);
        for (int I = 0; I < Parameters.Count(); ++I) {
            const TParameterView P = Parameters.View(I);
            Text += "\n  " + P.Name() + " present=" + std::to_string(P.GetPresent()) +
                " checked=" + std::to_string(P.Checked()) + " value=" + isuptest::Hex(std::string(P.Value()));
            for (size_t F = 0; F < P.Fields().size(); ++F)
                Text += " " + std::to_string(P.FieldChecked(static_cast<int>(F))) + P.Fields()[F].Name + "=" +
                    FieldOps::GetValueText(P.Fields()[F], P.ValueView());
        }
    }
    return Text;
}

// A fresh decode: the description, or the error's class and message.
std::string Fresh(const char* Text, const TIsupCatalog& Catalog)
{
    try {
        return Describe(*DecodePacketL4(Hex(Text), Catalog));
    } catch (const Exception& Error) {
        return std::string(typeid(Error).name()) + ": " + Error.what();
    }
}

template <class TCatalog> void CheckReuseAgainstFreshDecodes()
{
    TCatalog Catalog;
    Fill(Catalog);
    TPacketDecoder Decoder(Catalog);
    std::vector<size_t> Order(Mix.size());
    for (size_t I = 0; I < Order.size(); ++I)
        Order[I] = I;
    std::mt19937 Random(12);
    for (int Round = 0; Round < 20; ++Round) {
        std::shuffle(Order.begin(), Order.end(), Random);
        for (const size_t I : Order) {
            SCOPED_TRACE(Mix[I]);
            const std::string Expected = Fresh(Mix[I], Catalog);
            const std::string Octets(Hex(Mix[I]).Data());
            std::string Reused;
            try {
                Reused = Describe(Decoder.Decode(Octets));
            } catch (const Exception& Error) {
                Reused = std::string(typeid(Error).name()) + ": " + Error.what();
            }
            ASSERT_EQ(Reused, Expected);
            std::string Error = "stale";
            const TCustomPacketL4* Packet = Decoder.TryDecode(Octets, Error);
            if (Packet)
                EXPECT_EQ(Describe(*Packet), Expected);
            else
                EXPECT_EQ(Expected.substr(Expected.find(": ") + 2), Error);
        }
    }
}

TEST(PacketDecoder, AReusedPacketReadsAsAFreshOne)
{
    CheckReuseAgainstFreshDecodes<TLendingCatalog>();
    CheckReuseAgainstFreshDecodes<isuptest::TTestCatalog>();
}

TEST(PacketDecoder, MarksSetBetweenDecodesReachTheNext)
{
    TLendingCatalog Catalog;
    Fill(Catalog);
    TPacketDecoder Decoder(Catalog);
    const std::string Octets(Hex(Mix[0]).Data());
    const auto& First = static_cast<const TCustomIsupPacket&>(Decoder.Decode(Octets));
    EXPECT_FALSE(First.Parameters().View(0).FieldChecked(1));
    EXPECT_EQ(First.Parameters().View(2).Checked(), 1);
    const auto Held = DecodePacketL4(Hex(Mix[0]), Catalog);

    TCustomIsupPacket& IAM = *Catalog.Prototypes[0];
    IAM.Parameters().Items(0).Fields().Items(1).Checked = 1;
    IAM.Parameters().Items(2).Checked = 0;
    IAM.Checked = 0;
    const auto& Second = static_cast<const TCustomIsupPacket&>(Decoder.Decode(Octets));
    EXPECT_TRUE(Second.Parameters().View(0).FieldChecked(1));
    EXPECT_EQ(Second.Parameters().View(2).Checked(), 0);
    EXPECT_EQ(Second.Checked, 0);
    // A copy made before keeps the marks it was given.
    const auto& Before = static_cast<const TCustomIsupPacket&>(*Held);
    EXPECT_FALSE(Before.Parameters().View(0).FieldChecked(1));
    EXPECT_EQ(Before.Parameters().Items(2).Checked, 1);
    EXPECT_EQ(Before.Checked, 1);
    // The prototype was never read into.
    EXPECT_EQ(IAM.Cic, 0);
    EXPECT_EQ(IAM.Parameters().Items(0).GetHexValue(), "01 ");
    EXPECT_FALSE(IAM.Parameters().Items(2).GetPresent());
}

} // namespace
