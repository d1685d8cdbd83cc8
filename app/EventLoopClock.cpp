#include "app/EventLoopClock.h"

#include <QTimer>

namespace {

class TEventLoopTimer : public TClockTimer {
public:
    TEventLoopTimer(int IntervalMs, std::function<void()> OnTimeout)
    {
        FTimer.setInterval(IntervalMs);
        // Precise timers: the heartbeat monitor compares its 1100 ms and
        // 3000 ms limits against heartbeats that may come exactly a second
        // apart, which the 5 % slack of a coarse timer could blur.
        FTimer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&FTimer, &QTimer::timeout, &FTimer, std::move(OnTimeout));
    }

    void Start() override { FTimer.start(); }
    void Stop() override { FTimer.stop(); }
    bool IsActive() const override { return FTimer.isActive(); }
    int Interval() const override { return FTimer.interval(); }

private:
    QTimer FTimer;
};

} // namespace

int64_t TEventLoopClock::MonotonicMs() const
{
    return SteadyMilliseconds();
}

TSystemTime TEventLoopClock::LocalTime() const
{
    return LocalTimeNow();
}

std::unique_ptr<TClockTimer> TEventLoopClock::NewTimer(int IntervalMs, std::function<void()> OnTimeout)
{
    return std::make_unique<TEventLoopTimer>(IntervalMs, std::move(OnTimeout));
}
