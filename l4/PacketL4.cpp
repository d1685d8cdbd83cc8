#include "l4/PacketL4.h"

#include "core/Bits.h"
#include "core/Format.h"
#include "core/MemoryStream.h"

#include <array>
#include <cstring>

void TCustomPacketL4::Assign(const TPersistent& Source)
{
    if (const auto* Packet = dynamic_cast<const TCustomPacketL4*>(&Source)) {
        Sio = Packet->Sio;
        RoutingLabel = Packet->RoutingLabel;
        return;
    }
    TCustomItemL4::Assign(Source);
}

void TCustomPacketL4::LoadFromStream(TMemoryStream& Stream)
{
    if (!Stream.ReadByte(Sio))
        throw EL4StreamError("Can`t read SIO from stream");
    // Octets missing at the end of the input leave the high-order bytes of
    // the label as they were.
    uint8_t Label[4];
    const size_t Got = Stream.Read(Label, 4);
    for (size_t I = 0; I < Got; ++I) {
        RoutingLabel &= ~(0xFFu << (8 * I));
        RoutingLabel |= static_cast<uint32_t>(Label[I]) << (8 * I);
    }
}

void TCustomPacketL4::SaveToStream(TMemoryStream& Stream) const
{
    if (Stream.WriteByte(Sio) != 1)
        throw EL4StreamError("Can`t write SIO to stream");
    const uint8_t Label[4] = {static_cast<uint8_t>(RoutingLabel), static_cast<uint8_t>(RoutingLabel >> 8),
                              static_cast<uint8_t>(RoutingLabel >> 16), static_cast<uint8_t>(RoutingLabel >> 24)};
    Stream.Write(Label, 4);
}

std::string TCustomPacketL4::GetName() const
{
    return Format("(SS=%d)", GetServiceIndicator());
}

void TCustomPacketL4::Reset()
{
    Checked = 1;
    Sio = 5;
    RoutingLabel = 0;
}

void TTestPacketL4::Reset()
{
    TCustomPacketL4::Reset();
    Heading = 0;
    TestPattern.clear();
}

void TTestPacketL4::Assign(const TPersistent& Source)
{
    if (const auto* Packet = dynamic_cast<const TTestPacketL4*>(&Source)) {
        Heading = Packet->Heading;
        TestPattern = Packet->TestPattern;
    }
    TCustomPacketL4::Assign(Source);
}

void TTestPacketL4::LoadFromStream(TMemoryStream& Stream)
{
    TCustomPacketL4::LoadFromStream(Stream);
    Stream.ReadByte(Heading);
    uint8_t LengthOctet = 0;
    Stream.ReadByte(LengthOctet);
    // The high nibble is the length indicator; the low nibble is spare.
    const size_t Length = LengthOctet >> 4;
    TestPattern.resize(Length);
    TestPattern.resize(Stream.Read(TestPattern.data(), Length));
}

void TTestPacketL4::SaveToStream(TMemoryStream& Stream) const
{
    TCustomPacketL4::SaveToStream(Stream);
    Stream.WriteByte(Heading);
    Stream.WriteByte(static_cast<uint8_t>(TestPattern.size() << 4));
    Stream.Write(TestPattern.data(), TestPattern.size());
}

std::string TTestPacketL4::GetName() const
{
    switch (Heading) {
    case 0x11:
        return "SLTM";
    case 0x21:
        return "SLTA";
    default:
        return Format("0x%.2X", Heading);
    }
}

uint32_t GetDpc(uint32_t Label)
{
    return GetBits(Label, 0, 14);
}

uint32_t GetOpc(uint32_t Label)
{
    return GetBits(Label, 14, 14);
}

uint32_t GetSls(uint32_t Label)
{
    return GetBits(Label, 28, 4);
}

std::string GetRoutingLabelText(uint32_t Label)
{
    std::string Text;
    AppendRoutingLabelText(Label, Text);
    return Text;
}

void AppendRoutingLabelText(uint32_t Label, std::string& Text)
{
    // A link carries few distinct labels, and every row and line shows one:
    // the texts of the labels seen last are kept, per thread.
    struct TEntry {
        uint32_t Label = 0;
        uint8_t Size = 0;
        char Text[31];
    };
    static thread_local std::array<TEntry, 256> Recent;
    TEntry& Entry = Recent[(Label ^ (Label >> 8) ^ (Label >> 16) ^ (Label >> 24)) & 0xFF];
    if (Entry.Size == 0 || Entry.Label != Label) {
        std::string Made;
        AppendDecimal(Made, GetOpc(Label));
        Made += " => ";
        AppendDecimal(Made, GetDpc(Label));
        Made += ", sls=";
        AppendDecimal(Made, GetSls(Label));
        Entry.Label = Label;
        Entry.Size = static_cast<uint8_t>(Made.size());
        std::memcpy(Entry.Text, Made.data(), Made.size());
    }
    Text.append(Entry.Text, Entry.Size);
}

std::unique_ptr<TTestPacketL4> ReadTestPacket(TMemoryStream& Stream)
{
    auto Packet = std::make_unique<TTestPacketL4>();
    Packet->LoadFromStream(Stream);
    return Packet;
}
