// THeartBeatMonitor: the four timers of the main window that turn the
// signalling processor's heartbeats, or their absence, into the oscillator
// state, the heart glyph and a stop entry among the captures.
#pragma once

#include "Stamp.h"

#include <QObject>
#include <QTimer>

#include <functional>
#include <string>

class THeartIndicator;

class THeartBeatMonitor : public QObject {
    Q_OBJECT
public:
    static constexpr int TickInterval = 500;
    static constexpr int PulseLossInterval = 1100;
    static constexpr int NoHeartBeatInterval = 3000;
    static constexpr int HeartBeatInterval = 500;

    // LastHeartBeat is the main window's field, set at every heartbeat and
    // stamped on the stop entry.
    THeartBeatMonitor(TSystemTime& LastHeartBeat, QObject* Owner = nullptr);

    // The heartbeat branch of the datagram intake.
    void HeartBeatReceived();

    // The record of the stop entry: the stamp of the last heartbeat, then
    // direction 0, link 0 and the message FF 00 00 00 00.
    static std::string StopRecord(const TSystemTime& LastHeartBeat);

    // Where a stop entry goes (the window's AddCapture).
    std::function<void(const std::string& Record)> OnStopEntry;
    // Called after every tick so that the status bar repaints panel 0.
    std::function<void()> OnTick;
    // Where the heart glyph goes (0 resting, 1 beat, 2 stopped).
    THeartIndicator* Heart = nullptr;

    QTimer tmTick;
    QTimer tmPulseLoss;
    QTimer tmNoHeartBeat;
    QTimer tmHeartBeat;

private:
    void tmTickTimer();
    void tmPulseLossTimer();
    void tmNoHeartBeatTimer();
    void tmHeartBeatTimer();
    void SetHeartGlyph(int Glyph);

    TSystemTime& FLastHeartBeat;
};
