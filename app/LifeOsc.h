// LifeOsc: the processor-life oscillator of the status bar (TLifeOsc): a
// state (Alive starting, Alive, Dying, Dead) and a frame counter into the
// state's frame list, advanced by the half-second tick and driven by
// heartbeats and their absence; and its ten frame images.
#pragma once

#include <QList>
#include <QPixmap>

#include <cstdint>

class QPainter;
class QRect;

namespace LifeOsc {

enum TOscState : uint8_t {
    osAliveStarting = 1,
    osAlive = 2,
    osDying = 3,
    osDead = 4,
};

// Where the state's text starts on the canvas of the status bar.
constexpr int TextX = 20;
constexpr int TextY = 5;
// Number of images in the oscillator image list.
constexpr int FrameImageCount = 10;

// The ten 16 x 16 frames: 0 and 9 a dark and a red flat line (Dead), 1-3 a
// trace starting up, 4-5 a steady beat, 6-8 a trace fading out.
QList<QPixmap> MakeOscillatorImages();

} // namespace LifeOsc

// One oscillator, held by the heartbeat monitor. It starts Dead, counter 0.
class TLifeOsc {
public:
    // A heartbeat arrived: Dead starts Alive from its first frames, Dying
    // goes straight back to Alive; Alive goes on undisturbed.
    void Pulse();
    // No heartbeat for a while: Alive becomes Dying; Dying and Dead stay.
    void PulseLost();
    // Advances the animation by one frame; the one-shot states (Alive
    // starting, Dying) move on to their successors after their last frame.
    void Tick();
    // Paints the state's text and, unless a state change has not yet been
    // ticked, the current frame from Images at (left + 1, top + 1).
    void DrawOscillator(QPainter& Canvas, const QRect& Rect, const QList<QPixmap>& Images) const;

    LifeOsc::TOscState State() const { return FState; }
    int32_t FrameCounter() const { return FCounter; }
    const char* StateText() const;
    // The image index the oscillator shows now, or -1 while only its text
    // shows.
    int CurrentImage() const;

private:
    void ChangeState(LifeOsc::TOscState State);

    LifeOsc::TOscState FState = LifeOsc::osDead;
    int32_t FCounter = 0;
};
