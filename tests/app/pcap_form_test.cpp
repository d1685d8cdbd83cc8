// The window's pcap commands: File > Import pcap appends the messages of a
// pcap or pcapng file with progress and Esc, File > Export pcap writes the
// captures (or the selected one) as a pcap that reads back the same; bad
// files are refused with the file and packet named.
#include "app/CaptureForm.h"
#include "app/CaptureListModel.h"
#include "app/CaptureListView.h"
#include "catalog/Definitions.h"
#include "core/Clock.h"
#include "pcapio/PcapReader.h"
#include "pcapio/PcapWriter.h"
#include "presentation/CaptureRecord.h"
#include "tests/app/window_test_support.h"

#include <QMenuBar>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QtTest>

#include <fstream>

using namespace windowtest;

class PcapFormTest : public QObject {
    Q_OBJECT

    QTemporaryDir Dir;
    TDefinitions Definitions;
    std::unique_ptr<TManualClock> Clock;
    std::unique_ptr<TCaptureForm> Form;
    std::string MsgA;
    std::string MsgB;

    QString Path(const char* Name) const { return Dir.filePath(QString::fromLatin1(Name)); }
    std::string LocalPath(const char* Name) const { return Path(Name).toStdString(); }
    TCaptureListModel* Model() const { return Form->ListModel(); }
    int Rows() const
    {
        Model()->FlushPendingRows();
        return Model()->rowCount();
    }
    TCaptureRecord RowRecord(int Row) const { return Model()->ItemAt(Row)->Record(); }

    // The messages of a pcap as capture records.
    std::vector<TCaptureRecord> ReadBack(const char* Name) const
    {
        std::vector<TCaptureRecord> Records;
        TPcapReader Reader(LocalPath(Name));
        TPcapMessage Message;
        while (Reader.Next(Message))
            Records.push_back({Message.Stamp, Message.Direction, Message.Link, std::string(Message.Octets)});
        return Records;
    }

    // A pcap of Count messages, MsgA and MsgB in turn, link I % 7.
    void WritePcap(const char* Name, int Count)
    {
        TPcapWriter Writer(LocalPath(Name));
        for (int I = 0; I < Count; ++I)
            Writer.Write(Stamp(10, 0, static_cast<uint16_t>(I / 1000 % 60), static_cast<uint16_t>(I % 1000)),
                         I % 2 ? 2 : 1, static_cast<uint8_t>(I % 7), I % 2 ? MsgB : MsgA);
        Writer.Close();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(Dir.isValid());
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

    void TheFileMenuKeepsItsItemsAndGainsImportAndExport()
    {
        const QList<QAction*> Items = Form->menuBar()->actions().first()->menu()->actions();
        QStringList Texts;
        for (const QAction* Item : Items)
            Texts << (Item->isSeparator() ? QStringLiteral("-")
                                          : QString(Item->text()).remove('&') + " " + Item->shortcut().toString());
        QCOMPARE(Texts,
                 QStringList({"Load Captures Ctrl+L", "Save Captures Ctrl+S", "-", "Import pcap ... Ctrl+I",
                              "Export pcap ... Ctrl+E", "Export Selected as pcap ... ", "-", "Exit Alt+F4"}));
    }

    void ExportedCapturesImportBackAfterThoseThere()
    {
        Form->AddCapture(Record(Stamp(9, 5, 3, 12), 1, 3, MsgA));
        Form->AddCapture(Record(Stamp(23, 59, 59, 999), 2, 200, MsgB));
        Form->AddCapture(StopEntryRecord(Stamp(0, 0, 7, 1)));
        Form->AddCapture(Record(Stamp(12, 0, 0, 0), 1, 4, std::string("\x83\x01\x80\x00\x30\x09", 6)));
        std::vector<TCaptureRecord> Before;
        for (int Row = 0; Row < Rows(); ++Row)
            Before.push_back(RowRecord(Row));

        Form->ExportPcap(Path("all.pcap"), false);
        QCOMPARE(Form->StatusText(),
                 Path("all.pcap") +
                     QStringLiteral(": 3 messages written; 1 stop entries left out (they are not messages)"));
        QVERIFY(!QFile::exists(Path("all.pcap.part")));

        Form->ImportPcap(Path("all.pcap"));
        QCOMPARE(Rows(), 7);
        QCOMPARE(RowRecord(4), Before[0]);
        QCOMPARE(RowRecord(5), Before[1]);
        QCOMPARE(RowRecord(6), Before[3]);
        QCOMPARE(Model()->CellText(5, colOut), QStringLiteral("MSGB"));
        QCOMPARE(Form->StatusText(), Path("all.pcap") + QStringLiteral(": 3 packets, 3 messages"));
        QVERIFY(!Form->IsLoading());
        QVERIFY(Form->findChild<QProgressBar*>()->isHidden());
    }

    void ExportSelectedWritesTheSelectedCaptureOnly()
    {
        Form->AddCapture(Record(Stamp(9, 0, 0, 1), 1, 3, MsgA));
        Form->AddCapture(Record(Stamp(9, 0, 0, 2), 2, 9, MsgB));
        Model()->FlushPendingRows();
        Form->ListView()->selectionModel()->setCurrentIndex(
            Model()->index(1, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        Form->ExportPcap(Path("one.pcap"), true);
        const std::vector<TCaptureRecord> Written = ReadBack("one.pcap");
        QCOMPARE(Written.size(), size_t{1});
        QCOMPARE(Written[0], RowRecord(1));
    }

    void EscStopsAnImportKeepingWhatItAdded()
    {
        WritePcap("large.pcap", 20000);
        bool Pressed = false;
        const auto Watch = connect(Model(), &QAbstractItemModel::rowsInserted, this, [&] {
            if (Pressed || !Form->IsLoading())
                return;
            Pressed = true;
            QTest::keyClick(Form->ListView(), Qt::Key_Escape);
        });
        Form->ImportPcap(Path("large.pcap"));
        disconnect(Watch);
        QVERIFY(Pressed);
        QVERIFY(Rows() > 0);
        QVERIFY(Rows() < 20000);
        QVERIFY(!Form->IsLoading());
        QVERIFY(Form->StatusText().startsWith(QStringLiteral("Import stopped: ")));
        // The captures kept are the file's first ones, in order.
        const std::vector<TCaptureRecord> All = ReadBack("large.pcap");
        for (int Row = 0; Row < Rows(); ++Row)
            QCOMPARE(RowRecord(Row), All[static_cast<size_t>(Row)]);
        // A new import is accepted after it, and runs to the end.
        const int Kept = Rows();
        Form->ImportPcap(Path("large.pcap"));
        QCOMPARE(Rows(), Kept + 20000);
    }

    void AFileCutOffKeepsThePacketsBeforeAndNamesThePacket()
    {
        WritePcap("whole.pcap", 10);
        QFile Whole(Path("whole.pcap"));
        QVERIFY(Whole.open(QIODevice::ReadOnly));
        const QByteArray Bytes = Whole.readAll();
        QFile Cut(Path("cut.pcap"));
        QVERIFY(Cut.open(QIODevice::WriteOnly));
        Cut.write(Bytes.left(Bytes.size() - 5));
        Cut.close();
        Form->AddCapture(Record(Stamp(9, 0, 0, 1), 1, 3, MsgA));

        const auto Seen = AnswerNextModal();
        Form->ImportPcap(Path("cut.pcap"));
        QVERIFY(Seen->Seen);
        QVERIFY2(
            Seen->Text.startsWith(Path("cut.pcap") + QStringLiteral(": packet 10: the file ends inside the packet")),
            qPrintable(Seen->Text));
        QCOMPARE(Rows(), 10);
        QVERIFY(!Form->IsLoading());
        QVERIFY(Form->findChild<QProgressBar*>()->isHidden());
    }

    void AFileThatIsNoCaptureIsRefusedLeavingTheCaptures()
    {
        Form->AddCapture(Record(Stamp(9, 0, 0, 1), 1, 3, MsgA));
        std::ofstream(LocalPath("notes.pcap")) << "these are notes, not packets\n";
        const auto Seen = AnswerNextModal();
        Form->ImportPcap(Path("notes.pcap"));
        QVERIFY(Seen->Seen);
        QVERIFY2(Seen->Text.startsWith(Path("notes.pcap") + QStringLiteral(": not a pcap or pcapng file")),
                 qPrintable(Seen->Text));
        QCOMPARE(Rows(), 1);
        QVERIFY(!Form->IsLoading());
    }
};

QTEST_MAIN(PcapFormTest)
#include "pcap_form_test.moc"
