// Capture files below the window: writing that never destroys the previous
// file, and the chunked loader with its progress, status and errors.
#include "app/CaptureFile.h"
#include "core/Clock.h"

#include <QApplication>
#include <QFileDialog>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <algorithm>
#include <csignal>
#include <sys/resource.h>

namespace {

std::string Record(int I)
{
    // Stamp, direction 1, link 3, then a 10-octet message carrying I.
    std::string R(16, '\x01');
    R += '\x01';
    R += '\x03';
    R += std::string("\x85\x01\x80\x00\x30", 5);
    R += static_cast<char>(I & 0xFF);
    R += static_cast<char>((I >> 8) & 0xFF);
    R += static_cast<char>((I >> 16) & 0xFF);
    R += std::string(2, '\x00');
    return R;
}

std::string SpacedHex(const std::string& Bytes)
{
    static const char Digits[] = "0123456789ABCDEF";
    std::string Text;
    for (unsigned char C : Bytes) {
        Text += Digits[C >> 4];
        Text += Digits[C & 15];
        Text += ' ';
    }
    return Text;
}

QByteArray FileBytes(const QString& Name)
{
    QFile File(Name);
    if (!File.open(QIODevice::ReadOnly))
        return {};
    return File.readAll();
}

void WriteBytes(const QString& Name, const QByteArray& Bytes)
{
    QFile File(Name);
    QVERIFY(File.open(QIODevice::WriteOnly));
    QCOMPARE(File.write(Bytes), Bytes.size());
}

// A stand-in for the main window: the captures it was given, in order.
struct TFakeWindow {
    std::vector<std::string> Captures;
    QString Status;
    QProgressBar Progress;
    bool Loading = false;
    int Clears = 0;
    int Updates = 0;
    TCaptureLoadHost Host;

    TFakeWindow()
    {
        Progress.hide();
        Host.ClearCaptures = [this] {
            Captures.clear();
            ++Clears;
        };
        Host.AddCaptures = [this](const TRecordBatch& Records) {
            ++Updates;
            for (size_t I = 0; I < Records.Count(); ++I)
                Captures.emplace_back(Records.Record(I));
        };
        Host.CaptureCount = [this] { return Captures.size(); };
        Host.RecordsFrom = [this](size_t Index) {
            TRecordBatch Records;
            for (size_t I = Index; I < Captures.size(); ++I)
                Records.Add(Captures[I]);
            return Records;
        };
        Host.SetStatusText = [this](const QString& Text) { Status = Text; };
        Host.ProgressBar = &Progress;
        Host.Loading = &Loading;
    }
};

} // namespace

class CaptureFileTest : public QObject {
    Q_OBJECT

    QTemporaryDir Dir;

    QString Path(const char* Name) const { return Dir.filePath(QString::fromLatin1(Name)); }

    void WriteRecords(const QString& Name, int Count)
    {
        WriteCaptureFile(Name, static_cast<size_t>(Count),
                         [](size_t I, std::string& Text) { Text += SpacedHex(Record(static_cast<int>(I))) + "\r\n"; });
    }

private slots:
    void WritesOneSpacedHexLinePerCaptureWithCrLf()
    {
        const QString Name = Path("three.ss7");
        WriteRecords(Name, 3);
        const QByteArray Expected = QByteArray::fromStdString(SpacedHex(Record(0)) + "\r\n" + SpacedHex(Record(1)) +
                                                              "\r\n" + SpacedHex(Record(2)) + "\r\n");
        QCOMPARE(FileBytes(Name), Expected);
        WriteCaptureFile(Name, 0, [](size_t, std::string&) {});
        QCOMPARE(FileBytes(Name), QByteArray());
    }

    void RoundTripKeepsEveryRecordAndEndsWithDone()
    {
        const QString Name = Path("round.ss7");
        WriteRecords(Name, 1000);
        TFakeWindow Window;
        Window.Captures = {"old"};
        const TCaptureLoadResult Result = LoadCaptureFile(Name, Window.Host);
        QCOMPARE(Window.Clears, 1);
        QCOMPARE(Window.Captures.size(), size_t(1000));
        for (int I = 0; I < 1000; ++I)
            QCOMPARE(Window.Captures[I], Record(I));
        QCOMPARE(Result.Lines, size_t(1000));
        QVERIFY(!Result.Stopped);
        QCOMPARE(Window.Status, QStringLiteral("Done."));
        QVERIFY(!Window.Loading);
        QVERIFY(Window.Progress.isHidden());
        QCOMPARE(Window.Progress.maximum(), 1000);
        // Rows go to the window in a few model updates, not one per line.
        QVERIFY(Window.Updates <= 1000 / 256 + 1);
    }

    void TheLoadTurnsTheEventLoopAndShowsProgressAsItsClockRuns()
    {
        const QString Name = Path("slices.ss7");
        WriteRecords(Name, 20000);
        // Every look at the clock finds a millisecond gone: the load takes
        // many slices of time, each ended by a turn of the event loop with
        // the lines read so far on the progress bar.
        TManualClock Clock;
        Clock.SetStepPerReading(1);
        TFakeWindow Window;
        Window.Host.Clock = &Clock;
        std::vector<int> Shown;
        connect(&Window.Progress, &QProgressBar::valueChanged, this, [&](int Value) {
            // Past the 0 the load starts with.
            if (Window.Loading && Value > 0)
                Shown.push_back(Value);
        });
        int Turns = 0;
        QTimer Turn;
        connect(&Turn, &QTimer::timeout, this, [&] { Turns += Window.Loading; });
        Turn.start(0);
        LoadCaptureFile(Name, Window.Host);
        QCOMPARE(Window.Captures.size(), size_t(20000));
        QVERIFY(Shown.size() >= 2);
        QVERIFY(std::is_sorted(Shown.begin(), Shown.end()));
        QVERIFY(Shown.back() < 20000);
        QVERIFY(Turns > static_cast<int>(Shown.size()));

        // A clock that stands still: the whole file is one slice.
        TManualClock Frozen;
        TFakeWindow Still;
        Still.Host.Clock = &Frozen;
        int Values = 0;
        connect(&Still.Progress, &QProgressBar::valueChanged, this,
                [&](int Value) { Values += Still.Loading && Value > 0; });
        LoadCaptureFile(Name, Still.Host);
        QCOMPARE(Still.Captures.size(), size_t(20000));
        QCOMPARE(Values, 0);
    }

    void LfOnlyAndCrOnlyFilesLoadLikeCrLfFiles()
    {
        const std::string Lines[] = {SpacedHex(Record(1)), SpacedHex(Record(2))};
        for (const char* End : {"\n", "\r", "\r\n"}) {
            const QString Name = Path("ends.ss7");
            WriteBytes(Name, QByteArray::fromStdString(Lines[0] + End + Lines[1]));
            TFakeWindow Window;
            LoadCaptureFile(Name, Window.Host);
            QCOMPARE(Window.Captures, (std::vector<std::string>{Record(1), Record(2)}));
        }
    }

    void ShortAndEmptyLinesAreSkippedSilently()
    {
        const QString Name = Path("short.ss7");
        const std::string Eighteen = std::string(16, '\x02') + "\x01\x05";
        const std::string Seventeen = Eighteen.substr(0, 17);
        WriteBytes(Name,
                   QByteArray::fromStdString("\r\n" + SpacedHex(Seventeen) + "\r\n" + SpacedHex(Eighteen) + "\r\n\r\n" +
                                             "01 02\t03,04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10 11 12"));
        TFakeWindow Window;
        const TCaptureLoadResult Result = LoadCaptureFile(Name, Window.Host);
        QCOMPARE(Result.Lines, size_t(5));
        QCOMPARE(Window.Captures.size(), size_t(2));
        QCOMPARE(Window.Captures[0], Eighteen);
        QCOMPARE(Window.Captures[1],
                 std::string("\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0A\x0B\x0C\x0D\x0E\x0F\x10\x11\x12"));
    }

    void EmptyFileClearsAndSaysDone()
    {
        const QString Name = Path("empty.ss7");
        WriteBytes(Name, {});
        TFakeWindow Window;
        Window.Captures = {"old"};
        LoadCaptureFile(Name, Window.Host);
        QVERIFY(Window.Captures.empty());
        QCOMPARE(Window.Status, QStringLiteral("Done."));
    }

    void UnreadableFileLeavesTheCapturesAlone()
    {
        TFakeWindow Window;
        Window.Captures = {"old"};
        Window.Status = QStringLiteral("before");
        QVERIFY_THROWS_EXCEPTION(ECaptureFileError, LoadCaptureFile(Path("missing.ss7"), Window.Host));
        QCOMPARE(Window.Captures, std::vector<std::string>{"old"});
        QCOMPARE(Window.Clears, 0);
        QCOMPARE(Window.Status, QStringLiteral("before"));
    }

    void ConversionErrorEndsTheLoadAtItsLineAndLeavesTheWindowUsable()
    {
        const QString Name = Path("bad.ss7");
        std::string Text;
        for (int I = 0; I < 600; ++I)
            Text += SpacedHex(Record(I)) + "\r\n";
        Text += "EA 07 QQ\r\n" + SpacedHex(Record(9999)) + "\r\n";
        WriteBytes(Name, QByteArray::fromStdString(Text));
        TFakeWindow Window;
        const TCaptureLoadResult Result = LoadCaptureFile(Name, Window.Host);
        QCOMPARE(QString::fromStdString(Result.Error), QStringLiteral("'$0QQ' is not a valid integer value"));
        QCOMPARE(Result.Status, QStringLiteral("Load stopped at line 601"));
        QCOMPARE(Window.Captures.size(), size_t(600));
        QCOMPARE(Window.Captures.back(), Record(599));
        QVERIFY(!Window.Loading);
        QVERIFY(Window.Progress.isHidden());
        QCOMPARE(Window.Status, QStringLiteral("Load stopped at line 601"));
    }

    void EscBeforeTheOldCapturesAreClearedKeepsThem()
    {
        const QString Name = Path("early.ss7");
        WriteRecords(Name, 10);
        TFakeWindow Window;
        Window.Captures = {"old"};
        Window.Status = QStringLiteral("before");
        // Esc seen in the event-loop turn that follows the reading.
        QTimer::singleShot(0, this, [&Window] { Window.Loading = false; });
        const TCaptureLoadResult Result = LoadCaptureFile(Name, Window.Host);
        QVERIFY(Result.Stopped);
        QCOMPARE(Window.Clears, 0);
        QCOMPARE(Window.Captures, std::vector<std::string>{"old"});
        // Not the older text: the status says the load stopped.
        QCOMPARE(Window.Status, QStringLiteral("Load stopped before any line was read"));
        QCOMPARE(Result.Status, Window.Status);
        QVERIFY(!Window.Loading);
        QVERIFY(Window.Progress.isHidden());
    }

    void CapturesTakenInWhileTheFileIsReadAreKept()
    {
        const QString Name = Path("meanwhile.ss7");
        WriteRecords(Name, 3);
        TFakeWindow Window;
        Window.Captures = {"old"};
        // A datagram handled in the event-loop turn that follows the reading.
        QTimer::singleShot(0, this, [&Window] { Window.Captures.push_back("live"); });
        LoadCaptureFile(Name, Window.Host);
        QCOMPARE(Window.Clears, 1);
        QCOMPARE(Window.Captures, (std::vector<std::string>{"live", Record(0), Record(1), Record(2)}));
    }

    void FailedSaveLeavesThePreviousFileIntact()
    {
        const QString Name = Path("keep.ss7");
        WriteRecords(Name, 2);
        const QByteArray Before = FileBytes(Name);
        QVERIFY(!Before.isEmpty());

        // A file size limit makes the write fail midway, as a full disk would.
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit Old{};
        getrlimit(RLIMIT_FSIZE, &Old);
        rlimit Small = Old;
        Small.rlim_cur = 4096;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &Small), 0);
        bool Raised = false;
        try {
            WriteRecords(Name, 100000);
        } catch (const ECaptureFileError& Error) {
            Raised = true;
            QVERIFY(QString::fromStdString(Error.Message()).startsWith(QStringLiteral("Cannot write file \"")));
        }
        setrlimit(RLIMIT_FSIZE, &Old);
        QVERIFY(Raised);
        QCOMPARE(FileBytes(Name), Before);
        // No temporary file is left beside it.
        QCOMPARE(QDir(Dir.path()).entryList({QStringLiteral("keep*")}, QDir::Files | QDir::Hidden).size(), 1);

        QVERIFY_THROWS_EXCEPTION(ECaptureFileError, WriteRecords(Path("no/such/folder/x.ss7"), 1));
    }

    void DialogsAddTheExtensionAndStartAtTheLastNameKept()
    {
        TCaptureFileDialogs Dialogs;
        QStringList Shown;
        auto Answer = [&](const QString& Typed) {
            QTimer::singleShot(0, this, [&Shown, Typed] {
                auto* Dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
                QVERIFY(Dialog);
                Shown << Dialog->selectedFiles().value(0);
                QCOMPARE(Dialog->nameFilters(), QStringList{TCaptureFileDialogs::Filter});
                if (Typed.isEmpty()) {
                    Dialog->reject();
                    return;
                }
                Dialog->selectFile(Typed);
                // QFileDialog's accept is protected; through QDialog it is the same call.
                static_cast<QDialog*>(Dialog)->accept();
            });
        };
        const QString Typed = Path("typed-without-extension");
        Answer(Typed);
        QCOMPARE(Dialogs.SaveFileName(nullptr), Typed + QStringLiteral(".ss7"));
        // The window keeps a name only once the save worked.
        QVERIFY(Dialogs.LastSaveName.isEmpty());
        Dialogs.LastSaveName = Typed + QStringLiteral(".ss7");
        Answer(QString());
        QCOMPARE(Dialogs.SaveFileName(nullptr), QString());
        // The next time the dialog opens on the name kept.
        QCOMPARE(Shown.value(1), Typed + QStringLiteral(".ss7"));
        QVERIFY(Dialogs.LastOpenName.isEmpty());
    }

    void DialogFilterMatchesTheExtensionInAnyLetterCase()
    {
        const QStringList Patterns = {QStringLiteral("*.ss7"), QStringLiteral("*.SS7"), QStringLiteral("*.Ss7"),
                                      QStringLiteral("*.sS7")};
        for (const QString& P : Patterns)
            QVERIFY(TCaptureFileDialogs::Filter.contains(P));
        QCOMPARE(TCaptureFileDialogs::DefaultSuffix, QStringLiteral("ss7"));
    }
};

QTEST_MAIN(CaptureFileTest)
#include "capture_file_test.moc"
