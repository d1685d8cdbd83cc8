// THeartBeatMonitor: the four timers of the main window that turn the
// signalling processor's heartbeats, or their absence, into the oscillator
// of status panel 0, the glyph of the heart indicator aiHeart and a stop
// entry among the captures. The timers and the heartbeat's time come from
// the window's clock.
#pragma once

#include "app/LifeOsc.h"
#include "core/Clock.h"
#include "core/Stamp.h"

#include <QList>
#include <QObject>
#include <QPixmap>

#include <functional>
#include <string>

class QLabel;
class QPainter;
class QRect;

class THeartBeatMonitor : public QObject {
    Q_OBJECT
public:
    static constexpr int TickInterval = 500;
    static constexpr int PulseLossInterval = 1100;
    static constexpr int NoHeartBeatInterval = 3000;
    static constexpr int HeartBeatInterval = 500;

    enum THeartGlyph { hgResting = 0, hgBeat = 1, hgStopped = 2 };

    // LastHeartBeat is the main window's field, set at every heartbeat and
    // stamped on the stop entry. The timers run on Clock, which outlives the
    // monitor; the tick timer starts at once.
    THeartBeatMonitor(TSystemTime& LastHeartBeat, TClock& Clock, QObject* Owner = nullptr);

    // The heartbeat branch of the datagram intake.
    void HeartBeatReceived();

    // The time of the last heartbeat (the window's LastHeartBeat).
    const TSystemTime& LastHeartBeat() const { return FLastHeartBeat; }

    // Shows the glyphs on Heart from now on, starting with the stopped one.
    void AttachHeart(QLabel* Heart);
    const QLabel* Heart() const { return FHeart; }
    int HeartGlyph() const { return FHeartGlyph; }

    // Paints status panel 0: the oscillator with its frames from ilOsc.
    void StatusBarDrawPanel(QPainter& Canvas, const QRect& Rect) const;

    // Where a stop entry goes (the window's AddCapture): the record of the
    // stamp of the last heartbeat, direction 0, link 0 and the message
    // FF 00 00 00 00.
    std::function<void(const std::string& Record)> OnStopEntry;
    // Called after every tick so that the status bar repaints panel 0.
    std::function<void()> OnTick;

    const std::unique_ptr<TClockTimer> tmTick;
    const std::unique_ptr<TClockTimer> tmPulseLoss;
    const std::unique_ptr<TClockTimer> tmNoHeartBeat;
    const std::unique_ptr<TClockTimer> tmHeartBeat;

    // The oscillator the tick timer drives and panel 0 shows.
    const TLifeOsc& Oscillator() const { return FOscillator; }

    // The ten oscillator frames and the three heart glyphs (resting: a
    // small pink heart; beat: a large red one; stopped: a grey heart
    // crossed out).
    const QList<QPixmap> ilOsc;
    const QList<QPixmap> HeartGlyphs;
    static QList<QPixmap> MakeHeartGlyphs();

private:
    void tmTickTimer();
    void tmPulseLossTimer();
    void tmNoHeartBeatTimer();
    void tmHeartBeatTimer();
    void SetHeartGlyph(int Glyph);

    TSystemTime& FLastHeartBeat;
    TClock& FClock;
    TLifeOsc FOscillator;
    QLabel* FHeart = nullptr;
    int FHeartGlyph = hgStopped;
};
