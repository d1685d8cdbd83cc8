// Calls correlated from their ISUP messages, as they arrive. Messages are
// matched by the pair of point codes (either way round) and the CIC: an IAM
// starts a call; SAM, ACM, CON, CPG, ANM, SUS, RES, REL and RLC on the same
// pair and CIC belong to it, and RLC completes it; a new IAM, an RSC, or a
// GRS whose range covers the CIC ends it. Each message costs a hash lookup
// (a GRS one per circuit of its range). Captures are named by their
// sequence numbers (see TCaptureObserver); when the oldest captures are
// dropped, so are the oldest calls whose messages are all gone, so that a
// long run under a limit on captures holds a bounded number of calls.
#pragma once

#include "analysis/IsupFacts.h"
#include "core/Stamp.h"

#include <cstdint>
#include <deque>
#include <string>
#include <unordered_map>
#include <vector>

class TCaptureItem;
class TDecodedCapture;

enum class TCallState : uint8_t { Setup, Alerting, Answered, Released, Complete };
// What ended a call before its RLC.
enum class TCallEnd : uint8_t { None, Iam, Rsc, Grs };
enum class TReleaseSide : uint8_t { None, Calling, Called };

// "setup", "alerting", "answered", "released", "complete".
const char* CallStateText(TCallState State);
// "", "IAM", "RSC", "GRS".
const char* CallEndText(TCallEnd End);
// "", "calling", "called".
const char* ReleaseSideText(TReleaseSide Side);

// Milliseconds of a stamp on a calendar without daylight-saving steps, for
// differences between stamps.
int64_t StampMilliseconds(const TSystemTime& Stamp);

struct TCallRecord {
    // 1 for the first call seen since the last Clear.
    uint64_t Number = 0;
    // Of the IAM: its point codes, CIC, direction and link.
    uint32_t Opc = 0;
    uint32_t Dpc = 0;
    uint16_t Cic = 0;
    uint8_t Direction = 0;
    uint8_t Link = 0;
    TSystemTime Start;
    // The first ANM or CON, the REL, and the call's last message.
    TSystemTime AnswerTime;
    TSystemTime ReleaseTime;
    TSystemTime EndTime;
    std::string Calling;
    // The called number with the SAM digits appended.
    std::string Called;
    TCallState State = TCallState::Setup;
    bool Answered = false;
    bool Released = false;
    // RLC seen.
    bool Complete = false;
    // Still open: later messages on its circuit belong to it.
    bool Open = true;
    bool HasCause = false;
    uint8_t CauseValue = 0;
    uint8_t CauseLocation = 0;
    // Texts kept by the tracker's reader, valid while the tracker lives.
    std::string_view CauseText;
    std::string_view LocationText;
    // The side whose exchange sent the REL: the calling side is the IAM's
    // originating point code.
    TReleaseSide ReleasedBy = TReleaseSide::None;
    TCallEnd EndedBy = TCallEnd::None;
    // The sequence numbers of the call's captures, in arrival order.
    std::vector<uint64_t> Messages;

    // From the IAM to the REL, or to the last message without one.
    int64_t DurationMs() const;
    // From the answer to the REL (or the last message); 0 unanswered.
    int64_t TalkMs() const;
};

class TCallTracker {
public:
    TCallTracker();

    // Takes in the capture numbered Sequence (its item and its decoded
    // message); anything but an ISUP message passes by.
    void Add(uint64_t Sequence, const TCaptureItem& Item, const TDecodedCapture& Decoded);
    // The same with the ISUP facts already read.
    void Add(uint64_t Sequence, const TCaptureItem& Item, const TIsupFacts& Facts, uint16_t Cic);
    // Forgets the oldest calls whose captures all come before FirstKept, up
    // to the first call with a capture still held. An open call forgotten
    // takes no more messages: its circuit is free.
    void DropBefore(uint64_t FirstKept);
    void Clear();

    // In order of their IAMs; a call stays where it is while more come, and
    // keeps its address until it is dropped or cleared.
    const std::deque<TCallRecord>& Calls() const { return FCalls; }
    // The calls dropped from the front since the last Clear: Calls()[I] is
    // call number DroppedCalls() + I + 1.
    uint64_t DroppedCalls() const { return FDroppedCalls; }
    // Call Number, null when it was dropped or cleared.
    const TCallRecord* FindCall(uint64_t Number) const;
    // Calls still open.
    size_t OpenCalls() const { return FOpen.size(); }
    // Every call since the last Clear, dropped ones included, and those of
    // them answered and completed.
    uint64_t TotalCalls() const { return FDroppedCalls + FCalls.size(); }
    uint64_t AnsweredCalls() const { return FAnswered; }
    uint64_t CompleteCalls() const { return FComplete; }
    // Counts the Clears: whoever shows the calls starts again when it changes.
    uint64_t Generation() const { return FGeneration; }
    TIsupFactReader& Reader() { return FReader; }

private:
    static uint64_t Key(uint32_t PointCodeA, uint32_t PointCodeB, uint16_t Cic);
    void End(uint64_t CircuitKey, TCallEnd How);
    TCallRecord& CallNumbered(uint64_t Number) { return FCalls[Number - 1 - FDroppedCalls]; }

    TIsupFactReader FReader;
    TIsupFacts FFacts;
    std::deque<TCallRecord> FCalls;
    uint64_t FDroppedCalls = 0;
    uint64_t FGeneration = 0;
    uint64_t FAnswered = 0;
    uint64_t FComplete = 0;
    // The open call of each circuit: key -> call number.
    std::unordered_map<uint64_t, uint64_t> FOpen;
};

// The calls as CSV (RFC 4180, CR LF line ends): a title line, then one line
// per call: number, start, OPC, DPC, CIC, direction, link, calling,
// called, state, answered, answer and release times, duration and talk
// time in seconds, cause value, text and location, released by, ended by,
// complete, messages.
std::string CallsCsv(const std::deque<TCallRecord>& Calls);
