// Capture file load benchmark: writes a capture file of N lines (default one
// million) cycling through the lines of samples/*.ss7 (or a synthesized mix
// when there are none), then loads it into the main window on Qt's
// offscreen platform and reports the load time (wall and CPU), the
// captures per second, the longest time the event loop waited during the
// load, the peak resident memory (VmHWM) and the slowest of a few row
// selections; then the time to save them all, to search them all for a name
// no row has, to load the file again over them, and how soon a load stops
// after Esc.
//
//   capture_load_bench [LINES [FILE]]
#include "app/CaptureForm.h"
#include "app/CaptureListModel.h"
#include "app/CaptureListView.h"
#include "catalog/Definitions.h"
#include "core/Globals.h"
#include "presentation/CaptureRecord.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QInputDialog>
#include <QKeyEvent>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <string>
#include <vector>

namespace {

// The CPU time this process has used, all threads.
double CpuSeconds()
{
    timespec Now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &Now);
    return static_cast<double>(Now.tv_sec) + static_cast<double>(Now.tv_nsec) / 1e9;
}

long VmKilobytes(const char* Key)
{
    std::ifstream Status("/proc/self/status");
    std::string Line;
    const std::string Prefix = std::string(Key) + ":";
    while (std::getline(Status, Line))
        if (Line.rfind(Prefix, 0) == 0)
            return std::stol(Line.substr(Prefix.size()));
    return -1;
}

std::vector<std::string> SampleLines()
{
    std::vector<std::string> Lines;
    const QDir Samples(QStringLiteral(VELMORA_SAMPLES_DIR));
    for (const QString& Name : Samples.entryList({QStringLiteral("*.ss7")}, QDir::Files, QDir::Name)) {
        QFile File(Samples.filePath(Name));
        if (!File.open(QIODevice::ReadOnly))
            continue;
        for (QByteArray Line : File.readAll().split('\n')) {
            Line = Line.trimmed();
            if (Line.count(' ') >= 17)
                Lines.push_back(Line.toStdString() + " ");
        }
    }
    if (Lines.empty()) {
        // Stamp, direction, link, then an ISUP IAM-sized message, an MTP
        // management message, a link test message and a stop entry.
        const std::string Stamp = "EA 07 0C 00 01 00 07 00 09 00 05 00 03 00 0C 00 ";
        Lines = {Stamp +
                     "01 03 85 01 80 00 30 05 00 01 00 60 01 0A 00 02 0A 08 83 90 89 67 45 23 01 0F 0A 07 03 13 09 "
                     "21 43 65 00 ",
                 Stamp + "02 03 80 01 80 00 30 14 05 00 ", Stamp + "01 03 81 01 80 00 30 11 40 AA BB CC DD ",
                 Stamp + "00 00 FF 00 00 00 00 "};
    }
    return Lines;
}

bool WriteFile(const QString& Name, long Count, const std::vector<std::string>& Lines)
{
    std::ofstream Out(Name.toStdString(), std::ios::binary);
    for (long I = 0; I < Count && Out; ++I) {
        Out << Lines[static_cast<size_t>(I) % Lines.size()];
        Out << "\r\n";
    }
    return static_cast<bool>(Out);
}

// A caption without its mnemonic marks.
QString Plain(QString Caption)
{
    return Caption.remove(QLatin1Char('&'));
}

// The action of a main menu item, by the captions of menu and item; the
// program stops when there is none.
QAction* MenuAction(QMainWindow& Window, const QString& Menu, const QString& Item)
{
    for (QAction* Top : Window.menuBar()->actions()) {
        if (Plain(Top->text()) != Menu || !Top->menu())
            continue;
        for (QAction* Action : Top->menu()->actions())
            if (Plain(Action->text()) == Item)
                return Action;
    }
    std::fprintf(stderr, "capture_load_bench: no menu item %s > %s\n", qPrintable(Menu), qPrintable(Item));
    std::exit(1);
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication App(argc, argv);
    const QStringList Arguments = App.arguments();
    const long Count = Arguments.size() > 1 ? Arguments[1].toLong() : 1000000;
    QTemporaryDir Work;
    const QString FileName = Arguments.size() > 2 ? Arguments[2] : Work.filePath(QStringLiteral("bench.ss7"));

    StateFileName.clear();
    const TDefinitions Definitions = LoadDefinitions(ProgramFolder() + "CFG/");
    const std::vector<std::string> Lines = SampleLines();
    if (!QFile::exists(FileName) && !WriteFile(FileName, Count, Lines)) {
        std::fprintf(stderr, "capture_load_bench: cannot write %s\n", qPrintable(FileName));
        return 1;
    }
    const double FileMegabytes = static_cast<double>(QFileInfo(FileName).size()) / 1e6;

    TCaptureForm Form(*Definitions.StaticPackets);
    Form.show();
    App.processEvents();
    const long BeforeKb = VmKilobytes("VmRSS");

    // The longest wait of a 5 ms timer tells how long the event loop went
    // without a turn: the delay Esc and live datagrams see.
    QElapsedTimer SinceTick;
    qint64 LongestGap = 0;
    QTimer Probe;
    Probe.setTimerType(Qt::PreciseTimer);
    QObject::connect(&Probe, &QTimer::timeout, [&] {
        LongestGap = qMax(LongestGap, SinceTick.elapsed());
        SinceTick.restart();
    });
    QElapsedTimer Clock;
    Clock.start();
    const double CpuBefore = CpuSeconds();
    SinceTick.start();
    Probe.start(5);
    Form.LoadCaptures(FileName);
    const qint64 Milliseconds = Clock.elapsed();
    const double LoadCpu = CpuSeconds() - CpuBefore;
    Probe.stop();
    TCaptureListModel& Model = *Form.ListModel();
    Model.FlushPendingRows();

    const int Loaded = Model.CaptureCount();
    const int LoadedRows = Model.rowCount();
    const QString LoadStatus = Form.StatusText();
    const long AfterKb = VmKilobytes("VmRSS");
    const long PeakKb = VmKilobytes("VmHWM");

    // Selecting rows: the first, the middle, the last and a spread of
    // others, each showing its decoded view; the slowest is what a user
    // waits for.
    qint64 SlowestSelectUs = 0;
    int Selected = 0;
    {
        QElapsedTimer Select;
        for (const int Row : {0, Model.rowCount() / 2, Model.rowCount() - 1, 12345, 777777, 1, 999998}) {
            if (Row < 0 || Row >= Model.rowCount())
                continue;
            Select.start();
            Form.ListView()->setCurrentIndex(Model.index(Row, 0));
            App.processEvents();
            SlowestSelectUs = qMax(SlowestSelectUs, Select.nsecsElapsed() / 1000);
            ++Selected;
        }
    }

    Clock.restart();
    Form.SaveCaptures(Work.filePath(QStringLiteral("saved.ss7")));
    const qint64 SaveMilliseconds = Clock.elapsed();
    const bool SameFile = QFileInfo(Work.filePath(QStringLiteral("saved.ss7"))).size() == QFileInfo(FileName).size();

    // No row shows this name: Search Again looks at every row, then says so
    // in a message box, closed here as soon as it shows. The name is given
    // to Find first, whose box is answered here too.
    QTimer CloseBox;
    QObject::connect(&CloseBox, &QTimer::timeout, [] {
        QWidget* Box = QApplication::activeModalWidget();
        if (auto* Input = qobject_cast<QInputDialog*>(Box)) {
            Input->setTextValue(QStringLiteral("NO SUCH NAME"));
            Input->accept();
        } else if (Box) {
            Box->close();
        }
    });
    CloseBox.start(1);
    MenuAction(Form, QStringLiteral("Search"), QStringLiteral("Find ..."))->trigger();
    Clock.restart();
    MenuAction(Form, QStringLiteral("Search"), QStringLiteral("Search Again"))->trigger();
    const qint64 SearchMilliseconds = Clock.elapsed();
    CloseBox.stop();

    LongestGap = 0;
    SinceTick.restart();
    Probe.start(5);
    Clock.restart();
    Form.LoadCaptures(FileName);
    const qint64 ReloadMilliseconds = Clock.elapsed();
    Probe.stop();
    const qint64 ReloadGap = LongestGap;

    // Live captures arriving one by one with a million rows in the list,
    // which is at its end: the time each takes, its row shown.
    const int LiveCount = 200;
    Model.FlushPendingRows();
    Form.ListView()->scrollToBottom();
    App.processEvents();
    std::string LiveRecord;
    Clock.restart();
    for (int I = 0; I < LiveCount; ++I) {
        ParseCaptureLine(Lines[static_cast<size_t>(I) % Lines.size()], LiveRecord);
        Form.AddCapture(LiveRecord);
        App.processEvents();
    }
    const double LiveMicroseconds = static_cast<double>(Clock.nsecsElapsed()) / 1000.0 / LiveCount;
    Model.FlushPendingRows();
    const int LiveRows = Model.rowCount();
    const bool LiveAtEnd = Form.ListView()->LastRowVisible();

    // Esc half a second into a load: how long until the load has stopped.
    QElapsedTimer SinceEsc;
    QTimer::singleShot(500, &Form, [&Form, &SinceEsc] {
        QCoreApplication::postEvent(&Form, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
        SinceEsc.start();
    });
    Form.LoadCaptures(FileName);
    const qint64 EscMilliseconds = SinceEsc.isValid() ? SinceEsc.elapsed() : -1;
    Model.FlushPendingRows();
    const int RowsAtEsc = Model.rowCount();

    QTextStream Out(stdout);
    Out << "file          " << FileName << " (" << QString::number(FileMegabytes, 'f', 1) << " MB, " << Lines.size()
        << " sample lines cycled)\n";
    Out << "captures      " << Loaded << " (rows " << LoadedRows << ")\n";
    Out << "load time     " << QString::number(Milliseconds / 1000.0, 'f', 2) << " s ("
        << QString::number(Loaded / (Milliseconds / 1000.0) / 1e6, 'f', 2) << " M captures/s)\n";
    Out << "load CPU time " << QString::number(LoadCpu, 'f', 2) << " s (the process's; wall time above grows when "
        << "other programs share the cores)\n";
    Out << "longest event-loop wait  " << LongestGap << " ms\n";
    Out << "select row    slowest of " << Selected << " rows " << SlowestSelectUs << " us, decoded view shown\n";
    Out << "status        " << LoadStatus << "\n";
    Out << "memory        VmRSS before load " << BeforeKb / 1024 << " MB, after " << AfterKb / 1024
        << " MB, peak VmHWM " << PeakKb / 1024 << " MB\n";
    Out << "save          " << QString::number(SaveMilliseconds / 1000.0, 'f', 2) << " s"
        << (SameFile ? " (same size as the loaded file)" : " (SIZE DIFFERS from the loaded file)") << "\n";
    Out << "search        " << QString::number(SearchMilliseconds / 1000.0, 'f', 2) << " s through every row\n";
    Out << "reload        " << QString::number(ReloadMilliseconds / 1000.0, 'f', 2)
        << " s over the loaded captures, longest event-loop wait " << ReloadGap << " ms, peak VmHWM "
        << VmKilobytes("VmHWM") / 1024 << " MB\n";
    Out << "live          " << QString::number(LiveMicroseconds, 'f', 0) << " us per capture arriving with " << LiveRows
        << " rows, the list " << (LiveAtEnd ? "kept at its end" : "NOT AT ITS END") << "\n";
    Out << "esc           load stopped " << EscMilliseconds << " ms after Esc, " << RowsAtEsc << " rows kept, status "
        << Form.StatusText() << "\n";
    return Loaded == Count ? 0 : 2;
}
