// Painting the oscillator into status panel 0: the text always, the frame
// only once a tick has followed a state change.
#include "app/HeartBeatMonitor.h"
#include "app/LifeOsc.h"

#include <QPainter>
#include <QtTest>

namespace {

const QColor Background(200, 210, 220);

QImage Paint(const TLifeOsc& Osc, const QList<QPixmap>& Images)
{
    QImage Canvas(50, 21, QImage::Format_ARGB32);
    Canvas.fill(Qt::black);
    QPainter Painter(&Canvas);
    Painter.setBrush(Background);
    Painter.setPen(Qt::black);
    Osc.DrawOscillator(Painter, QRect(0, 0, 50, 21), Images);
    return Canvas;
}

bool FrameShown(const QImage& Canvas, const QPixmap& Frame)
{
    QImage Expected(16, 16, QImage::Format_ARGB32);
    Expected.fill(Background);
    QPainter(&Expected).drawPixmap(0, 0, Frame);
    return Canvas.copy(1, 1, 16, 16) == Expected;
}

bool Blank(const QImage& Canvas, const QRect& Area)
{
    for (int Y = Area.top(); Y <= Area.bottom(); ++Y)
        for (int X = Area.left(); X <= Area.right(); ++X)
            if (Canvas.pixelColor(X, Y) != Background)
                return false;
    return true;
}

} // namespace

class OscillatorDrawTest : public QObject {
    Q_OBJECT
private slots:
    void TenDistinctFrames()
    {
        const QList<QPixmap> Images = LifeOsc::MakeOscillatorImages();
        QCOMPARE(Images.size(), 10);
        for (int I = 0; I < 10; ++I) {
            QCOMPARE(Images[I].size(), QSize(16, 16));
            for (int J = 0; J < I; ++J)
                QVERIFY(Images[I].toImage() != Images[J].toImage());
        }
        const QList<QPixmap> Hearts = THeartBeatMonitor::MakeHeartGlyphs();
        QCOMPARE(Hearts.size(), 3);
        QVERIFY(Hearts[0].toImage() != Hearts[1].toImage() && Hearts[1].toImage() != Hearts[2].toImage());
    }

    void DrawsTheTextAndTheCurrentFrame()
    {
        const QList<QPixmap> Images = LifeOsc::MakeOscillatorImages();
        TLifeOsc Osc;
        QImage Canvas = Paint(Osc, Images);
        QVERIFY(FrameShown(Canvas, Images[0]));
        // The text starts 20 pixels in and 5 down; the panel is filled
        // around it, erasing whatever was there.
        QVERIFY(!Blank(Canvas, QRect(20, 5, 30, 16)));
        QVERIFY(Blank(Canvas, QRect(18, 0, 2, 21)));
        QVERIFY(Blank(Canvas, QRect(0, 0, 50, 1)));
        Osc.Tick();
        QVERIFY(FrameShown(Paint(Osc, Images), Images[9]));
    }

    void AStateChangeShowsOnlyTheTextUntilTheNextTick()
    {
        const QList<QPixmap> Images = LifeOsc::MakeOscillatorImages();
        TLifeOsc Osc;
        const QImage Dead = Paint(Osc, Images);
        Osc.Pulse();
        const QImage Alive = Paint(Osc, Images);
        QVERIFY(Blank(Alive, QRect(0, 0, 18, 21)));
        QVERIFY(Alive.copy(20, 0, 30, 21) != Dead.copy(20, 0, 30, 21));
        Osc.Tick();
        QVERIFY(FrameShown(Paint(Osc, Images), Images[1]));
    }
};

QTEST_MAIN(OscillatorDrawTest)
#include "oscillator_draw_test.moc"
