// The processor-life oscillator's state machine, tick by tick.
#include "app/LifeOsc.h"

#include <gtest/gtest.h>

#include <string>

using namespace LifeOsc;

namespace {

class LifeOscTest : public ::testing::Test {
protected:
    TLifeOsc Osc;

    void Pulse() { Osc.Pulse(); }
    void PulseLost() { Osc.PulseLost(); }
    void Tick() { Osc.Tick(); }
    TOscState State() const { return Osc.State(); }
    int32_t FrameCounter() const { return Osc.FrameCounter(); }
    const char* StateText() const { return Osc.StateText(); }
    int CurrentImage() const { return Osc.CurrentImage(); }

    // The image shown after each of N ticks.
    std::string Frames(int N)
    {
        std::string Shown;
        for (int I = 0; I < N; ++I) {
            Tick();
            Shown += std::to_string(CurrentImage());
        }
        return Shown;
    }
};

TEST_F(LifeOscTest, StartsDeadBlinkingBetweenFramesZeroAndNine)
{
    EXPECT_EQ(State(), osDead);
    EXPECT_EQ(FrameCounter(), 0);
    EXPECT_STREQ(StateText(), "Dead");
    EXPECT_EQ(CurrentImage(), 0);
    EXPECT_EQ(Frames(5), "90909");
    EXPECT_EQ(State(), osDead);
}

TEST_F(LifeOscTest, FirstPulseStartsAliveThenSteadyBeat)
{
    Pulse();
    EXPECT_EQ(State(), osAliveStarting);
    EXPECT_EQ(FrameCounter(), -1);
    EXPECT_EQ(CurrentImage(), -1); // only the text until the next tick
    EXPECT_STREQ(StateText(), "Alive");
    EXPECT_EQ(Frames(3), "123");
    EXPECT_EQ(State(), osAliveStarting);
    EXPECT_EQ(Frames(5), "45454");
    EXPECT_EQ(State(), osAlive);
}

TEST_F(LifeOscTest, PulsesWhileAliveDoNotDisturbTheAnimation)
{
    Pulse();
    Frames(2);
    Pulse();
    EXPECT_EQ(State(), osAliveStarting);
    EXPECT_EQ(FrameCounter(), 1);
    EXPECT_EQ(Frames(2), "34");
    Pulse();
    EXPECT_EQ(State(), osAlive);
    EXPECT_EQ(FrameCounter(), 0);
}

TEST_F(LifeOscTest, PulseLostFromAliveGoesDyingThenDead)
{
    Pulse();
    Frames(4);
    PulseLost();
    EXPECT_EQ(State(), osDying);
    EXPECT_EQ(FrameCounter(), -1);
    EXPECT_STREQ(StateText(), "Dying");
    EXPECT_EQ(Frames(3), "678");
    EXPECT_EQ(Frames(3), "090");
    EXPECT_EQ(State(), osDead);
}

TEST_F(LifeOscTest, PulseLostWhileStartingAlsoGoesDying)
{
    Pulse();
    Tick();
    PulseLost();
    EXPECT_EQ(State(), osDying);
}

TEST_F(LifeOscTest, PulseLostWhileDyingOrDeadChangesNothing)
{
    PulseLost();
    EXPECT_EQ(State(), osDead);
    EXPECT_EQ(FrameCounter(), 0);
    Pulse();
    PulseLost();
    Frames(1);
    PulseLost();
    EXPECT_EQ(State(), osDying);
    EXPECT_EQ(FrameCounter(), 0);
}

TEST_F(LifeOscTest, PulseWhileDyingGoesStraightToSteadyBeat)
{
    Pulse();
    PulseLost();
    Frames(2);
    Pulse();
    EXPECT_EQ(State(), osAlive);
    EXPECT_EQ(FrameCounter(), -1);
    EXPECT_EQ(Frames(3), "454");
}

TEST_F(LifeOscTest, EachOscillatorKeepsItsOwnState)
{
    TLifeOsc Other;
    Pulse();
    Frames(2);
    EXPECT_EQ(Other.State(), osDead);
    EXPECT_EQ(Other.FrameCounter(), 0);
    EXPECT_EQ(State(), osAliveStarting);
}

TEST_F(LifeOscTest, PulseAfterDeathStartsOver)
{
    Pulse();
    PulseLost();
    Frames(4);
    ASSERT_EQ(State(), osDead);
    Pulse();
    EXPECT_EQ(State(), osAliveStarting);
    EXPECT_EQ(Frames(4), "1234");
}

} // namespace
