#include "presentation/CaptureRecord.h"

#include "core/Convert.h"
#include "core/HexString.h"
#include "presentation/HexText.h"

#include <array>

namespace {

// The value of each character as a hex digit, -1 for any other character.
constexpr std::array<int8_t, 256> MakeHexValues()
{
    std::array<int8_t, 256> Values{};
    for (int C = 0; C < 256; ++C)
        Values[C] = -1;
    for (int C = '0'; C <= '9'; ++C)
        Values[C] = static_cast<int8_t>(C - '0');
    for (int C = 'A'; C <= 'F'; ++C) {
        Values[C] = static_cast<int8_t>(C - 'A' + 10);
        Values[C - 'A' + 'a'] = static_cast<int8_t>(C - 'A' + 10);
    }
    return Values;
}

constexpr std::array<int8_t, 256> HexValues = MakeHexValues();

// Appends the octets of Line when it is pairs of hex digits, each pair but
// the last followed by exactly one blank, the last one by one blank or
// nothing. False, with Bytes as it was, for any other text.
bool AppendCanonical(std::string_view Line, std::string& Bytes)
{
    const size_t Size = Line.size();
    // "AA BB" and "AA BB " both hold two octets; a size of 3n + 1 is never
    // this form.
    if (Size % 3 == 1)
        return false;
    const size_t Count = (Size + 1) / 3;
    const size_t Start = Bytes.size();
    Bytes.resize(Start + Count);
    char* Out = Bytes.data() + Start;
    const auto* In = reinterpret_cast<const unsigned char*>(Line.data());
    for (size_t I = 0; I < Count; ++I, In += 3) {
        const int High = HexValues[In[0]];
        const int Low = HexValues[In[1]];
        if ((High | Low) < 0 || (3 * I + 2 < Size && In[2] != ' ')) {
            Bytes.resize(Start);
            return false;
        }
        Out[I] = static_cast<char>((High << 4) | Low);
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
    Bytes.clear();
    AppendLineOctets(Line, Bytes);
}

void AppendLineOctets(std::string_view Line, std::string& Bytes)
{
    if (AppendCanonical(Line, Bytes))
        return;
    THexString Hex(true);
    Hex.FromText(Line);
    Bytes.append(Hex.Data());
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

std::string PasteMessageRecord(std::string_view Message, const TSystemTime& Now)
{
    std::string Record;
    if (!Message.empty())
        AppendCaptureRecord(Now, cdNone, 0xFF, Message, Record);
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
