// The counts of the traffic, kept up to date as captures arrive: messages
// by name and direction, by link and by point-code pair, the release causes
// of the REL messages, and messages per second of their stamps.
#pragma once

#include "analysis/CallTracker.h"
#include "analysis/IsupFacts.h"
#include "presentation/CaptureItems.h"

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

class TDecodedCapture;

class TTrafficStats {
public:
    TTrafficStats();

    // Counts a capture; Facts are its ISUP facts (null for other messages).
    void Add(const TCaptureItem& Item, const TIsupFacts* Facts);
    void Clear();

    uint64_t Messages() const { return FMessages; }

    struct TNameCount {
        std::string Name;
        uint64_t In = 0;
        uint64_t Out = 0;
        // Direction 0 (pasted, stop entries) or any other code.
        uint64_t Other = 0;
        uint64_t Total() const { return In + Out + Other; }
    };
    struct TPairCount {
        uint32_t Opc = 0;
        uint32_t Dpc = 0;
        uint64_t Count = 0;
    };
    struct TCauseCount {
        uint8_t Value = 0;
        std::string Text;
        uint64_t Count = 0;
    };
    // By name (names from Texts, the pool of the captures' summaries), in
    // name order.
    std::vector<TNameCount> ByName(const TTextPool& Texts) const;
    uint64_t In() const { return FIn; }
    uint64_t Out() const { return FOut; }
    // Links with messages (stop entries have none), in link order.
    std::vector<std::pair<int, uint64_t>> ByLink() const;
    // By OPC and DPC, in that order.
    std::vector<TPairCount> ByPair() const;
    // REL causes by value.
    std::vector<TCauseCount> Causes() const;
    // Messages per second: the stamp's second (StampMilliseconds / 1000) ->
    // messages.
    const std::map<int64_t, uint32_t>& PerSecond() const { return FPerSecond; }

private:
    uint64_t FMessages = 0;
    uint64_t FIn = 0;
    uint64_t FOut = 0;
    // Per name text index: IN, OUT, other.
    std::vector<std::array<uint64_t, 3>> FByName;
    std::array<uint64_t, 256> FByLink{};
    std::unordered_map<uint32_t, uint64_t> FByPair;
    std::array<uint64_t, 128> FCauses{};
    std::vector<std::string> FCauseTexts;
    std::map<int64_t, uint32_t> FPerSecond;
    // The second counted last, and its entry: most captures fall into it.
    int64_t FLastSecond = 0;
    uint32_t* FLastCount = nullptr;
};

// Calls and counts together, fed once per capture: what the window and
// velmora-dump keep. The counts are of every capture added since the last
// Clear; the calls of the captures held (see TCallTracker::DropBefore).
class TCaptureAnalysis : public TCaptureObserver {
public:
    void CaptureAdded(uint64_t Sequence, const TCaptureItem& Item, const TDecodedCapture& Decoded) override
    {
        Add(Sequence, Item, Decoded);
    }
    void CapturesDropped(uint64_t FirstKept) override { Calls.DropBefore(FirstKept); }
    // The capture numbered Sequence (its item, with its summary, and its
    // decoded message).
    void Add(uint64_t Sequence, const TCaptureItem& Item, const TDecodedCapture& Decoded);
    void Clear();

    TCallTracker Calls;
    TTrafficStats Stats;

private:
    TIsupFacts FFacts;
};
