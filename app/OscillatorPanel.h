// TOscillatorPanel: panel 0 of the main window's status bar, 50 pixels wide,
// painted by the processor-life oscillator from the image list ilOsc.
#pragma once

#include <QList>
#include <QPixmap>
#include <QWidget>

class TOscillatorPanel : public QWidget {
    Q_OBJECT
public:
    static constexpr int PanelWidth = 50;

    explicit TOscillatorPanel(QWidget* Parent = nullptr);

    const QList<QPixmap>& ilOsc() const { return FImages; }

protected:
    void paintEvent(QPaintEvent* Event) override;

private:
    QList<QPixmap> FImages;
};
