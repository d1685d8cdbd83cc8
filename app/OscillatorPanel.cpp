#include "OscillatorPanel.h"

#include "LifeOsc.h"

#include <QPainter>

TOscillatorPanel::TOscillatorPanel(QWidget* Parent) : QWidget(Parent), FImages(LifeOsc::MakeOscillatorImages())
{
    setObjectName(QStringLiteral("StatusBarPanel0"));
    setFixedWidth(PanelWidth);
    setMinimumHeight(18);
}

void TOscillatorPanel::paintEvent(QPaintEvent*)
{
    QPainter Canvas(this);
    Canvas.setBrush(palette().window());
    Canvas.setPen(palette().color(QPalette::WindowText));
    LifeOsc::DrawOscillator(Canvas, rect(), FImages);
}
