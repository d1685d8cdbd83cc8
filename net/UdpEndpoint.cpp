// TUdpEndpoint: socket life cycle, the read loop and status reporting.
#include "net/UdpEndpoint.h"

#include <QHostAddress>
#include <QPointer>
#include <QUdpSocket>
#include <QVariant>

#include <cstring>
#include <exception>

#include <sys/socket.h>

namespace {

// Levels of the status texts; a text is reported when ReportLevel reaches it.
constexpr int LevelInfo = 8;
constexpr int LevelErrorCheck = 16;
constexpr int LevelHandlerError = 1;

QString BindFailureReason(const QUdpSocket& Socket)
{
    switch (Socket.error()) {
    case QAbstractSocket::AddressInUseError:
        return QStringLiteral("address already in use");
    case QAbstractSocket::SocketAccessError:
        return QStringLiteral("permission denied");
    case QAbstractSocket::SocketAddressNotAvailableError:
        return QStringLiteral("address not available");
    case QAbstractSocket::SocketResourceError:
        return QStringLiteral("out of socket resources");
    case QAbstractSocket::UnsupportedSocketOperationError:
        return QStringLiteral("IPv4 datagram sockets are not supported");
    default:
        return Socket.errorString();
    }
}

} // namespace

TUdpEndpoint::TUdpEndpoint(QObject* Owner)
    : QObject(Owner)
{
    ReportStatus(LevelInfo, QStringLiteral("Opening UDP endpoint"));
}

TUdpEndpoint::~TUdpEndpoint()
{
    CloseSocket();
}

bool TUdpEndpoint::IsBound() const
{
    return FSocket && FSocket->state() == QAbstractSocket::BoundState;
}

int TUdpEndpoint::BoundPort() const
{
    return IsBound() ? FSocket->localPort() : 0;
}

void TUdpEndpoint::CloseSocket()
{
    FReceiveBufferSize = 0;
    if (!FSocket)
        return;
    QUdpSocket* Old = FSocket;
    FSocket = nullptr;
    Old->disconnect(this);
    Old->close();
    // The read loop may be running inside this socket's readyRead when a
    // handler rebinds; deleting the emitter there would pull the object out
    // from under Qt's signal dispatch.
    if (FInReadLoop)
        Old->deleteLater();
    else
        delete Old;
}

bool TUdpEndpoint::SetLocalPort(int Port)
{
    CloseSocket();
    FLocalPort = Port;
    FLength = -1;
    FLastError.clear();

    ReportStatus(LevelErrorCheck, QStringLiteral("Checking Error In Error Manager"));
    QString Reason;
    if (Port < 0 || Port > 65535) {
        Reason = QStringLiteral("port number out of range 0-65535");
    } else {
        auto* Socket = new QUdpSocket(this);
        if (Socket->bind(QHostAddress::AnyIPv4, static_cast<quint16>(Port), QAbstractSocket::DontShareAddress)) {
            FSocket = Socket;
            connect(FSocket, &QUdpSocket::readyRead, this, &TUdpEndpoint::SocketReadyRead);
            EnlargeReceiveBuffer();
            ReportStatus(LevelInfo, QStringLiteral("Listening on UDP port %1").arg(FSocket->localPort()));
            return true;
        }
        Reason = BindFailureReason(*Socket);
        delete Socket;
    }
    const QString Error = QStringLiteral("Can`t listen on UDP port %1: %2").arg(Port).arg(Reason);
    ReportStatus(LevelInfo, QStringLiteral("Looking Up Error Message") + Error);
    ReportFailure(Error);
    return false;
}

void TUdpEndpoint::EnlargeReceiveBuffer()
{
    const int Descriptor = static_cast<int>(FSocket->socketDescriptor());
    const int Wanted = WantedReceiveBuffer;
    bool Forced = false;
#ifdef SO_RCVBUFFORCE
    // Beyond net.core.rmem_max only with CAP_NET_ADMIN; fails quietly otherwise.
    Forced = ::setsockopt(Descriptor, SOL_SOCKET, SO_RCVBUFFORCE, &Wanted, sizeof Wanted) == 0;
#endif
    if (!Forced)
        FSocket->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, QVariant(Wanted));
    int Effective = 0;
    socklen_t Size = sizeof Effective;
    if (::getsockopt(Descriptor, SOL_SOCKET, SO_RCVBUF, &Effective, &Size) != 0)
        Effective = 0;
    FReceiveBufferSize = Effective;
}

int TUdpEndpoint::ReadDatagram(void* Buffer, int Length)
{
    if (FLength < 0 || !Buffer || Length < 0)
        return -1;
    const int N = FLength < Length ? FLength : Length;
    std::memcpy(Buffer, FBuffer, static_cast<size_t>(N));
    return N;
}

const QString& TUdpEndpoint::SenderText(quint32 Address)
{
    if (FSenderText.isEmpty() || Address != FSenderAddress) {
        FSenderAddress = Address;
        FSenderText = QString::asprintf("%u.%u.%u.%u", (Address >> 24) & 0xFF, (Address >> 16) & 0xFF,
                                        (Address >> 8) & 0xFF, Address & 0xFF);
    }
    return FSenderText;
}

void TUdpEndpoint::SocketReadyRead()
{
    if (FInReadLoop)
        return;
    QPointer<TUdpEndpoint> Self(this);
    QUdpSocket* const Socket = FSocket;
    FInReadLoop = true;
    // One readyRead may stand for many datagrams: Qt does not signal again
    // until the queue has been read, so everything pending is drained here.
    while (Socket && Socket == FSocket && Socket->hasPendingDatagrams()) {
        QHostAddress From;
        quint16 FromPort = 0;
        // One byte of room beyond the buffer tells an over-long datagram,
        // which the kernel truncates to the room given and then discards.
        const qint64 Read = Socket->readDatagram(FBuffer, BufferSize + 1, &From, &FromPort);
        if (Read < 0)
            break;
        FLength = Read > BufferSize ? -1 : static_cast<int>(Read);
        bool IsIPv4 = false;
        const quint32 Address = From.toIPv4Address(&IsIPv4);
        const QString& FromIP = IsIPv4 ? SenderText(Address) : From.toString();
        if (!OnDataReceived)
            continue;
        try {
            OnDataReceived(this, FLength, FromIP, FromPort);
        } catch (const std::exception& Error) {
            if (!Self)
                return;
            ReportStatus(LevelHandlerError,
                         QStringLiteral("Error in datagram handler: %1").arg(QString::fromLocal8Bit(Error.what())));
        } catch (...) {
            if (!Self)
                return;
            ReportStatus(LevelHandlerError, QStringLiteral("Error in datagram handler"));
        }
        if (!Self)
            return;
    }
    FInReadLoop = false;
    // A handler that rebound the port may have left datagrams on the new
    // socket whose readyRead was swallowed while this loop ran.
    if (FSocket && FSocket != Socket && FSocket->hasPendingDatagrams())
        QMetaObject::invokeMethod(this, &TUdpEndpoint::SocketReadyRead, Qt::QueuedConnection);
}

void TUdpEndpoint::ReportStatus(int Level, const QString& Status)
{
    FLastStatus = Status;
    if (ReportLevel < Level || !OnStatus)
        return;
    try {
        OnStatus(this, Status);
    } catch (...) {
        // A status text is advisory; a failing listener must not break intake.
    }
}

void TUdpEndpoint::ReportFailure(const QString& Error)
{
    FLastError = Error;
    FLastStatus = Error;
    if (!OnStatus)
        return;
    try {
        OnStatus(this, Error);
    } catch (...) {
    }
}
