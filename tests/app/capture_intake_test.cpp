// Intake and the capture list: datagrams sent over loopback to the window's
// endpoint, the sender filters, the record and row texts, clearing, the
// follow-the-end rule and the configuration's effect on the endpoint.
#include "tests/app/app_test_support.h"

#include <QAbstractButton>
#include <QAbstractItemModelTester>
#include <QAction>
#include <QClipboard>
#include <QFile>
#include <QScrollBar>
#include <QSignalSpy>

#include <poll.h>

using namespace AppTest;

namespace {

// A link test message (SLTM) from point code 1234 to 2345.
constexpr const char* Sltm = "81 29 89 34 01 11 60 01 23 45 67 89 AB";

QByteArray Capture(const char* DirectionLinkMessage)
{
    return Datagram("BB") + Datagram(DirectionLinkMessage);
}

// The lines of the capture file the window saves, without their CR LF.
QStringList SavedLines(TWindow& W)
{
    const QString Name = W.Folder.filePath(QStringLiteral("saved.ss7"));
    W.Form->SaveCaptures(Name);
    QFile File(Name);
    if (!File.open(QIODevice::ReadOnly))
        return {};
    QStringList Lines = QString::fromLatin1(File.readAll()).split(QStringLiteral("\r\n"));
    Lines.removeLast();
    return Lines;
}

} // namespace

class TCaptureIntakeTest : public QObject {
    Q_OBJECT
private slots:
    void capturesArriveInOrderWithStampAndColumns()
    {
        TWindow W;
        TSender Sender;
        Sender.Send(Capture("01 03 81 29 89 34 01 11 60 01 23 45 67 89 AB"), W.Port());
        QVERIFY(W.WaitForCaptures(1));
        // Each capture is stamped with the local time it is taken in.
        W.Clock.Advance(1500);
        Sender.Send(Capture("02 07 81 29 89 34 01 21 60 01 23 45 67 89 AB"), W.Port());
        Sender.Send(Capture("03 FF 81 29 89 34 01 11 60 01 23 45 67 89 AB"), W.Port());
        QVERIFY(W.WaitForCaptures(3));
        QCOMPARE(W.Rows(), 3);

        // The record: the stamp of the window's clock in place of the type,
        // then direction, link and message as they came.
        const QStringList Lines = SavedLines(W);
        QCOMPARE(Lines.size(), 3);
        QCOMPARE(Lines[0],
                 QStringLiteral("EA 07 0C 00 01 00 07 00 09 00 05 00 03 00 0C 00 "
                                "01 03 81 29 89 34 01 11 60 01 23 45 67 89 AB "));
        QCOMPARE(Lines[2].left(48), QStringLiteral("EA 07 0C 00 01 00 07 00 09 00 05 00 04 00 00 02 "));
        QCOMPARE(W.Cell(0, colTime), QStringLiteral("9:05:03.012"));
        QCOMPARE(W.Cell(0, colDate), QStringLiteral("7.12.2026"));
        QCOMPARE(W.Cell(1, colTime), QStringLiteral("9:05:04.512"));
        QCOMPARE(W.Cell(2, colTime), QStringLiteral("9:05:04.512"));
        W.Select(0);
        QCOMPARE(W.Form->StatusText(), QStringLiteral("Hex: 81 29 89 34 01 11 60 01 23 45 67 89 AB "));

        // Received: name under IN only, blue triangle right.
        QCOMPARE(W.Cell(0, colIn), QStringLiteral("SLTM"));
        QCOMPARE(W.Cell(0, colOut), QString());
        QCOMPARE(W.Cell(0, colLink), QStringLiteral("3"));
        QCOMPARE(W.Cell(0, colRoutingLabel), QStringLiteral("1234 => 2345, sls=0"));
        QCOMPARE(W.Cell(0, colCic), QString());
        QCOMPARE(W.Cell(0, colDescription), QString());
        QCOMPARE(W.Image(0), int(ciIn));
        // Sent: under OUT only, triangle left.
        QCOMPARE(W.Cell(1, colIn), QString());
        QCOMPARE(W.Cell(1, colOut), QStringLiteral("SLTA"));
        QCOMPARE(W.Image(1), int(ciOut));
        // Any other direction code: under both, no image.
        QCOMPARE(W.Cell(2, colIn), QStringLiteral("SLTM"));
        QCOMPARE(W.Cell(2, colOut), QStringLiteral("SLTM"));
        QCOMPARE(W.Cell(2, colLink), QStringLiteral("255"));
        QCOMPARE(W.Image(2), int(ciNone));

        const QModelIndex Image = W.Model().index(0, colImage);
        QVERIFY(Image.data(Qt::DecorationRole).canConvert<QPixmap>());
        QVERIFY(!W.Model().index(2, 0).data(Qt::DecorationRole).isValid());
    }

    void filtersBySenderHostAndPort()
    {
        TWindow W;
        TSender Local("127.0.0.1");
        TSender Other("127.0.0.2");
        TSender OtherPort("127.0.0.1");

        W.Options->edCaptureHost->setText(QStringLiteral("127.0.0.1"));
        Other.Send(Capture("01 01 81 29 89 34 01 11 60 01 23 45 67 89 AB"), W.Port());
        Local.Send(Capture("01 02 81 29 89 34 01 11 60 01 23 45 67 89 AB"), W.Port());
        QVERIFY(W.WaitForCaptures(1));
        QCOMPARE(W.Cell(0, colLink), QStringLiteral("2"));

        W.Options->seCaptureRemotePort->setValue(Local.Port());
        OtherPort.Send(Capture("01 03 81 29 89 34 01 11 60 01 23 45 67 89 AB"), W.Port());
        Local.Send(Capture("01 04 81 29 89 34 01 11 60 01 23 45 67 89 AB"), W.Port());
        QVERIFY(W.WaitForCaptures(2));
        QCOMPARE(W.Cell(1, colLink), QStringLiteral("4"));

        // A host written as a name never equals a sender's dotted address.
        W.Options->seCaptureRemotePort->setValue(0);
        W.Options->edCaptureHost->setText(QStringLiteral("localhost"));
        const int Delivered = W.Delivered;
        Local.Send(Capture("01 05 81 29 89 34 01 11 60 01 23 45 67 89 AB"), W.Port());
        QVERIFY(W.WaitForDeliveries(Delivered + 1));
        QCOMPARE(W.Captures(), 2);

        // Empty host and port 0 accept every sender.
        W.Options->edCaptureHost->clear();
        Other.Send(Capture("01 06 81 29 89 34 01 11 60 01 23 45 67 89 AB"), W.Port());
        QVERIFY(W.WaitForCaptures(3));
        QCOMPARE(W.Cell(2, colLink), QStringLiteral("6"));
    }

    void sizeTypeAndHeartbeatRules()
    {
        TWindow W;
        TSender Sender;
        QSignalSpy HeartBeats(W.Form.get(), &TCaptureForm::heartBeatReceived);
        Sender.Send(Datagram("BB 01 02"), W.Port());
        Sender.Send(Datagram("92 00 00"), W.Port());
        Sender.Send(Datagram("92 00 00 00"), W.Port());
        Sender.Send(Datagram("92") + QByteArray(99, '\x55'), W.Port());
        Sender.Send(Datagram("77 01 02 81 29 89 34 01"), W.Port());
        // The smallest capture: type, direction, link and one message octet.
        Sender.Send(Datagram("BB 01 09 81"), W.Port());
        QVERIFY(W.WaitForCaptures(1));
        QCOMPARE(HeartBeats.count(), 2);
        QCOMPARE(W.Rows(), 1);
        QCOMPARE(W.Cell(0, colLink), QStringLiteral("9"));
        W.Select(0);
        QCOMPARE(W.Form->StatusText(), QStringLiteral("Hex: 81 "));
    }

    void failedDecodesShowTheErrorText()
    {
        TWindow W;
        TSender Sender;
        Sender.Send(Capture("01 00 83 01 80 00 30 00 01"), W.Port());
        Sender.Send(Capture("02 00 83 01 80 00 30 00 01"), W.Port());
        QVERIFY(W.WaitForCaptures(2));
        QCOMPARE(W.Cell(0, colIn), QStringLiteral("(\?\?\?)"));
        QCOMPARE(W.Cell(0, colOut), QString());
        QCOMPARE(W.Cell(1, colIn), QString());
        QCOMPARE(W.Cell(1, colOut), QStringLiteral("(\?\?\?)"));
        QCOMPARE(W.Cell(0, colDescription), QStringLiteral("Unknown Subsystem Code: 0x03"));
        QCOMPARE(W.Cell(0, colRoutingLabel), QString());
        QCOMPARE(W.Cell(0, colLink), QStringLiteral("0"));
        QCOMPARE(W.Image(0), int(ciError));
        QCOMPARE(W.Image(1), int(ciError));

        // A record of exactly 18 bytes (no message) is a capture with a failed row.
        const TCaptureItem* Empty = W.Form->AddCapture(Record("00 00"));
        QVERIFY(Empty);
        QCOMPARE(W.Cell(2, colDescription), QStringLiteral("Can`t read SIO from stream"));
        QCOMPARE(W.Cell(2, colIn), QStringLiteral("(\?\?\?)"));
        QCOMPARE(W.Cell(2, colOut), QStringLiteral("(\?\?\?)"));
        // Shorter records are no captures.
        QVERIFY(!W.Form->AddCapture(Record("00")));
        QCOMPARE(W.Rows(), 3);
    }

    void isupRowShowsNameLabelAndCic()
    {
        TWindow W;
        // RLC on CIC 0x0105, routing label octets 01 80 00 30.
        const TCaptureItem* Item = W.Form->AddCapture(Record("01 04 85 01 80 00 30 05 01 10 00"));
        QVERIFY(Item);
        QCOMPARE(W.Cell(0, colDescription), QString());
        QCOMPARE(W.Cell(0, colIn), QStringLiteral("RLC"));
        QCOMPARE(W.Cell(0, colRoutingLabel), QStringLiteral("2 => 1, sls=3"));
        QCOMPARE(W.Cell(0, colCic), QStringLiteral("261"));
    }

    void stopEntryAndStampTexts()
    {
        TWindow W;
        const TCaptureItem* Stop = W.Form->AddCapture(Record("00 00 FF 00 00 00 00"));
        QVERIFY(Stop);
        QCOMPARE(W.Cell(0, colIn), QStringLiteral("STOP"));
        QCOMPARE(W.Cell(0, colOut), QString());
        QCOMPARE(W.Cell(0, colLink), QString());
        QCOMPARE(W.Cell(0, colRoutingLabel), QString());
        QCOMPARE(W.Cell(0, colDescription), QString());
        QCOMPARE(W.Image(0), int(ciStop));
        // Hour, day and month without leading zeros.
        QCOMPARE(W.Cell(0, colTime), QStringLiteral("9:05:03.012"));
        QCOMPARE(W.Cell(0, colDate), QStringLiteral("7.12.2026"));
        QCOMPARE(SavedLines(W),
                 QStringList{QStringLiteral("EA 07 0C 00 01 00 07 00 09 00 05 00 03 00 0C 00 00 00 FF 00 00 00 00 ")});
    }

    void columnsAndHeaders()
    {
        TWindow W;
        const QStringList Captions = {"", "IN", "OUT", "Link", "Routing Label", "CIC", "Time", "Date", "Description"};
        const QList<int> Widths = {19, 43, 43, 36, 80, 32, 80, 66, 200};
        QCOMPARE(W.Model().columnCount(), 9);
        for (int Column = 0; Column < 9; ++Column) {
            QCOMPARE(W.Model().headerData(Column, Qt::Horizontal).toString(), Captions[Column]);
            QCOMPARE(W.Form->ListView()->horizontalHeader()->sectionSize(Column), Widths[Column]);
        }
        QVERIFY(!W.Form->ListView()->horizontalHeader()->sectionsClickable());
        QVERIFY(W.Form->ListView()->horizontalHeader()->isVisible());
        QVERIFY(W.Form->ListView()->showGrid());
    }

    void rowsComeInBatchesAndModelStaysConsistent()
    {
        TWindow W;
        QAbstractItemModelTester Tester(&W.Model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSignalSpy Inserted(&W.Model(), &QAbstractItemModel::rowsInserted);
        for (int I = 0; I < 100; ++I)
            W.Form->AddCapture(Record("01 01 81 29 89 34 01 11 60 01 23 45 67 89 AB"));
        // The rows appear at the next turn of the event loop, in one insertion.
        QCOMPARE(W.Model().rowCount(), 0);
        QTRY_COMPARE(W.Model().rowCount(), 100);
        QCOMPARE(Inserted.count(), 1);

        TSender Sender;
        for (int I = 0; I < 50; ++I)
            Sender.Send(Datagram("BB 01") + char(I) + Datagram(Sltm), W.Port());
        QVERIFY(W.WaitForCaptures(150));
        QTRY_COMPARE(W.Model().rowCount(), 150);
        for (int I = 0; I < 50; ++I)
            QCOMPARE(W.Cell(100 + I, colLink), QString::number(I));

        W.Select(120);
        W.Form->ClearCaptures();
        QCOMPARE(W.Model().rowCount(), 0);
        QCOMPARE(W.Captures(), 0);
        W.Form->AddCapture(Record("01 01 81 29 89 34 01 11 60 01 23 45 67 89 AB"));
        QTRY_COMPARE(W.Model().rowCount(), 1);
    }

    void clearEmptiesCaptionTreeAndStatus()
    {
        TWindow W;
        W.Form->AddCapture(Record("01 01 83 01 80 00 30 00 01"));
        W.Select(0);
        QVERIFY(!W.Form->Caption().isEmpty());
        QCOMPARE(W.Form->TreeModel()->rowCount(), 1);
        QVERIFY(!W.Form->StatusText().isEmpty());
        // The capture was never saved: the user lets it go.
        auto Asked = windowtest::AnswerNextModal(
            [](QDialog* Box) { qobject_cast<QMessageBox*>(Box)->button(QMessageBox::Discard)->click(); });
        PopupAction(*W.Form, QStringLiteral("Clear"))->trigger();
        QVERIFY(Asked->Seen);
        QCOMPARE(W.Rows(), 0);
        QCOMPARE(W.Form->Caption(), QString());
        QCOMPARE(W.Form->TreeModel()->rowCount(), 0);
        QCOMPARE(W.Form->StatusText(), QString());
        // Nothing is selected, so nothing is copied.
        QGuiApplication::clipboard()->setText(QStringLiteral("before"));
        MenuAction(*W.Form, QStringLiteral("Edit"), QStringLiteral("Copy"))->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(), QString());
    }

    void newRowsFollowTheEndOnlyWhenItIsVisible()
    {
        TWindow W;
        W.Form->resize(620, 361);
        for (int I = 0; I < 300; ++I)
            W.Form->AddCapture(Record("01 01 81 29 89 34 01 11 60 01 23 45 67 89 AB"));
        QTRY_COMPARE(W.Model().rowCount(), 300);
        QScrollBar* Bar = W.Form->ListView()->verticalScrollBar();
        QCOMPARE(Bar->value(), Bar->maximum());
        QVERIFY(W.Form->ListView()->LastRowVisible());

        // Scrolled up: new rows leave the view alone.
        Bar->setValue(0);
        for (int I = 0; I < 10; ++I)
            W.Form->AddCapture(Record("01 01 81 29 89 34 01 11 60 01 23 45 67 89 AB"));
        QTRY_COMPARE(W.Model().rowCount(), 310);
        QCOMPARE(Bar->value(), 0);
        QVERIFY(!W.Form->ListView()->LastRowVisible());

        // Back at the end: they scroll it.
        Bar->setValue(Bar->maximum());
        for (int I = 0; I < 10; ++I)
            W.Form->AddCapture(Record("01 01 81 29 89 34 01 11 60 01 23 45 67 89 AB"));
        QTRY_COMPARE(W.Model().rowCount(), 320);
        QCOMPARE(Bar->value(), Bar->maximum());
        QVERIFY(W.Form->ListView()->LastRowVisible());
    }

    void captionFollowsTheConfiguration()
    {
        TWindow W(true, StoredPort);
        // First run: empty host, remote port 0, local port 30001.
        QCOMPARE(W.Options->edCaptureHost->text(), QString());
        QCOMPARE(W.Options->seCaptureRemotePort->value(), 0);
        QCOMPARE(W.Options->seCaptureLocalPort->value(), 30001);
        QCOMPARE(W.Form->EndpointTitle(), QStringLiteral(" : 30001"));
        QCOMPARE(W.Form->windowTitle(), QStringLiteral("SS7 L4 Velmora -  : 30001"));

        // A new local port opens the endpoint on it at once: here a port of
        // the system's choice...
        W.Options->seCaptureLocalPort->setValue(0);
        QCOMPARE(W.Form->Endpoint().LocalPort(), 0);
        QVERIFY(W.Form->Endpoint().IsBound());
        QVERIFY(W.Form->Endpoint().BoundPort() > 0);
        QCOMPARE(W.Form->windowTitle(), QStringLiteral("SS7 L4 Velmora -  : 0"));
        // ... and a given one, held here by another socket so that nobody else
        // can take it meanwhile: the endpoint goes to it, the caption shows it.
        QUdpSocket Holder;
        QVERIFY(Holder.bind(QHostAddress::AnyIPv4, 0, QAbstractSocket::DontShareAddress));
        const int Port = Holder.localPort();
        W.Options->seCaptureLocalPort->setValue(Port);
        QCOMPARE(W.Form->Endpoint().LocalPort(), Port);
        W.Options->edCaptureHost->setText(QStringLiteral("10.0.0.1"));
        QCOMPARE(W.Form->Endpoint().RemoteHost, QStringLiteral("10.0.0.1"));
        // Held by the other socket: the caption says the monitor is deaf.
        QCOMPARE(W.Form->windowTitle(), QStringLiteral("SS7 L4 Velmora - 10.0.0.1 : %1 (not listening)").arg(Port));
    }

    void portThatCannotBeBoundIsReported()
    {
        TWindow W;
        QUdpSocket Taken;
        QVERIFY(Taken.bind(QHostAddress::AnyIPv4, 0));
        const int Port = Taken.localPort();
        W.Options->seCaptureLocalPort->setValue(Port);
        QVERIFY(!W.Form->Endpoint().IsBound());
        const QString Status = W.Form->StatusText();
        QVERIFY2(Status.contains(QString::number(Port)), qPrintable(Status));
        QVERIFY2(Status.contains(QStringLiteral("in use")), qPrintable(Status));
        // The setting stays as typed.
        QCOMPARE(W.Options->seCaptureLocalPort->value(), Port);

        // Once the port is free again, the next change binds it.
        Taken.close();
        W.Options->edCaptureHost->setText(QStringLiteral("127.0.0.1"));
        QVERIFY(W.Form->Endpoint().IsBound());
        QCOMPARE(W.Form->StatusText(), QString());
    }

    void editingHostOrRemotePortKeepsQueuedDatagrams()
    {
        TWindow W;
        TSender Sender;
        for (int I = 0; I < 5; ++I)
            Sender.Send(Capture("01 01 81 29 89 34 01 11 60 01 23 45 67 89 AB"), W.Port());
        // Wait until the kernel has queued them, without letting the window
        // read them: re-creating the socket now would lose them.
        QUdpSocket* Socket = W.Form->Endpoint().findChild<QUdpSocket*>();
        QVERIFY(Socket);
        pollfd Readable{static_cast<int>(Socket->socketDescriptor()), POLLIN, 0};
        QCOMPARE(::poll(&Readable, 1, 5000), 1);
        W.Options->seCaptureRemotePort->setValue(Sender.Port());
        W.Options->edCaptureHost->setText(QStringLiteral("127.0.0.1"));
        QVERIFY(W.WaitForCaptures(5));
    }

    void popupShortcutsWinWhileTheListHasFocus()
    {
        TWindow W;
        W.Form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(W.Form.get()));
        QSignalSpy PopupClear(PopupAction(*W.Form, QStringLiteral("Clear")), &QAction::triggered);
        QSignalSpy MenuClear(MenuAction(*W.Form, QStringLiteral("Edit"), QStringLiteral("Clear All")),
                             &QAction::triggered);
        QSignalSpy PopupCopy(PopupAction(*W.Form, QStringLiteral("Copy Packet Dump")), &QAction::triggered);
        QSignalSpy MenuCopy(MenuAction(*W.Form, QStringLiteral("Edit"), QStringLiteral("Copy")), &QAction::triggered);

        W.Form->ListView()->setFocus();
        QTRY_VERIFY(W.Form->ListView()->hasFocus());
        QTest::keyClick(W.Form->ListView(), Qt::Key_Delete, Qt::ControlModifier);
        QTest::keyClick(W.Form->ListView(), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(PopupClear.count(), 1);
        QCOMPARE(PopupCopy.count(), 1);
        QCOMPARE(MenuClear.count(), 0);
        QCOMPARE(MenuCopy.count(), 0);

        W.Form->TreeView()->setFocus();
        QTRY_VERIFY(W.Form->TreeView()->hasFocus());
        QTest::keyClick(W.Form->TreeView(), Qt::Key_Delete, Qt::ControlModifier);
        QTest::keyClick(W.Form->TreeView(), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(MenuClear.count(), 1);
        QCOMPARE(MenuCopy.count(), 1);
        QCOMPARE(PopupClear.count(), 1);
    }
};

QTEST_MAIN(TCaptureIntakeTest)
#include "capture_intake_test.moc"
