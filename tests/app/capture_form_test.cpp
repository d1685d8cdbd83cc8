// The main window's capture files, search and clipboard, and the selection
// window's effect on the decoded view, over the test definition set.
#include "app/CaptureForm.h"
#include "app/CaptureListModel.h"
#include "app/CaptureListView.h"
#include "app/DecodedTreeModel.h"
#include "app/HeartBeatMonitor.h"
#include "app/LifeOsc.h"
#include "app/MessageTree.h"
#include "app/OwnerDrawPanel.h"
#include "app/SelectionForm.h"
#include "catalog/Definitions.h"
#include "core/Clock.h"
#include "core/Globals.h"
#include "net/UdpEndpoint.h"
#include "presentation/CaptureRecord.h"
#include "tests/app/window_test_support.h"

#include <QClipboard>
#include <QInputDialog>
#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QScrollBar>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QUdpSocket>
#include <QtTest>

#include <csignal>
#include <poll.h>
#include <sys/resource.h>

using namespace windowtest;

class CaptureFormTest : public QObject {
    Q_OBJECT

    QTemporaryDir Dir;
    // Loaded afresh for every test, so that no test sees the selection
    // marks another one set.
    TDefinitions Definitions;
    std::unique_ptr<TManualClock> Clock;
    std::unique_ptr<TCaptureForm> Form;
    std::string MsgA;
    std::string MsgB;

    QString Path(const char* Name) const { return Dir.filePath(QString::fromLatin1(Name)); }
    TCaptureListModel* Model() const { return Form->ListModel(); }
    int Rows() const
    {
        Model()->FlushPendingRows();
        return Model()->rowCount();
    }
    QString Cell(int Row, int Column) const { return Model()->CellText(Row, Column); }
    QStringList RowTexts(int Row) const
    {
        QStringList Texts;
        for (int Column = colIn; Column < CaptureColumnCount; ++Column)
            Texts << Cell(Row, Column);
        const QVariant Image = Model()->data(Model()->index(Row, 0), Qt::DecorationRole);
        Texts << (Image.isValid() ? QStringLiteral("image") : QStringLiteral("no image"));
        return Texts;
    }

    // The five kinds of capture: received, sent, stop entry, undecodable,
    // pasted bare message.
    void AddMixedCaptures()
    {
        Form->AddCapture(Record(Stamp(9, 5, 3, 12), 1, 3, MsgA));
        Form->AddCapture(Record(Stamp(23, 59, 59, 999), 2, 200, MsgB));
        Form->AddCapture(StopEntryRecord(Stamp(0, 0, 7, 1)));
        Form->AddCapture(Record(Stamp(12, 0, 0, 0), 1, 4, std::string("\x83\x01\x80\x00\x30\x09", 6)));
        Form->AddCapture(Record(Stamp(1, 2, 3, 4), 0, 255, MsgA));
    }

    void WriteText(const char* Name, const std::string& Text)
    {
        QFile File(Path(Name));
        QVERIFY(File.open(QIODevice::WriteOnly));
        File.write(Text.data(), static_cast<qint64>(Text.size()));
    }

    std::string Line(const std::string& Record) const
    {
        THexString Hex(Record, true);
        return Hex.ToText();
    }

    // The decoded tree's node showing Text, invalid when there is none.
    QModelIndex DecodedNode(const QString& Text) const
    {
        const QAbstractItemModel& Tree = *Form->TreeModel();
        const QModelIndexList Found =
            Tree.match(Tree.index(0, 0), Qt::DisplayRole, Text, 1, Qt::MatchExactly | Qt::MatchRecursive);
        return Found.isEmpty() ? QModelIndex() : Found.first();
    }
    bool Expanded(const QString& Text) const { return Form->TreeView()->isExpanded(DecodedNode(Text)); }

    void Select(int Row)
    {
        Model()->FlushPendingRows();
        Form->ListView()->selectionModel()->setCurrentIndex(
            Model()->index(Row, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
    // The selected capture list row, -1 for none.
    int SelectedRow() const
    {
        const QModelIndexList Rows = Form->ListView()->selectionModel()->selectedRows();
        return Rows.isEmpty() ? -1 : Rows.first().row();
    }
    QAction* Menu(const char* Menu, const char* Item) const
    {
        return MenuAction(*Form, QString::fromLatin1(Menu), QString::fromLatin1(Item));
    }
    QProgressBar* Progress() const { return Form->findChild<QProgressBar*>(); }
    // Find, answered with Text; returns what the box showed. With NoMatch,
    // the message box that follows is answered too and NoMatch tells what
    // it showed.
    std::shared_ptr<TModalSeen> Find(const QString& Text, std::shared_ptr<TModalSeen>* NoMatch = nullptr)
    {
        const auto Seen = AnswerNextModal([Text, NoMatch](QDialog* Dialog) {
            static_cast<QInputDialog*>(Dialog)->setTextValue(Text);
            if (NoMatch)
                *NoMatch = AnswerNextModal();
            Dialog->accept();
        });
        Menu("Search", "Find ...")->trigger();
        return Seen;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(Dir.isValid());
        StateFileName = Dir.filePath(QStringLiteral("State.ini")).toStdString();
        const TDefinitions Messages = LoadDefinitions(APP_TEST_CFG "/");
        MsgA = IsupMessage(*Messages.StaticPackets, 0x01, 21);
        MsgB = IsupMessage(*Messages.StaticPackets, 0x02, 22);
        QVERIFY(!MsgA.empty() && !MsgB.empty());
    }

    void init()
    {
        Definitions = LoadDefinitions(APP_TEST_CFG "/");
        Clock = std::make_unique<TManualClock>();
        Form = std::make_unique<TCaptureForm>(*Definitions.StaticPackets, *Clock);
        Form->show();
        QVERIFY(QTest::qWaitForWindowExposed(Form.get()));
    }

    void cleanup()
    {
        StopModalWaits();
        Form.reset();
        Clock.reset();
    }

    // A file of Lines capture lines of MsgA, link I % 256 on line I.
    void WriteLargeFile(const char* Name, int Lines)
    {
        std::string Text;
        for (int I = 0; I < Lines; ++I)
            Text += Line(Record(Stamp(10, 0, 0, static_cast<uint16_t>(I % 1000)), 1, static_cast<uint8_t>(I), MsgA)) +
                "\r\n";
        WriteText(Name, Text);
    }

    // Calls Action once, when the first rows of a load reach the list (the
    // clear before the load inserts none).
    QMetaObject::Connection OnFirstLoadedRows(std::function<void()> Action)
    {
        auto Done = std::make_shared<bool>(false);
        return connect(Model(), &QAbstractItemModel::rowsInserted, this, [this, Done, Action] {
            if (*Done || !Form->IsLoading())
                return;
            *Done = true;
            Action();
        });
    }

    void SaveAndLoadKeepEveryColumn()
    {
        AddMixedCaptures();
        QCOMPARE(Rows(), 5);
        QCOMPARE(Cell(0, colIn), QStringLiteral("MSGA"));
        QCOMPARE(Cell(2, colIn), QStringLiteral("STOP"));
        QCOMPARE(Cell(3, colIn), QStringLiteral("(\?\?\?)"));
        std::vector<QStringList> Before;
        for (int Row = 0; Row < 5; ++Row)
            Before.push_back(RowTexts(Row));

        Form->SaveCaptures(Path("mixed.ss7"));
        Form->ClearCaptures();
        Form->AddCapture(Record(Stamp(1, 1, 1, 1), 1, 1, MsgB)); // replaced by the load
        Form->LoadCaptures(Path("mixed.ss7"));
        QCOMPARE(Rows(), 5);
        for (int Row = 0; Row < 5; ++Row)
            QCOMPARE(RowTexts(Row), Before[static_cast<size_t>(Row)]);
        QCOMPARE(Cell(0, colTime), QStringLiteral("9:05:03.012"));
        QCOMPARE(Cell(0, colDate), QStringLiteral("7.12.2026"));
        QCOMPARE(Form->StatusText(), QStringLiteral("Done."));
        QVERIFY(Progress()->isHidden());
        QVERIFY(!Form->IsLoading());

        // The file is the records as spaced hex, CR LF after each.
        QFile File(Path("mixed.ss7"));
        QVERIFY(File.open(QIODevice::ReadOnly));
        const QByteArray Text = File.readAll();
        QVERIFY(Text.startsWith(QByteArray::fromStdString(Line(Record(Stamp(9, 5, 3, 12), 1, 3, MsgA)) + "\r\n")));
        QCOMPARE(Text.count("\r\n"), 5);
    }

    void LfOnlyFilesAndShortLines()
    {
        const std::string Eighteen = Record(Stamp(8, 0, 0, 0), 1, 9, std::string());
        WriteText("lf.ss7",
                  Line(Record(Stamp(9, 5, 3, 12), 1, 3, MsgA)) + "\n" + Line(Eighteen.substr(0, 17)) + "\n" +
                      Line(Eighteen) + "\n");
        Form->LoadCaptures(Path("lf.ss7"));
        QCOMPARE(Rows(), 2);
        QCOMPARE(Cell(0, colIn), QStringLiteral("MSGA"));
        // Exactly 18 bytes: a capture with no message, shown as a failed row.
        QCOMPARE(Cell(1, colIn), QStringLiteral("(\?\?\?)"));
        QCOMPARE(Cell(1, colLink), QStringLiteral("9"));
        QVERIFY(!Cell(1, colDescription).isEmpty());
    }

    void EscStopsALoadAndKeepsTheRowsSoFar()
    {
        // Every look at the clock finds a millisecond gone: the loader turns
        // the event loop after a fixed number of lines, however fast the
        // machine reads them.
        Clock->SetStepPerReading(1);
        const int Lines = 20000;
        WriteLargeFile("large.ss7", Lines);
        Form->ListView()->setFocus();
        // Esc pressed once rows have come in; the loader sees it at its
        // next turn of the event loop.
        const auto Esc = OnFirstLoadedRows([this] {
            QCoreApplication::postEvent(Form->ListView(),
                                        new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
        });
        Form->LoadCaptures(Path("large.ss7"));
        disconnect(Esc);
        const int Loaded = Rows();
        QVERIFY(Loaded > 0);
        QVERIFY(Loaded < Lines);
        QCOMPARE(Cell(Loaded - 1, colLink), QString::number((Loaded - 1) % 256));
        // Not "Done.": the status says the load stopped, and how far it got.
        QCOMPARE(Form->StatusText(), QStringLiteral("Load stopped: %1 of %2 lines read").arg(Loaded).arg(Lines));
        QVERIFY(Progress()->isHidden());
        QVERIFY(!Form->IsLoading());
    }

    // A load adds its rows slice after slice; the list follows them to the
    // end once, when the load is over (each scroll costs the table a pass
    // over all its rows), and live rows follow the end again after it.
    void ALoadScrollsToItsLastRowOnceAtItsEnd()
    {
        Clock->SetStepPerReading(1);
        const int Lines = 5000;
        WriteLargeFile("end.ss7", Lines);
        Form->resize(620, 361);
        QScrollBar* Bar = Form->ListView()->verticalScrollBar();
        int Batches = 0;
        const QMetaObject::Connection CountBatches =
            connect(Form->ListModel(), &QAbstractItemModel::rowsInserted, Form.get(), [&Batches] { ++Batches; });
        QSignalSpy Scrolled(Bar, &QScrollBar::valueChanged);
        Form->LoadCaptures(Path("end.ss7"));
        disconnect(CountBatches);
        QCOMPARE(Rows(), Lines);
        QVERIFY(Batches > 1);
        QCOMPARE(Scrolled.count(), 1);
        QCOMPARE(Bar->value(), Bar->maximum());
        QVERIFY(Form->ListView()->LastRowVisible());

        Form->AddCapture(Record(Stamp(11, 0, 0, 0), 2, 7, MsgB));
        QTRY_COMPARE(Rows(), Lines + 1);
        QCOMPARE(Bar->value(), Bar->maximum());
        QVERIFY(Form->ListView()->LastRowVisible());
    }

    // Esc seen before the file has been read stops the load with the
    // captures as they were, and the status says so.
    void EscBeforeTheFileIsReadKeepsTheCapturesAndSaysSo()
    {
        WriteLargeFile("early.ss7", 100);
        Form->AddCapture(Record(Stamp(9, 0, 0, 0), 2, 7, MsgB));
        Form->ListView()->setFocus();
        QCoreApplication::postEvent(Form->ListView(), new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
        Form->LoadCaptures(Path("early.ss7"));
        QCOMPARE(Rows(), 1);
        QCOMPARE(Cell(0, colOut), QStringLiteral("MSGB"));
        QCOMPARE(Form->StatusText(), QStringLiteral("Load stopped before any line was read"));
        QVERIFY(!Form->IsLoading());
    }

    void LiveDatagramsAreTakenInDuringALoad()
    {
        QVERIFY(Form->Endpoint().SetLocalPort(0));
        const quint16 Port = static_cast<quint16>(Form->Endpoint().BoundPort());
        Clock->SetStepPerReading(1);
        const int Lines = 20000;
        WriteLargeFile("busy.ss7", Lines);
        QUdpSocket Sender;
        const int Sent = 3;
        // Once the first rows are in, the processor sends; the datagrams
        // wait in the endpoint's socket until the loader turns the event loop.
        const auto Send = OnFirstLoadedRows([&] {
            const QByteArray Datagram = QByteArray("\xBB\x02\x07", 3) + QByteArray::fromStdString(MsgB);
            for (int I = 0; I < Sent; ++I)
                Sender.writeDatagram(Datagram, QHostAddress::LocalHost, Port);
            pollfd Readable{static_cast<int>(Form->Endpoint().findChild<QUdpSocket*>()->socketDescriptor()), POLLIN, 0};
            QCOMPARE(::poll(&Readable, 1, 5000), 1);
        });
        Form->AddCapture(Record(Stamp(9, 0, 0, 0), 2, 7, MsgB)); // an old capture, replaced by the load
        QCOMPARE(Rows(), 1);
        Form->LoadCaptures(Path("busy.ss7"));
        disconnect(Send);
        const int AtLoadEnd = Rows();
        // Every datagram sent is taken in, none cleared with the old captures.
        QTRY_COMPARE(Rows() - Lines, Sent);
        int FirstLive = -1;
        for (int Row = 0; Row < AtLoadEnd && FirstLive < 0; ++Row)
            if (Cell(Row, colOut) == QStringLiteral("MSGB"))
                FirstLive = Row;
        // They arrived while the file was being loaded, so among the loaded rows.
        QVERIFY(FirstLive > 0);
        QVERIFY(FirstLive < AtLoadEnd - 1);
    }

    void ConversionErrorShowsTheErrorAndLeavesTheListUsable()
    {
        WriteText("bad.ss7",
                  Line(Record(Stamp(9, 0, 0, 0), 1, 1, MsgA)) + "\r\n" + Line(Record(Stamp(9, 0, 0, 1), 2, 2, MsgB)) +
                      "\r\nEA 07 QQ 00\r\n" + Line(Record(Stamp(9, 0, 0, 2), 1, 3, MsgA)) + "\r\n");
        const auto Seen = AnswerNextModal();
        Form->LoadCaptures(Path("bad.ss7"));
        QVERIFY(Seen->Seen);
        QCOMPARE(Seen->Text, QStringLiteral("'$0QQ' is not a valid integer value"));
        QCOMPARE(Rows(), 2);
        QVERIFY(!Form->IsLoading());
        QVERIFY(Progress()->isHidden());
        QCOMPARE(Form->StatusText(), QStringLiteral("Load stopped at line 3"));
        Form->AddCapture(Record(Stamp(9, 0, 0, 3), 1, 4, MsgB));
        QCOMPARE(Rows(), 3);
        // A new load is accepted after it.
        const auto Again = AnswerNextModal();
        Form->LoadCaptures(Path("bad.ss7"));
        QVERIFY(Again->Seen);
        QCOMPARE(Rows(), 2);
    }

    void UnreadableFileLeavesTheCapturesUntouched()
    {
        AddMixedCaptures();
        const auto Seen = AnswerNextModal();
        Form->LoadCaptures(Path("does-not-exist.ss7"));
        QVERIFY(Seen->Seen);
        QVERIFY(Seen->Text.startsWith(QStringLiteral("Cannot open file")));
        QCOMPARE(Rows(), 5);
    }

    void FailedSaveShowsTheErrorAndKeepsThePreviousFile()
    {
        AddMixedCaptures();
        Form->SaveCaptures(Path("keep.ss7"));
        QFile Old(Path("keep.ss7"));
        QVERIFY(Old.open(QIODevice::ReadOnly));
        const QByteArray Before = Old.readAll();
        Old.close();
        for (int I = 0; I < 20000; ++I)
            Form->AddCapture(Record(Stamp(11, 0, 0, 0), 1, 1, MsgA));

        std::signal(SIGXFSZ, SIG_IGN);
        rlimit Limit{};
        getrlimit(RLIMIT_FSIZE, &Limit);
        const rlimit Saved = Limit;
        Limit.rlim_cur = 64 * 1024;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &Limit), 0);
        const auto Seen = AnswerNextModal();
        Form->SaveCaptures(Path("keep.ss7"));
        setrlimit(RLIMIT_FSIZE, &Saved);
        QVERIFY(Seen->Seen);
        QVERIFY(Seen->Text.startsWith(QStringLiteral("Cannot write file")));
        QVERIFY(Old.open(QIODevice::ReadOnly));
        QCOMPARE(Old.readAll(), Before);
        QCOMPARE(Rows(), 20005);
    }

    void CommandLineFileLoadsWhenFirstShown()
    {
        AddMixedCaptures();
        Form->SaveCaptures(Path("cmdline.ss7"));
        TCaptureForm Second(*Definitions.StaticPackets, *Clock);
        Second.SetCommandLineFile(Path("cmdline.ss7"));
        Second.show();
        QTRY_COMPARE(Second.ListModel()->CaptureCount(), 5);
        QTRY_VERIFY(!Second.IsLoading());
        Second.ListModel()->FlushPendingRows();
        QCOMPARE(Second.ListModel()->CellText(4, colLink), QStringLiteral("255"));
    }

    void FindAsksForTheTextAndSelectsTheMatchAtTheTop()
    {
        for (int I = 0; I < 100; ++I)
            Form->AddCapture(Record(Stamp(9, 0, 0, 0), 1, 1, MsgA));
        AddMixedCaptures(); // rows 100-104: MSGA, MSGB, STOP, a failed row, MSGA
        for (int I = 0; I < 100; ++I)
            Form->AddCapture(Record(Stamp(9, 0, 0, 0), 2, 1, MsgB));
        // A first search leaves its text for the next.
        QVERIFY(Find(QStringLiteral("MSGA"))->Seen);
        QCOMPARE(SelectedRow(), 0);
        QString Label;
        QString Initial;
        const auto Seen = AnswerNextModal([&](QDialog* Dialog) {
            auto* Input = qobject_cast<QInputDialog*>(Dialog);
            QVERIFY(Input);
            Label = Input->labelText();
            Initial = Input->textValue();
            Input->setTextValue(QStringLiteral("sTo"));
            Input->accept();
        });
        Menu("Search", "Find ...")->trigger();
        QVERIFY(Seen->Seen);
        QCOMPARE(Seen->Title, QStringLiteral("Find Message"));
        QCOMPARE(Label, QStringLiteral("Text"));
        QCOMPARE(Initial, QStringLiteral("MSGA"));
        QCOMPARE(SelectedRow(), 102);
        QCOMPARE(Form->ListView()->currentIndex().row(), 102);
        QCOMPARE(Form->ListView()->rowAt(1), 102);
        QCOMPARE(Form->Caption(), QStringLiteral("Heart Stop Message"));

        // Cancelling keeps the text and still searches on.
        QVERIFY(Find(QStringLiteral("msgb"))->Seen);
        QCOMPARE(SelectedRow(), 105);
        QString Kept;
        const auto Cancelled = AnswerNextModal([&Kept](QDialog* Dialog) {
            Kept = static_cast<QInputDialog*>(Dialog)->textValue();
            static_cast<QInputDialog*>(Dialog)->setTextValue(QStringLiteral("ignored"));
            Dialog->reject();
        });
        Menu("Search", "Find ...")->trigger();
        QVERIFY(Cancelled->Seen);
        QCOMPARE(Kept, QStringLiteral("msgb"));
        QCOMPARE(SelectedRow(), 106);
        Menu("Search", "Search Again")->trigger();
        QCOMPARE(SelectedRow(), 107);
    }

    void SearchAgainDoesNotWrapAround()
    {
        AddMixedCaptures();
        Select(3);
        QVERIFY(Find(QStringLiteral("MSGA"))->Seen);
        QCOMPARE(SelectedRow(), 4);
        const auto Seen = AnswerNextModal();
        Menu("Search", "Search Again")->trigger();
        QVERIFY(Seen->Seen);
        QCOMPARE(Seen->Title, QStringLiteral("Search Result"));
        QCOMPARE(Seen->Text, QStringLiteral("No Matches Found"));
        QCOMPARE(SelectedRow(), 4);

        Select(2);
        QVERIFY(Find(QStringLiteral("(\?\?\?)"))->Seen);
        QCOMPARE(SelectedRow(), 3);
        Select(0);
        std::shared_ptr<TModalSeen> Empty;
        QVERIFY(Find(QString(), &Empty)->Seen);
        QVERIFY(Empty && Empty->Seen);
        QCOMPARE(Empty->Text, QStringLiteral("No Matches Found"));
        QCOMPARE(SelectedRow(), 0);
    }

    void CopyThenPasteAddsABareMessageCapture()
    {
        Form->AddCapture(Record(Stamp(9, 5, 3, 12), 1, 3, MsgA));
        Select(0);
        Menu("Edit", "Copy")->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(), QString::fromStdString(THexString(MsgA, true).ToText()));
        // Pasted an hour later: stamped with the time of the paste.
        Clock->Advance(3600000);
        Menu("Edit", "Paste")->trigger();
        QCOMPARE(Rows(), 2);
        QCOMPARE(Cell(1, colIn), QStringLiteral("MSGA"));
        QCOMPARE(Cell(1, colOut), QStringLiteral("MSGA"));
        QCOMPARE(Cell(1, colLink), QStringLiteral("255"));
        QCOMPARE(Cell(1, colCic), QStringLiteral("21"));
        QCOMPARE(Cell(1, colTime), QStringLiteral("10:05:03.012"));
        QCOMPARE(Cell(1, colDate), QStringLiteral("7.12.2026"));
        QVERIFY(!Model()->data(Model()->index(1, 0), Qt::DecorationRole).isValid());
        // Direction 0 and link 255, as the saved record shows.
        Form->SaveCaptures(Path("pasted.ss7"));
        QFile Saved(Path("pasted.ss7"));
        QVERIFY(Saved.open(QIODevice::ReadOnly));
        const QList<QByteArray> Lines = Saved.readAll().split('\n');
        QCOMPARE(Lines[1].mid(16 * 3, 6), QByteArray("00 FF "));
    }

    void PasteOfARecordBodyKeepsDirectionAndLink()
    {
        QGuiApplication::clipboard()->setText(QStringLiteral("02 07\r\n") +
                                              QString::fromStdString(THexString(MsgB, true).ToText()));
        Menu("Edit", "Paste")->trigger();
        QCOMPARE(Rows(), 1);
        QCOMPARE(Cell(0, colOut), QStringLiteral("MSGB"));
        QCOMPARE(Cell(0, colIn), QString());
        QCOMPARE(Cell(0, colLink), QStringLiteral("7"));

        QGuiApplication::clipboard()->setText(QStringLiteral("01"));
        Menu("Edit", "Paste")->trigger();
        QGuiApplication::clipboard()->setText(QString());
        Menu("Edit", "Paste")->trigger();
        QCOMPARE(Rows(), 1);
    }

    void PasteOfTextThatIsNotHexShowsTheErrorAndAddsNothing()
    {
        QGuiApplication::clipboard()->setText(QStringLiteral("85 01 80 XY 30"));
        const auto Seen = AnswerNextModal();
        Menu("Edit", "Paste")->trigger();
        QVERIFY(Seen->Seen);
        QCOMPARE(Seen->Text, QStringLiteral("'$0XY' is not a valid integer value"));
        QCOMPARE(Rows(), 0);
    }

    void StatusPanelZeroShowsTheOscillator()
    {
        QWidget* Panel = Form->statusBar()->findChild<TOwnerDrawPanel*>();
        QVERIFY(Panel);
        QCOMPARE(Panel->width(), 50);
        const QImage Shot = Panel->grab().toImage();
        const qreal Ratio = Panel->devicePixelRatioF();
        // Filled with the status bar's colour around the text and frame.
        QCOMPARE(Shot.pixelColor(int(18 * Ratio), int(1 * Ratio)), Panel->palette().window().color());
        const int Image = Form->HeartBeat().Oscillator().CurrentImage();
        const QImage Frame = Form->HeartBeat().ilOsc[Image < 0 ? 0 : Image].toImage();
        if (Image >= 0 && Ratio == 1.0)
            QCOMPARE(Shot.pixelColor(8, 9), Frame.pixelColor(7, 8));
        QCOMPARE(Form->HeartBeat().Heart()->pixmap().toImage(),
                 Form->HeartBeat().HeartGlyphs[THeartBeatMonitor::hgStopped].toImage());
        QVERIFY(Form->HeartBeat().Heart()->isHidden());
    }

    void ClearAllClearsLikeTheListsClear()
    {
        AddMixedCaptures();
        Select(0);
        QAction* ClearAll = Menu("Edit", "Clear All");
        QVERIFY(ClearAll);
        QCOMPARE(ClearAll->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Delete));
        ClearAll->trigger();
        QCOMPARE(Rows(), 0);
        QCOMPARE(Form->ListModel()->CaptureCount(), 0);
        QCOMPARE(Form->Caption(), QString());
        QCOMPARE(Form->TreeModel()->rowCount(), 0);
    }

    void SelectionBoxesDecideTheDecodedViewFromTheNextSelectionOn()
    {
        TSelectionForm Selection(Form.get(), Definitions.StaticPackets.get());
        Form->SetSelectionForm(&Selection);
        Menu("Options", "ISUP Messages Configuration")->trigger();
        QVERIFY(Selection.isVisible());
        Form->AddCapture(Record(Stamp(9, 0, 0, 0), 1, 1, MsgA));
        Form->AddCapture(Record(Stamp(9, 0, 0, 1), 1, 1, MsgB));
        Select(0);
        QVERIFY(DecodedNode(QStringLiteral("Urgent")).isValid());
        QVERIFY(Expanded(QStringLiteral("Flags, Sample flags")));

        auto Find = [&](const QStringList& Path) {
            QTreeWidgetItem* Node = nullptr;
            for (const QString& Name : Path) {
                const int Count = Node ? Node->childCount() : Selection.tvMsg->topLevelItemCount();
                QTreeWidgetItem* Next = nullptr;
                for (int I = 0; I < Count && !Next; ++I) {
                    QTreeWidgetItem* Child = Node ? Node->child(I) : Selection.tvMsg->topLevelItem(I);
                    if (Child->text(0).startsWith(Name))
                        Next = Child;
                }
                Node = Next;
            }
            return Node;
        };
        Selection.tvMsg->expandAll();
        for (QTreeWidgetItem* Node : {Find({"MSGA", "Flags", "Urgent"}), Find({"MSGA", "Flags"})}) {
            QVERIFY(Node);
            Selection.tvMsg->scrollToItem(Node);
            const QPoint Box = Selection.StateIconRect(Node).center();
            QTest::mouseClick(Selection.tvMsg->viewport(), Qt::LeftButton, {}, Box);
        }
        // The view on screen is not rebuilt by the change.
        QVERIFY(DecodedNode(QStringLiteral("Urgent")).isValid());

        Select(1);
        QVERIFY(DecodedNode(QStringLiteral("Urgent")).isValid());
        QVERIFY(Expanded(QStringLiteral("Flags, Sample flags")));
        Select(0);
        QVERIFY(!DecodedNode(QStringLiteral("Urgent")).isValid());
        QVERIFY(DecodedNode(QStringLiteral("Count = 0")).isValid());
        QVERIFY(DecodedNode(QStringLiteral("Flags, Sample flags")).isValid());
        QVERIFY(!Expanded(QStringLiteral("Flags, Sample flags")));
        Form->SetSelectionForm(nullptr);
    }
};

QTEST_MAIN(CaptureFormTest)
#include "capture_form_test.moc"
