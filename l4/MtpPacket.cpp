#include "l4/MtpPacket.h"

#include "core/Format.h"
#include "core/MemoryStream.h"

#include <array>

namespace {

struct TMtpName {
    uint8_t Heading;
    const char* Name;
};

constexpr std::array<TMtpName, 27> MessageNames{{
    {0x11, "COO"}, {0x21, "COA"}, {0x51, "CBD"}, {0x61, "CBA"}, {0x12, "ECO"}, {0x22, "ECA"}, {0x13, "RCT"},
    {0x23, "TFC"}, {0x14, "TFP"}, {0x34, "TFR"}, {0x54, "TFA"}, {0x15, "RST"}, {0x25, "RSR"}, {0x16, "LIN"},
    {0x26, "LUN"}, {0x36, "LIA"}, {0x46, "LUA"}, {0x56, "LID"}, {0x66, "LFU"}, {0x76, "LLT"}, {0x86, "LRT"},
    {0x17, "TRA"}, {0x18, "DLC"}, {0x28, "CSS"}, {0x38, "CNS"}, {0x48, "CNP"}, {0x1A, "UPU"},
}};

// Names of the message groups: headings whose H1 is 0.
constexpr std::array<TMtpName, 9> GroupNames{{
    {0x01, "CHM"},
    {0x02, "ECM"},
    {0x03, "FCM"},
    {0x04, "TFM"},
    {0x05, "RSM"},
    {0x06, "MIM"},
    {0x07, "TRM"},
    {0x08, "DLM"},
    {0x0A, "UFC"},
}};

} // namespace

void TMtpPacket::LoadFromStream(TMemoryStream& Stream)
{
    TCustomPacketL4::LoadFromStream(Stream);
    // A message cut short reads as zeros.
    Stream.ReadByte(Heading);
    if (!Info.empty())
        Stream.Read(Info.data(), Info.size());
}

void TMtpPacket::SaveToStream(TMemoryStream& Stream) const
{
    TCustomPacketL4::SaveToStream(Stream);
    Stream.WriteByte(Heading);
    Stream.Write(Info.data(), Info.size());
}

std::string TMtpPacket::GetName() const
{
    for (const auto& Entry : MessageNames)
        if (Entry.Heading == Heading)
            return Entry.Name;
    for (const auto& Entry : GroupNames)
        if (Entry.Heading == Heading)
            return Entry.Name;
    return Format("$%.2X", Heading);
}

std::string TMtpPacket::GetDescription() const
{
    const std::string Fields = GetFieldsText();
    return Fields.empty() ? GetName() : GetName() + " (" + Fields + ")";
}

std::string TMtpPacket::FsnText() const
{
    return Format("FSN=%d", GetInfoByte(0));
}

std::string TMtpPacket::CbCodeText() const
{
    return Format("CbCode=%d", GetInfoByte(0));
}

std::string TMtpPacket::DestinationText() const
{
    return Format("Destination=%d", GetInfoWord(0));
}

std::string TMtpPacket::IdentityText() const
{
    return Format("Identity=%d", GetInfoWord(0));
}

std::unique_ptr<TMtpPacket> NewMtpPacket(uint8_t Heading)
{
    switch (Heading) {
    case 0x11:
        return std::make_unique<TMtpPacket_COO>();
    case 0x21:
        return std::make_unique<TMtpPacket_COA>();
    case 0x51:
        return std::make_unique<TMtpPacket_CBD>();
    case 0x61:
        return std::make_unique<TMtpPacket_CBA>();
    case 0x12:
        return std::make_unique<TMtpPacket_ECO>();
    case 0x22:
        return std::make_unique<TMtpPacket_ECA>();
    case 0x13:
        return std::make_unique<TMtpPacket_RCT>();
    case 0x23:
        return std::make_unique<TMtpPacket_TFC>();
    case 0x14:
        return std::make_unique<TMtpPacket_TFP>();
    case 0x34:
        return std::make_unique<TMtpPacket_TFR>();
    case 0x54:
        return std::make_unique<TMtpPacket_TFA>();
    case 0x15:
        return std::make_unique<TMtpPacket_RST>();
    case 0x25:
        return std::make_unique<TMtpPacket_RSR>();
    case 0x16:
        return std::make_unique<TMtpPacket_LIN>();
    case 0x26:
        return std::make_unique<TMtpPacket_LUN>();
    case 0x36:
        return std::make_unique<TMtpPacket_LIA>();
    case 0x46:
        return std::make_unique<TMtpPacket_LUA>();
    case 0x56:
        return std::make_unique<TMtpPacket_LID>();
    case 0x66:
        return std::make_unique<TMtpPacket_LFU>();
    case 0x76:
        return std::make_unique<TMtpPacket_LLT>();
    case 0x86:
        return std::make_unique<TMtpPacket_LRT>();
    case 0x17:
        return std::make_unique<TMtpPacket_TRA>();
    case 0x18:
        return std::make_unique<TMtpPacket_DLC>();
    case 0x28:
        return std::make_unique<TMtpPacket_CSS>();
    case 0x38:
        return std::make_unique<TMtpPacket_CNS>();
    case 0x48:
        return std::make_unique<TMtpPacket_CNP>();
    case 0x1A:
        return std::make_unique<TMtpPacket_UPU>();
    default:
        return std::make_unique<TMtpPacket>();
    }
}

std::unique_ptr<TMtpPacket> ReadMtpPacket(TMemoryStream& Stream)
{
    const size_t Start = Stream.Position();
    uint8_t Heading;
    {
        TMtpPacket Peek;
        Peek.LoadFromStream(Stream);
        Heading = Peek.Heading;
    }
    auto Packet = NewMtpPacket(Heading);
    Stream.SetPosition(Start);
    Packet->LoadFromStream(Stream);
    return Packet;
}
