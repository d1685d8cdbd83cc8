#include "app/IntakePanels.h"

#include <QLabel>
#include <QStatusBar>

namespace {

QLabel* Panel(const char* Name, QStatusBar* Bar, bool Alert)
{
    auto* Label = new QLabel(Bar);
    Label->setObjectName(QLatin1String(Name));
    Label->setTextFormat(Qt::PlainText);
    if (Alert)
        Label->setStyleSheet(QStringLiteral("QLabel { color: #b00000; font-weight: bold; }"));
    Bar->addPermanentWidget(Label);
    Label->hide();
    return Label;
}

void Show(QLabel* Label, const QString& Text, const QString& Tip)
{
    Label->setText(Text);
    Label->setToolTip(Tip);
    Label->setVisible(!Text.isEmpty());
}

} // namespace

TIntakePanels::TIntakePanels(QStatusBar* Bar)
{
    pnIntake = Panel("pnIntake", Bar, true);
    pnDropped = Panel("pnDropped", Bar, false);
    pnRemoved = Panel("pnRemoved", Bar, false);
    pnRing = Panel("pnRing", Bar, true);
}

void TIntakePanels::ShowIntakeProblem(const QString& Short, const QString& Problem)
{
    Show(pnIntake, Short, Problem);
}

void TIntakePanels::ShowDropped(uint64_t Total, const QString& Causes)
{
    if (Total == 0)
        return Show(pnDropped, {}, {});
    Show(pnDropped, QStringLiteral("Dropped: %1").arg(Total), QStringLiteral("Datagrams dropped: %1").arg(Causes));
}

void TIntakePanels::ShowRemoved(uint64_t Removed, int Limit)
{
    if (Removed == 0)
        return Show(pnRemoved, {}, {});
    Show(pnRemoved, QStringLiteral("Oldest removed: %1").arg(Removed),
         QStringLiteral("Captures removed to keep at most %1 in memory").arg(Limit));
}

void TIntakePanels::ShowRingError(const QString& Error)
{
    Show(pnRing, Error.isEmpty() ? QString() : QStringLiteral("Capture files: not written"), Error);
}
