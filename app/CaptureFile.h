// Capture files (*.ss7) on disk: writing that replaces the file only once
// every line has been written, and the loader that feeds a file's captures
// to the window in chunks while the window stays responsive. The lines
// themselves are read and written by the presentation layer.
#pragma once

#include "core/Exception.h"

#include <QAbstractFileIconProvider>
#include <QString>

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class QProgressBar;
class QWidget;
class TClock;

// A capture file could not be read or written.
class ECaptureFileError : public Exception {
public:
    using Exception::Exception;
};

// The whole file, read in pieces of a few megabytes, each handed to OnPiece
// as it arrives; raises ECaptureFileError when the file cannot be read.
std::string ReadCaptureFile(const QString& FileName, const std::function<void(std::string_view Piece)>& OnPiece = {});

// Writes Count lines: AppendLine(I, Text) appends line I, its line end
// included, to Text. The previous file is replaced only when every line has
// been written and flushed; on any failure it stays as it was and
// ECaptureFileError is raised.
void WriteCaptureFile(const QString& FileName, size_t Count,
                      const std::function<void(size_t Index, std::string& Text)>& AppendLine);

// Capture records one after another in one buffer: the records of a load
// reach the window in batches without an allocation per record.
class TRecordBatch {
public:
    void Add(std::string_view Record)
    {
        FBytes += Record;
        FEnds.push_back(FBytes.size());
    }
    size_t Count() const { return FEnds.size(); }
    bool Empty() const { return FEnds.empty(); }
    std::string_view Record(size_t I) const
    {
        const size_t Start = I == 0 ? 0 : FEnds[I - 1];
        return std::string_view(FBytes).substr(Start, FEnds[I] - Start);
    }
    void Clear()
    {
        FBytes.clear();
        FEnds.clear();
    }

private:
    std::string FBytes;
    std::vector<size_t> FEnds;
};

// What a load needs from the main window.
struct TCaptureLoadHost {
    std::function<void()> ClearCaptures;
    // Appends the records as captures, their rows in one model update.
    std::function<void(const TRecordBatch& Records)> AddCaptures;
    // The number of captures, and the records of those from Index on.
    std::function<size_t()> CaptureCount;
    std::function<TRecordBatch(size_t Index)> RecordsFrom;
    std::function<void(const QString& Text)> SetStatusText;
    QProgressBar* ProgressBar = nullptr;
    // The time the load's slices are measured on; the system's monotonic
    // clock when null.
    TClock* Clock = nullptr;
    // The window's Loading flag; Esc clears it to stop the load.
    bool* Loading = nullptr;
    // True when the window is going away: the load stops at once.
    std::function<bool()> Terminating;
};

struct TCaptureLoadResult {
    size_t Lines = 0; // lines in the file
    size_t LinesRead = 0;
    size_t Captures = 0; // captures added from the file
    bool Stopped = false;
    // The conversion error that ended the load, empty when none did.
    std::string Error;
    // The status text the load ended with.
    QString Status;
};

// Replaces the window's captures with those of the file. Loading is set from
// the start: the file is read with turns of the event loop in between, and
// captures that arrive meanwhile are kept (they are added again after the
// clear, before the file's); Esc while the file is read stops the load
// before anything is cleared. A file that cannot be read raises
// ECaptureFileError, Loading cleared, before anything is cleared. A line that
// does not convert ends the load there: the captures before it stay, the
// progress bar is hidden, Loading is false, the status text names the line,
// and the result carries the conversion error for the window to show.
TCaptureLoadResult LoadCaptureFile(const QString& FileName, TCaptureLoadHost& Host);

// Icons and type texts of the file dialogs by the kind of directory entry
// alone: the standard provider reads a file's first bytes to tell its type,
// which blocks for good on files such as /proc/kmsg.
class TPlainFileIconProvider : public QAbstractFileIconProvider {
public:
    TPlainFileIconProvider();
    using QAbstractFileIconProvider::icon;
    QIcon icon(const QFileInfo& Info) const override;
    QString type(const QFileInfo& Info) const override;
};

// Whether a dialog may start in Folder: an existing folder that can be
// listed, not on a kernel file system (/proc, /sys).
bool IsUsableStartFolder(const QString& Folder);

// The open and save dialogs of capture files. Each starts beside the last
// file loaded or saved through it, which the window records only once the
// load or save succeeded; in the user's home folder when that folder is
// unusable. Both return an empty name when cancelled.
class TCaptureFileDialogs {
public:
    static const QString Filter;
    static const QString DefaultSuffix;

    QString OpenFileName(QWidget* Parent);
    QString SaveFileName(QWidget* Parent);
    // The folder a dialog starts in after LastName: its folder, else the
    // current one, else home, whichever is usable first.
    static QString StartFolder(const QString& LastName);

    QString LastOpenName;
    QString LastSaveName;
};
