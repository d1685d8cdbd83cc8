#include "app/CaptureFile.h"

#include "core/Clock.h"
#include "core/Exception.h"
#include "presentation/CaptureRecord.h"
#include "presentation/TextLines.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QProgressBar>
#include <QSaveFile>

#include <linux/magic.h>
#include <sys/vfs.h>

#include <algorithm>
#include <climits>
#include <cstring>

namespace {

// How long the loader works between two turns of the event loop: short
// enough that Esc and live datagrams are seen within a few tens of
// milliseconds, long enough that the event loop costs little.
constexpr int64_t SliceMilliseconds = 20;
// Lines parsed between two looks at the clock, and the most rows handed to
// the window in one model update.
constexpr size_t LinesPerCheck = 256;

} // namespace

std::string ReadCaptureFile(const QString& FileName, const std::function<void(std::string_view Piece)>& OnPiece)
{
    QFile File(FileName);
    if (!File.open(QIODevice::ReadOnly))
        throw ECaptureFileError(
            QStringLiteral("Cannot open file \"%1\". %2").arg(FileName, File.errorString()).toStdString());
    constexpr qint64 PieceSize = 4 << 20;
    std::string Text;
    // Room for the last, empty read too, so that the text is never moved.
    // Files that report no size (pipes, /proc) are read to their end all the same.
    Text.reserve(static_cast<size_t>(File.size() + PieceSize));
    for (;;) {
        const size_t Done = Text.size();
        Text.resize(Done + PieceSize);
        const qint64 Got = File.read(Text.data() + Done, PieceSize);
        if (Got < 0)
            throw ECaptureFileError(
                QStringLiteral("Cannot read file \"%1\". %2").arg(FileName, File.errorString()).toStdString());
        Text.resize(Done + static_cast<size_t>(Got));
        if (Got == 0)
            break;
        if (OnPiece)
            OnPiece(std::string_view(Text).substr(Done));
    }
    return Text;
}

void WriteCaptureFile(const QString& FileName, size_t Count,
                      const std::function<void(size_t Index, std::string& Text)>& AppendLine)
{
    auto Fail = [&FileName](const QString& Error) {
        throw ECaptureFileError(QStringLiteral("Cannot write file \"%1\". %2").arg(FileName, Error).toStdString());
    };
    // QSaveFile writes a temporary file beside the target and renames it over
    // the target on commit, so a failed or interrupted save never leaves a
    // half-written capture file in place of the previous one.
    QSaveFile File(FileName);
    if (!File.open(QIODevice::WriteOnly))
        Fail(File.errorString());
    std::string Buffer;
    constexpr size_t FlushSize = 1 << 20;
    Buffer.reserve(FlushSize + 4096);
    auto Flush = [&] {
        if (Buffer.empty())
            return;
        if (File.write(Buffer.data(), static_cast<qint64>(Buffer.size())) != static_cast<qint64>(Buffer.size())) {
            const QString Error = File.errorString();
            File.cancelWriting();
            Fail(Error);
        }
        Buffer.clear();
    };
    for (size_t I = 0; I < Count; ++I) {
        AppendLine(I, Buffer);
        if (Buffer.size() >= FlushSize)
            Flush();
    }
    Flush();
    if (!File.commit())
        Fail(File.errorString());
}

TCaptureLoadResult LoadCaptureFile(const QString& FileName, TCaptureLoadHost& Host)
{
    TCaptureLoadResult Result;
    // The time since the last turn of the event loop.
    auto Now = [&Host] { return Host.Clock ? Host.Clock->MonotonicMs() : SteadyMilliseconds(); };
    int64_t SliceStart = Now();
    auto SliceOver = [&] { return Now() - SliceStart >= SliceMilliseconds; };
    auto Yield = [&](bool Always) {
        if (!Always && !SliceOver())
            return;
        QCoreApplication::processEvents();
        SliceStart = Now();
    };
    auto Stopping = [&Host] { return !*Host.Loading || (Host.Terminating && Host.Terminating()); };

    *Host.Loading = true;
    const size_t CapturesBefore = Host.CaptureCount ? Host.CaptureCount() : 0;
    std::string Text;
    try {
        Text = ReadCaptureFile(FileName, [&](std::string_view) { Yield(false); });
    } catch (...) {
        *Host.Loading = false;
        throw;
    }
    // Counting the lines of a large file takes a slice of its own.
    Yield(true);
    if (Stopping()) {
        // Stopped while the file was read: the captures are as they were,
        // and the status says so rather than keeping an older text.
        *Host.Loading = false;
        Result.Stopped = true;
        Result.Status = QStringLiteral("Load stopped before any line was read");
        if (!(Host.Terminating && Host.Terminating()))
            Host.SetStatusText(Result.Status);
        return Result;
    }
    Result.Lines = TLineSplitter::Count(Text);

    // Captures taken in while the file was read (live datagrams, a stop
    // entry) are not part of what the load replaces.
    TRecordBatch Arrived;
    if (Host.CaptureCount && Host.RecordsFrom && Host.CaptureCount() > CapturesBefore)
        Arrived = Host.RecordsFrom(CapturesBefore);
    Host.ClearCaptures();
    if (!Arrived.Empty())
        Host.AddCaptures(Arrived);
    if (Host.ProgressBar) {
        Host.ProgressBar->setRange(0, static_cast<int>(std::min<size_t>(Result.Lines, INT_MAX)));
        Host.ProgressBar->setValue(0);
        Host.ProgressBar->show();
    }
    Host.SetStatusText(QStringLiteral("Loading..."));
    Yield(true);

    TRecordBatch Batch;
    auto Flush = [&] {
        if (Batch.Empty())
            return;
        Result.Captures += Batch.Count();
        Host.AddCaptures(Batch);
        Batch.Clear();
    };
    auto Finish = [&](const QString& Status) {
        Flush();
        if (Host.ProgressBar)
            Host.ProgressBar->hide();
        Result.Status = Status;
        Host.SetStatusText(Status);
        *Host.Loading = false;
    };

    TLineSplitter Lines(Text);
    std::string_view Line;
    std::string Bytes;
    try {
        while (Lines.Next(Line)) {
            ParseCaptureLine(Line, Bytes);
            ++Result.LinesRead;
            if (Bytes.size() >= MinCaptureRecordSize)
                Batch.Add(Bytes);
            if (Result.LinesRead % LinesPerCheck != 0)
                continue;
            // Rows reach the window before the event loop runs, so live
            // datagrams handled there land after the lines read so far.
            Flush();
            if (!SliceOver())
                continue;
            if (Host.ProgressBar)
                Host.ProgressBar->setValue(static_cast<int>(std::min<size_t>(Result.LinesRead, INT_MAX)));
            Yield(true);
            if (Stopping()) {
                Result.Stopped = true;
                break;
            }
        }
    } catch (const EConvertError& Error) {
        Result.Error = Error.Message();
        Finish(QStringLiteral("Load stopped at line %1").arg(Result.LinesRead + 1));
        return Result;
    }
    // Esc ends a load early: the status says so, and how far it got.
    Finish(Result.Stopped ? QStringLiteral("Load stopped: %1 of %2 lines read").arg(Result.LinesRead).arg(Result.Lines)
                          : QStringLiteral("Done."));
    return Result;
}

const QString TCaptureFileDialogs::Filter = QStringLiteral("SS7 Velmora Files (*.ss7 *.SS7 *.Ss7 *.sS7)");
const QString TCaptureFileDialogs::DefaultSuffix = QStringLiteral("ss7");

TPlainFileIconProvider::TPlainFileIconProvider() = default;

QIcon TPlainFileIconProvider::icon(const QFileInfo& Info) const
{
    // By what the directory entry is, never by what the file holds.
    return QAbstractFileIconProvider::icon(Info.isDir() ? Folder : File);
}

QString TPlainFileIconProvider::type(const QFileInfo& Info) const
{
    if (Info.isDir())
        return QStringLiteral("Folder");
    const QString Suffix = Info.suffix();
    return Suffix.isEmpty() ? QStringLiteral("File") : Suffix.toUpper() + QStringLiteral(" File");
}

bool IsUsableStartFolder(const QString& Folder)
{
    if (Folder.isEmpty())
        return false;
    const QFileInfo Info(Folder);
    if (!Info.isDir() || !Info.isReadable() || !Info.isExecutable())
        return false;
    // Kernel file systems hold files whose reading blocks or never ends.
    struct statfs System {};
    if (statfs(QFile::encodeName(Info.absoluteFilePath()).constData(), &System) != 0)
        return false;
    return System.f_type != PROC_SUPER_MAGIC && System.f_type != SYSFS_MAGIC && System.f_type != DEBUGFS_MAGIC &&
        System.f_type != TRACEFS_MAGIC;
}

namespace {

QString AskFileName(QWidget* Parent, QFileDialog::AcceptMode Mode, const QString& LastName)
{
    QFileDialog Dialog(Parent);
    // Qt's own dialog, so that the icon provider below is the one used.
    Dialog.setOption(QFileDialog::DontUseNativeDialog);
    TPlainFileIconProvider Icons;
    Dialog.setIconProvider(&Icons);
    Dialog.setAcceptMode(Mode);
    Dialog.setFileMode(Mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    Dialog.setNameFilter(TCaptureFileDialogs::Filter);
    Dialog.setDefaultSuffix(TCaptureFileDialogs::DefaultSuffix);
    Dialog.setDirectory(TCaptureFileDialogs::StartFolder(LastName));
    if (!LastName.isEmpty() && IsUsableStartFolder(QFileInfo(LastName).absolutePath()))
        Dialog.selectFile(QFileInfo(LastName).fileName());
    if (Dialog.exec() != QDialog::Accepted || Dialog.selectedFiles().isEmpty())
        return {};
    return Dialog.selectedFiles().constFirst();
}

} // namespace

QString TCaptureFileDialogs::StartFolder(const QString& LastName)
{
    if (!LastName.isEmpty()) {
        const QString Folder = QFileInfo(LastName).absolutePath();
        if (IsUsableStartFolder(Folder))
            return Folder;
    }
    const QString Current = QDir::currentPath();
    return IsUsableStartFolder(Current) ? Current : QDir::homePath();
}

QString TCaptureFileDialogs::OpenFileName(QWidget* Parent)
{
    return AskFileName(Parent, QFileDialog::AcceptOpen, LastOpenName);
}

QString TCaptureFileDialogs::SaveFileName(QWidget* Parent)
{
    return AskFileName(Parent, QFileDialog::AcceptSave, LastSaveName);
}
