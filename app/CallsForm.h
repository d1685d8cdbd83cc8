// View > Calls: the calls correlated from the captures, as a live list, with
// each call's ladder diagram and an export of the list as CSV.
#pragma once

#include <QAbstractTableModel>
#include <QWidget>

#include <cstdint>
#include <vector>

class QLabel;
class QPushButton;
class QScrollArea;
class QTableView;
class TCallTracker;
class TCaptureItemsCollection;
struct TCallRecord;

// The calls as table rows, one per call in order of their IAMs.
class TCallListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum TColumn {
        colNumber,
        colStart,
        colOpc,
        colDpc,
        colCic,
        colCalling,
        colCalled,
        colState,
        colAnswer,
        colRelease,
        colDuration,
        colCause,
        colReleasedBy,
        colEndedBy,
        colMessages,
        ColumnCount
    };

    explicit TCallListModel(const TCallTracker& Calls, QObject* Parent = nullptr);

    int rowCount(const QModelIndex& Parent = {}) const override;
    int columnCount(const QModelIndex& Parent = {}) const override;
    QVariant data(const QModelIndex& Index, int Role = Qt::DisplayRole) const override;
    QVariant headerData(int Section, Qt::Orientation Orientation, int Role = Qt::DisplayRole) const override;

    // Takes in calls added and calls changed since the last refresh.
    void Refresh();
    static QString CellText(const TCallRecord& Call, int Column);

private:
    const TCallTracker& FCalls;
    int FRowCount = 0;
    // What the rows stand for: the calls dropped before the first row, and
    // the tracker's generation.
    uint64_t FDroppedCalls = 0;
    uint64_t FGeneration = 0;
};

// The ladder diagram of one call: a lifeline for each of its two point
// codes and, in time order, an arrow per message from the sender's line to
// the receiver's, with the message name over it and its time beside it.
// Clicking an arrow chooses that message's capture.
class TLadderView : public QWidget {
    Q_OBJECT
public:
    static constexpr int RowHeight = 28;
    static constexpr int Top = 40;

    TLadderView(const TCaptureItemsCollection& Captures, QWidget* Parent = nullptr);

    // Shows the messages of Call; the call record is copied.
    void SetCall(const TCallRecord& Call);
    int MessageCount() const { return static_cast<int>(FMessages.size()); }
    // The sequence number of the capture of arrow Row, -1 for none.
    qint64 CaptureAt(int Row) const;
    // The arrow at a point of the widget, -1 for none.
    int RowAt(const QPoint& Point) const;
    int SelectedRow() const { return FSelected; }
    // The texts of an arrow: "NAME" and its time.
    QString ArrowName(int Row) const;
    QString ArrowTime(int Row) const;
    // Whether arrow Row points from the left lifeline (the IAM's OPC) to the right.
    bool ArrowRight(int Row) const;

    QSize sizeHint() const override;

signals:
    // Sequence: the capture's sequence number (TCaptureItemsCollection).
    void captureChosen(qint64 Sequence);

protected:
    void paintEvent(QPaintEvent* Event) override;
    void mousePressEvent(QMouseEvent* Event) override;

private:
    struct TArrow {
        uint64_t Capture;
        bool Right;
        QString Name;
        QString Time;
    };
    const TCaptureItemsCollection& FCaptures;
    uint32_t FLeft = 0;
    uint32_t FRight = 0;
    std::vector<TArrow> FMessages;
    int FSelected = -1;
};

class TCallsForm : public QWidget {
    Q_OBJECT
public:
    TCallsForm(const TCallTracker& Calls, const TCaptureItemsCollection& Captures, QWidget* Parent = nullptr);

    QTableView* View() const { return FView; }
    TCallListModel* Model() const { return FModel; }
    TLadderView* Ladder() const { return FLadder; }
    QWidget* LadderWindow() const { return FLadderWindow; }

    // Takes in what changed; the list keeps its selection.
    void Refresh();
    // Shows the ladder diagram of the call in row Row.
    void ShowLadder(int Row);
    // Writes the calls as CSV; false (after a message box) when the file
    // cannot be written.
    bool ExportCsv(const QString& FileName);

signals:
    // A message of the ladder was clicked: the main list selects the
    // capture of that sequence number.
    void captureChosen(qint64 Sequence);

private:
    void ExportClick();
    void ShowCall(const TCallRecord& Call);

    const TCallTracker& FCalls;
    QTableView* FView = nullptr;
    TCallListModel* FModel = nullptr;
    QLabel* FCount = nullptr;
    QPushButton* FExport = nullptr;
    QWidget* FLadderWindow = nullptr;
    QLabel* FLadderTitle = nullptr;
    QScrollArea* FLadderScroll = nullptr;
    TLadderView* FLadder = nullptr;
    // The call the ladder shows (its number, 0 for none), with its messages
    // then and the tracker's generation.
    uint64_t FLadderCall = 0;
    size_t FLadderMessages = 0;
    uint64_t FLadderGeneration = 0;
};
