// TUdpEndpoint over loopback: delivery order and count, sender reporting,
// size limits, bind failures, rebinding and the receive buffer.
#include "net/UdpEndpoint.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QHostAddress>
#include <QUdpSocket>
#include <QtTest>

#include <set>
#include <stdexcept>
#include <vector>

#include <unistd.h>

namespace {

struct TReceived {
    int NumberBytes;
    QByteArray Data;
    QString FromIP;
    int Port;
};

// Binds the endpoint to a port of the system's choice and returns it; 0
// when binding failed. A port found free by a probe socket and released
// could be taken by anyone before the endpoint binds it.
int BindAnyPort(TUdpEndpoint& Endpoint)
{
    return Endpoint.SetLocalPort(0) ? Endpoint.BoundPort() : 0;
}

// True when a UDP socket of this process is bound to Port: the kernel's
// socket table (/proc/net/udp) against the socket inodes of our own file
// descriptors.
bool HeldByThisProcess(int Port)
{
    std::set<QString> Inodes;
    const QDir Descriptors(QStringLiteral("/proc/self/fd"));
    for (const QFileInfo& Fd : Descriptors.entryInfoList(QDir::System | QDir::NoDotAndDotDot)) {
        const QString Target = Fd.symLinkTarget().section(QLatin1Char('/'), -1);
        if (Target.startsWith(QStringLiteral("socket:[")))
            Inodes.insert(Target.mid(8).chopped(1));
    }
    QFile Table(QStringLiteral("/proc/net/udp"));
    if (!Table.open(QIODevice::ReadOnly))
        return false;
    Table.readLine(); // the column headings
    while (!Table.atEnd()) {
        // sl local_address rem_address st tx:rx tr:when retrnsmt uid timeout inode
        const QStringList Fields = QString::fromLatin1(Table.readLine()).simplified().split(QLatin1Char(' '));
        if (Fields.size() < 10)
            continue;
        bool Ok = false;
        const int Local = Fields[1].section(QLatin1Char(':'), 1).toInt(&Ok, 16);
        if (Ok && Local == Port && Inodes.count(Fields[9]))
            return true;
    }
    return false;
}

// Records every notification, copying the datagram out as the intake does.
void Record(TUdpEndpoint& Endpoint, std::vector<TReceived>& Into)
{
    Endpoint.OnDataReceived = [&Into](TUdpEndpoint* Sender, int NumberBytes, const QString& FromIP, int Port) {
        QByteArray Data(TUdpEndpoint::BufferSize, '\0');
        const int Copied = Sender->ReadDatagram(Data.data(), static_cast<int>(Data.size()));
        Data.resize(Copied < 0 ? 0 : Copied);
        Into.push_back({NumberBytes, Data, FromIP, Port});
    };
}

// Size octets (at least 4) beginning with I, big-endian.
QByteArray Numbered(int I, int Size)
{
    QByteArray Data(Size < 4 ? 4 : Size, static_cast<char>(I * 7));
    const quint32 N = static_cast<quint32>(I);
    Data[0] = static_cast<char>(N >> 24);
    Data[1] = static_cast<char>(N >> 16);
    Data[2] = static_cast<char>(N >> 8);
    Data[3] = static_cast<char>(N);
    return Data;
}

int NumberOf(const QByteArray& Data)
{
    if (Data.size() < 4)
        return -1;
    return (static_cast<uchar>(Data[0]) << 24) | (static_cast<uchar>(Data[1]) << 16) |
        (static_cast<uchar>(Data[2]) << 8) | static_cast<uchar>(Data[3]);
}

} // namespace

class TUdpEndpointTest : public QObject {
    Q_OBJECT
private slots:
    void BurstArrivesCompleteAndInOrder();
    void ReportsSenderAddressAndPortWithoutFiltering();
    void DeliversUpTo2048BytesAndFlagsLongerAsMinusOne();
    void BindFailureIsReportedWithPortAndReason();
    void StatusTextsAreGatedByReportLevel();
    void RebindingKeepsReceiving();
    void PortZeroTakesTheSystemsChoice();
    void HandlerMayRebindAndThrowWithoutLosingLaterDatagrams();
    void ReceiveBufferIsLarge();
};

void TUdpEndpointTest::BurstArrivesCompleteAndInOrder()
{
    TUdpEndpoint Endpoint;
    std::vector<TReceived> Received;
    Record(Endpoint, Received);
    const int Port = BindAnyPort(Endpoint);
    QVERIFY(Port > 0);
    QVERIFY(Endpoint.IsBound());

    QUdpSocket Sender;
    constexpr int Total = 2000;
    // Without a multi-megabyte buffer the kernel would drop part of an
    // unread burst; then the burst goes out in slices the loop keeps up with.
    const int Slice = Endpoint.ReceiveBufferSize() >= 4 * 1024 * 1024 ? Total : 100;
    for (int Start = 0; Start < Total; Start += Slice) {
        for (int I = Start; I < Start + Slice; ++I)
            QCOMPARE(
                Sender.writeDatagram(Numbered(I, 20 + I % 200), QHostAddress::LocalHost, static_cast<quint16>(Port)),
                qint64(20 + I % 200));
        QTRY_COMPARE_WITH_TIMEOUT(Received.size(), size_t(Start + Slice), 10000);
    }
    for (int I = 0; I < Total; ++I) {
        QCOMPARE(NumberOf(Received[I].Data), I);
        QCOMPARE(Received[I].NumberBytes, 20 + I % 200);
        QCOMPARE(Received[I].Data, Numbered(I, 20 + I % 200));
    }
}

void TUdpEndpointTest::ReportsSenderAddressAndPortWithoutFiltering()
{
    TUdpEndpoint Endpoint;
    Endpoint.RemoteHost = QStringLiteral("10.0.0.1");
    Endpoint.RemotePort = 9;
    std::vector<TReceived> Received;
    Record(Endpoint, Received);
    const int Port = BindAnyPort(Endpoint);
    QVERIFY(Port > 0);

    QUdpSocket Plain;
    QVERIFY(Plain.bind(QHostAddress(QStringLiteral("127.0.0.1")), 0));
    // Any address of 127/8 is local on Linux; this one shows that the four
    // numbers are written without leading zeros or padding.
    QUdpSocket Odd;
    QVERIFY(Odd.bind(QHostAddress(QStringLiteral("127.1.20.3")), 0));
    QCOMPARE(Plain.writeDatagram("abcd", 4, QHostAddress::LocalHost, static_cast<quint16>(Port)), qint64(4));
    QCOMPARE(Odd.writeDatagram("efgh", 4, QHostAddress::LocalHost, static_cast<quint16>(Port)), qint64(4));
    QTRY_COMPARE_WITH_TIMEOUT(Received.size(), size_t(2), 5000);
    QCOMPARE(Received[0].FromIP, QStringLiteral("127.0.0.1"));
    QCOMPARE(Received[0].Port, int(Plain.localPort()));
    QCOMPARE(Received[0].Data, QByteArray("abcd"));
    QCOMPARE(Received[1].FromIP, QStringLiteral("127.1.20.3"));
    QCOMPARE(Received[1].Port, int(Odd.localPort()));
    QCOMPARE(Received[1].Data, QByteArray("efgh"));
}

void TUdpEndpointTest::DeliversUpTo2048BytesAndFlagsLongerAsMinusOne()
{
    TUdpEndpoint Endpoint;
    std::vector<TReceived> Received;
    Record(Endpoint, Received);
    const int Port = BindAnyPort(Endpoint);
    QVERIFY(Port > 0);

    QUdpSocket Sender;
    const QByteArray Full = Numbered(1, 2048);
    const QByteArray Over = Numbered(2, 2049);
    const QByteArray After(1, '\x5A');
    for (const QByteArray* Data : {&Full, &Over, &After})
        QCOMPARE(Sender.writeDatagram(*Data, QHostAddress::LocalHost, static_cast<quint16>(Port)),
                 qint64(Data->size()));
    QTRY_COMPARE_WITH_TIMEOUT(Received.size(), size_t(3), 5000);
    QCOMPARE(Received[0].NumberBytes, 2048);
    QCOMPARE(Received[0].Data, Full);
    QCOMPARE(Received[1].NumberBytes, -1);
    QCOMPARE(Received[1].Data, QByteArray());
    QCOMPARE(Received[1].FromIP, QStringLiteral("127.0.0.1"));
    QCOMPARE(Received[2].NumberBytes, 1);
    QCOMPARE(Received[2].Data, After);

    // The last datagram stays readable, and a short buffer gets only its room.
    QCOMPARE(Sender.writeDatagram(Full, QHostAddress::LocalHost, static_cast<quint16>(Port)), qint64(2048));
    QTRY_COMPARE_WITH_TIMEOUT(Received.size(), size_t(4), 5000);
    char Head[10] = {};
    QCOMPARE(Endpoint.ReadDatagram(Head, 10), 10);
    QCOMPARE(QByteArray(Head, 10), Full.left(10));
}

void TUdpEndpointTest::BindFailureIsReportedWithPortAndReason()
{
    QUdpSocket Holder;
    QVERIFY(Holder.bind(QHostAddress::AnyIPv4, 0, QAbstractSocket::DontShareAddress));
    const int Taken = Holder.localPort();

    TUdpEndpoint Endpoint;
    QStringList Statuses;
    Endpoint.OnStatus = [&Statuses](TUdpEndpoint*, const QString& Status) { Statuses << Status; };
    std::vector<TReceived> Received;
    Record(Endpoint, Received);

    QVERIFY(!Endpoint.SetLocalPort(Taken));
    QVERIFY(!Endpoint.IsBound());
    QCOMPARE(Endpoint.LocalPort(), Taken);
    QCOMPARE(Endpoint.ReceiveBufferSize(), 0);
    const QString Expected = QStringLiteral("Can`t listen on UDP port %1: address already in use").arg(Taken);
    QCOMPARE(Endpoint.LastError(), Expected);
    // Reported although ReportLevel is 1.
    QCOMPARE(Statuses, QStringList{Expected});

    QVERIFY(!Endpoint.SetLocalPort(70000));
    QCOMPARE(Endpoint.LocalPort(), 70000);
    QVERIFY(Endpoint.LastError().contains(QStringLiteral("70000")));
    QVERIFY(Endpoint.LastError().contains(QStringLiteral("out of range")));

    // A failed endpoint recovers with the next good port; the error is cleared.
    const int Port = BindAnyPort(Endpoint);
    QVERIFY(Port > 0);
    QVERIFY(Endpoint.LastError().isEmpty());
    QUdpSocket Sender;
    Sender.writeDatagram("wxyz", 4, QHostAddress::LocalHost, static_cast<quint16>(Port));
    QTRY_COMPARE_WITH_TIMEOUT(Received.size(), size_t(1), 5000);
}

void TUdpEndpointTest::StatusTextsAreGatedByReportLevel()
{
    TUdpEndpoint Endpoint;
    QCOMPARE(Endpoint.ReportLevel, 1);
    QCOMPARE(Endpoint.LastStatus(), QStringLiteral("Opening UDP endpoint"));
    QStringList Statuses;
    Endpoint.OnStatus = [&Statuses](TUdpEndpoint*, const QString& Status) { Statuses << Status; };

    QVERIFY(BindAnyPort(Endpoint) > 0);
    QVERIFY(Statuses.isEmpty());

    Endpoint.ReportLevel = 16;
    const int Port = BindAnyPort(Endpoint);
    QVERIFY(Port > 0);
    QCOMPARE(Statuses,
             (QStringList{QStringLiteral("Checking Error In Error Manager"),
                          QStringLiteral("Listening on UDP port %1").arg(Port)}));
    QCOMPARE(Endpoint.LastStatus(), Statuses.last());

    Statuses.clear();
    QVERIFY(!Endpoint.SetLocalPort(-1));
    QCOMPARE(Statuses.size(), 3);
    QVERIFY(Statuses[1].startsWith(QStringLiteral("Looking Up Error MessageCan`t listen on UDP port -1: ")));
    QCOMPARE(Statuses[2], Endpoint.LastError());
}

void TUdpEndpointTest::RebindingKeepsReceiving()
{
    TUdpEndpoint Endpoint;
    std::vector<TReceived> Received;
    Record(Endpoint, Received);
    // Assigning the port the endpoint already holds opens it again.
    const int Port = BindAnyPort(Endpoint);
    QVERIFY(Port > 0);
    QVERIFY(Endpoint.SetLocalPort(Port));
    QVERIFY(Endpoint.IsBound());
    QCOMPARE(Endpoint.BoundPort(), Port);
    QVERIFY(HeldByThisProcess(Port));

    QUdpSocket Sender;
    Sender.writeDatagram(Numbered(1, 8), QHostAddress::LocalHost, static_cast<quint16>(Port));
    QTRY_COMPARE_WITH_TIMEOUT(Received.size(), size_t(1), 5000);

    // After moving to another port the old one is released and silent.
    const int Other = BindAnyPort(Endpoint);
    QVERIFY(Other > 0);
    QVERIFY(Other != Port);
    QVERIFY(!HeldByThisProcess(Port));
    QVERIFY(HeldByThisProcess(Other));
    Sender.writeDatagram(Numbered(2, 8), QHostAddress::LocalHost, static_cast<quint16>(Port));
    Sender.writeDatagram(Numbered(3, 8), QHostAddress::LocalHost, static_cast<quint16>(Other));
    QTRY_COMPARE_WITH_TIMEOUT(Received.size(), size_t(2), 5000);
    QCOMPARE(NumberOf(Received[1].Data), 3);
}

void TUdpEndpointTest::PortZeroTakesTheSystemsChoice()
{
    TUdpEndpoint Endpoint;
    QCOMPARE(Endpoint.LocalPort(), 0);
    QVERIFY(!Endpoint.IsBound());
    QCOMPARE(Endpoint.BoundPort(), 0);
    std::vector<TReceived> Received;
    Record(Endpoint, Received);
    QVERIFY(Endpoint.SetLocalPort(0));
    QCOMPARE(Endpoint.LocalPort(), 0);
    const int Port = Endpoint.BoundPort();
    QVERIFY(Port > 0);
    QUdpSocket Sender;
    Sender.writeDatagram("1234", 4, QHostAddress::LocalHost, static_cast<quint16>(Port));
    QTRY_COMPARE_WITH_TIMEOUT(Received.size(), size_t(1), 5000);
}

void TUdpEndpointTest::HandlerMayRebindAndThrowWithoutLosingLaterDatagrams()
{
    TUdpEndpoint Endpoint;
    const int Port = BindAnyPort(Endpoint);
    QVERIFY(Port > 0);
    QStringList Statuses;
    Endpoint.OnStatus = [&Statuses](TUdpEndpoint*, const QString& Status) { Statuses << Status; };
    std::vector<int> Numbers;
    Endpoint.OnDataReceived = [&Numbers, Port](TUdpEndpoint* Sender, int NumberBytes, const QString&, int) {
        QByteArray Data(NumberBytes, '\0');
        Sender->ReadDatagram(Data.data(), NumberBytes);
        const int N = NumberOf(Data);
        Numbers.push_back(N);
        if (N == 1)
            Sender->SetLocalPort(Port);
        if (N == 3)
            throw std::runtime_error("bad capture");
    };

    QUdpSocket Sender;
    // Datagrams queued behind number 1 are lost with the socket it closes;
    // only what is sent after the rebind is expected.
    Sender.writeDatagram(Numbered(1, 4), QHostAddress::LocalHost, static_cast<quint16>(Port));
    QTRY_COMPARE_WITH_TIMEOUT(Numbers.size(), size_t(1), 5000);
    QVERIFY(Endpoint.IsBound());
    for (int I = 2; I <= 5; ++I)
        Sender.writeDatagram(Numbered(I, 4), QHostAddress::LocalHost, static_cast<quint16>(Port));
    QTRY_COMPARE_WITH_TIMEOUT(Numbers.size(), size_t(5), 5000);
    QCOMPARE(Numbers, (std::vector<int>{1, 2, 3, 4, 5}));
    QCOMPARE(Statuses, QStringList{QStringLiteral("Error in datagram handler: bad capture")});
}

void TUdpEndpointTest::ReceiveBufferIsLarge()
{
    TUdpEndpoint Endpoint;
    QCOMPARE(Endpoint.ReceiveBufferSize(), 0);
    QVERIFY(BindAnyPort(Endpoint) > 0);
    qInfo("effective receive buffer: %d bytes", Endpoint.ReceiveBufferSize());
    if (::geteuid() != 0)
        QSKIP("only a privileged process can raise the buffer beyond net.core.rmem_max");
    QVERIFY(Endpoint.ReceiveBufferSize() >= TUdpEndpoint::WantedReceiveBuffer);
}

QTEST_GUILESS_MAIN(TUdpEndpointTest)
#include "udp_endpoint_test.moc"
