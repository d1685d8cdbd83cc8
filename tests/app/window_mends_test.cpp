// The window where a user could be misled or lose captures: file dialogs
// on special files, a port that is not listened on, dropped datagrams and
// host names, the titles, help without a browser, unsaved captures, copy
// and paste of every message, long runs (the limit on captures held and
// the ring of capture files), and the command line's one-off options.
#include "app/CaptureClipboard.h"
#include "app/CaptureFile.h"
#include "app/CaptureOptionsBox.h"
#include "app/HelpFile.h"
#include "app/HelpWindow.h"
#include "app/IntakeFilter.h"
#include "app/SelectionForm.h"
#include "core/IniFile.h"
#include "presentation/CaptureItems.h"
#include "presentation/CaptureRecord.h"
#include "presentation/CaptureRing.h"
#include "tests/app/app_test_support.h"

#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QMimeData>
#include <QProcess>
#include <QScrollBar>
#include <QTextBrowser>
#include <QtTest>

#include <atomic>
#include <chrono>
#include <thread>
#include <unistd.h>

using namespace AppTest;
using namespace windowtest;

namespace {

QLabel* Panel(const TCaptureForm& Form, const char* Name)
{
    return Form.findChild<QLabel*>(QLatin1String(Name));
}

bool Showing(const QLabel* Label)
{
    return Label && !Label->isHidden();
}

// What the window keeps of a capture, as a record.
std::string RecordOf(const TWindow& W, int Index)
{
    return W.Model().Captures().Items(Index).GetRecord();
}

} // namespace

class WindowMendsTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { StopModalWaits(); }

    void FileDialogsStartOnlyInUsableFoldersAndNeverReadFiles()
    {
        QTemporaryDir Dir;
        QVERIFY(IsUsableStartFolder(Dir.path()));
        QVERIFY(!IsUsableStartFolder(QStringLiteral("/proc")));
        QVERIFY(!IsUsableStartFolder(QStringLiteral("/proc/self/fd")));
        QVERIFY(!IsUsableStartFolder(QStringLiteral("/sys/kernel")));
        QVERIFY(!IsUsableStartFolder(Dir.filePath(QStringLiteral("missing"))));
        QVERIFY(!IsUsableStartFolder(QString()));
        QFile Plain(Dir.filePath(QStringLiteral("plain.ss7")));
        QVERIFY(Plain.open(QIODevice::WriteOnly));
        Plain.close();
        QVERIFY(!IsUsableStartFolder(Plain.fileName()));

        QCOMPARE(TCaptureFileDialogs::StartFolder(Plain.fileName()), Dir.path());
        // A remembered name in /proc, with the current folder there too:
        // the dialog starts at home.
        const QString Current = QDir::currentPath();
        QVERIFY(QDir::setCurrent(QStringLiteral("/proc")));
        const QString Start = TCaptureFileDialogs::StartFolder(QStringLiteral("/proc/x.ss7"));
        QDir::setCurrent(Current);
        QCOMPARE(Start, QDir::homePath());

        // Icons and types by the directory entry alone: a file whose reading
        // blocks (the kernel log, for whoever may read it) answers at once.
        TPlainFileIconProvider Icons;
        QCOMPARE(Icons.type(QFileInfo(Dir.path())), QStringLiteral("Folder"));
        QCOMPARE(Icons.type(QFileInfo(Plain.fileName())), QStringLiteral("SS7 File"));
        if (::access("/proc/kmsg", R_OK) == 0) {
            auto Done = std::make_shared<std::atomic<bool>>(false);
            std::thread([Done] {
                TPlainFileIconProvider Provider;
                const QFileInfo Kmsg(QStringLiteral("/proc/kmsg"));
                (void)Provider.type(Kmsg);
                (void)Provider.icon(Kmsg);
                *Done = true;
            }).detach();
            QVERIFY(QTest::qWaitFor([&] { return Done->load(); }, 5000));
        }
    }

    void OnlyANameThatWasSavedOrLoadedIsOfferedAgain()
    {
        TWindow W;
        W.Form->AddCapture(Record("01 03 85 01 80 00 30 05 01 10 00"));
        auto Error = AnswerNextModal();
        QVERIFY(!W.Form->SaveCaptures(QStringLiteral("/proc/velmora-test.ss7")));
        QVERIFY(Error->Seen);
        QCOMPARE(W.Form->FileDialogs().LastSaveName, QString());
        const QString Good = W.Folder.filePath(QStringLiteral("good.ss7"));
        QVERIFY(W.Form->SaveCaptures(Good));
        QCOMPARE(W.Form->FileDialogs().LastSaveName, Good);
        // A failed save after a good one keeps the good name.
        Error = AnswerNextModal();
        QVERIFY(!W.Form->SaveCaptures(QStringLiteral("/proc/velmora-test.ss7")));
        QCOMPARE(W.Form->FileDialogs().LastSaveName, Good);

        Error = AnswerNextModal();
        W.Form->LoadCaptures(W.Folder.filePath(QStringLiteral("missing.ss7")));
        QVERIFY(Error->Seen);
        QCOMPARE(W.Form->FileDialogs().LastOpenName, QString());
        W.Form->LoadCaptures(Good);
        QCOMPARE(W.Form->FileDialogs().LastOpenName, Good);
    }

    void AFailedBindStaysVisibleUntilThePortIsBound()
    {
        QUdpSocket Holder;
        QVERIFY(Holder.bind(QHostAddress::AnyIPv4, 0));
        const int Taken = Holder.localPort();
        TWindow W;
        W.Form->AddCapture(Record("01 03 85 01 80 00 30 05 01 10 00"));
        W.Options->seCaptureLocalPort->setValue(Taken);
        QVERIFY(!W.Form->Endpoint().IsBound());
        const QString Error = W.Form->Endpoint().LastError();
        QVERIFY(Error.contains(QString::number(Taken)));
        QCOMPARE(W.Form->windowTitle(), QStringLiteral("SS7 L4 Velmora -  : %1 (not listening)").arg(Taken));
        QLabel* Intake = Panel(*W.Form, "pnIntake");
        QVERIFY(Showing(Intake));
        QCOMPARE(Intake->text(), QStringLiteral("Not listening"));
        QCOMPARE(Intake->toolTip(), Error);
        QCOMPARE(W.Form->StatusText(), Error);

        // Moving between the list (with no row selected) and the tree, the
        // way a user tabs or clicks, leaves it in the status text.
        W.Form->activateWindow();
        W.Form->ListView()->setFocus(Qt::TabFocusReason);
        QApplication::processEvents();
        QCOMPARE(W.Form->StatusText(), Error);
        W.Form->TreeView()->setFocus(Qt::TabFocusReason);
        QApplication::processEvents();
        W.Form->ListView()->setFocus(Qt::MouseFocusReason);
        QApplication::processEvents();
        QCOMPARE(W.Form->StatusText(), Error);
        W.Form->ClearCaptures();
        QCOMPARE(W.Form->StatusText(), Error);
        QVERIFY(Showing(Intake));

        // Bound: the title is the plain caption again, the panel goes.
        W.Options->seCaptureLocalPort->setValue(AnyPort);
        QVERIFY(W.Form->Endpoint().IsBound());
        QCOMPARE(W.Form->windowTitle(), QStringLiteral("SS7 L4 Velmora -  : 0"));
        QVERIFY(!Showing(Intake));
        QCOMPARE(W.Form->StatusText(), QString());
    }

    void DroppedDatagramsAreCountedByCause()
    {
        TWindow W;
        TSender Sender;
        QLabel* Dropped = Panel(*W.Form, "pnDropped");
        QVERIFY(!Showing(Dropped));
        Sender.Send(Datagram("BB 01 03"), W.Port());
        Sender.Send(QByteArray(2049, '\xBB'), W.Port());
        Sender.Send(QByteArray(2048, '\xBB'), W.Port());
        QVERIFY(W.WaitForDeliveries(3));
        QCOMPARE(W.Captures(), 1);
        W.Options->seCaptureRemotePort->setValue(Sender.Port() == 65535 ? 1 : Sender.Port() + 1);
        Sender.Send(Datagram("BB 01 03 85 01 80 00 30 05 01 10 00"), W.Port());
        QVERIFY(W.WaitForDeliveries(4));
        W.Options->seCaptureRemotePort->setValue(0);
        W.Options->edCaptureHost->setText(QStringLiteral("10.0.0.1"));
        Sender.Send(Datagram("BB 01 03 85 01 80 00 30 05 01 10 00"), W.Port());
        Sender.Send(Datagram("BB 01 03 85 01 80 00 30 05 01 10 00"), W.Port());
        QVERIFY(W.WaitForDeliveries(6));
        QCOMPARE(W.Captures(), 1);
        const TIntakeFilter& Intake = W.Form->Intake();
        QCOMPARE(Intake.Dropped(dcTooShort), 1u);
        QCOMPARE(Intake.Dropped(dcTooLong), 1u);
        QCOMPARE(Intake.Dropped(dcPort), 1u);
        QCOMPARE(Intake.Dropped(dcHost), 2u);
        QTRY_COMPARE(Dropped->text(), QStringLiteral("Dropped: 5"));
        QVERIFY(Showing(Dropped));
        QCOMPARE(Dropped->toolTip(),
                 QStringLiteral("Datagrams dropped: too short 1, too long 1, other host 2, other port 1"));
    }

    void TheHostIsTrimmedAndMayBeAName()
    {
        TWindow W;
        TSender Sender;
        // Pasted with blanks and a line break around it.
        W.Options->edCaptureHost->setText(QStringLiteral(" 127.0.0.1\r\n"));
        QCOMPARE(W.Form->Endpoint().RemoteHost, QStringLiteral("127.0.0.1"));
        QCOMPARE(W.Form->windowTitle(), QStringLiteral("SS7 L4 Velmora - 127.0.0.1 : 0"));
        Sender.Send(Datagram("BB 01 03 85 01 80 00 30 05 01 10 00"), W.Port());
        QVERIFY(W.WaitForCaptures(1));

        W.Options->edCaptureHost->setText(QStringLiteral("localhost"));
        QVERIFY(QTest::qWaitFor([&] { return W.Form->Intake().HostState() != TIntakeFilter::THostState::Resolving; },
                                10000));
        QCOMPARE(W.Form->Intake().HostState(), TIntakeFilter::THostState::Resolved);
        QVERIFY(!Showing(Panel(*W.Form, "pnIntake")));
        Sender.Send(Datagram("BB 01 04 85 01 80 00 30 05 01 10 00"), W.Port());
        QVERIFY(W.WaitForCaptures(2));

        // Not an address, and no name either: said, and everything dropped.
        W.Options->edCaptureHost->setText(QStringLiteral("not a host"));
        QVERIFY(QTest::qWaitFor([&] { return W.Form->Intake().HostState() != TIntakeFilter::THostState::Resolving; },
                                20000));
        QCOMPARE(W.Form->Intake().HostState(), TIntakeFilter::THostState::NotFound);
        QLabel* Intake = Panel(*W.Form, "pnIntake");
        QVERIFY(Showing(Intake));
        QCOMPARE(Intake->text(), QStringLiteral("Remote host unknown"));
        QVERIFY(Intake->toolTip().contains(QStringLiteral("\"not a host\" is not an IPv4 address")));
        Sender.Send(Datagram("BB 01 05 85 01 80 00 30 05 01 10 00"), W.Port());
        QVERIFY(W.WaitForDeliveries(3));
        QCOMPARE(W.Captures(), 2);
    }

    void WindowTitlesAreTheCaptionsAlone()
    {
        TWindow W;
        // Qt appends the application's display name to every window title
        // on X11 once it is set: it must stay unset.
        QCOMPARE(QGuiApplication::applicationDisplayName(), QGuiApplication::applicationName());
        QCOMPARE(W.Options->windowTitle(), QStringLiteral("Configuration"));
        TSelectionForm Selection(W.Form.get(), W.Definitions.StaticPackets.get());
        QCOMPARE(Selection.windowTitle(), QStringLiteral("ISUP messages configuration"));
        QCOMPARE(W.Form->windowTitle(), QStringLiteral("SS7 L4 Velmora -  : 0"));
        // The endpoint title is still the caption of the error boxes.
        auto Error = AnswerNextModal();
        W.Form->LoadCaptures(W.Folder.filePath(QStringLiteral("missing.ss7")));
        QCOMPARE(Error->Title, QStringLiteral(" : 0"));
    }

    void HelpIsShownInTheProgramAtTheTopicAskedFor()
    {
        TWindow W;
        QVERIFY2(QFileInfo::exists(HelpFileName()), qPrintable(HelpFileName()));
        QVERIFY(ShowHelp(hcConfiguration, W.Options.get()));
        THelpWindow* Help = HelpWindow();
        QVERIFY(Help && Help->isVisible());
        QCOMPARE(Help->Source().fileName(), QStringLiteral("velmora-help.html"));
        QVERIFY(Help->Browser()->toPlainText().contains(QStringLiteral("Capture files")));
        // The configuration topic lies well down the page: the window is
        // scrolled to it, and back to the top for the contents.
        QScrollBar* Bar = Help->Browser()->verticalScrollBar();
        QTRY_VERIFY(Bar->value() > 0);
        const int AtConfiguration = Bar->value();
        QVERIFY(ShowHelp(hcContents, W.Form.get()));
        QCOMPARE(HelpWindow(), Help);
        QTRY_VERIFY(Bar->value() < AtConfiguration);
        // Help > Contents and F1 on the list open the same window.
        Help->hide();
        MenuAction(*W.Form, QStringLiteral("Help"), QStringLiteral("Contents"))->trigger();
        QVERIFY(Help->isVisible());
        Help->hide();
        W.Form->ListView()->setFocus();
        QTest::keyClick(W.Form->ListView(), Qt::Key_F1);
        QVERIFY(Help->isVisible());
        QTRY_VERIFY(Bar->value() > 0);
        Help->close();
    }

    void UnsavedCapturesAreAskedAboutBeforeTheyGo()
    {
        TWindow W;
        QAction* ClearAll = MenuAction(*W.Form, QStringLiteral("Edit"), QStringLiteral("Clear All"));
        QAction* Exit = MenuAction(*W.Form, QStringLiteral("File"), QStringLiteral("Exit"));
        QAction* Load = MenuAction(*W.Form, QStringLiteral("File"), QStringLiteral("Load Captures"));
        QVERIFY(ClearAll && Exit && Load);
        auto Cancel = [](QDialog* Dialog) {
            auto* Box = qobject_cast<QMessageBox*>(Dialog);
            QVERIFY(Box);
            Box->button(QMessageBox::Cancel)->click();
        };
        auto Discard = [](QDialog* Dialog) {
            qobject_cast<QMessageBox*>(Dialog)->button(QMessageBox::Discard)->click();
        };
        // Nothing to lose: no question.
        ClearAll->trigger();
        W.Form->AddCapture(Record("01 03 85 01 80 00 30 05 01 10 00"));
        QVERIFY(W.Form->HasUnsavedCaptures());

        auto Seen = AnswerNextModal(Cancel);
        ClearAll->trigger();
        QVERIFY(Seen->Seen);
        QCOMPARE(Seen->Text, QStringLiteral("There are captures that were not saved. Save them first?"));
        QCOMPARE(W.Captures(), 1);
        Seen = AnswerNextModal(Cancel);
        Exit->trigger();
        QVERIFY(Seen->Seen);
        QVERIFY(W.Form->isVisible());
        // Cancelled: no file dialog follows.
        Seen = AnswerNextModal(Cancel);
        Load->trigger();
        QVERIFY(Seen->Seen);
        QVERIFY(!QApplication::activeModalWidget());
        Seen = AnswerNextModal(Discard);
        ClearAll->trigger();
        QVERIFY(Seen->Seen);
        QCOMPARE(W.Captures(), 0);

        // Save: the save dialog, then they go.
        W.Form->AddCapture(Record("01 03 85 01 80 00 30 05 01 10 00"));
        const QString File = W.Folder.filePath(QStringLiteral("asked.ss7"));
        Seen = AnswerNextModal([File](QDialog* Dialog) {
            qobject_cast<QMessageBox*>(Dialog)->button(QMessageBox::Save)->click();
            AnswerNextModal([File](QDialog* Save) {
                auto* Files = qobject_cast<QFileDialog*>(Save);
                QVERIFY(Files);
                Files->selectFile(File);
                static_cast<QDialog*>(Files)->accept();
            });
        });
        ClearAll->trigger();
        QVERIFY(Seen->Seen);
        QCOMPARE(W.Captures(), 0);
        QVERIFY(QFileInfo(File).size() > 0);

        // Saved or loaded captures are not asked about.
        W.Form->AddCapture(Record("01 03 85 01 80 00 30 05 01 10 00"));
        QVERIFY(W.Form->SaveCaptures(File));
        ClearAll->trigger();
        QCOMPARE(W.Captures(), 0);
        W.Form->LoadCaptures(File);
        QCOMPARE(W.Captures(), 1);
        QVERIFY(!W.Form->HasUnsavedCaptures());

        // The setting turns the question off, and is kept.
        W.Form->AddCapture(Record("01 03 85 01 80 00 30 05 01 10 00"));
        W.Options->CaptureOptions->cbAskUnsaved->setChecked(false);
        ClearAll->trigger();
        QCOMPARE(W.Captures(), 0);
        W.Options->Storage().SaveFormPlacement(false);
        QCOMPARE(TIniFile(StateFileName).ReadString("OptionsForm", "cbAskUnsaved_Checked", "?"), std::string("0"));

        // A close made by the program never waits for an answer.
        W.Options->CaptureOptions->cbAskUnsaved->setChecked(true);
        W.Form->AddCapture(Record("01 03 85 01 80 00 30 05 01 10 00"));
        QVERIFY(W.Form->close());
    }

    void CopyThenPasteGivesBackEveryMessage()
    {
        TWindow W;
        QAction* Copy = MenuAction(*W.Form, QStringLiteral("Edit"), QStringLiteral("Copy"));
        QAction* Paste = MenuAction(*W.Form, QStringLiteral("Edit"), QStringLiteral("Paste"));
        // An SLTM with network indicator 0 (SIO 01), network management with
        // SIO 00 and 02, and an ISUP message.
        const char* Messages[] = {"01 29 89 34 01 11 60 01 23 45 67 89 AB", "00 29 89 34 01 17",
                                  "02 29 89 34 01 11 20 AB CD", "85 01 80 00 30 05 01 10 00"};
        int Row = 0;
        for (const char* Message : Messages) {
            W.Form->AddCapture(Record((std::string("01 07 ") + Message).c_str()));
            W.Select(Row);
            Copy->trigger();
            // Other tools see exactly the spaced hex of the message.
            QCOMPARE(QGuiApplication::clipboard()->text(), QString::fromLatin1(Message) + QLatin1Char(' '));
            Paste->trigger();
            QCOMPARE(W.Rows(), Row + 2);
            const TCaptureItem& Pasted = W.Model().Captures().Items(Row + 1);
            QCOMPARE(Pasted.OctetBytes(), Bytes(Message));
            QCOMPARE(int(Pasted.Direction), 0);
            QCOMPARE(int(Pasted.Link), 255);
            QCOMPARE(W.Cell(Row + 1, colIn), W.Cell(Row, colIn));
            Row += 2;
        }
        QCOMPARE(W.Cell(1, colIn), QStringLiteral("SLTM"));

        // Text from another tool keeps the two forms: a first octet up to 2
        // starts a record body.
        QGuiApplication::clipboard()->setText(QStringLiteral("01 03 85 01 80 00 30 05 01 10 00"));
        Paste->trigger();
        QCOMPARE(int(W.Model().Captures().Items(Row).Direction), 1);
        QCOMPARE(int(W.Model().Captures().Items(Row).Link), 3);
        // Our octets beside a text that was changed afterwards: the text,
        // which the user sees, counts.
        auto* Changed = CopiedMessageData(Bytes("01 29 89 34 01 11 60 01 23 45 67 89 AB"),
                                          "01 29 89 34 01 11 60 01 23 45 67 89 AB ");
        Changed->setText(QStringLiteral("02 09 85 01 80 00 30 05 01 10 00"));
        QGuiApplication::clipboard()->setMimeData(Changed);
        Paste->trigger();
        QCOMPARE(int(W.Model().Captures().Items(Row + 1).Direction), 2);
        QCOMPARE(int(W.Model().Captures().Items(Row + 1).Link), 9);
    }

    void TheLimitOnCapturesHeldRemovesTheOldest()
    {
        TWindow W;
        W.Options->CaptureOptions->seCaptureLimit->setValue(100);
        std::vector<std::string> Records;
        for (int I = 0; I < 99; ++I) {
            Records.push_back(Record(("01 " + std::to_string(I % 90 + 10) + " 85 01 80 00 30 05 01 10 00").c_str()));
            W.Form->AddCapture(Records.back());
        }
        QCOMPARE(W.Rows(), 99);
        // The user reads the last row while more arrive.
        W.Select(98);
        for (int I = 99; I < 250; ++I) {
            Records.push_back(Record(("01 " + std::to_string(I % 90 + 10) + " 85 01 80 00 30 05 01 10 00").c_str()));
            W.Form->AddCapture(Records.back());
        }
        QVERIFY(W.Captures() <= 100);
        QVERIFY(W.Captures() >= 95);
        QCOMPARE(W.Rows(), W.Captures());
        const int Held = W.Captures();
        for (int I = 0; I < Held; ++I)
            QCOMPARE(RecordOf(W, I), Records[Records.size() - static_cast<size_t>(Held) + static_cast<size_t>(I)]);
        QCOMPARE(W.Form->RemovedCaptures(), uint64_t(250 - Held));
        QLabel* Removed = Panel(*W.Form, "pnRemoved");
        QTRY_VERIFY(Showing(Removed));
        QCOMPARE(Removed->text(), QStringLiteral("Oldest removed: %1").arg(250 - Held));
        // The selection stays on the capture the user chose, if kept.
        const QModelIndexList Selected = W.Form->ListView()->selectionModel()->selectedRows();
        if (250 - Held <= 98) {
            QCOMPARE(Selected.size(), 1);
            QCOMPARE(RecordOf(W, Selected.first().row()), Records[98]);
        }
        // Kept in the state file as a new key; 0 is no limit.
        W.Options->Storage().SaveFormPlacement(false);
        QCOMPARE(TIniFile(StateFileName).ReadString("OptionsForm", "seCaptureLimit_Value", "?"), std::string("100"));
        W.Options->CaptureOptions->seCaptureLimit->setValue(0);
        for (int I = 0; I < 200; ++I)
            W.Form->AddCapture(Records[0]);
        QCOMPARE(W.Captures(), Held + 200);
        // A limit set later, and a file loaded, keep to it as well.
        const QString File = W.Folder.filePath(QStringLiteral("many.ss7"));
        QVERIFY(W.Form->SaveCaptures(File));
        W.Options->CaptureOptions->seCaptureLimit->setValue(100);
        QVERIFY(W.Captures() <= 100);
        W.Form->LoadCaptures(File);
        QVERIFY(W.Captures() <= 100);
        QCOMPARE(W.Rows(), W.Captures());
        QCOMPARE(RecordOf(W, W.Captures() - 1), Records[0]);
    }

    void TheRingOfCaptureFilesTakesEveryCaptureAsItArrives()
    {
        TWindow W;
        TSender Sender;
        QTemporaryDir Ring;
        TCaptureOptionsBox& Options = *W.Options->CaptureOptions;
        Options.seRingFileCaptures->setValue(2);
        Options.seRingFiles->setValue(2);
        Options.edRingFolder->setText(Ring.path());
        emit Options.edRingFolder->editingFinished();
        QVERIFY(W.Form->Ring());
        for (int I = 0; I < 5; ++I)
            Sender.Send(Datagram("BB 01 03 85 01 80 00 30 05 01 10 00"), W.Port());
        QVERIFY(W.WaitForCaptures(5));
        // Captures made in the window (paste, a stop entry) are written too.
        W.Form->AddCapture(Record("01 03 85 01 80 00 30 05 01 10 00"));
        QCOMPARE(W.Form->Ring()->Written(), uint64_t(6));
        // Flushed by the window within a second.
        const std::vector<std::filesystem::path> Files = TCaptureRing::RingFiles(Ring.path().toStdString());
        QCOMPARE(Files.size(), size_t(2));
        std::string Expected;
        AppendCaptureLine(RecordOf(W, 4), Expected);
        AppendCaptureLine(RecordOf(W, 5), Expected);
        QTRY_VERIFY_WITH_TIMEOUT(
            QFileInfo(QString::fromStdString(Files.back().string())).size() == qint64(Expected.size()), 1500);

        W.Options->Storage().SaveFormPlacement(false);
        const TIniFile State(StateFileName);
        QCOMPARE(QString::fromStdString(State.ReadString("OptionsForm", "edRingFolder_Text", "")), Ring.path());
        QCOMPARE(State.ReadString("OptionsForm", "seRingFiles_Value", ""), std::string("2"));
        // A folder that cannot be made is shown, with the reason, until it can.
        QFile Blocker(Ring.filePath(QStringLiteral("plain")));
        QVERIFY(Blocker.open(QIODevice::WriteOnly));
        Blocker.close();
        Options.edRingFolder->setText(Blocker.fileName() + QStringLiteral("/ring"));
        emit Options.edRingFolder->editingFinished();
        W.Form->AddCapture(Record("01 03 85 01 80 00 30 05 01 10 00"));
        QLabel* RingPanel = Panel(*W.Form, "pnRing");
        QTRY_VERIFY(Showing(RingPanel));
        QVERIFY(RingPanel->toolTip().contains(QStringLiteral("Cannot create folder")));
        QVERIFY(Blocker.remove());
        // Tried again with the captures that follow the next flush.
        QVERIFY(QTest::qWaitFor(
            [&] {
                W.Form->AddCapture(Record("01 03 85 01 80 00 30 05 01 10 00"));
                return W.Form->Ring()->Error().empty();
            },
            3000));
        QTRY_VERIFY(!Showing(RingPanel));
        // An empty folder turns the ring off.
        Options.edRingFolder->clear();
        emit Options.edRingFolder->editingFinished();
        QVERIFY(!W.Form->Ring());
    }

    void AOneOffPortIsNotStored()
    {
        TWindow W(false, StoredPort);
        W.Options->OnOptionsChanged = nullptr;
        W.Options->seCaptureLocalPort->setValue(30123);
        W.Options->SetOneOffLocalPort(30456);
        QCOMPARE(W.Options->seCaptureLocalPort->value(), 30456);
        W.Options->Storage().SaveFormPlacement(false);
        QCOMPARE(TIniFile(StateFileName).ReadString("OptionsForm", "seCaptureLocalPort_Value", ""),
                 std::string("30123"));
        // Showing the window again restores the stored port behind the
        // one-off one, not over it.
        W.Options->Storage().RestoreFormPlacement();
        QCOMPARE(W.Options->seCaptureLocalPort->value(), 30456);
        // A port the user sets is stored.
        W.Options->seCaptureLocalPort->setValue(30789);
        W.Options->Storage().SaveFormPlacement(false);
        QCOMPARE(TIniFile(StateFileName).ReadString("OptionsForm", "seCaptureLocalPort_Value", ""),
                 std::string("30789"));
    }

    void MenusHaveAltKeysAndTheirCaptions()
    {
        TWindow W(false);
        const QStringList Menus = {"File", "Edit", "Search", "View", "Options", "Help"};
        QStringList Shown;
        QSet<QString> TopKeys;
        for (QAction* Top : W.Form->menuBar()->actions()) {
            Shown << ShownText(Top);
            const QKeySequence Key = QKeySequence::mnemonic(Top->text());
            QVERIFY2(!Key.isEmpty(), qPrintable(Top->text()));
            QVERIFY2(!TopKeys.contains(Key.toString()), qPrintable(Top->text()));
            TopKeys.insert(Key.toString());
            QSet<QString> ItemKeys;
            for (QAction* Item : Top->menu()->actions()) {
                if (Item->isSeparator())
                    continue;
                const QKeySequence ItemKey = QKeySequence::mnemonic(Item->text());
                QVERIFY2(!ItemKey.isEmpty(), qPrintable(Item->text()));
                QVERIFY2(!ItemKeys.contains(ItemKey.toString()), qPrintable(Item->text()));
                ItemKeys.insert(ItemKey.toString());
            }
        }
        QCOMPARE(Shown, Menus);
        for (const auto& [Menu, Item] :
             std::vector<std::pair<const char*, const char*>>{{"File", "Load Captures"},
                                                              {"File", "Save Captures"},
                                                              {"File", "Exit"},
                                                              {"Edit", "Clear All"},
                                                              {"Edit", "Copy"},
                                                              {"Edit", "Paste"},
                                                              {"Search", "Find ..."},
                                                              {"Search", "Search Again"},
                                                              {"View", "Calls"},
                                                              {"View", "Statistics"},
                                                              {"Options", "General Configuration"},
                                                              {"Options", "ISUP Messages Configuration"},
                                                              {"Help", "Contents"}})
            QVERIFY2(MenuAction(*W.Form, QLatin1String(Menu), QLatin1String(Item)), Item);
        QSet<QString> PopupKeys;
        for (const char* Item : {"Clear", "Load Captures", "Save Captures", "Copy Packet Dump"}) {
            QAction* Action = PopupAction(*W.Form, QLatin1String(Item));
            QVERIFY2(Action, Item);
            const QString Key = QKeySequence::mnemonic(Action->text()).toString();
            QVERIFY2(!Key.isEmpty() && !PopupKeys.contains(Key), Item);
            PopupKeys.insert(Key);
        }
    }

    void SaveOnExitReportsAFailedWrite()
    {
        QTemporaryDir Dir;
        const QString Captures = Dir.filePath(QStringLiteral("one.ss7"));
        QFile File(Captures);
        QVERIFY(File.open(QIODevice::WriteOnly));
        File.write("EA 07 0C 00 01 00 07 00 09 00 05 00 03 00 0C 00 01 03 85 01 80 00 30 05 01 10 00 \r\n");
        File.close();
        auto Run = [&](const QString& SaveTo, QString& Error) {
            QProcess Velmora;
            Velmora.start(QStringLiteral(VELMORA_PATH),
                          {QStringLiteral("--state-file"), QString(), QStringLiteral("--port"), QStringLiteral("0"),
                           QStringLiteral("--quit-after"), QStringLiteral("1"), QStringLiteral("--save-on-exit"),
                           SaveTo, Captures});
            if (!Velmora.waitForFinished(30000))
                return -1;
            Error = QString::fromLocal8Bit(Velmora.readAllStandardError());
            return Velmora.exitStatus() == QProcess::NormalExit ? Velmora.exitCode() : -1;
        };
        QString Error;
        QCOMPARE(Run(Dir.filePath(QStringLiteral("saved.ss7")), Error), 0);
        QCOMPARE(QFileInfo(Dir.filePath(QStringLiteral("saved.ss7"))).size(), File.size());
        QCOMPARE(Run(Dir.filePath(QStringLiteral("no-folder/saved.ss7")), Error), 1);
        QVERIFY2(Error.contains(QStringLiteral("Cannot write file")), qPrintable(Error));
    }
};

QTEST_MAIN(WindowMendsTest)
#include "window_mends_test.moc"
