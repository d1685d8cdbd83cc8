#include "presentation/CaptureDecoding.h"

#include "core/MemoryStream.h"
#include "decode/PacketDecoder.h"
#include "isup/IsupPacket.h"
#include "l4/MtpPacket.h"
#include "presentation/HexText.h"

#include <exception>

namespace {

// Service indicators of the subsystems the decoder reads.
constexpr uint8_t MtpSubsystem = 0;
constexpr uint8_t LinkTestSubsystem = 1;
constexpr uint8_t IsupSubsystem = 5;

} // namespace

TDecodedCapture::TDecodedCapture(std::string_view Octets, const TIsupCatalog& Catalog)
    : FOctets(Octets)
    , FStop(::IsStopEntry(Octets))
{
    if (FStop)
        return;
    try {
        TMemoryStream Stream(Octets);
        FPacket = ReadPacketL4(Stream, Catalog);
        FDecoded = FPacket.get();
    } catch (const std::exception& Error) {
        FError = Error.what();
    }
}

TDecodedCapture::TDecodedCapture(std::string_view Octets, TPacketDecoder& Decoder)
    : FOctets(Octets)
    , FStop(::IsStopEntry(Octets))
{
    if (!FStop)
        FDecoded = Decoder.TryDecode(Octets, FError);
}

TDecodedCapture::~TDecodedCapture() = default;
TDecodedCapture::TDecodedCapture(TDecodedCapture&&) noexcept = default;
TDecodedCapture& TDecodedCapture::operator=(TDecodedCapture&&) noexcept = default;

// The decoder yields service indicators 0, 1 and 5 only, each always as
// the one class: the indicator tells the class without a dynamic_cast.
const TCustomIsupPacket* TDecodedCapture::Isup() const
{
    return FDecoded && FDecoded->GetServiceIndicator() == IsupSubsystem
        ? static_cast<const TCustomIsupPacket*>(FDecoded)
        : nullptr;
}

const TMtpPacket* TDecodedCapture::Mtp() const
{
    return FDecoded && FDecoded->GetServiceIndicator() == MtpSubsystem ? static_cast<const TMtpPacket*>(FDecoded)
                                                                       : nullptr;
}

const TTestPacketL4* TDecodedCapture::LinkTest() const
{
    return FDecoded && FDecoded->GetServiceIndicator() == LinkTestSubsystem
        ? static_cast<const TTestPacketL4*>(FDecoded)
        : nullptr;
}

std::unique_ptr<TCustomPacketL4> TDecodedCapture::TakePacket()
{
    if (FPacket)
        FDecoded = nullptr;
    return std::move(FPacket);
}

bool TDecodedCapture::Heading(uint8_t& ServiceIndicator, uint32_t& RoutingLabel) const
{
    if (FStop || FOctets.empty())
        return false;
    if (FDecoded) {
        ServiceIndicator = FDecoded->GetServiceIndicator();
        RoutingLabel = FDecoded->RoutingLabel;
        return true;
    }
    TCustomPacketL4 Head;
    TMemoryStream Stream(FOctets);
    Head.LoadFromStream(Stream);
    ServiceIndicator = Head.GetServiceIndicator();
    RoutingLabel = Head.RoutingLabel;
    return true;
}

TCaptureSummary SummarizeCapture(const TDecodedCapture& Decoded, uint8_t Direction, TTextPool& Texts)
{
    TCaptureSummary Summary;
    if (Decoded.IsStopEntry()) {
        Summary.StateImage = ciStop;
        Summary.NameText = Texts.Intern(StopEntryName);
        return Summary;
    }
    if (Decoded.Failed()) {
        Summary.StateImage = ciError;
        Summary.NameText = Texts.Intern(FailedName);
        Summary.ErrorText = Texts.Intern(Decoded.Error());
        return Summary;
    }
    if (Direction == cdIn)
        Summary.StateImage = ciIn;
    else if (Direction == cdOut)
        Summary.StateImage = ciOut;
    const TCustomPacketL4& Packet = *Decoded.Packet();
    Summary.NameText = Texts.Intern(Packet.GetName());
    Summary.RoutingLabel = Packet.RoutingLabel;
    Summary.HasRoutingLabel = true;
    if (const TCustomIsupPacket* Isup = Decoded.Isup()) {
        Summary.Cic = Isup->Cic;
        Summary.HasCic = true;
    }
    return Summary;
}

void AppendCaption(const TDecodedCapture& Decoded, std::string& Text)
{
    if (Decoded.IsStopEntry()) {
        Text += StopEntryCaption;
        return;
    }
    if (Decoded.Failed()) {
        Text += Decoded.Error();
        return;
    }
    // The decoder yields service indicators 0, 1 and 5 only; it rejects
    // every other one, and such a message takes the error caption above.
    if (const TCustomIsupPacket* Isup = Decoded.Isup())
        Text += Isup->Caption();
    else if (Decoded.Packet()->GetServiceIndicator() == MtpSubsystem)
        Text += MtpCaption;
    else if (Decoded.Packet()->GetServiceIndicator() == LinkTestSubsystem)
        Text += LinkTestCaption;
}

void AppendDetail(const TDecodedCapture& Decoded, std::string& Text)
{
    if (const TMtpPacket* Mtp = Decoded.Mtp()) {
        Text += Mtp->GetDescription();
    } else if (const TTestPacketL4* Test = Decoded.LinkTest()) {
        Text += Test->GetName();
        if (!Test->TestPattern.empty()) {
            Text += " (Pattern=";
            AppendHexWords(Test->TestPattern, Text);
            Text += ')';
        }
    } else if (const TCustomIsupPacket* Isup = Decoded.Isup()) {
        Text += Isup->Name();
        Text += ", ";
        Text += Isup->Caption();
    }
}
