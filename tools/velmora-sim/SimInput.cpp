// Capture file lines and hex message lines to capture datagrams.
#include "tools/velmora-sim/SimInput.h"

#include "pcapio/PcapReader.h"

#include "core/Exception.h"
#include "core/HexString.h"
#include "presentation/CaptureRecord.h"
#include "presentation/Datagram.h"
#include "presentation/TextLines.h"

#include <cctype>

namespace {

std::string_view Trimmed(std::string_view Line)
{
    size_t First = 0;
    size_t Last = Line.size();
    while (First < Last && std::isspace(static_cast<unsigned char>(Line[First])))
        ++First;
    while (Last > First && std::isspace(static_cast<unsigned char>(Line[Last - 1])))
        --Last;
    return Line.substr(First, Last - First);
}

bool IsHexRun(std::string_view Text)
{
    for (char C : Text)
        if (!std::isxdigit(static_cast<unsigned char>(C)))
            return false;
    return true;
}

// A message line is spaced hex ("85 01 80 ..."), or one unbroken run of hex
// pairs ("85018000..."), which the spaced reading would take as one number.
std::string ParseMessageLine(std::string_view Line, const std::string& Where)
{
    const std::string_view Text = Trimmed(Line);
    if (Text.size() > 2 && IsHexRun(Text)) {
        if (Text.size() % 2 != 0)
            throw ESimInputError(Where + ": odd number of hex digits");
        THexString Bytes(false);
        Bytes.FromText(Text);
        return std::string(Bytes.Data());
    }
    std::string Bytes;
    ParseCaptureLine(Line, Bytes);
    return Bytes;
}

} // namespace

std::vector<std::string> ReadCaptureDatagrams(std::FILE* Input, const std::string& Source,
                                              const TSimInputOptions& Options)
{
    std::vector<std::string> Datagrams;
    TLineReader Reader(Input);
    std::string_view Line;
    std::string Record;
    for (int Number = 1; Reader.Next(Line); ++Number) {
        const std::string Where = Source + ":" + std::to_string(Number);
        std::string Datagram;
        try {
            if (Options.HexMessages) {
                const std::string Message = ParseMessageLine(Line, Where);
                if (Message.empty())
                    continue;
                AppendCaptureDatagram(Options.Direction, Options.Link, Message, Datagram);
            } else {
                ParseCaptureLine(Line, Record);
                if (Record.size() < MinCaptureRecordSize)
                    continue;
                // The stamp is the monitor's to give: direction, link and
                // message go as they are.
                Datagram.push_back(static_cast<char>(dtCapture));
                Datagram.append(std::string_view(Record).substr(StampSize));
            }
        } catch (const Exception& Error) {
            throw ESimInputError(Where + ": " + Error.Message());
        }
        if (Datagram.size() > MaxDatagram)
            throw ESimInputError(Where + ": message too long for one UDP datagram");
        Datagrams.push_back(std::move(Datagram));
    }
    if (Reader.Failed())
        throw ESimInputError("cannot read " + Source);
    return Datagrams;
}

std::vector<std::string> ReadPcapDatagrams(const std::string& FileName, const TSimInputOptions& Options,
                                           std::vector<int64_t>& Times, std::vector<std::string>& Notes)
{
    std::vector<std::string> Datagrams;
    Times.clear();
    try {
        TPcapReader Reader(FileName, TPcapOptions{Options.OwnPointCodes});
        TPcapMessage Message;
        while (Reader.Next(Message)) {
            std::string Datagram;
            AppendCaptureDatagram(Message.Direction, Message.Link, Message.Octets, Datagram);
            if (Datagram.size() > MaxDatagram)
                throw ESimInputError(FileName + ": packet " + std::to_string(Message.Packet) +
                                     ": message too long for one UDP datagram");
            Datagrams.push_back(std::move(Datagram));
            Times.push_back(Message.Time);
        }
        Notes = Reader.TakeNotes();
        Notes.push_back(Reader.Summary());
    } catch (const EPcapError& Error) {
        throw ESimInputError(Error.Message());
    }
    return Datagrams;
}
