// Intake and the capture list: datagrams sent over loopback to the window's
// endpoint, the sender filters, the record and row texts, clearing, the
// follow-the-end rule and the configuration's effect on the endpoint.
#include "tests/app/app_test_support.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QLabel>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTreeWidget>

#include <poll.h>

using namespace AppTest;

namespace {

// A link test message (SLTM) from point code 1234 to 2345.
constexpr const char* Sltm = "81 29 89 34 01 11 60 01 23 45 67 89 AB";

QByteArray Capture(const char* DirectionLinkMessage)
{
    return Datagram("BB") + Datagram(DirectionLinkMessage);
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

        const TCaptureItem& First = W.Form->Captures.Items(0);
        QCOMPARE(First.Direction, 1);
        QCOMPARE(First.Link, 3);
        QCOMPARE(First.OctetCount(), 13);
        QCOMPARE(QString::fromStdString(First.Octets().ToText()), QStringLiteral("812989340111600123456789AB"));
        QCOMPARE(First.Stamp, TManualClock::DefaultStart);
        QCOMPARE(W.Cell(0, TCaptureListModel::colTime), QStringLiteral("9:05:03.012"));
        QCOMPARE(W.Cell(0, TCaptureListModel::colDate), QStringLiteral("7.12.2026"));
        QCOMPARE(W.Form->Captures.Items(1).Stamp, AddMilliseconds(TManualClock::DefaultStart, 1500));
        QCOMPARE(W.Cell(2, TCaptureListModel::colTime), QStringLiteral("9:05:04.512"));
        QCOMPARE(QString::fromStdString(W.Form->Captures.Items(2).GetRecordText()).left(48),
                 QStringLiteral("EA 07 0C 00 01 00 07 00 09 00 05 00 04 00 00 02 "));

        // Received: name under IN only, blue triangle right.
        QCOMPARE(W.Cell(0, TCaptureListModel::colIn), QStringLiteral("SLTM"));
        QCOMPARE(W.Cell(0, TCaptureListModel::colOut), QString());
        QCOMPARE(W.Cell(0, TCaptureListModel::colLink), QStringLiteral("3"));
        QCOMPARE(W.Cell(0, TCaptureListModel::colRoutingLabel), QStringLiteral("1234 => 2345, sls=0"));
        QCOMPARE(W.Cell(0, TCaptureListModel::colCic), QString());
        QCOMPARE(W.Cell(0, TCaptureListModel::colDescription), QString());
        QCOMPARE(First.StateImage, ciIn);
        // Sent: under OUT only, triangle left.
        QCOMPARE(W.Cell(1, TCaptureListModel::colIn), QString());
        QCOMPARE(W.Cell(1, TCaptureListModel::colOut), QStringLiteral("SLTA"));
        QCOMPARE(W.Form->Captures.Items(1).StateImage, ciOut);
        // Any other direction code: under both, no image.
        QCOMPARE(W.Cell(2, TCaptureListModel::colIn), QStringLiteral("SLTM"));
        QCOMPARE(W.Cell(2, TCaptureListModel::colOut), QStringLiteral("SLTM"));
        QCOMPARE(W.Cell(2, TCaptureListModel::colLink), QStringLiteral("255"));
        QCOMPARE(W.Form->Captures.Items(2).StateImage, ciNone);

        const QModelIndex Image = W.Form->CaptureModel->index(0, TCaptureListModel::colImage);
        QVERIFY(Image.data(Qt::DecorationRole).canConvert<QPixmap>());
        QVERIFY(!W.Form->CaptureModel->index(2, 0).data(Qt::DecorationRole).isValid());
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
        QCOMPARE(W.Cell(0, TCaptureListModel::colLink), QStringLiteral("2"));

        W.Options->seCaptureRemotePort->setValue(Local.Port());
        OtherPort.Send(Capture("01 03 81 29 89 34 01 11 60 01 23 45 67 89 AB"), W.Port());
        Local.Send(Capture("01 04 81 29 89 34 01 11 60 01 23 45 67 89 AB"), W.Port());
        QVERIFY(W.WaitForCaptures(2));
        QCOMPARE(W.Cell(1, TCaptureListModel::colLink), QStringLiteral("4"));

        // A host written as a name never equals a sender's dotted address.
        W.Options->seCaptureRemotePort->setValue(0);
        W.Options->edCaptureHost->setText(QStringLiteral("localhost"));
        const int Delivered = W.Delivered;
        Local.Send(Capture("01 05 81 29 89 34 01 11 60 01 23 45 67 89 AB"), W.Port());
        QVERIFY(W.WaitForDeliveries(Delivered + 1));
        QCOMPARE(W.Form->Captures.Count(), 2);

        // Empty host and port 0 accept every sender.
        W.Options->edCaptureHost->clear();
        Other.Send(Capture("01 06 81 29 89 34 01 11 60 01 23 45 67 89 AB"), W.Port());
        QVERIFY(W.WaitForCaptures(3));
        QCOMPARE(W.Cell(2, TCaptureListModel::colLink), QStringLiteral("6"));
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
        QCOMPARE(W.Cell(0, TCaptureListModel::colLink), QStringLiteral("9"));
        QCOMPARE(W.Form->Captures.Items(0).OctetCount(), 1);
    }

    void failedDecodesShowTheErrorText()
    {
        TWindow W;
        TSender Sender;
        Sender.Send(Capture("01 00 83 01 80 00 30 00 01"), W.Port());
        Sender.Send(Capture("02 00 83 01 80 00 30 00 01"), W.Port());
        QVERIFY(W.WaitForCaptures(2));
        QCOMPARE(W.Cell(0, TCaptureListModel::colIn), QStringLiteral("(\?\?\?)"));
        QCOMPARE(W.Cell(0, TCaptureListModel::colOut), QString());
        QCOMPARE(W.Cell(1, TCaptureListModel::colIn), QString());
        QCOMPARE(W.Cell(1, TCaptureListModel::colOut), QStringLiteral("(\?\?\?)"));
        QCOMPARE(W.Cell(0, TCaptureListModel::colDescription), QStringLiteral("Unknown Subsystem Code: 0x03"));
        QCOMPARE(W.Cell(0, TCaptureListModel::colRoutingLabel), QString());
        QCOMPARE(W.Cell(0, TCaptureListModel::colLink), QStringLiteral("0"));
        QCOMPARE(W.Form->Captures.Items(0).StateImage, ciError);
        QCOMPARE(W.Form->Captures.Items(1).StateImage, ciError);

        // A record of exactly 18 bytes (no message) is a capture with a failed row.
        TCaptureItem* Empty = W.Form->AddCapture(Record("00 00"));
        QVERIFY(Empty);
        QCOMPARE(W.Cell(2, TCaptureListModel::colDescription), QStringLiteral("Can`t read SIO from stream"));
        QCOMPARE(W.Cell(2, TCaptureListModel::colIn), QStringLiteral("(\?\?\?)"));
        QCOMPARE(W.Cell(2, TCaptureListModel::colOut), QStringLiteral("(\?\?\?)"));
        // Shorter records are no captures.
        QVERIFY(!W.Form->AddCapture(Record("00")));
        QCOMPARE(W.Rows(), 3);
    }

    void isupRowShowsNameLabelAndCic()
    {
        TWindow W;
        // RLC on CIC 0x0105, routing label octets 01 80 00 30.
        TCaptureItem* Item = W.Form->AddCapture(Record("01 04 85 01 80 00 30 05 01 10 00"));
        QVERIFY(Item);
        QCOMPARE(W.Cell(0, TCaptureListModel::colDescription), QString());
        QCOMPARE(W.Cell(0, TCaptureListModel::colIn), QStringLiteral("RLC"));
        QCOMPARE(W.Cell(0, TCaptureListModel::colRoutingLabel), QStringLiteral("2 => 1, sls=3"));
        QCOMPARE(W.Cell(0, TCaptureListModel::colCic), QStringLiteral("261"));
    }

    void stopEntryAndStampTexts()
    {
        TWindow W;
        TCaptureItem* Stop = W.Form->AddCapture(Record("00 00 FF 00 00 00 00"));
        QVERIFY(Stop);
        QCOMPARE(W.Cell(0, TCaptureListModel::colIn), QStringLiteral("STOP"));
        QCOMPARE(W.Cell(0, TCaptureListModel::colOut), QString());
        QCOMPARE(W.Cell(0, TCaptureListModel::colLink), QString());
        QCOMPARE(W.Cell(0, TCaptureListModel::colRoutingLabel), QString());
        QCOMPARE(W.Cell(0, TCaptureListModel::colDescription), QString());
        QCOMPARE(Stop->StateImage, ciStop);
        // Hour, day and month without leading zeros.
        QCOMPARE(W.Cell(0, TCaptureListModel::colTime), QStringLiteral("9:05:03.012"));
        QCOMPARE(W.Cell(0, TCaptureListModel::colDate), QStringLiteral("7.12.2026"));
        QCOMPARE(QString::fromStdString(Stop->GetRecordText()),
                 QStringLiteral("EA 07 0C 00 01 00 07 00 09 00 05 00 03 00 0C 00 00 00 FF 00 00 00 00 "));
    }

    void collectionKeepsEveryCapturesOctets()
    {
        // Captures of every size, long ones beyond the arena's block share
        // included, keep their octets and addresses while others are added.
        TCaptureItemsCollection Captures;
        std::vector<const TCaptureItem*> Items;
        std::vector<std::string> Records;
        for (int I = 0; I < 3000; ++I) {
            const size_t Length = I % 500 == 0 ? 70000 + I : static_cast<size_t>(I % 300);
            std::string Built = Record("01 02");
            for (size_t J = 0; J < Length; ++J)
                Built.push_back(static_cast<char>((I + J) & 0xFF));
            Records.push_back(Built);
            Items.push_back(Captures.Add(Built));
        }
        QCOMPARE(Captures.Count(), 3000);
        for (int I = 0; I < 3000; ++I) {
            QCOMPARE(&Captures.Items(I), Items[I]);
            QVERIFY(Items[I]->GetRecord() == Records[I]);
        }
        Captures.Clear();
        QCOMPARE(Captures.Count(), 0);
        QVERIFY(Captures.Add(Record("02 03 81"))->GetRecord() == Record("02 03 81"));
        // Texts are interned once.
        QCOMPARE(Captures.InternText("IAM"), Captures.InternText("IAM"));
        QCOMPARE(Captures.Text(Captures.InternText("IAM")), QStringLiteral("IAM"));
        QCOMPARE(Captures.Text(0), QString());
    }

    void columnsAndHeaders()
    {
        TWindow W;
        const QStringList Captions = {"", "IN", "OUT", "Link", "Routing Label", "CIC", "Time", "Date", "Description"};
        const QList<int> Widths = {19, 43, 43, 36, 80, 32, 80, 66, 200};
        QCOMPARE(W.Form->CaptureModel->columnCount(), 9);
        for (int Column = 0; Column < 9; ++Column) {
            QCOMPARE(W.Form->CaptureModel->headerData(Column, Qt::Horizontal).toString(), Captions[Column]);
            QCOMPARE(W.Form->lvMsg->horizontalHeader()->sectionSize(Column), Widths[Column]);
        }
        QVERIFY(!W.Form->lvMsg->horizontalHeader()->sectionsClickable());
        QVERIFY(W.Form->lvMsg->horizontalHeader()->isVisible());
        QVERIFY(W.Form->lvMsg->showGrid());
    }

    void rowsComeInBatchesAndModelStaysConsistent()
    {
        TWindow W;
        QAbstractItemModelTester Tester(W.Form->CaptureModel, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSignalSpy Inserted(W.Form->CaptureModel, &QAbstractItemModel::rowsInserted);
        for (int I = 0; I < 100; ++I)
            W.Form->AddCapture(Record("01 01 81 29 89 34 01 11 60 01 23 45 67 89 AB"));
        // The rows appear at the next turn of the event loop, in one insertion.
        QCOMPARE(W.Form->CaptureModel->rowCount(), 0);
        QTRY_COMPARE(W.Form->CaptureModel->rowCount(), 100);
        QCOMPARE(Inserted.count(), 1);

        TSender Sender;
        for (int I = 0; I < 50; ++I)
            Sender.Send(Datagram("BB 01") + char(I) + Datagram(Sltm), W.Port());
        QVERIFY(W.WaitForCaptures(150));
        QTRY_COMPARE(W.Form->CaptureModel->rowCount(), 150);
        for (int I = 0; I < 50; ++I)
            QCOMPARE(W.Form->Captures.Items(100 + I).Link, I);

        W.Form->lvMsg->selectRow(120);
        W.Form->ClearCaptures();
        QCOMPARE(W.Form->CaptureModel->rowCount(), 0);
        QCOMPARE(W.Form->Captures.Count(), 0);
        W.Form->AddCapture(Record("01 01 81 29 89 34 01 11 60 01 23 45 67 89 AB"));
        QTRY_COMPARE(W.Form->CaptureModel->rowCount(), 1);
    }

    void clearEmptiesCaptionTreeAndStatus()
    {
        TWindow W;
        W.Form->AddCapture(Record("01 01 83 01 80 00 30 00 01"));
        W.Rows();
        W.Form->lvMsg->selectRow(0);
        QVERIFY(!W.Form->pnMessageCaption->text().isEmpty());
        QCOMPARE(W.Form->tvMsg->topLevelItemCount(), 1);
        QVERIFY(!W.Form->StatusTextValue().isEmpty());
        W.Form->miClear->trigger();
        QCOMPARE(W.Rows(), 0);
        QCOMPARE(W.Form->pnMessageCaption->text(), QString());
        QCOMPARE(W.Form->tvMsg->topLevelItemCount(), 0);
        QCOMPARE(W.Form->StatusTextValue(), QString());
        QCOMPARE(W.Form->DumpText, QString());
    }

    void newRowsFollowTheEndOnlyWhenItIsVisible()
    {
        TWindow W;
        W.Form->resize(620, 361);
        for (int I = 0; I < 300; ++I)
            W.Form->AddCapture(Record("01 01 81 29 89 34 01 11 60 01 23 45 67 89 AB"));
        QTRY_COMPARE(W.Form->CaptureModel->rowCount(), 300);
        QScrollBar* Bar = W.Form->lvMsg->verticalScrollBar();
        QCOMPARE(Bar->value(), Bar->maximum());
        QVERIFY(W.Form->lvMsg->LastRowVisible());

        // Scrolled up: new rows leave the view alone.
        Bar->setValue(0);
        for (int I = 0; I < 10; ++I)
            W.Form->AddCapture(Record("01 01 81 29 89 34 01 11 60 01 23 45 67 89 AB"));
        QTRY_COMPARE(W.Form->CaptureModel->rowCount(), 310);
        QCOMPARE(Bar->value(), 0);
        QVERIFY(!W.Form->lvMsg->LastRowVisible());

        // Back at the end: they scroll it.
        Bar->setValue(Bar->maximum());
        for (int I = 0; I < 10; ++I)
            W.Form->AddCapture(Record("01 01 81 29 89 34 01 11 60 01 23 45 67 89 AB"));
        QTRY_COMPARE(W.Form->CaptureModel->rowCount(), 320);
        QCOMPARE(Bar->value(), Bar->maximum());
        QVERIFY(W.Form->lvMsg->LastRowVisible());
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
        QCOMPARE(W.Form->UDP->LocalPort(), 0);
        QVERIFY(W.Form->UDP->IsBound());
        QVERIFY(W.Form->UDP->BoundPort() > 0);
        QCOMPARE(W.Form->windowTitle(), QStringLiteral("SS7 L4 Velmora -  : 0"));
        // ... and a given one, held here by another socket so that nobody else
        // can take it meanwhile: the endpoint goes to it, the caption shows it.
        QUdpSocket Holder;
        QVERIFY(Holder.bind(QHostAddress::AnyIPv4, 0, QAbstractSocket::DontShareAddress));
        const int Port = Holder.localPort();
        W.Options->seCaptureLocalPort->setValue(Port);
        QCOMPARE(W.Form->UDP->LocalPort(), Port);
        W.Options->edCaptureHost->setText(QStringLiteral("10.0.0.1"));
        QCOMPARE(W.Form->UDP->RemoteHost, QStringLiteral("10.0.0.1"));
        QCOMPARE(W.Form->windowTitle(), QStringLiteral("SS7 L4 Velmora - 10.0.0.1 : %1").arg(Port));
    }

    void portThatCannotBeBoundIsReported()
    {
        TWindow W;
        QUdpSocket Taken;
        QVERIFY(Taken.bind(QHostAddress::AnyIPv4, 0));
        const int Port = Taken.localPort();
        W.Options->seCaptureLocalPort->setValue(Port);
        QVERIFY(!W.Form->UDP->IsBound());
        const QString Status = W.Form->StatusTextValue();
        QVERIFY2(Status.contains(QString::number(Port)), qPrintable(Status));
        QVERIFY2(Status.contains(QStringLiteral("in use")), qPrintable(Status));
        // The setting stays as typed.
        QCOMPARE(W.Options->seCaptureLocalPort->value(), Port);

        // Once the port is free again, the next change binds it.
        Taken.close();
        W.Options->edCaptureHost->setText(QStringLiteral("127.0.0.1"));
        QVERIFY(W.Form->UDP->IsBound());
        QCOMPARE(W.Form->StatusTextValue(), QString());
    }

    void editingHostOrRemotePortKeepsQueuedDatagrams()
    {
        TWindow W;
        TSender Sender;
        for (int I = 0; I < 5; ++I)
            Sender.Send(Capture("01 01 81 29 89 34 01 11 60 01 23 45 67 89 AB"), W.Port());
        // Wait until the kernel has queued them, without letting the window
        // read them: re-creating the socket now would lose them.
        QUdpSocket* Socket = W.Form->UDP->findChild<QUdpSocket*>();
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
        QSignalSpy PopupClear(W.Form->miClear, &QAction::triggered);
        QSignalSpy MenuClear(W.Form->miClearAll, &QAction::triggered);
        QSignalSpy PopupCopy(W.Form->miCopyToClip, &QAction::triggered);
        QSignalSpy MenuCopy(W.Form->miCopyClip, &QAction::triggered);

        W.Form->lvMsg->setFocus();
        QTRY_VERIFY(W.Form->lvMsg->hasFocus());
        QTest::keyClick(W.Form->lvMsg, Qt::Key_Delete, Qt::ControlModifier);
        QTest::keyClick(W.Form->lvMsg, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(PopupClear.count(), 1);
        QCOMPARE(PopupCopy.count(), 1);
        QCOMPARE(MenuClear.count(), 0);
        QCOMPARE(MenuCopy.count(), 0);

        W.Form->tvMsg->setFocus();
        QTRY_VERIFY(W.Form->tvMsg->hasFocus());
        QTest::keyClick(W.Form->tvMsg, Qt::Key_Delete, Qt::ControlModifier);
        QTest::keyClick(W.Form->tvMsg, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(MenuClear.count(), 1);
        QCOMPARE(MenuCopy.count(), 1);
        QCOMPARE(PopupClear.count(), 1);
    }
};

QTEST_MAIN(TCaptureIntakeTest)
#include "capture_intake_test.moc"
