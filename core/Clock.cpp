#include "core/Clock.h"

#include <algorithm>
#include <chrono>

int64_t SteadyMilliseconds()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

class TManualClock::TTimer : public TClockTimer {
public:
    TTimer(TManualClock& Clock, int Interval, std::function<void()> OnTimeout)
        : FClock(&Clock)
        // A zero interval would fire without end within one Advance.
        , FInterval(std::max(Interval, 1))
        , FOnTimeout(std::move(OnTimeout))
    {
        FClock->FTimers.push_back(this);
    }

    ~TTimer() override
    {
        if (FClock)
            std::erase(FClock->FTimers, this);
    }

    void Start() override
    {
        if (!FClock)
            return;
        FActive = true;
        FDue = FClock->FNow + FInterval;
        FSequence = FClock->FNextSequence++;
    }

    void Stop() override { FActive = false; }
    bool IsActive() const override { return FActive; }
    int Interval() const override { return FInterval; }

    TManualClock* FClock;
    const int FInterval;
    const std::function<void()> FOnTimeout;
    bool FActive = false;
    int64_t FDue = 0;
    uint64_t FSequence = 0;
};

TManualClock::TManualClock(const TSystemTime& Start)
    : FStart(Start)
{
}

TManualClock::~TManualClock()
{
    for (TTimer* Timer : FTimers)
        Timer->FClock = nullptr;
}

int64_t TManualClock::MonotonicMs() const
{
    const int64_t Now = FNow;
    FNow += FStepPerReading;
    return Now;
}

TSystemTime TManualClock::LocalTime() const
{
    return AddMilliseconds(FStart, FNow);
}

std::unique_ptr<TClockTimer> TManualClock::NewTimer(int IntervalMs, std::function<void()> OnTimeout)
{
    return std::make_unique<TTimer>(*this, IntervalMs, std::move(OnTimeout));
}

void TManualClock::Advance(int64_t Ms)
{
    const int64_t Target = FNow + std::max<int64_t>(Ms, 0);
    for (;;) {
        TTimer* Next = nullptr;
        for (TTimer* Timer : FTimers) {
            if (!Timer->FActive || Timer->FDue > Target)
                continue;
            if (!Next || Timer->FDue < Next->FDue || (Timer->FDue == Next->FDue && Timer->FSequence < Next->FSequence))
                Next = Timer;
        }
        if (!Next)
            break;
        // A timer overdue from readings that stepped the time fires late, as
        // a real one would; the time never goes back.
        FNow = std::max(FNow, Next->FDue);
        Next->FDue += Next->FInterval;
        Next->FSequence = FNextSequence++;
        // A copy: the handler may destroy its own timer.
        const std::function<void()> OnTimeout = Next->FOnTimeout;
        if (OnTimeout)
            OnTimeout();
    }
    FNow = std::max(FNow, Target);
}

int TManualClock::ActiveTimers() const
{
    return static_cast<int>(std::count_if(FTimers.begin(), FTimers.end(), [](const TTimer* T) { return T->FActive; }));
}
