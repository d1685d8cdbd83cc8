#include "presentation/Datagram.h"

TDatagramKind DatagramKind(std::string_view Datagram)
{
    if (Datagram.size() < MinDatagramSize)
        return TDatagramKind::Ignored;
    switch (static_cast<uint8_t>(Datagram[0])) {
    case dtCapture:
        return TDatagramKind::Capture;
    case dtHeartBeat:
        return TDatagramKind::HeartBeat;
    default:
        return TDatagramKind::Ignored;
    }
}

void CaptureDatagramRecord(std::string_view Datagram, const TSystemTime& Now, std::string& Record)
{
    const TStampBytes Stamp = StampToBytes(Now);
    Record.assign(reinterpret_cast<const char*>(Stamp.data()), Stamp.size());
    if (!Datagram.empty())
        Record.append(Datagram.substr(1));
}

void AppendCaptureDatagram(uint8_t Direction, uint8_t Link, std::string_view Message, std::string& Datagram)
{
    Datagram.push_back(static_cast<char>(dtCapture));
    Datagram.push_back(static_cast<char>(Direction));
    Datagram.push_back(static_cast<char>(Link));
    Datagram.append(Message);
}

std::string HeartBeatDatagram()
{
    std::string Datagram(MinDatagramSize, '\0');
    Datagram[0] = static_cast<char>(dtHeartBeat);
    return Datagram;
}
