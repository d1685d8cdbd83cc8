// THeartIndicator (aiHeart): the 16 x 16 heart picture of the message
// caption panel with its three glyphs. The window keeps it hidden; the
// heartbeat monitor sets its glyph all the same.
#pragma once

#include <QLabel>
#include <QList>
#include <QPixmap>

class THeartIndicator : public QLabel {
    Q_OBJECT
public:
    enum { hgResting = 0, hgBeat = 1, hgStopped = 2 };

    explicit THeartIndicator(QWidget* Parent = nullptr);

    int Glyph() const { return FGlyph; }
    void SetGlyph(int Glyph);

    // Resting (a small pink heart), beat (a large red heart), stopped (a
    // grey heart crossed out).
    static QList<QPixmap> MakeHeartGlyphs();

private:
    QList<QPixmap> FGlyphs;
    int FGlyph = hgStopped;
};
