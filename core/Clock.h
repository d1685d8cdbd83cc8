// TClock: where the program reads the time and gets its timers from. The
// window's rules that depend on time (heartbeat timers, capture stamps, the
// pace of a file load) read it through a TClock, so that they run on real
// time in the program and on a hand-driven TManualClock in tests.
#pragma once

#include "core/Stamp.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

// A periodic timer of a clock: once started it calls its handler every
// Interval milliseconds until stopped.
class TClockTimer {
public:
    virtual ~TClockTimer() = default;
    // Starts the timer; a running timer starts over, its next call a whole
    // interval from now.
    virtual void Start() = 0;
    virtual void Stop() = 0;
    virtual bool IsActive() const = 0;
    virtual int Interval() const = 0;
};

class TClock {
public:
    virtual ~TClock() = default;
    // Milliseconds on a scale that never goes back; its zero means nothing.
    virtual int64_t MonotonicMs() const = 0;
    // The local date and time, as a capture is stamped with it.
    virtual TSystemTime LocalTime() const = 0;
    // A stopped timer that calls OnTimeout every IntervalMs once started.
    // The clock outlives its timers.
    virtual std::unique_ptr<TClockTimer> NewTimer(int IntervalMs, std::function<void()> OnTimeout) = 0;
};

// Milliseconds of the system's monotonic clock.
int64_t SteadyMilliseconds();

// A clock that moves only when told to. Its monotonic time starts at 0 and
// its local time at Start; Advance moves both on and fires the timers that
// fall due on the way, each at its own due time, earliest first (timers due
// at the same moment in the order they were started).
class TManualClock : public TClock {
public:
    // 7 December 2026, a Monday, 9:05:03.012.
    static constexpr TSystemTime DefaultStart{2026, 12, 1, 7, 9, 5, 3, 12};

    explicit TManualClock(const TSystemTime& Start = DefaultStart);
    ~TManualClock() override;
    TManualClock(const TManualClock&) = delete;
    TManualClock& operator=(const TManualClock&) = delete;

    int64_t MonotonicMs() const override;
    TSystemTime LocalTime() const override;
    std::unique_ptr<TClockTimer> NewTimer(int IntervalMs, std::function<void()> OnTimeout) override;

    // Moves the time on by Ms (nothing for Ms <= 0), firing due timers. Not
    // to be called from a timer's handler.
    void Advance(int64_t Ms);
    // From now on every MonotonicMs reading moves the time on by Ms after
    // it is read, as real time passes while work is done; timers that fall
    // due meanwhile fire at the next Advance. 0 (the start) stops it.
    void SetStepPerReading(int64_t Ms) { FStepPerReading = Ms; }
    // Milliseconds since the start; reading it does not step the time.
    int64_t Elapsed() const { return FNow; }
    // The number of timers started and not stopped.
    int ActiveTimers() const;

private:
    class TTimer;
    friend class TTimer;

    mutable int64_t FNow = 0;
    int64_t FStepPerReading = 0;
    TSystemTime FStart;
    std::vector<TTimer*> FTimers;
    uint64_t FNextSequence = 0;
};
