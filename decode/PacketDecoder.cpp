#include "decode/PacketDecoder.h"

#include "core/Format.h"
#include "core/HexString.h"
#include "core/MemoryStream.h"
#include "isup/IsupPacket.h"
#include "l4/MtpPacket.h"

std::unique_ptr<TCustomPacketL4> DecodePacketL4(const THexString& Bytes, const TIsupCatalog& Catalog)
{
    TMemoryStream Stream(Bytes.Data());
    return ReadPacketL4(Stream, Catalog);
}

std::unique_ptr<TCustomPacketL4> ReadPacketL4(TMemoryStream& Stream, const TIsupCatalog& Catalog)
{
    const size_t Start = Stream.Position();
    uint8_t ServiceIndicator;
    {
        TCustomPacketL4 Peek;
        Peek.LoadFromStream(Stream);
        ServiceIndicator = Peek.GetServiceIndicator();
    }
    Stream.SetPosition(Start);
    switch (ServiceIndicator) {
    case 0:
        return ReadMtpPacket(Stream);
    case 1:
        return ReadTestPacket(Stream);
    case 5: {
        auto Packet = ReadIsupPacket(Stream, Catalog);
        if (!Packet)
            throw EL4Error("Can`t read SIO from stream");
        return Packet;
    }
    default:
        throw EL4Error(Format("Unknown Subsystem Code: 0x%.2X", ServiceIndicator));
    }
}
