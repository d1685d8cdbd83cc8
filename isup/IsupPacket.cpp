#include "isup/IsupPacket.h"

#include "core/Format.h"
#include "core/HexString.h"
#include "core/MemoryStream.h"
#include "isup/IsupCatalog.h"

// Name and Caption of a message type: shared by a prototype and its copies,
// copied before a change while shared.
struct TCustomIsupPacket::TTexts {
    std::string Name = "(?)";
    std::string Caption = "(noname)";
};

EUnknownIsupMessage::EUnknownIsupMessage(int32_t Code)
    : EIsupError("Unknown Message Type: " + Format("0x%.2X", Code))
    , Code(Code)
    , CodeText(Format("0x%.2X", Code))
{
}

TCustomIsupPacket::TCustomIsupPacket() = default;

TCustomIsupPacket::~TCustomIsupPacket() = default;

const std::string& TCustomIsupPacket::Name() const
{
    static const TTexts Default;
    return FTexts ? FTexts->Name : Default.Name;
}

const std::string& TCustomIsupPacket::Caption() const
{
    static const TTexts Default;
    return FTexts ? FTexts->Caption : Default.Caption;
}

void TCustomIsupPacket::SetName(std::string Name)
{
    auto Texts = FTexts ? std::make_shared<TTexts>(*FTexts) : std::make_shared<TTexts>();
    Texts->Name = std::move(Name);
    FTexts = std::move(Texts);
}

void TCustomIsupPacket::SetCaption(std::string Caption)
{
    auto Texts = FTexts ? std::make_shared<TTexts>(*FTexts) : std::make_shared<TTexts>();
    Texts->Caption = std::move(Caption);
    FTexts = std::move(Texts);
}

void TCustomIsupPacket::Assign(const TPersistent& Source)
{
    if (const auto* Packet = dynamic_cast<const TCustomIsupPacket*>(&Source)) {
        CopyFrom(*Packet);
        return;
    }
    TCustomPacketL4::Assign(Source);
}

void TCustomIsupPacket::CopyFrom(const TCustomIsupPacket& Source)
{
    if (&Source == this)
        return;
    MessageType = Source.MessageType;
    if (FTexts != Source.FTexts)
        FTexts = Source.FTexts;
    // The name as the source gives it, should a subclass name itself.
    std::string SourceName = Source.GetName();
    if (SourceName != Name())
        SetName(std::move(SourceName));
    Checked = Source.Checked;
    Cic = Source.Cic;
    FParameters.AssignFrom(Source.FParameters);
    // The level-4 header too, so that a copy encodes as its source does.
    Sio = Source.Sio;
    RoutingLabel = Source.RoutingLabel;
}

void TCustomIsupPacket::Renew(const TCustomIsupPacket& Prototype)
{
    CopyFrom(Prototype);
    FParameters.FixedPart().Present = true;
    FParameters.VariablePart().Present = true;
    FParameters.OptionalPart().Present = true;
}

void TCustomIsupPacket::Reset()
{
    TCustomPacketL4::Reset();
    MessageType = 0;
    Cic = 0;
    FTexts.reset();
    FParameters.Clear();
    FParameters.FixedPart().Present = true;
    FParameters.VariablePart().Present = true;
    FParameters.OptionalPart().Present = true;
}

void TCustomIsupPacket::LoadFromStream(TMemoryStream& Stream)
{
    TCustomPacketL4::LoadFromStream(Stream);
    // The CIC is little-endian, all 16 bits (ITU-T Q.763 keeps 12 and spares
    // the rest, but national variants use them); a short read fails below.
    uint8_t CicOctets[2] = {0, 0};
    Stream.Read(CicOctets, 2);
    Cic = static_cast<uint16_t>(CicOctets[0] | (CicOctets[1] << 8));
    if (!Stream.ReadByte(MessageType))
        throw EL4Error("Can`t load packet from stream.");
    FParameters.LoadFromStream(Stream);
}

void TCustomIsupPacket::SaveToStream(TMemoryStream& Stream) const
{
    TCustomPacketL4::SaveToStream(Stream);
    WriteIsupPart(Stream);
}

std::string TCustomIsupPacket::GetName() const
{
    return Name();
}

std::string TCustomIsupPacket::GetCodedText(bool Separators) const
{
    TMemoryStream Stream;
    WriteIsupPart(Stream);
    return THexString(Stream.Bytes(), Separators).ToText();
}

void TCustomIsupPacket::WriteIsupPart(TMemoryStream& Stream) const
{
    const uint8_t Head[3] = {static_cast<uint8_t>(Cic), static_cast<uint8_t>(Cic >> 8), MessageType};
    Stream.Write(Head, 3);
    FParameters.SaveToStream(Stream);
}

std::string TCustomIsupPacket::GetSummary() const
{
    if (Name() == Caption())
        return Name();
    return Name() + ", " + Caption();
}

uint8_t PeekIsupMessageType(const TMemoryStream& Stream)
{
    // SIO, routing label, CIC, then the message type.
    constexpr size_t TypeOffset = 7;
    if (Stream.Remaining() <= TypeOffset)
        throw EL4Error("Can`t load packet from stream.");
    return Stream.Memory()[Stream.Position() + TypeOffset];
}

std::unique_ptr<TCustomIsupPacket> ReadIsupPacket(TMemoryStream& Stream, const TIsupCatalog& Catalog)
{
    if (Stream.Remaining() == 0)
        return nullptr;
    // What a plain packet without parameters would read first.
    const uint8_t MessageType = PeekIsupMessageType(Stream);
    std::unique_ptr<TCustomIsupPacket> Packet = Catalog.NewMessage(MessageType);
    if (!Packet)
        throw EUnknownIsupMessage(MessageType);
    Packet->LoadFromStream(Stream);
    return Packet;
}
