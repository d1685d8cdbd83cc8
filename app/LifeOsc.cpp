#include "app/LifeOsc.h"

#include <QPainter>
#include <QPainterPath>
#include <QRect>

#include <array>
#include <span>

namespace LifeOsc {

namespace {

struct TStateInfo {
    const char* Text;
    std::span<const int> Frames;
    bool Repeats;
};

constexpr int AliveStartingFrames[] = {1, 2, 3};
constexpr int AliveFrames[] = {4, 5};
constexpr int DyingFrames[] = {6, 7, 8};
constexpr int DeadFrames[] = {0, 9};

const TStateInfo& Info(TOscState State)
{
    static const std::array<TStateInfo, 4> Table = {{
        {"Alive", AliveStartingFrames, false},
        {"Alive", AliveFrames, true},
        {"Dying", DyingFrames, false},
        {"Dead", DeadFrames, true},
    }};
    return Table[static_cast<size_t>(State) - 1];
}

} // namespace

} // namespace LifeOsc

using namespace LifeOsc;

void TLifeOsc::ChangeState(TOscState State)
{
    FState = State;
    FCounter = -1;
}

void TLifeOsc::Pulse()
{
    if (FState == osDead)
        ChangeState(osAliveStarting);
    else if (FState == osDying)
        ChangeState(osAlive);
}

void TLifeOsc::PulseLost()
{
    if (FState == osAliveStarting || FState == osAlive)
        ChangeState(osDying);
}

void TLifeOsc::Tick()
{
    ++FCounter;
    const TStateInfo& Current = Info(FState);
    if (FCounter >= static_cast<int32_t>(Current.Frames.size())) {
        FCounter = 0;
        if (!Current.Repeats)
            FState = static_cast<TOscState>(FState + 1);
    }
}

const char* TLifeOsc::StateText() const
{
    return Info(FState).Text;
}

int TLifeOsc::CurrentImage() const
{
    const auto Frames = Info(FState).Frames;
    if (FCounter < 0 || FCounter >= static_cast<int32_t>(Frames.size()))
        return -1;
    return Frames[static_cast<size_t>(FCounter)];
}

void TLifeOsc::DrawOscillator(QPainter& Canvas, const QRect& Rect, const QList<QPixmap>& Images) const
{
    Canvas.save();
    Canvas.setClipRect(Rect);
    // Opaque text: the whole panel is filled first, which also wipes the
    // previous frame.
    Canvas.fillRect(Rect, Canvas.brush().style() == Qt::NoBrush ? Canvas.background() : Canvas.brush());
    const QRect TextRect(TextX, TextY, Rect.right() - TextX + 1, Rect.bottom() - TextY + 1);
    Canvas.drawText(TextRect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, QString::fromLatin1(StateText()));
    const int Image = CurrentImage();
    if (Image >= 0 && Image < Images.size())
        Canvas.drawPixmap(Rect.left() + 1, Rect.top() + 1, Images[Image]);
    Canvas.restore();
}

namespace LifeOsc {

namespace {

// One 16 x 16 oscilloscope frame: a dark screen and a trace of the given
// colour through the points (x, y), y measured from the screen's middle.
QPixmap ScopeFrame(const QColor& Trace, std::initializer_list<QPointF> Points)
{
    QPixmap Image(16, 16);
    Image.fill(Qt::transparent);
    QPainter Painter(&Image);
    Painter.setRenderHint(QPainter::Antialiasing);
    Painter.setPen(QPen(QColor(90, 90, 90), 1));
    Painter.setBrush(QColor(16, 32, 16));
    Painter.drawRoundedRect(QRectF(0.5, 0.5, 15, 15), 2, 2);
    Painter.setPen(QPen(QColor(40, 70, 40), 1));
    Painter.drawLine(QPointF(2, 8), QPointF(14, 8));
    QPainterPath Path;
    bool First = true;
    for (const QPointF& Point : Points) {
        const QPointF At(Point.x(), 8 - Point.y());
        if (First)
            Path.moveTo(At);
        else
            Path.lineTo(At);
        First = false;
    }
    Painter.setPen(QPen(Trace, 1.5));
    Painter.setBrush(Qt::NoBrush);
    Painter.drawPath(Path);
    return Image;
}

} // namespace

QList<QPixmap> MakeOscillatorImages()
{
    const QColor Green(80, 230, 80);
    const QColor Amber(230, 180, 60);
    QList<QPixmap> Images;
    Images.reserve(FrameImageCount);
    // 0: Dead, dark flat line.
    Images.append(ScopeFrame(QColor(60, 110, 60), {{2, 0}, {14, 0}}));
    // 1-3: Alive, starting: a beat growing out of the flat line.
    Images.append(ScopeFrame(Green, {{2, 0}, {7, 0}, {8, 2}, {9, -1}, {10, 0}, {14, 0}}));
    Images.append(ScopeFrame(Green, {{2, 0}, {6, 0}, {7, 4}, {8, -3}, {9, 0}, {14, 0}}));
    Images.append(ScopeFrame(Green, {{2, 0}, {5, 0}, {6, 6}, {7, -5}, {8, 0}, {14, 0}}));
    // 4-5: Alive, steady: a full beat at two phases.
    Images.append(ScopeFrame(Green, {{2, 0}, {4, 0}, {5, 6}, {6, -5}, {7, 0}, {10, 0}, {11, 2}, {12, 0}, {14, 0}}));
    Images.append(ScopeFrame(Green, {{2, 0}, {3, 2}, {4, 0}, {9, 0}, {10, 6}, {11, -5}, {12, 0}, {14, 0}}));
    // 6-8: Dying: the beat fading.
    Images.append(ScopeFrame(Amber, {{2, 0}, {6, 0}, {7, 4}, {8, -3}, {9, 0}, {14, 0}}));
    Images.append(ScopeFrame(Amber, {{2, 0}, {7, 0}, {8, 2}, {9, -1}, {10, 0}, {14, 0}}));
    Images.append(ScopeFrame(Amber, {{2, 0}, {8, 0}, {9, 1}, {10, 0}, {14, 0}}));
    // 9: Dead, red flat line (blinks with frame 0).
    Images.append(ScopeFrame(QColor(230, 50, 50), {{2, 0}, {14, 0}}));
    return Images;
}

} // namespace LifeOsc
