// The hand-driven clock that tests run the window's timers on: due timers
// fire at their own times and in order, restarts and stops take effect at
// once, and the local time moves with the monotonic one.
#include "core/Clock.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct TFired {
    std::string Name;
    int64_t At;
    bool operator==(const TFired&) const = default;
};

// Timers whose every call is written down with the clock's time.
struct TLog {
    TManualClock& Clock;
    std::vector<TFired> Fired;

    std::unique_ptr<TClockTimer> Timer(const char* Name, int Interval)
    {
        return Clock.NewTimer(Interval, [this, Name] { Fired.push_back({Name, Clock.Elapsed()}); });
    }
};

TEST(ManualClock, TimersFireAtTheirDueTimesEarliestFirst)
{
    TManualClock Clock;
    TLog Log{Clock, {}};
    const auto Tick = Log.Timer("tick", 500);
    const auto Loss = Log.Timer("loss", 1100);
    EXPECT_FALSE(Tick->IsActive());
    EXPECT_EQ(Tick->Interval(), 500);
    Tick->Start();
    Loss->Start();
    EXPECT_EQ(Clock.ActiveTimers(), 2);
    Clock.Advance(499);
    EXPECT_TRUE(Log.Fired.empty());
    // One long step fires each call at its own time, in time order.
    Clock.Advance(1701);
    EXPECT_EQ(Log.Fired,
              (std::vector<TFired>{
                  {"tick", 500}, {"tick", 1000}, {"loss", 1100}, {"tick", 1500}, {"tick", 2000}, {"loss", 2200}}));
    EXPECT_EQ(Clock.Elapsed(), 2200);
    EXPECT_EQ(Clock.MonotonicMs(), 2200);
}

TEST(ManualClock, TimersDueTogetherFireInTheOrderTheyWereStarted)
{
    TManualClock Clock;
    TLog Log{Clock, {}};
    const auto First = Log.Timer("first", 500);
    const auto Second = Log.Timer("second", 500);
    Second->Start();
    First->Start();
    Clock.Advance(1000);
    EXPECT_EQ(Log.Fired, (std::vector<TFired>{{"second", 500}, {"first", 500}, {"second", 1000}, {"first", 1000}}));
}

TEST(ManualClock, StartingARunningTimerStartsItOverAndStopHoldsIt)
{
    TManualClock Clock;
    TLog Log{Clock, {}};
    const auto Timer = Log.Timer("t", 300);
    Timer->Start();
    Clock.Advance(200);
    Timer->Start();
    Clock.Advance(299);
    EXPECT_TRUE(Log.Fired.empty());
    Clock.Advance(1);
    EXPECT_EQ(Log.Fired, (std::vector<TFired>{{"t", 500}}));
    Timer->Stop();
    EXPECT_FALSE(Timer->IsActive());
    EXPECT_EQ(Clock.ActiveTimers(), 0);
    Clock.Advance(1000);
    EXPECT_EQ(Log.Fired.size(), 1u);
}

TEST(ManualClock, HandlersMayStopStartAndDestroyTimers)
{
    TManualClock Clock;
    std::vector<std::string> Calls;
    std::unique_ptr<TClockTimer> Once;
    std::unique_ptr<TClockTimer> Other = Clock.NewTimer(100, [&] { Calls.push_back("other"); });
    // A one-shot: its handler stops it, as the no-heartbeat timer does.
    Once = Clock.NewTimer(100, [&] {
        Calls.push_back("once");
        Once->Stop();
        Other->Start();
    });
    std::unique_ptr<TClockTimer> Doomed;
    Doomed = Clock.NewTimer(50, [&] {
        Calls.push_back("doomed");
        Doomed.reset();
    });
    Once->Start();
    Doomed->Start();
    Clock.Advance(350);
    EXPECT_EQ(Calls, (std::vector<std::string>{"doomed", "once", "other", "other"}));
    EXPECT_EQ(Doomed, nullptr);
    EXPECT_EQ(Clock.ActiveTimers(), 1);
}

TEST(ManualClock, LocalTimeMovesWithTheClock)
{
    TManualClock Clock(TSystemTime{2026, 12, 4, 31, 23, 59, 58, 0});
    EXPECT_EQ(Clock.LocalTime(), (TSystemTime{2026, 12, 4, 31, 23, 59, 58, 0}));
    Clock.Advance(2500);
    EXPECT_EQ(Clock.LocalTime(), (TSystemTime{2027, 1, 5, 1, 0, 0, 0, 500}));
    EXPECT_EQ(TManualClock().LocalTime(), TManualClock::DefaultStart);
    EXPECT_EQ(FormatStampTime(TManualClock::DefaultStart), "9:05:03.012");
    EXPECT_EQ(FormatStampDate(TManualClock::DefaultStart), "7.12.2026");
}

TEST(ManualClock, ReadingsMayStepTheTimeWithoutFiringTimers)
{
    TManualClock Clock;
    TLog Log{Clock, {}};
    const auto Timer = Log.Timer("t", 10);
    Timer->Start();
    Clock.SetStepPerReading(4);
    EXPECT_EQ(Clock.MonotonicMs(), 0);
    EXPECT_EQ(Clock.MonotonicMs(), 4);
    EXPECT_EQ(Clock.MonotonicMs(), 8);
    EXPECT_EQ(Clock.Elapsed(), 12);
    EXPECT_TRUE(Log.Fired.empty());
    // The overdue call comes late, at the next Advance; time never goes back.
    Clock.SetStepPerReading(0);
    Clock.Advance(1);
    EXPECT_EQ(Log.Fired, (std::vector<TFired>{{"t", 12}}));
    EXPECT_EQ(Clock.MonotonicMs(), 13);
}

TEST(ManualClock, TimersOutlivingTheirClockAreHarmless)
{
    std::unique_ptr<TClockTimer> Timer;
    {
        TManualClock Clock;
        Timer = Clock.NewTimer(10, [] {});
        Timer->Start();
    }
    Timer->Stop();
    Timer->Start();
    Timer.reset();
}

} // namespace
