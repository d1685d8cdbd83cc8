// The status bar panels that tell what the intake is not doing: a port that
// is not listened on, a remote host that matches no sender, datagrams
// dropped (their causes in the tooltip), the oldest captures removed by the
// limit on captures held, and a ring of capture files that cannot be
// written. Each panel is hidden while there is nothing to tell.
#pragma once

#include <QString>

#include <cstdint>

class QLabel;
class QStatusBar;

class TIntakePanels {
public:
    // Adds the panels at the right end of Bar, hidden.
    explicit TIntakePanels(QStatusBar* Bar);

    // Problem: why nothing is received, in a word or two (Short) and in full
    // ("Can`t listen on UDP port ..." or the remote host's problem) in the
    // tooltip; an empty Short hides the panel.
    void ShowIntakeProblem(const QString& Short, const QString& Problem);
    void ShowDropped(uint64_t Total, const QString& Causes);
    void ShowRemoved(uint64_t Removed, int Limit);
    void ShowRingError(const QString& Error);

    QLabel* pnIntake = nullptr;
    QLabel* pnDropped = nullptr;
    QLabel* pnRemoved = nullptr;
    QLabel* pnRing = nullptr;
};
