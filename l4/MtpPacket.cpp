#include "l4/MtpPacket.h"

#include "core/Format.h"
#include "core/MemoryStream.h"

#include <utility>

namespace {

struct TMtpName {
    uint8_t Heading;
    const char* Name;
};

// Names of the message groups: headings whose H1 is 0. They have no class
// of their own.
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

// Every heading's name, null for the "$" form: the capture list names every
// management message it adds.
constexpr std::array<const char*, 256> NamesByHeading = [] {
    std::array<const char*, 256> Names{};
    for (const TMtpName& Group : GroupNames)
        Names[Group.Heading] = Group.Name;
    for (const TMtpMessageType& Type : MtpMessageTypes)
        Names[Type.Heading] = Type.Name;
    return Names;
}();

using TMtpFactory = std::unique_ptr<TMtpPacket> (*)();

template <uint8_t Heading> std::unique_ptr<TMtpPacket> Make()
{
    return std::make_unique<TMtpMessage<Heading>>();
}

// Every heading's class, one entry per row of the table; null for a plain
// TMtpPacket.
template <size_t... I> constexpr std::array<TMtpFactory, 256> MakeFactories(std::index_sequence<I...>)
{
    std::array<TMtpFactory, 256> Factories{};
    ((Factories[MtpMessageTypes[I].Heading] = &Make<MtpMessageTypes[I].Heading>), ...);
    return Factories;
}

constexpr std::array<TMtpFactory, 256> FactoriesByHeading =
    MakeFactories(std::make_index_sequence<MtpMessageTypes.size()>());

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
    if (const char* Name = NamesByHeading[Heading])
        return Name;
    return Format("$%.2X", Heading);
}

std::string TMtpPacket::GetDescription() const
{
    const std::string Fields = GetFieldsText();
    return Fields.empty() ? GetName() : GetName() + " (" + Fields + ")";
}

std::string TMtpPacket::GetFieldsText() const
{
    if (!FType || !*FType->Field)
        return {};
    const unsigned Value = FType->InfoLength == 1 ? GetInfoByte(0) : GetInfoWord(0);
    return std::string(FType->Field) + "=" + std::to_string(Value);
}

void TMtpPacket::Reset()
{
    TCustomPacketL4::Reset();
    Sio = 0;
    Heading = FType ? FType->Heading : 0;
    Info.assign(FType ? FType->InfoLength : 0, '\0');
}

uint8_t PeekMtpHeading(const TMemoryStream& Stream)
{
    // SIO and routing label, then the heading.
    constexpr size_t HeadingOffset = 5;
    return Stream.Remaining() > HeadingOffset ? Stream.Memory()[Stream.Position() + HeadingOffset] : 0;
}

std::unique_ptr<TMtpPacket> NewMtpPacket(uint8_t Heading)
{
    const TMtpFactory Factory = FactoriesByHeading[Heading];
    return Factory ? Factory() : std::make_unique<TMtpPacket>();
}

std::unique_ptr<TMtpPacket> ReadMtpPacket(TMemoryStream& Stream)
{
    // A plain packet would raise for a missing SIO before the heading.
    if (Stream.Remaining() == 0)
        throw EL4StreamError("Can`t read SIO from stream");
    auto Packet = NewMtpPacket(PeekMtpHeading(Stream));
    Packet->LoadFromStream(Stream);
    return Packet;
}
