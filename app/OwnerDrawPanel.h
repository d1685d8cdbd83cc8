// TOwnerDrawPanel: a status bar panel whose picture is painted by its owner
// through OnDrawPanel (the heartbeat oscillator's panel).
#pragma once

#include <QPainter>
#include <QWidget>

#include <functional>

class TOwnerDrawPanel : public QWidget {
    Q_OBJECT
public:
    using TOnDrawPanel = std::function<void(QPainter& Canvas, const QRect& Rect)>;

    explicit TOwnerDrawPanel(QWidget* Parent = nullptr)
        : QWidget(Parent)
    {
    }

    TOnDrawPanel OnDrawPanel;

protected:
    void paintEvent(QPaintEvent*) override
    {
        if (!OnDrawPanel)
            return;
        QPainter Canvas(this);
        OnDrawPanel(Canvas, rect());
    }
};
