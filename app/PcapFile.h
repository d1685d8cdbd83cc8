// Capture files of other tools in the window: importing a pcap or pcapng
// file appends its level-4 messages as captures, a slice at a time with
// progress and Esc as a capture file loads; exporting writes captures as a
// pcap of MTP2 with pseudo-header. The packets themselves are read and
// written by pcapio.
#pragma once

#include "app/CaptureFile.h"

#include <QString>

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

class QWidget;
class TCaptureItem;

struct TPcapImportResult {
    size_t Captures = 0; // captures added from the file
    bool Stopped = false;
    // The error that ended the import (the file ends inside a packet, say),
    // naming the file and packet; empty when it was read to its end.
    std::string Error;
    // Warnings met on the way, each naming the file and packet: malformed
    // packets, the first message whose point codes do not fit.
    std::vector<std::string> Notes;
    // The status text the import ended with: the file's counts.
    QString Status;
};

// Appends the level-4 messages of the pcap or pcapng file as captures
// (Host.ClearCaptures and RecordsFrom are not used). Loading is set while
// the file is read, with turns of the event loop in between; Esc clears it
// and stops the import, keeping what was added. A file that cannot be opened,
// or holds no link type that carries SS7, raises EPcapError before anything
// is added, Loading cleared. An error later ends the import there: the
// captures before it stay, and the result carries the error.
TPcapImportResult ImportPcapFile(const QString& FileName, TCaptureLoadHost& Host);

// Writes Count captures, Item(I) giving capture I, as a pcap; the previous
// file is replaced only when every packet has been written. Stop entries
// are left out. Returns the summary ("OUT.pcap: 12 messages written; 1 stop
// entries left out (they are not messages)"); raises EPcapError when the
// file cannot be written.
std::string ExportPcapFile(const QString& FileName, size_t Count,
                           const std::function<const TCaptureItem&(size_t Index)>& Item);

// The open dialog of Import and the save dialog of Export; each keeps the
// last name chosen in it. Both return an empty name when cancelled.
class TPcapFileDialogs {
public:
    // Import offers pcap and pcapng files, and all files, since a capture is
    // known by its contents rather than its name.
    static const QString ImportFilter;
    static const QString ExportFilter;

    QString ImportFileName(QWidget* Parent);
    QString ExportFileName(QWidget* Parent);

    QString LastImportName;
    QString LastExportName;
};
