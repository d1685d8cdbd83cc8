#include "app/StateImages.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <cmath>
#include <functional>
#include <numbers>

namespace {

constexpr int ImageSize = 16;

QPixmap Draw(const std::function<void(QPainter&)>& Paint)
{
    QPixmap Image(ImageSize, ImageSize);
    Image.fill(Qt::transparent);
    QPainter Painter(&Image);
    Painter.setRenderHint(QPainter::Antialiasing, true);
    Paint(Painter);
    return Image;
}

void StopSign(QPainter& P)
{
    QPolygonF Octagon;
    for (int I = 0; I < 8; ++I) {
        const double Angle = (22.5 + 45.0 * I) * std::numbers::pi / 180.0;
        Octagon << QPointF(8.0 + 7.4 * std::cos(Angle), 8.0 + 7.4 * std::sin(Angle));
    }
    P.setPen(QPen(QColor(110, 0, 0), 1.0));
    P.setBrush(QColor(214, 24, 24));
    P.drawPolygon(Octagon);
    P.setPen(QPen(Qt::white, 2.0));
    P.drawLine(QPointF(4.5, 8.0), QPointF(11.5, 8.0));
}

void Exclamation(QPainter& P)
{
    P.setPen(Qt::NoPen);
    P.setBrush(QColor(210, 20, 20));
    P.drawRoundedRect(QRectF(6.0, 1.0, 4.0, 10.0), 1.5, 1.5);
    P.drawEllipse(QRectF(6.0, 12.0, 4.0, 3.5));
}

void Triangle(QPainter& P, bool Right)
{
    QPolygonF Shape;
    if (Right)
        Shape << QPointF(4.0, 2.0) << QPointF(13.0, 8.0) << QPointF(4.0, 14.0);
    else
        Shape << QPointF(12.0, 2.0) << QPointF(3.0, 8.0) << QPointF(12.0, 14.0);
    P.setPen(QPen(QColor(0, 30, 120), 1.0));
    P.setBrush(QColor(40, 90, 220));
    P.drawPolygon(Shape);
}

void Page(QPainter& P, const QRectF& Sheet, int Lines)
{
    P.setPen(QPen(QColor(90, 90, 90), 1.0));
    P.setBrush(Qt::white);
    P.drawRect(Sheet);
    P.setPen(QPen(QColor(60, 60, 160), 1.0));
    for (int I = 0; I < Lines; ++I) {
        const double Y = Sheet.top() + 3.0 + 2.5 * I;
        P.drawLine(QPointF(Sheet.left() + 2.0, Y), QPointF(Sheet.right() - 2.0, Y));
    }
}

void Key(QPainter& P)
{
    P.setPen(QPen(QColor(120, 90, 0), 1.0));
    P.setBrush(QColor(240, 200, 30));
    P.drawEllipse(QRectF(1.5, 4.5, 7.0, 7.0));
    P.drawRect(QRectF(8.0, 7.0, 7.0, 2.0));
    P.drawRect(QRectF(12.0, 9.0, 1.5, 3.0));
    P.drawRect(QRectF(9.5, 9.0, 1.5, 2.0));
    P.setBrush(Qt::white);
    P.drawEllipse(QRectF(3.5, 6.5, 2.5, 2.5));
}

void Computer(QPainter& P)
{
    P.setPen(QPen(QColor(60, 60, 60), 1.0));
    P.setBrush(QColor(200, 200, 200));
    P.drawRect(QRectF(1.5, 1.5, 13.0, 9.0));
    P.setBrush(QColor(40, 110, 180));
    P.drawRect(QRectF(3.0, 3.0, 10.0, 6.0));
    P.setBrush(QColor(200, 200, 200));
    P.drawRect(QRectF(6.0, 10.5, 4.0, 2.0));
    P.drawRect(QRectF(3.5, 12.5, 9.0, 2.0));
}

void Box(QPainter& P, bool Ticked)
{
    P.setRenderHint(QPainter::Antialiasing, false);
    P.setPen(QPen(QColor(40, 40, 40), 1.0));
    P.setBrush(Qt::white);
    P.drawRect(QRect(2, 2, 11, 11));
    if (!Ticked)
        return;
    P.setRenderHint(QPainter::Antialiasing, true);
    P.setPen(QPen(QColor(0, 120, 0), 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    P.setBrush(Qt::NoBrush);
    QPainterPath Tick;
    Tick.moveTo(4.5, 7.5);
    Tick.lineTo(7.0, 10.5);
    Tick.lineTo(11.5, 4.5);
    P.drawPath(Tick);
}

QPixmap Empty()
{
    QPixmap Image(ImageSize, ImageSize);
    Image.fill(Qt::transparent);
    return Image;
}

} // namespace

QVector<QPixmap> MakeCaptureImages()
{
    QVector<QPixmap> Images(11, Empty());
    Images[5] = Draw(StopSign);
    Images[7] = Draw(Exclamation);
    Images[9] = Draw([](QPainter& P) { Triangle(P, true); });
    Images[10] = Draw([](QPainter& P) { Triangle(P, false); });
    return Images;
}

QVector<QPixmap> MakeIsupImages()
{
    QVector<QPixmap> Images(8, Empty());
    Images[1] = Draw([](QPainter& P) { Page(P, QRectF(2.5, 0.5, 11.0, 15.0), 5); });
    Images[2] = Draw(Key);
    Images[3] = Draw(Computer);
    Images[5] = Draw([](QPainter& P) { Box(P, true); });
    Images[6] = Draw([](QPainter& P) { Box(P, false); });
    Images[7] = Draw([](QPainter& P) { Page(P, QRectF(4.5, 3.5, 8.0, 10.0), 3); });
    return Images;
}
