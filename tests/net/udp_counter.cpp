// udp-counter: counts the datagrams a TUdpEndpoint delivers, to measure loss
// on loopback against velmora-sim. Prints the count once the line has been
// quiet for the idle time after the first datagram.
#include "net/UdpEndpoint.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

int main(int Argc, char** Argv)
{
    QCoreApplication App(Argc, Argv);
    const int Port = Argc > 1 ? std::atoi(Argv[1]) : 30001;
    const int IdleMs = Argc > 2 ? std::atoi(Argv[2]) : 2000;

    TUdpEndpoint Endpoint;
    long long Datagrams = 0;
    long long Oversized = 0;
    long long Captures = 0;
    long long Heartbeats = 0;
    QElapsedTimer First;
    QElapsedTimer Quiet;
    unsigned char Buffer[TUdpEndpoint::BufferSize];
    Endpoint.OnDataReceived = [&](TUdpEndpoint* Sender, int NumberBytes, const QString&, int) {
        if (Datagrams++ == 0)
            First.start();
        Quiet.restart();
        if (NumberBytes < 0) {
            ++Oversized;
            return;
        }
        if (Sender->ReadDatagram(Buffer, NumberBytes) >= 4) {
            if (Buffer[0] == 0xBB)
                ++Captures;
            else if (Buffer[0] == 0x92)
                ++Heartbeats;
        }
    };
    if (!Endpoint.SetLocalPort(Port)) {
        std::fprintf(stderr, "udp-counter: %s\n", qPrintable(Endpoint.LastError()));
        return 1;
    }
    std::fprintf(stderr, "udp-counter: listening on %d, receive buffer %d bytes\n", Port, Endpoint.ReceiveBufferSize());

    QTimer Check;
    QObject::connect(&Check, &QTimer::timeout, [&] {
        if (Datagrams > 0 && Quiet.elapsed() >= IdleMs)
            App.quit();
    });
    Check.start(100);
    App.exec();
    const double Seconds = static_cast<double>(First.elapsed() - IdleMs) / 1000.0;
    std::printf("%lld datagrams (%lld captures, %lld heartbeats, %lld oversized) in %.3f s\n", Datagrams, Captures,
                Heartbeats, Oversized, Seconds);
    return 0;
}
