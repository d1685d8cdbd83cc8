// TUdpEndpoint: the receive-only IPv4 datagram endpoint through which the
// signalling processor's capture datagrams and heartbeats reach the monitor.
#pragma once

#include <QObject>
#include <QString>

#include <functional>

class QUdpSocket;

// Owns one QUdpSocket bound to LocalPort on all local IPv4 addresses. Every
// arriving datagram is read on the GUI thread, in arrival order, into a
// 2048-byte buffer and announced once through OnDataReceived; the handler
// copies it out with ReadDatagram. The endpoint never sends and never
// filters by sender: RemoteHost and RemotePort are kept for the intake.
class TUdpEndpoint : public QObject {
    Q_OBJECT
public:
    using TOnReceive = std::function<void(TUdpEndpoint* Sender, int NumberBytes, const QString& FromIP, int Port)>;
    using TOnStatus = std::function<void(TUdpEndpoint* Sender, const QString& Status)>;

    // The largest datagram delivered; a longer one is announced with size -1.
    static constexpr int BufferSize = 2048;
    // The kernel receive buffer asked for, so that bursts survive a busy
    // GUI thread.
    static constexpr int WantedReceiveBuffer = 8 * 1024 * 1024;

    explicit TUdpEndpoint(QObject* Owner = nullptr);
    ~TUdpEndpoint() override;

    QString RemoteHost;
    int RemotePort = 0;
    int ReportLevel = 1;
    TOnReceive OnDataReceived;
    TOnStatus OnStatus;

    int LocalPort() const { return FLocalPort; }
    // Closes the current socket and binds a new one on Port. Returns true when
    // bound; on failure the port is still stored, LastError() names the port
    // and the reason, OnStatus hears it whatever ReportLevel is, and the
    // endpoint receives nothing.
    bool SetLocalPort(int Port);
    bool IsBound() const;
    // The port actually bound: the system's choice when LocalPort is 0;
    // 0 when not bound.
    int BoundPort() const;
    QString LastError() const { return FLastError; }
    QString LastStatus() const { return FLastStatus; }

    // Copies the datagram of the current notification into Buffer (room for
    // Length bytes) and returns the number of bytes copied; -1, copying
    // nothing, when the datagram was too long or none was received.
    int ReadDatagram(void* Buffer, int Length);
    // The effective kernel receive buffer in bytes; 0 when not bound.
    int ReceiveBufferSize() const { return FReceiveBufferSize; }

private:
    void CloseSocket();
    void EnlargeReceiveBuffer();
    void ReportStatus(int Level, const QString& Status);
    void ReportFailure(const QString& Error);
    void SocketReadyRead();
    const QString& SenderText(quint32 Address);

    QUdpSocket* FSocket = nullptr;
    int FLocalPort = 0;
    int FReceiveBufferSize = 0;
    // One byte beyond BufferSize, to tell an over-long datagram.
    char FBuffer[BufferSize + 1];
    int FLength = -1;
    bool FInReadLoop = false;
    QString FLastError;
    QString FLastStatus;
    // The dotted text of the last sender, kept because one processor sends
    // nearly every datagram and formatting it each time would cost more than
    // the comparison.
    quint32 FSenderAddress = 0;
    QString FSenderText;
};
