#include "HeartIndicator.h"

#include <QPainter>
#include <QPainterPath>

namespace {

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

QPixmap HeartGlyph(const QColor& Fill, qreal Scale, bool Crossed)
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

THeartIndicator::THeartIndicator(QWidget* Parent) : QLabel(Parent), FGlyphs(MakeHeartGlyphs())
{
    setObjectName(QStringLiteral("aiHeart"));
    setFixedSize(16, 16);
    setToolTip(QStringLiteral("Processor`s Heartbeat"));
    setPixmap(FGlyphs[FGlyph]);
    hide();
}

void THeartIndicator::SetGlyph(int Glyph)
{
    if (Glyph < 0 || Glyph >= FGlyphs.size() || Glyph == FGlyph)
        return;
    FGlyph = Glyph;
    setPixmap(FGlyphs[FGlyph]);
}

QList<QPixmap> THeartIndicator::MakeHeartGlyphs()
{
    return {HeartGlyph(QColor(240, 150, 170), 0.75, false), HeartGlyph(QColor(220, 20, 40), 1.0, false),
            HeartGlyph(QColor(170, 170, 170), 0.9, true)};
}
