#include "analysis/TrafficStats.h"

#include "isup/IsupPacket.h"
#include "l4/PacketL4.h"
#include "presentation/CaptureDecoding.h"
#include "presentation/CaptureItems.h"

#include <algorithm>

TTrafficStats::TTrafficStats()
    : FCauseTexts(128)
{
}

void TTrafficStats::Add(const TCaptureItem& Item, const TIsupFacts* Facts)
{
    ++FMessages;
    const uint32_t Name = Item.Summary.NameText;
    if (Name >= FByName.size())
        FByName.resize(Name + 16);
    const int Direction = Item.Direction == cdIn ? 0 : Item.Direction == cdOut ? 1 : 2;
    ++FByName[Name][static_cast<size_t>(Direction)];
    FIn += Direction == 0;
    FOut += Direction == 1;
    if (!Item.IsStopEntry())
        ++FByLink[Item.Link];
    if (Item.Summary.HasRoutingLabel) {
        const uint32_t Label = Item.Summary.RoutingLabel;
        ++FByPair[GetOpc(Label) << 14 | GetDpc(Label)];
    }
    if (Facts && Facts->Kind == TIsupKind::REL && Facts->HasCause) {
        const size_t Value = Facts->CauseValue & 0x7F;
        if (FCauses[Value]++ == 0)
            FCauseTexts[Value] = std::string(Facts->CauseText);
    }
    const int64_t Millisecond = StampMilliseconds(Item.Stamp);
    const int64_t Second = Millisecond >= 0 ? Millisecond / 1000 : (Millisecond - 999) / 1000;
    if (!FLastCount || Second != FLastSecond) {
        // In time order the entry is new and goes at the end: the hint makes
        // that constant time.
        auto At = FPerSecond.lower_bound(Second);
        if (At == FPerSecond.end() || At->first != Second)
            At = FPerSecond.emplace_hint(At, Second, 0);
        FLastSecond = Second;
        FLastCount = &At->second;
    }
    ++*FLastCount;
}

void TTrafficStats::Clear()
{
    *this = TTrafficStats();
}

std::vector<TTrafficStats::TNameCount> TTrafficStats::ByName(const TTextPool& Texts) const
{
    std::vector<TNameCount> Result;
    for (size_t I = 0; I < FByName.size(); ++I) {
        const auto& Counts = FByName[I];
        if (Counts[0] + Counts[1] + Counts[2] == 0)
            continue;
        Result.push_back({Texts.Text(static_cast<uint32_t>(I)), Counts[0], Counts[1], Counts[2]});
    }
    std::sort(Result.begin(), Result.end(), [](const TNameCount& A, const TNameCount& B) { return A.Name < B.Name; });
    return Result;
}

std::vector<std::pair<int, uint64_t>> TTrafficStats::ByLink() const
{
    std::vector<std::pair<int, uint64_t>> Result;
    for (size_t Link = 0; Link < FByLink.size(); ++Link)
        if (FByLink[Link])
            Result.emplace_back(static_cast<int>(Link), FByLink[Link]);
    return Result;
}

std::vector<TTrafficStats::TPairCount> TTrafficStats::ByPair() const
{
    std::vector<TPairCount> Result;
    for (const auto& [Key, Count] : FByPair)
        Result.push_back({Key >> 14, Key & 0x3FFF, Count});
    std::sort(Result.begin(), Result.end(),
              [](const TPairCount& A, const TPairCount& B) { return A.Opc != B.Opc ? A.Opc < B.Opc : A.Dpc < B.Dpc; });
    return Result;
}

std::vector<TTrafficStats::TCauseCount> TTrafficStats::Causes() const
{
    std::vector<TCauseCount> Result;
    for (size_t Value = 0; Value < FCauses.size(); ++Value)
        if (FCauses[Value])
            Result.push_back({static_cast<uint8_t>(Value), FCauseTexts[Value], FCauses[Value]});
    return Result;
}

void TCaptureAnalysis::Add(uint64_t Sequence, const TCaptureItem& Item, const TDecodedCapture& Decoded)
{
    const TCustomIsupPacket* Isup = Decoded.Isup();
    if (!Isup || !Item.Summary.HasRoutingLabel) {
        Stats.Add(Item, nullptr);
        return;
    }
    TIsupFactReader& Reader = Calls.Reader();
    if (Reader.KindOf(*Isup) == TIsupKind::Other) {
        Stats.Add(Item, nullptr);
        return;
    }
    Reader.Read(*Isup, FFacts);
    Calls.Add(Sequence, Item, FFacts, Isup->Cic);
    Stats.Add(Item, &FFacts);
}

void TCaptureAnalysis::Clear()
{
    Calls.Clear();
    Stats.Clear();
}
