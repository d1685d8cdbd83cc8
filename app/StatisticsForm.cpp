#include "app/StatisticsForm.h"

#include "analysis/TrafficStats.h"
#include "presentation/TextPool.h"

#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int BarWidth = 2;
constexpr int ChartMargin = 36;

} // namespace

TRateChart::TRateChart(const TTrafficStats& Stats, QWidget* Parent)
    : QWidget(Parent)
    , FStats(Stats)
{
    setObjectName(QStringLiteral("RateChart"));
    setMinimumHeight(120);
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
}

QSize TRateChart::sizeHint() const
{
    return {600, 160};
}

int64_t TRateChart::LastSecond() const
{
    const auto& Seconds = FStats.PerSecond();
    return Seconds.empty() ? 0 : Seconds.rbegin()->first;
}

int TRateChart::SecondsShown() const
{
    return std::max(1, (width() - ChartMargin - 4) / BarWidth);
}

uint32_t TRateChart::Peak() const
{
    const auto& Seconds = FStats.PerSecond();
    uint32_t Peak = 0;
    for (auto At = Seconds.lower_bound(LastSecond() - SecondsShown() + 1); At != Seconds.end(); ++At)
        Peak = std::max(Peak, At->second);
    return Peak;
}

void TRateChart::paintEvent(QPaintEvent*)
{
    QPainter Canvas(this);
    const QPalette& Colors = palette();
    const QRect Plot(ChartMargin, 6, width() - ChartMargin - 4, height() - 24);
    Canvas.setPen(Colors.color(QPalette::Mid));
    Canvas.drawRect(Plot.adjusted(0, 0, -1, -1));
    const auto& Seconds = FStats.PerSecond();
    Canvas.setPen(Colors.color(QPalette::Text));
    if (Seconds.empty()) {
        Canvas.drawText(Plot, Qt::AlignCenter, QStringLiteral("No messages yet"));
        return;
    }
    const int64_t Last = LastSecond();
    const int Shown = SecondsShown();
    const uint32_t Top = std::max<uint32_t>(Peak(), 1);
    Canvas.drawText(QRect(0, Plot.top(), ChartMargin - 4, 14), Qt::AlignRight, QString::number(Top));
    Canvas.drawText(QRect(0, Plot.bottom() - 14, ChartMargin - 4, 14), Qt::AlignRight, QStringLiteral("0"));
    Canvas.drawText(QRect(Plot.left(), Plot.bottom() + 2, Plot.width(), 16), Qt::AlignLeft,
                    QStringLiteral("messages per second, the last %1 s").arg(Shown));
    const QColor Bar = Colors.color(QPalette::Highlight);
    for (auto At = Seconds.lower_bound(Last - Shown + 1); At != Seconds.end(); ++At) {
        const int X = Plot.right() - static_cast<int>(Last - At->first + 1) * BarWidth;
        const int Height = static_cast<int>(static_cast<int64_t>(Plot.height() - 2) * At->second / Top);
        Canvas.fillRect(QRect(X, Plot.bottom() - Height, BarWidth, Height), Bar);
    }
}

TStatisticsForm::TStatisticsForm(const TTrafficStats& Stats, const TCallTracker& Calls, const TTextPool& Texts,
                                 QWidget* Parent)
    : QWidget(Parent, Qt::Window)
    , FStats(Stats)
    , FCalls(Calls)
    , FTexts(Texts)
{
    setObjectName(QStringLiteral("StatisticsForm"));
    setWindowTitle(QStringLiteral("Statistics"));
    resize(620, 560);
    auto* Layout = new QVBoxLayout(this);
    FSummary = new QLabel(this);
    Layout->addWidget(FSummary);
    auto* Split = new QSplitter(Qt::Vertical, this);
    FTree = new QTreeWidget(Split);
    FTree->setObjectName(QStringLiteral("tvStatistics"));
    FTree->setHeaderLabels(
        {QStringLiteral("Item"), QStringLiteral("IN"), QStringLiteral("OUT"), QStringLiteral("Total")});
    FTree->header()->resizeSection(0, 260);
    FTree->setRootIsDecorated(true);
    FChart = new TRateChart(Stats, Split);
    Split->addWidget(FTree);
    Split->addWidget(FChart);
    Split->setStretchFactor(0, 3);
    Split->setStretchFactor(1, 1);
    Layout->addWidget(Split, 1);
    Refresh();
}

QString TStatisticsForm::SummaryText() const
{
    return FSummary->text();
}

void TStatisticsForm::Refresh()
{
    // Counted since the last clear, as the messages are, whether or not the
    // limit on captures has dropped them since.
    FSummary->setText(QStringLiteral("%1 messages (IN %2, OUT %3), %4 calls, %5 answered")
                          .arg(FStats.Messages())
                          .arg(FStats.In())
                          .arg(FStats.Out())
                          .arg(FCalls.TotalCalls())
                          .arg(FCalls.AnsweredCalls()));
    // The sections keep their open or closed state over a refresh.
    std::map<QString, bool> Expanded;
    for (int I = 0; I < FTree->topLevelItemCount(); ++I)
        Expanded[FTree->topLevelItem(I)->text(0)] = FTree->topLevelItem(I)->isExpanded();
    FTree->setUpdatesEnabled(false);
    FTree->clear();
    auto Section = [&](const QString& Title) {
        auto* Item = new QTreeWidgetItem(FTree, {Title});
        QFont Bold = Item->font(0);
        Bold.setBold(true);
        Item->setFont(0, Bold);
        const auto Known = Expanded.find(Title);
        Item->setExpanded(Known == Expanded.end() || Known->second);
        return Item;
    };
    auto Row = [](QTreeWidgetItem* Parent, const QString& Name, const QString& In, const QString& Out,
                  const QString& Total) {
        auto* Item = new QTreeWidgetItem(Parent, {Name, In, Out, Total});
        for (int Column = 1; Column < 4; ++Column)
            Item->setTextAlignment(Column, Qt::AlignRight | Qt::AlignVCenter);
        return Item;
    };
    QTreeWidgetItem* Names = Section(QStringLiteral("Messages by name and direction"));
    for (const auto& Name : FStats.ByName(FTexts))
        Row(Names, QString::fromStdString(Name.Name), QString::number(Name.In), QString::number(Name.Out),
            QString::number(Name.Total()));
    QTreeWidgetItem* Links = Section(QStringLiteral("Messages by link"));
    for (const auto& [Link, Count] : FStats.ByLink())
        Row(Links, QStringLiteral("Link %1").arg(Link), {}, {}, QString::number(Count));
    QTreeWidgetItem* Pairs = Section(QStringLiteral("Messages by point-code pair"));
    for (const auto& Pair : FStats.ByPair())
        Row(Pairs, QStringLiteral("%1 => %2").arg(Pair.Opc).arg(Pair.Dpc), {}, {}, QString::number(Pair.Count));
    QTreeWidgetItem* Causes = Section(QStringLiteral("Release causes (REL)"));
    for (const auto& Cause : FStats.Causes())
        Row(Causes, QStringLiteral("%1 %2").arg(Cause.Value).arg(QString::fromStdString(Cause.Text)), {}, {},
            QString::number(Cause.Count));
    FTree->setUpdatesEnabled(true);
    FChart->update();
}
