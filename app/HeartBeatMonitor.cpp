#include "app/HeartBeatMonitor.h"

#include "presentation/CaptureRecord.h"

#include <QLabel>
#include <QPainter>
#include <QPainterPath>

namespace {

// A restart is a stop and a start; enabling a running timer leaves it
// running as it was.
void Restart(TClockTimer& Timer)
{
    Timer.Stop();
    Timer.Start();
}

void Enable(TClockTimer& Timer)
{
    if (!Timer.IsActive())
        Timer.Start();
}

QPainterPath HeartPath(qreal Scale)
{
    // A heart in a 16 x 16 box, shrunk about the box's centre by Scale.
    QPainterPath Path;
    Path.moveTo(8, 14);
    Path.cubicTo(1, 9, 0, 5, 3, 3);
    Path.cubicTo(5, 1.5, 7, 2.5, 8, 5);
    Path.cubicTo(9, 2.5, 11, 1.5, 13, 3);
    Path.cubicTo(16, 5, 15, 9, 8, 14);
    QTransform Transform;
    Transform.translate(8, 8);
    Transform.scale(Scale, Scale);
    Transform.translate(-8, -8);
    return Transform.map(Path);
}

QPixmap HeartPicture(const QColor& Fill, qreal Scale, bool Crossed)
{
    QPixmap Image(16, 16);
    Image.fill(Qt::transparent);
    QPainter Painter(&Image);
    Painter.setRenderHint(QPainter::Antialiasing);
    Painter.setPen(QPen(Fill.darker(160), 1));
    Painter.setBrush(Fill);
    Painter.drawPath(HeartPath(Scale));
    if (Crossed) {
        Painter.setPen(QPen(QColor(60, 60, 60), 1.5));
        Painter.drawLine(QPointF(3, 3), QPointF(13, 13));
        Painter.drawLine(QPointF(13, 3), QPointF(3, 13));
    }
    return Image;
}

} // namespace

THeartBeatMonitor::THeartBeatMonitor(TSystemTime& LastHeartBeat, TClock& Clock, QObject* Owner)
    : QObject(Owner)
    , tmTick(Clock.NewTimer(TickInterval, [this] { tmTickTimer(); }))
    , tmPulseLoss(Clock.NewTimer(PulseLossInterval, [this] { tmPulseLossTimer(); }))
    , tmNoHeartBeat(Clock.NewTimer(NoHeartBeatInterval, [this] { tmNoHeartBeatTimer(); }))
    , tmHeartBeat(Clock.NewTimer(HeartBeatInterval, [this] { tmHeartBeatTimer(); }))
    , ilOsc(LifeOsc::MakeOscillatorImages())
    , HeartGlyphs(MakeHeartGlyphs())
    , FLastHeartBeat(LastHeartBeat)
    , FClock(Clock)
{
    tmTick->Start();
}

void THeartBeatMonitor::HeartBeatReceived()
{
    Restart(*tmNoHeartBeat);
    Enable(*tmHeartBeat);
    FLastHeartBeat = FClock.LocalTime();
    SetHeartGlyph(hgBeat);
    FOscillator.Pulse();
    Restart(*tmPulseLoss);
}

void THeartBeatMonitor::tmTickTimer()
{
    FOscillator.Tick();
    if (OnTick)
        OnTick();
}

void THeartBeatMonitor::tmPulseLossTimer()
{
    // Stays enabled: while heartbeats stay away it fires again without effect.
    FOscillator.PulseLost();
}

void THeartBeatMonitor::tmNoHeartBeatTimer()
{
    SetHeartGlyph(hgStopped);
    if (OnStopEntry)
        OnStopEntry(StopEntryRecord(FLastHeartBeat));
    // One stop entry per loss; the next heartbeat starts the timer again.
    tmNoHeartBeat->Stop();
}

void THeartBeatMonitor::tmHeartBeatTimer()
{
    SetHeartGlyph(hgResting);
    tmHeartBeat->Stop();
}

void THeartBeatMonitor::AttachHeart(QLabel* Heart)
{
    FHeart = Heart;
    if (FHeart)
        FHeart->setPixmap(HeartGlyphs[FHeartGlyph]);
}

void THeartBeatMonitor::SetHeartGlyph(int Glyph)
{
    FHeartGlyph = Glyph;
    if (FHeart)
        FHeart->setPixmap(HeartGlyphs[Glyph]);
}

void THeartBeatMonitor::StatusBarDrawPanel(QPainter& Canvas, const QRect& Rect) const
{
    FOscillator.DrawOscillator(Canvas, Rect, ilOsc);
}

QList<QPixmap> THeartBeatMonitor::MakeHeartGlyphs()
{
    return {HeartPicture(QColor(240, 150, 170), 0.75, false), HeartPicture(QColor(220, 20, 40), 1.0, false),
            HeartPicture(QColor(170, 170, 170), 0.9, true)};
}
