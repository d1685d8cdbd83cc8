// Filter bar benchmark: a million captures of a call mix in the main window
// (offscreen), then the time each filter takes to apply, the list drawn
// again included, and the time to show every capture again; CPU times of
// the process, the machine being shared.
//
//   filter_window_bench [COUNT]
#include "app/CaptureForm.h"
#include "app/CaptureListModel.h"
#include "bench/call_mix.h"
#include "catalog/Definitions.h"
#include "core/Globals.h"

#include <QApplication>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

double CpuSeconds()
{
    timespec Now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &Now);
    return static_cast<double>(Now.tv_sec) + static_cast<double>(Now.tv_nsec) / 1e9;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication App(argc, argv);
    QTemporaryDir Dir;
    StateFileName = Dir.filePath(QStringLiteral("State.ini")).toStdString();
    const size_t Count = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 1000000;
    const TDefinitions Definitions = LoadDefinitions(ProgramFolder() + "CFG/");
    TCaptureForm Form(*Definitions.StaticPackets);
    Form.resize(1000, 700);
    Form.show();
    double Start = CpuSeconds();
    for (const TCaptureRecord& Record : bench::CallMix(Count))
        Form.AddCapture(Record);
    Form.ListModel()->FlushPendingRows();
    QApplication::processEvents();
    std::printf("%d captures taken in: %.3f s\n", Form.ListModel()->rowCount(), CpuSeconds() - Start);
    for (const char* Expression : {"name=IAM", "pc=2300 cic=5-90", "!name=IAM,ACM,ANM,REL,RLC", "dir=in link=0-3",
                                   "sltm", "", "\"=> 2300\" !name=RLC", ""}) {
        Start = CpuSeconds();
        Form.ApplyFilter(QString::fromLatin1(Expression));
        QApplication::processEvents();
        std::printf("filter %-28s %.3f s (%d rows)\n", *Expression ? Expression : "(cleared)", CpuSeconds() - Start,
                    Form.ListModel()->rowCount());
    }
    return 0;
}
