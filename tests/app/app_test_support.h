// Shared set-up of the monitor window tests: a window with its
// configuration window listening on a port of the system's choice, on a
// hand-driven clock, with a private state file; and datagrams sent to it
// from real UDP sockets.
#pragma once

#include "app/CaptureForm.h"
#include "app/CaptureListModel.h"
#include "app/CaptureListView.h"
#include "app/DecodedTreeModel.h"
#include "app/MessageTree.h"
#include "app/OptionsForm.h"
#include "catalog/Definitions.h"
#include "core/Clock.h"
#include "core/Globals.h"
#include "core/HexString.h"
#include "net/UdpEndpoint.h"
#include "tests/app/window_test_support.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QUdpSocket>

#include <memory>
#include <string>

namespace AppTest {

using windowtest::MenuAction;
using windowtest::PopupAction;

inline std::string Bytes(const char* SpacedHex)
{
    THexString Hex(true);
    Hex.FromText(SpacedHex);
    return std::string(Hex.Data());
}

inline QByteArray Datagram(const char* SpacedHex)
{
    const std::string Raw = Bytes(SpacedHex);
    return QByteArray(Raw.data(), static_cast<qsizetype>(Raw.size()));
}

// A record stamped 7 December 2026 (a Monday), 9:05:03.012.
inline std::string Record(const char* DirectionLinkMessage)
{
    return Bytes("EA 07 0C 00 01 00 07 00 09 00 05 00 03 00 0C 00") + Bytes(DirectionLinkMessage);
}

// The local port settings a window can be made with: a port of the
// system's choice (the endpoint binds port 0), or whatever the state file
// holds (30001 on a first run). A port found free by a probe socket and
// released could be taken by anyone before the window binds it.
constexpr int AnyPort = 0;
constexpr int StoredPort = -1;

// The main window and its configuration window as start-up makes them,
// with definitions of their own (the bundled set unless another folder is
// named), the state file in a temporary folder, shown once so that the
// configuration is applied. The window's clock starts at
// TManualClock::DefaultStart and moves only when the test advances it.
struct TWindow {
    QTemporaryDir Folder;
    TDefinitions Definitions;
    TManualClock Clock;
    std::unique_ptr<TCaptureForm> Form;
    std::unique_ptr<TOptionsForm> Options;
    // Datagrams the endpoint has handed to the window and the window has
    // handled, whatever it made of them.
    int Delivered = 0;

    explicit TWindow(bool Show = true, int Port = AnyPort, const std::string& CfgFolder = VELMORA_SOURCE_CFG)
        : Definitions(LoadDefinitions(CfgFolder))
    {
        StateFileName = (Folder.path() + QStringLiteral("/State.ini")).toStdString();
        Make(Show, Port);
    }

    void Make(bool Show, int Port)
    {
        Form = std::make_unique<TCaptureForm>(*Definitions.StaticPackets, Clock);
        auto Intake = Form->Endpoint().OnDataReceived;
        Form->Endpoint().OnDataReceived = [this, Intake](TUdpEndpoint* Sender, int NumberBytes, const QString& FromIP,
                                                         int FromPort) {
            Intake(Sender, NumberBytes, FromIP, FromPort);
            ++Delivered;
        };
        Options = std::make_unique<TOptionsForm>(Form.get());
        Form->SetOptionsForm(Options.get());
        if (Port != StoredPort)
            Options->seCaptureLocalPort->setValue(Port);
        if (Show) {
            Form->show();
            QVERIFY(QTest::qWaitForWindowExposed(Form.get()));
        }
    }

    void Destroy()
    {
        Options.reset();
        Form.reset();
    }

    // The port the window listens on.
    int Port() const { return Form->Endpoint().BoundPort(); }
    TCaptureListModel& Model() const { return *Form->ListModel(); }
    int Captures() const { return Model().CaptureCount(); }
    int Rows() const
    {
        Model().FlushPendingRows();
        return Model().rowCount();
    }
    QString Cell(int Row, int Column) const
    {
        Model().FlushPendingRows();
        return Model().index(Row, Column).data().toString();
    }
    // The state image of a row (TCaptureImage).
    int Image(int Row) const
    {
        Model().FlushPendingRows();
        return Model().index(Row, colImage).data(TCaptureListModel::StateImageRole).toInt();
    }
    void Select(int Row) const
    {
        Model().FlushPendingRows();
        Form->ListView()->selectRow(Row);
    }
    // Waits until the window holds Count captures (and no more arrive
    // within a short grace period).
    bool WaitForCaptures(int Count, int TimeoutMs = 5000) const
    {
        if (!QTest::qWaitFor([&] { return Captures() >= Count; }, TimeoutMs))
            return false;
        QTest::qWait(20);
        return Captures() == Count;
    }
    // Waits until Count datagrams in all have been handled by the window.
    bool WaitForDeliveries(int Count, int TimeoutMs = 5000) const
    {
        return QTest::qWaitFor([&] { return Delivered >= Count; }, TimeoutMs);
    }
};

// The decoded tree's texts: of the top-level nodes, or of the children of
// Parent.
inline QStringList NodeTexts(const QAbstractItemModel& Tree, const QModelIndex& Parent = {})
{
    QStringList Texts;
    for (int Row = 0; Row < Tree.rowCount(Parent); ++Row)
        Texts << Tree.index(Row, 0, Parent).data().toString();
    return Texts;
}

// A sending socket on a chosen loopback address.
struct TSender {
    QUdpSocket Socket;
    explicit TSender(const char* Address = "127.0.0.1") { Socket.bind(QHostAddress(QLatin1String(Address)), 0); }
    void Send(const QByteArray& Data, int Port)
    {
        Socket.writeDatagram(Data, QHostAddress::LocalHost, static_cast<quint16>(Port));
    }
    int Port() const { return Socket.localPort(); }
};

} // namespace AppTest
