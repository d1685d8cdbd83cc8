// velmora: the SS7 level-4 monitor. Start-up: the state file and the
// definitions beside the program, then the main window, the configuration
// window and the ISUP message selection window.
#include "app/CaptureForm.h"
#include "app/CaptureListModel.h"
#include "app/CaptureListView.h"
#include "app/OptionsForm.h"
#include "app/SelectionForm.h"
#include "catalog/Definitions.h"
#include "core/Globals.h"
#include "net/UdpEndpoint.h"
#include "presentation/CaptureRecord.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDateTime>
#include <QFile>
#include <QMessageBox>
#include <QPixmap>
#include <QSpinBox>
#include <QTextStream>
#include <QTimer>

#include <cstdio>
#include <exception>
#include <memory>

namespace {

struct TRunOptions {
    QString CaptureFile;
    QString ScreenshotFile;
    int ScreenshotDelay = 2000;
    QString SelectName;
    long long QuitAfter = 0;
    int ExitAfterIdle = 0;
    bool Report = false;
    QString SaveOnExit;
    int Port = -1;
    bool HasStateFile = false;
    QString StateFile;
};

TRunOptions ParseArguments(const QApplication& App)
{
    QCommandLineParser Parser;
    Parser.setApplicationDescription(QStringLiteral("SS7 L4 Velmora: SS7 level-4 monitor and decoder"));
    Parser.addHelpOption();
    Parser.addPositionalArgument(QStringLiteral("capture-file"),
                                 QStringLiteral("A capture file (.ss7) to load when the window is first shown."));
    const QCommandLineOption Port(QStringLiteral("port"), QStringLiteral("Listen on this local UDP port."),
                                  QStringLiteral("port"));
    const QCommandLineOption StateFile(QStringLiteral("state-file"),
                                       QStringLiteral("Window state file to use instead of CFG/State.ini "
                                                      "(an empty name keeps no state)."),
                                       QStringLiteral("file"));
    const QCommandLineOption Screenshot(QStringLiteral("screenshot"),
                                        QStringLiteral("Save a picture of the window to this PNG file and quit."),
                                        QStringLiteral("file"));
    const QCommandLineOption ScreenshotDelay(QStringLiteral("screenshot-delay"),
                                             QStringLiteral("Milliseconds to wait before the screenshot (2000)."),
                                             QStringLiteral("ms"));
    const QCommandLineOption SelectName(QStringLiteral("select-name"),
                                        QStringLiteral("Before the screenshot, select the last row showing this "
                                                       "message name (else the last row)."),
                                        QStringLiteral("name"));
    const QCommandLineOption QuitAfter(QStringLiteral("quit-after"),
                                       QStringLiteral("Quit once this many captures are held."),
                                       QStringLiteral("count"));
    const QCommandLineOption ExitAfterIdle(QStringLiteral("exit-after-idle"),
                                           QStringLiteral("Quit when no capture arrived for this many milliseconds "
                                                          "after the first one."),
                                           QStringLiteral("ms"));
    const QCommandLineOption Report(QStringLiteral("report"),
                                    QStringLiteral("On quitting, print the number of captures and the last rows."));
    const QCommandLineOption SaveOnExit(QStringLiteral("save-on-exit"),
                                        QStringLiteral("On quitting, write every capture to this capture file."),
                                        QStringLiteral("file"));
    Parser.addOptions(
        {SaveOnExit, Port, StateFile, Screenshot, ScreenshotDelay, SelectName, QuitAfter, ExitAfterIdle, Report});
    Parser.process(App);

    TRunOptions Options;
    if (!Parser.positionalArguments().isEmpty())
        Options.CaptureFile = Parser.positionalArguments().first();
    Options.ScreenshotFile = Parser.value(Screenshot);
    if (Parser.isSet(ScreenshotDelay))
        Options.ScreenshotDelay = Parser.value(ScreenshotDelay).toInt();
    Options.SelectName = Parser.value(SelectName);
    Options.QuitAfter = Parser.value(QuitAfter).toLongLong();
    Options.ExitAfterIdle = Parser.value(ExitAfterIdle).toInt();
    Options.Report = Parser.isSet(Report);
    Options.SaveOnExit = Parser.value(SaveOnExit);
    if (Parser.isSet(Port))
        Options.Port = Parser.value(Port).toInt();
    Options.HasStateFile = Parser.isSet(StateFile);
    Options.StateFile = Parser.value(StateFile);
    return Options;
}

// The number of captures and the texts of the last rows, one row a line,
// cells separated by tabs.
void PrintReport(TCaptureForm& Form)
{
    TCaptureListModel& Model = *Form.ListModel();
    Model.FlushPendingRows();
    QTextStream Out(stdout);
    const int Rows = Model.rowCount();
    Out << "captures " << Model.CaptureCount() << "\n";
    for (int Row = qMax(0, Rows - 5); Row < Rows; ++Row) {
        Out << "row " << Row;
        for (int Column = colIn; Column < CaptureColumnCount; ++Column)
            Out << "\t" << Model.CellText(Row, Column);
        Out << "\n";
    }
    Out.flush();
}

// Every capture as a capture file line, in collection order.
void SaveAll(const TCaptureForm& Form, const QString& FileName)
{
    QFile File(FileName);
    if (!File.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        std::fprintf(stderr, "velmora: cannot write %s\n", qPrintable(FileName));
        return;
    }
    const TCaptureListModel& Model = *Form.ListModel();
    std::string Record;
    std::string Line;
    for (int I = 0; I < Model.CaptureCount(); ++I) {
        Record.clear();
        Line.clear();
        Model.Captures().Items(I).AppendRecordBytes(Record);
        AppendCaptureLine(Record, Line);
        File.write(Line.data(), static_cast<qint64>(Line.size()));
    }
}

// Options for unattended runs: pictures and intake measurements.
void InstallRunOptions(TCaptureForm& Form, const TRunOptions& Options)
{
    if (!Options.ScreenshotFile.isEmpty()) {
        QTimer::singleShot(
            Options.ScreenshotDelay, &Form, [&Form, File = Options.ScreenshotFile, Name = Options.SelectName] {
                TCaptureListModel& Model = *Form.ListModel();
                Model.FlushPendingRows();
                int Row = Model.rowCount() - 1;
                for (int I = Row; !Name.isEmpty() && I >= 0; --I) {
                    if (Model.CellText(I, colIn) == Name || Model.CellText(I, colOut) == Name) {
                        Row = I;
                        break;
                    }
                }
                Form.ListView()->selectRow(Row);
                QApplication::processEvents();
                const bool Saved = Form.grab().save(File, "PNG");
                std::fprintf(stderr, Saved ? "velmora: window saved to %s\n" : "velmora: cannot write %s\n",
                             qPrintable(File));
                QApplication::exit(Saved ? 0 : 1);
            });
    }
    if (Options.QuitAfter > 0 || Options.ExitAfterIdle > 0) {
        auto* Watch = new QTimer(&Form);
        Watch->setInterval(20);
        auto LastCount = std::make_shared<int>(0);
        auto IdleSince = std::make_shared<qint64>(0);
        QObject::connect(Watch, &QTimer::timeout, &Form, [&Form, Options, LastCount, IdleSince] {
            const int Count = Form.ListModel()->CaptureCount();
            if (Options.QuitAfter > 0 && Count >= Options.QuitAfter) {
                QApplication::quit();
                return;
            }
            const qint64 Now = QDateTime::currentMSecsSinceEpoch();
            if (Count != *LastCount) {
                *LastCount = Count;
                *IdleSince = Now;
            } else if (Options.ExitAfterIdle > 0 && Count > 0 && Now - *IdleSince >= Options.ExitAfterIdle) {
                QApplication::quit();
            }
        });
        Watch->start();
    }
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication App(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velmora"));
    const TRunOptions Options = ParseArguments(App);

    StateFileName = ProgramFolder() + "CFG/State.ini";
    if (Options.HasStateFile)
        StateFileName = Options.StateFile.toStdString();

    // The one set of definitions of the program: the main window decodes
    // with its message catalog and the selection window sets its marks.
    TDefinitions Definitions;
    try {
        Definitions = LoadDefinitions(ProgramFolder() + "CFG/");
    } catch (const std::exception& Error) {
        // Without its definitions the program cannot decode ISUP: it stops
        // before any window is shown.
        QMessageBox::critical(nullptr, QStringLiteral("SS7 L4 Velmora"), QString::fromUtf8(Error.what()));
        return 1;
    }

    TCaptureForm CaptureForm(*Definitions.StaticPackets);
    TOptionsForm OptionsForm(&CaptureForm);
    CaptureForm.SetOptionsForm(&OptionsForm);
    TSelectionForm SelectionForm(&CaptureForm, Definitions.StaticPackets.get());
    CaptureForm.SetSelectionForm(&SelectionForm);

    if (Options.Port >= 0)
        OptionsForm.seCaptureLocalPort->setValue(Options.Port);
    CaptureForm.SetCommandLineFile(Options.CaptureFile);
    QObject::connect(&CaptureForm, &TCaptureForm::formClosed, &App, &QApplication::quit);
    InstallRunOptions(CaptureForm, Options);

    CaptureForm.show();
    const int Result = QApplication::exec();
    if (Options.Report)
        PrintReport(CaptureForm);
    if (!Options.SaveOnExit.isEmpty())
        SaveAll(CaptureForm, Options.SaveOnExit);
    return Result;
}
