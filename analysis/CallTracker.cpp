#include "analysis/CallTracker.h"

#include "isup/IsupPacket.h"
#include "l4/PacketL4.h"
#include "presentation/CaptureDecoding.h"

#include <algorithm>
#include <chrono>

const char* CallStateText(TCallState State)
{
    switch (State) {
    case TCallState::Setup:
        return "setup";
    case TCallState::Alerting:
        return "alerting";
    case TCallState::Answered:
        return "answered";
    case TCallState::Released:
        return "released";
    case TCallState::Complete:
        return "complete";
    }
    return "";
}

const char* CallEndText(TCallEnd End)
{
    switch (End) {
    case TCallEnd::None:
        return "";
    case TCallEnd::Iam:
        return "IAM";
    case TCallEnd::Rsc:
        return "RSC";
    case TCallEnd::Grs:
        return "GRS";
    }
    return "";
}

const char* ReleaseSideText(TReleaseSide Side)
{
    switch (Side) {
    case TReleaseSide::None:
        return "";
    case TReleaseSide::Calling:
        return "calling";
    case TReleaseSide::Called:
        return "called";
    }
    return "";
}

int64_t StampMilliseconds(const TSystemTime& Stamp)
{
    using namespace std::chrono;
    const year_month_day Date{year{Stamp.Year}, month{Stamp.Month}, day{Stamp.Day}};
    const int64_t Days = Date.ok() ? sys_days(Date).time_since_epoch().count() : 0;
    return ((Days * 24 + Stamp.Hour) * 60 + Stamp.Minute) * 60000 + int64_t{Stamp.Second} * 1000 + Stamp.Milliseconds;
}

int64_t TCallRecord::DurationMs() const
{
    return StampMilliseconds(Released ? ReleaseTime : EndTime) - StampMilliseconds(Start);
}

int64_t TCallRecord::TalkMs() const
{
    if (!Answered)
        return 0;
    return StampMilliseconds(Released ? ReleaseTime : EndTime) - StampMilliseconds(AnswerTime);
}

TCallTracker::TCallTracker() = default;

uint64_t TCallTracker::Key(uint32_t PointCodeA, uint32_t PointCodeB, uint16_t Cic)
{
    const uint64_t Low = std::min(PointCodeA, PointCodeB) & 0x3FFF;
    const uint64_t High = std::max(PointCodeA, PointCodeB) & 0x3FFF;
    return Low << 30 | High << 16 | Cic;
}

void TCallTracker::End(uint64_t CircuitKey, TCallEnd How)
{
    const auto Open = FOpen.find(CircuitKey);
    if (Open == FOpen.end())
        return;
    TCallRecord& Call = CallNumbered(Open->second);
    Call.EndedBy = How;
    Call.Open = false;
    FOpen.erase(Open);
}

void TCallTracker::Add(uint64_t Sequence, const TCaptureItem& Item, const TDecodedCapture& Decoded)
{
    const TCustomIsupPacket* Isup = Decoded.Isup();
    if (!Isup || !Item.Summary.HasRoutingLabel)
        return;
    if (FReader.KindOf(*Isup) == TIsupKind::Other)
        return;
    FReader.Read(*Isup, FFacts);
    Add(Sequence, Item, FFacts, Isup->Cic);
}

void TCallTracker::Add(uint64_t Sequence, const TCaptureItem& Item, const TIsupFacts& Facts, uint16_t Cic)
{
    const uint32_t Opc = GetOpc(Item.Summary.RoutingLabel);
    const uint32_t Dpc = GetDpc(Item.Summary.RoutingLabel);
    const uint64_t Circuit = Key(Opc, Dpc, Cic);
    switch (Facts.Kind) {
    case TIsupKind::Other:
        return;
    case TIsupKind::IAM: {
        End(Circuit, TCallEnd::Iam);
        TCallRecord& Call = FCalls.emplace_back();
        Call.Number = FDroppedCalls + FCalls.size();
        Call.Opc = Opc;
        Call.Dpc = Dpc;
        Call.Cic = Cic;
        Call.Direction = Item.Direction;
        Call.Link = Item.Link;
        Call.Start = Item.Stamp;
        Call.EndTime = Item.Stamp;
        Call.Calling = Facts.Calling;
        Call.Called = Facts.Digits;
        // Most calls have a few messages: one allocation for them.
        Call.Messages.reserve(8);
        Call.Messages.push_back(Sequence);
        FOpen[Circuit] = Call.Number;
        return;
    }
    case TIsupKind::RSC:
        End(Circuit, TCallEnd::Rsc);
        return;
    case TIsupKind::GRS:
        if (Facts.HasRange) {
            const uint32_t Last = std::min<uint32_t>(uint32_t{Cic} + Facts.Range, 0xFFFF);
            for (uint32_t Circuit2 = Cic; Circuit2 <= Last; ++Circuit2)
                End(Key(Opc, Dpc, static_cast<uint16_t>(Circuit2)), TCallEnd::Grs);
        }
        return;
    default:
        break;
    }
    const auto Open = FOpen.find(Circuit);
    if (Open == FOpen.end())
        return;
    TCallRecord& Call = CallNumbered(Open->second);
    Call.Messages.push_back(Sequence);
    Call.EndTime = Item.Stamp;
    switch (Facts.Kind) {
    case TIsupKind::SAM:
        Call.Called += Facts.Digits;
        break;
    case TIsupKind::ACM:
    case TIsupKind::CPG:
        if (Call.State == TCallState::Setup)
            Call.State = TCallState::Alerting;
        break;
    case TIsupKind::ANM:
    case TIsupKind::CON:
        if (!Call.Answered) {
            ++FAnswered;
            Call.Answered = true;
            Call.AnswerTime = Item.Stamp;
        }
        if (Call.State < TCallState::Answered)
            Call.State = TCallState::Answered;
        break;
    case TIsupKind::REL:
        if (!Call.Released) {
            Call.Released = true;
            Call.ReleaseTime = Item.Stamp;
            Call.HasCause = Facts.HasCause;
            Call.CauseValue = Facts.CauseValue;
            Call.CauseLocation = Facts.CauseLocation;
            Call.CauseText = Facts.CauseText;
            Call.LocationText = Facts.LocationText;
            Call.ReleasedBy = Opc == Call.Opc ? TReleaseSide::Calling : TReleaseSide::Called;
        }
        if (Call.State < TCallState::Released)
            Call.State = TCallState::Released;
        break;
    case TIsupKind::RLC:
        ++FComplete;
        Call.Complete = true;
        Call.State = TCallState::Complete;
        Call.Open = false;
        FOpen.erase(Open);
        break;
    default:
        break;
    }
}

void TCallTracker::DropBefore(uint64_t FirstKept)
{
    while (!FCalls.empty() && FCalls.front().Messages.back() < FirstKept) {
        const TCallRecord& Call = FCalls.front();
        if (Call.Open)
            FOpen.erase(Key(Call.Opc, Call.Dpc, Call.Cic));
        FCalls.pop_front();
        ++FDroppedCalls;
    }
}

const TCallRecord* TCallTracker::FindCall(uint64_t Number) const
{
    if (Number <= FDroppedCalls || Number - FDroppedCalls > FCalls.size())
        return nullptr;
    return &FCalls[Number - 1 - FDroppedCalls];
}

void TCallTracker::Clear()
{
    std::deque<TCallRecord>().swap(FCalls);
    FOpen.clear();
    FDroppedCalls = 0;
    FAnswered = 0;
    FComplete = 0;
    ++FGeneration;
}

namespace {

void AppendCsvCell(std::string_view Cell, std::string& Text)
{
    if (Cell.find_first_of(",\"\r\n") == std::string_view::npos) {
        Text += Cell;
        return;
    }
    Text += '"';
    for (char C : Cell) {
        if (C == '"')
            Text += '"';
        Text += C;
    }
    Text += '"';
}

std::string SecondsText(int64_t Ms)
{
    const char Sign = Ms < 0 ? '-' : 0;
    const int64_t Abs = Ms < 0 ? -Ms : Ms;
    std::string Fraction = std::to_string(Abs % 1000);
    Fraction.insert(0, 3 - Fraction.size(), '0');
    return (Sign ? std::string(1, Sign) : std::string()) + std::to_string(Abs / 1000) + "." + Fraction;
}

} // namespace

std::string CallsCsv(const std::deque<TCallRecord>& Calls)
{
    std::string Text = "call,start,opc,dpc,cic,direction,link,calling,called,state,answered,answer,release,"
                       "duration,talk,cause,cause_text,cause_location,released_by,ended_by,complete,messages\r\n";
    for (const TCallRecord& Call : Calls) {
        const std::string Cells[] = {
            std::to_string(Call.Number),
            FormatStampIso(Call.Start),
            std::to_string(Call.Opc),
            std::to_string(Call.Dpc),
            std::to_string(Call.Cic),
            Call.Direction == 1       ? "IN"
                : Call.Direction == 2 ? "OUT"
                                      : std::to_string(Call.Direction),
            std::to_string(Call.Link),
            Call.Calling,
            Call.Called,
            CallStateText(Call.State),
            Call.Answered ? "yes" : "no",
            Call.Answered ? FormatStampIso(Call.AnswerTime) : std::string(),
            Call.Released ? FormatStampIso(Call.ReleaseTime) : std::string(),
            SecondsText(Call.DurationMs()),
            SecondsText(Call.TalkMs()),
            Call.HasCause ? std::to_string(Call.CauseValue) : std::string(),
            Call.HasCause ? std::string(Call.CauseText) : std::string(),
            Call.HasCause ? std::string(Call.LocationText) : std::string(),
            ReleaseSideText(Call.ReleasedBy),
            CallEndText(Call.EndedBy),
            Call.Complete ? "yes" : "no",
            std::to_string(Call.Messages.size()),
        };
        bool First = true;
        for (const std::string& Cell : Cells) {
            if (!First)
                Text += ',';
            First = false;
            AppendCsvCell(Cell, Text);
        }
        Text += "\r\n";
    }
    return Text;
}
