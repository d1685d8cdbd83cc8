#include "app/PcapFile.h"

#include "core/Clock.h"
#include "pcapio/PcapReader.h"
#include "pcapio/PcapWriter.h"
#include "presentation/CaptureItems.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileDialog>
#include <QProgressBar>

#include <cstdio>

namespace {

// As a capture file loads: the event loop turns every 20 ms, and rows reach
// the window in updates of at most 256.
constexpr int64_t SliceMilliseconds = 20;
constexpr size_t MessagesPerCheck = 256;
// The progress bar counts in thousandths of the file.
constexpr int ProgressSteps = 1000;

std::string LocalName(const QString& FileName)
{
    return QFile::encodeName(FileName).toStdString();
}

} // namespace

TPcapImportResult ImportPcapFile(const QString& FileName, TCaptureLoadHost& Host)
{
    TPcapImportResult Result;
    auto Now = [&Host] { return Host.Clock ? Host.Clock->MonotonicMs() : SteadyMilliseconds(); };
    auto Stopping = [&Host] { return !*Host.Loading || (Host.Terminating && Host.Terminating()); };

    *Host.Loading = true;
    std::unique_ptr<TPcapReader> Reader;
    try {
        Reader = std::make_unique<TPcapReader>(LocalName(FileName));
    } catch (...) {
        *Host.Loading = false;
        throw;
    }
    auto Progress = [&] {
        if (Host.ProgressBar && Reader->Size() > 0)
            Host.ProgressBar->setValue(static_cast<int>(Reader->Position() * ProgressSteps / Reader->Size()));
    };
    if (Host.ProgressBar) {
        Host.ProgressBar->setRange(0, ProgressSteps);
        Host.ProgressBar->setValue(0);
        Host.ProgressBar->show();
    }
    Host.SetStatusText(QStringLiteral("Importing..."));
    QCoreApplication::processEvents();
    int64_t SliceStart = Now();

    TRecordBatch Batch;
    std::string Record;
    auto Flush = [&] {
        if (Batch.Empty())
            return;
        Result.Captures += Batch.Count();
        Host.AddCaptures(Batch);
        Batch.Clear();
    };
    TPcapMessage Message;
    try {
        while (!Stopping() && Reader->Next(Message)) {
            Record.clear();
            Message.AppendRecord(Record);
            Batch.Add(Record);
            if (Batch.Count() < MessagesPerCheck)
                continue;
            // Rows reach the window before the event loop runs, so live
            // datagrams handled there land after the messages read so far.
            Flush();
            if (Now() - SliceStart < SliceMilliseconds)
                continue;
            Progress();
            QCoreApplication::processEvents();
            SliceStart = Now();
        }
    } catch (const EPcapError& Error) {
        Result.Error = Error.Message();
    }
    Flush();
    Result.Stopped = Result.Error.empty() && Stopping();
    Result.Notes = Reader->TakeNotes();
    if (Host.ProgressBar)
        Host.ProgressBar->hide();
    Result.Status = QString::fromStdString(Reader->Summary());
    if (Result.Stopped)
        Result.Status = QStringLiteral("Import stopped: ") + Result.Status;
    Host.SetStatusText(Result.Status);
    *Host.Loading = false;
    return Result;
}

std::string ExportPcapFile(const QString& FileName, size_t Count,
                           const std::function<const TCaptureItem&(size_t Index)>& Item)
{
    // The packets go to a file beside the one named, which replaces it once
    // they are all written.
    const std::string Final = LocalName(FileName);
    const std::string Part = Final + ".part";
    std::string Summary;
    try {
        TPcapWriter Writer(Part);
        for (size_t I = 0; I < Count; ++I) {
            const TCaptureItem& Capture = Item(I);
            Writer.Write(Capture.Stamp, Capture.Direction, Capture.Link, Capture.OctetBytes());
        }
        Writer.Close();
        Summary = Writer.Summary();
    } catch (...) {
        std::remove(Part.c_str());
        throw;
    }
    if (std::rename(Part.c_str(), Final.c_str()) != 0) {
        std::remove(Part.c_str());
        throw EPcapError(Final + ": cannot be written (the file cannot be replaced)");
    }
    // The summary names the file written, not the one beside it.
    if (Summary.compare(0, Part.size(), Part) == 0)
        Summary.replace(0, Part.size(), Final);
    return Summary;
}

const QString TPcapFileDialogs::ImportFilter =
    QStringLiteral("pcap and pcapng files (*.pcap *.pcapng *.cap *.PCAP *.PCAPNG *.CAP);;pcap files (*.pcap *.PCAP);;"
                   "pcapng files (*.pcapng *.PCAPNG);;All files (*)");
const QString TPcapFileDialogs::ExportFilter = QStringLiteral("pcap files (*.pcap *.PCAP)");

namespace {

QString AskPcapFileName(QWidget* Parent, QFileDialog::AcceptMode Mode, QString& LastName)
{
    QFileDialog Dialog(Parent);
    Dialog.setAcceptMode(Mode);
    const bool Open = Mode == QFileDialog::AcceptOpen;
    Dialog.setFileMode(Open ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    Dialog.setNameFilter(Open ? TPcapFileDialogs::ImportFilter : TPcapFileDialogs::ExportFilter);
    if (!Open)
        Dialog.setDefaultSuffix(QStringLiteral("pcap"));
    if (!LastName.isEmpty())
        Dialog.selectFile(LastName);
    if (Dialog.exec() != QDialog::Accepted || Dialog.selectedFiles().isEmpty())
        return {};
    LastName = Dialog.selectedFiles().constFirst();
    return LastName;
}

} // namespace

QString TPcapFileDialogs::ImportFileName(QWidget* Parent)
{
    return AskPcapFileName(Parent, QFileDialog::AcceptOpen, LastImportName);
}

QString TPcapFileDialogs::ExportFileName(QWidget* Parent)
{
    return AskPcapFileName(Parent, QFileDialog::AcceptSave, LastExportName);
}
