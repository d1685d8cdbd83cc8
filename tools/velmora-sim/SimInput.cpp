// Capture file lines and hex message lines to capture datagrams.
#include "tools/velmora-sim/SimInput.h"

#include "core/Exception.h"
#include "core/HexString.h"

#include <cctype>

namespace {

// Offset of the direction byte in a capture record, after the 16-byte stamp.
constexpr size_t RecordHeader = 16;
constexpr size_t MinRecord = 18;

std::string Trimmed(const std::string& Line)
{
    size_t First = 0;
    size_t Last = Line.size();
    while (First < Last && std::isspace(static_cast<unsigned char>(Line[First])))
        ++First;
    while (Last > First && std::isspace(static_cast<unsigned char>(Line[Last - 1])))
        --Last;
    return Line.substr(First, Last - First);
}

bool IsHexRun(const std::string& Text)
{
    for (char C : Text)
        if (!std::isxdigit(static_cast<unsigned char>(C)))
            return false;
    return true;
}

// A message line is spaced hex ("85 01 80 ..."), or one unbroken run of hex
// pairs ("85018000..."), which the spaced reading would take as one number.
std::string ParseMessageLine(const std::string& Line, const std::string& Where)
{
    const std::string Text = Trimmed(Line);
    if (Text.size() > 2 && IsHexRun(Text)) {
        if (Text.size() % 2 != 0)
            throw ESimInputError(Where + ": odd number of hex digits");
        THexString Bytes(false);
        Bytes.FromText(Text);
        return std::string(Bytes.Data());
    }
    THexString Bytes(true);
    Bytes.FromText(Line);
    return std::string(Bytes.Data());
}

} // namespace

std::vector<std::string> ReadCaptureDatagrams(std::istream& Input, const std::string& Source,
                                              const TSimInputOptions& Options)
{
    std::vector<std::string> Datagrams;
    std::string Line;
    for (int Number = 1; std::getline(Input, Line); ++Number) {
        const std::string Where = Source + ":" + std::to_string(Number);
        std::string Datagram(1, static_cast<char>(CaptureDatagramType));
        try {
            if (Options.HexMessages) {
                const std::string Message = ParseMessageLine(Line, Where);
                if (Message.empty())
                    continue;
                Datagram += static_cast<char>(Options.Direction);
                Datagram += static_cast<char>(Options.Link);
                Datagram += Message;
            } else {
                THexString Record(true);
                Record.FromText(Line);
                if (static_cast<size_t>(Record.Count()) < MinRecord)
                    continue;
                Datagram += Record.Data().substr(RecordHeader);
            }
        } catch (const Exception& Error) {
            throw ESimInputError(Where + ": " + Error.Message());
        }
        if (Datagram.size() > MaxDatagram)
            throw ESimInputError(Where + ": message too long for one UDP datagram");
        Datagrams.push_back(std::move(Datagram));
    }
    if (Input.bad())
        throw ESimInputError("cannot read " + Source);
    return Datagrams;
}

std::string HeartbeatDatagram()
{
    return std::string{static_cast<char>(HeartbeatDatagramType), '\0', '\0', '\0'};
}
