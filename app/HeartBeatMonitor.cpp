#include "HeartBeatMonitor.h"

#include "HeartIndicator.h"
#include "LifeOsc.h"

namespace {

// A restart is a stop and a start; enabling a running timer leaves it
// running as it was.
void Restart(QTimer& Timer)
{
    Timer.stop();
    Timer.start();
}

void Enable(QTimer& Timer)
{
    if (!Timer.isActive())
        Timer.start();
}

} // namespace

THeartBeatMonitor::THeartBeatMonitor(TSystemTime& LastHeartBeat, QObject* Owner)
    : QObject(Owner), FLastHeartBeat(LastHeartBeat)
{
    tmTick.setInterval(TickInterval);
    tmPulseLoss.setInterval(PulseLossInterval);
    tmNoHeartBeat.setInterval(NoHeartBeatInterval);
    tmHeartBeat.setInterval(HeartBeatInterval);
    // Precise timers: the 1100 ms pulse-loss and 3000 ms no-heartbeat limits
    // are compared against heartbeats that may come exactly a second apart.
    for (QTimer* Timer : {&tmTick, &tmPulseLoss, &tmNoHeartBeat, &tmHeartBeat})
        Timer->setTimerType(Qt::PreciseTimer);
    connect(&tmTick, &QTimer::timeout, this, &THeartBeatMonitor::tmTickTimer);
    connect(&tmPulseLoss, &QTimer::timeout, this, &THeartBeatMonitor::tmPulseLossTimer);
    connect(&tmNoHeartBeat, &QTimer::timeout, this, &THeartBeatMonitor::tmNoHeartBeatTimer);
    connect(&tmHeartBeat, &QTimer::timeout, this, &THeartBeatMonitor::tmHeartBeatTimer);
    tmTick.start();
}

void THeartBeatMonitor::HeartBeatReceived()
{
    Restart(tmNoHeartBeat);
    Enable(tmHeartBeat);
    FLastHeartBeat = LocalTimeNow();
    SetHeartGlyph(1);
    LifeOsc::Pulse();
    Restart(tmPulseLoss);
}

std::string THeartBeatMonitor::StopRecord(const TSystemTime& LastHeartBeat)
{
    const TStampBytes Stamp = StampToBytes(LastHeartBeat);
    std::string Record(reinterpret_cast<const char*>(Stamp.data()), Stamp.size());
    static constexpr char StopTail[] = {0x00, 0x00, static_cast<char>(0xFF), 0x00, 0x00, 0x00, 0x00};
    Record.append(StopTail, sizeof StopTail);
    return Record;
}

void THeartBeatMonitor::tmTickTimer()
{
    LifeOsc::Tick();
    if (OnTick)
        OnTick();
}

void THeartBeatMonitor::tmPulseLossTimer()
{
    // Stays enabled: while heartbeats stay away it fires again without effect.
    LifeOsc::PulseLost();
}

void THeartBeatMonitor::tmNoHeartBeatTimer()
{
    SetHeartGlyph(2);
    if (OnStopEntry)
        OnStopEntry(StopRecord(FLastHeartBeat));
    // One stop entry per loss; the next heartbeat starts the timer again.
    tmNoHeartBeat.stop();
}

void THeartBeatMonitor::tmHeartBeatTimer()
{
    SetHeartGlyph(0);
    tmHeartBeat.stop();
}

void THeartBeatMonitor::SetHeartGlyph(int Glyph)
{
    if (Heart)
        Heart->SetGlyph(Glyph);
}
