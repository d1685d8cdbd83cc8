// TEventLoopClock: the program's clock. Real time: the system's monotonic
// clock and the local date and time; its timers fire from the Qt event loop
// of the thread that made them.
#pragma once

#include "core/Clock.h"

class TEventLoopClock : public TClock {
public:
    int64_t MonotonicMs() const override;
    TSystemTime LocalTime() const override;
    std::unique_ptr<TClockTimer> NewTimer(int IntervalMs, std::function<void()> OnTimeout) override;
};
