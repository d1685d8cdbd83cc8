#include "presentation/CaptureRecord.h"

#include "core/Convert.h"
#include "core/HexString.h"
#include "presentation/HexText.h"

namespace {

// Pairs of hex digits, each pair but the last followed by exactly one blank,
// the last one by one blank or nothing. False, with Bytes undefined, for any
// other text.
bool ParseCanonical(std::string_view Line, std::string& Bytes)
{
    Bytes.clear();
    const size_t Size = Line.size();
    size_t I = 0;
    while (I < Size) {
        if (I + 1 >= Size)
            return false;
        const int High = HexDigitValue(Line[I]);
        const int Low = HexDigitValue(Line[I + 1]);
        if ((High | Low) < 0)
            return false;
        Bytes.push_back(static_cast<char>((High << 4) | Low));
        I += 2;
        if (I < Size) {
            if (Line[I] != ' ')
                return false;
            ++I;
        }
    }
    return true;
}

} // namespace

bool ReadCaptureRecord(std::string_view Bytes, TCaptureRecord& Record)
{
    if (Bytes.size() < MinCaptureRecordSize)
        return false;
    const auto* Octets = reinterpret_cast<const uint8_t*>(Bytes.data());
    Record.Stamp = StampFromBytes(Octets);
    Record.Direction = Octets[StampSize];
    Record.Link = Octets[StampSize + 1];
    Record.Octets.assign(Bytes.substr(MinCaptureRecordSize));
    return true;
}

void AppendCaptureRecord(const TSystemTime& Stamp, uint8_t Direction, uint8_t Link, std::string_view Octets,
                         std::string& Bytes)
{
    const TStampBytes StampBytes = StampToBytes(Stamp);
    Bytes.append(reinterpret_cast<const char*>(StampBytes.data()), StampBytes.size());
    Bytes.push_back(static_cast<char>(Direction));
    Bytes.push_back(static_cast<char>(Link));
    Bytes.append(Octets);
}

void AppendCaptureRecord(const TCaptureRecord& Record, std::string& Bytes)
{
    AppendCaptureRecord(Record.Stamp, Record.Direction, Record.Link, Record.Octets, Bytes);
}

std::string CaptureRecordBytes(const TCaptureRecord& Record)
{
    std::string Bytes;
    Bytes.reserve(MinCaptureRecordSize + Record.Octets.size());
    AppendCaptureRecord(Record, Bytes);
    return Bytes;
}

void ParseCaptureLine(std::string_view Line, std::string& Bytes)
{
    if (ParseCanonical(Line, Bytes))
        return;
    THexString Hex(true);
    Hex.FromText(Line);
    Bytes.assign(Hex.Data());
}

void AppendCaptureLine(std::string_view RecordBytes, std::string& Text)
{
    AppendSpacedHex(RecordBytes, Text);
    Text += "\r\n";
}

std::string CaptureLineText(std::string_view RecordBytes)
{
    std::string Text;
    AppendSpacedHex(RecordBytes, Text);
    return Text;
}

std::string StopEntryRecord(const TSystemTime& LastHeartBeat)
{
    static constexpr char StopMessage[] = {static_cast<char>(StopEntryOctet), 0x00, 0x00, 0x00, 0x00};
    std::string Record;
    AppendCaptureRecord(LastHeartBeat, cdNone, 0, std::string_view(StopMessage, sizeof StopMessage), Record);
    return Record;
}

std::string PasteRecord(std::string_view ClipText, const TSystemTime& Now)
{
    std::string Octets;
    ParseCaptureLine(ClipText, Octets);
    if (Octets.empty())
        return {};
    std::string Record;
    // Direction codes are 0, 1 and 2; a first octet above them is a SIO.
    if (static_cast<uint8_t>(Octets[0]) > cdOut) {
        AppendCaptureRecord(Now, cdNone, 0xFF, Octets, Record);
    } else {
        const TStampBytes Stamp = StampToBytes(Now);
        Record.assign(reinterpret_cast<const char*>(Stamp.data()), Stamp.size());
        Record += Octets;
    }
    return Record;
}
