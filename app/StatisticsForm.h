// View > Statistics: the counts of the captures (by message name and
// direction, by link, by point-code pair, the release causes) and a chart
// of messages per second, kept up to date as captures arrive.
#pragma once

#include <QWidget>

#include <cstdint>
#include <map>

class QLabel;
class QTreeWidget;
class TCallTracker;
class TTextPool;
class TTrafficStats;

// Messages per second as bars, the latest second at the right; as many
// seconds as the width holds, two pixels each.
class TRateChart : public QWidget {
    Q_OBJECT
public:
    explicit TRateChart(const TTrafficStats& Stats, QWidget* Parent = nullptr);

    // The seconds shown: the last second counted and the number of bars.
    int64_t LastSecond() const;
    int SecondsShown() const;
    // The highest bar shown.
    uint32_t Peak() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* Event) override;

private:
    const TTrafficStats& FStats;
};

class TStatisticsForm : public QWidget {
    Q_OBJECT
public:
    TStatisticsForm(const TTrafficStats& Stats, const TCallTracker& Calls, const TTextPool& Texts,
                    QWidget* Parent = nullptr);

    QTreeWidget* Tree() const { return FTree; }
    TRateChart* Chart() const { return FChart; }
    QString SummaryText() const;

    // Shows the counts as they are now.
    void Refresh();

private:
    const TTrafficStats& FStats;
    const TCallTracker& FCalls;
    const TTextPool& FTexts;
    QLabel* FSummary = nullptr;
    QTreeWidget* FTree = nullptr;
    TRateChart* FChart = nullptr;
};
