// velmora: the SS7 level-4 monitor. Start-up: the definitions and the state
// file (beside the program, or where an installed copy keeps them), then the
// main window, the configuration window and the ISUP message selection
// window.
#include "app/CaptureFile.h"
#include "app/CaptureForm.h"
#include "app/CaptureListModel.h"
#include "app/CaptureListView.h"
#include "app/IntakeFilter.h"
#include "app/OptionsForm.h"
#include "app/SelectionForm.h"
#include "catalog/Definitions.h"
#include "core/Globals.h"
#include "core/Locations.h"
#include "net/UdpEndpoint.h"
#include "presentation/CaptureItems.h"
#include "presentation/CaptureRecord.h"
#include "presentation/CaptureRing.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDateTime>
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
                                                      "(from the build tree) or ~/.config/velmora/State.ini "
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
    Out << "removed " << Form.RemovedCaptures() << "\n";
    Out << "dropped " << Form.Intake().DroppedTotal() << " (" << Form.Intake().DropSummary() << ")\n";
    if (const TCaptureRing* Ring = Form.Ring())
        Out << "ring " << Ring->Written() << " written, " << Ring->Failed() << " failed\n";
    for (int Row = qMax(0, Rows - 5); Row < Rows; ++Row) {
        Out << "row " << Row;
        for (int Column = colIn; Column < CaptureColumnCount; ++Column)
            Out << "\t" << Model.CellText(Row, Column);
        Out << "\n";
    }
    Out.flush();
}

// Every capture as a capture file line, in collection order. False, with
// the reason on standard error, when the file could not be written.
bool SaveAll(const TCaptureForm& Form, const QString& FileName)
{
    const TCaptureItemsCollection& Captures = Form.ListModel()->Captures();
    std::string Record;
    try {
        WriteCaptureFile(FileName, static_cast<size_t>(Captures.Count()), [&](size_t I, std::string& Text) {
            Record.clear();
            Captures.Items(static_cast<int>(I)).AppendRecordBytes(Record);
            AppendCaptureLine(Record, Text);
        });
    } catch (const std::exception& Error) {
        std::fprintf(stderr, "velmora: %s\n", Error.what());
        return false;
    }
    return true;
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

    // The definitions beside the program, else those of the installed copy;
    // the state file beside them in the build tree, else in the user's
    // configuration folder (core/Locations.h).
    const std::string Cfg = DefinitionsFolder();
    StateFileName = Options.HasStateFile ? Options.StateFile.toStdString() : StateFileForProgram(Cfg);

    // The one set of definitions of the program: the main window decodes
    // with its message catalog and the selection window sets its marks.
    TDefinitions Definitions;
    try {
        Definitions = LoadDefinitions(Cfg);
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

    // A port given on the command line is for this run: the state file
    // keeps the configured one.
    if (Options.Port >= 0)
        OptionsForm.SetOneOffLocalPort(Options.Port);
    // Runs that end by themselves never wait for a question.
    CaptureForm.SetUnattended(!Options.SaveOnExit.isEmpty() || !Options.ScreenshotFile.isEmpty() ||
                              Options.QuitAfter > 0 || Options.ExitAfterIdle > 0);
    CaptureForm.SetCommandLineFile(Options.CaptureFile);
    QObject::connect(&CaptureForm, &TCaptureForm::formClosed, &App, &QApplication::quit);
    InstallRunOptions(CaptureForm, Options);

    CaptureForm.show();
    const int Result = QApplication::exec();
    if (Options.Report)
        PrintReport(CaptureForm);
    CaptureForm.FlushRing();
    if (!Options.SaveOnExit.isEmpty() && !SaveAll(CaptureForm, Options.SaveOnExit))
        return Result == 0 ? 1 : Result;
    return Result;
}
