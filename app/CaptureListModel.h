// TCaptureListModel: the capture list as a table model over the window's
// captures, a thin adapter over the presentation layer's rows. Cell texts
// are made when a cell is drawn (the names and errors, kept once in the
// captures' text pool, are converted once); captures appended are shown in
// one insertion per event-loop turn. With a filter set, the rows are the
// captures the filter keeps, in arrival order.
#pragma once

#include "analysis/CaptureFilter.h"
#include "presentation/CaptureRow.h"

#include <QAbstractTableModel>
#include <QPixmap>
#include <QVector>

#include <functional>
#include <span>
#include <string>
#include <vector>

class TCaptureItem;
class TCaptureItemsCollection;

class TCaptureListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // The index of a row's state image (TCaptureImage, -1 for none), in
    // column 0.
    static constexpr int StateImageRole = Qt::UserRole;

    // The model reads Captures and shows Images[state image] in column 0;
    // both outlive it.
    TCaptureListModel(const TCaptureItemsCollection& Captures, const QVector<QPixmap>& Images,
                      QObject* Parent = nullptr);

    int rowCount(const QModelIndex& Parent = {}) const override;
    int columnCount(const QModelIndex& Parent = {}) const override;
    QVariant data(const QModelIndex& Index, int Role = Qt::DisplayRole) const override;
    QVariant headerData(int Section, Qt::Orientation Orientation, int Role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& Index) const override;

    // The text of a cell, as drawn.
    QString CellText(int Row, int Column) const;
    // The capture behind a row, or null.
    const TCaptureItem* ItemAt(int Row) const;
    // The captures held, rows still to come included.
    int CaptureCount() const;
    const TCaptureItemsCollection& Captures() const { return FCaptures; }

    // Announces captures appended to the collection since the last
    // insertion; they become rows at the next turn of the event loop.
    void CapturesAppended();
    // Inserts the pending captures as rows now.
    void FlushPendingRows();
    bool HasPendingRows() const;
    // Removes the rows of the Count oldest captures; Remove(Count, Rows)
    // removes the captures themselves, between the model's begin and end of
    // it, Rows being the rows that go (fewer than Count with a filter).
    void RemoveOldest(int Count, const std::function<void(int Count, int Rows)>& Remove);
    // Call around clearing the collection.
    void BeginClear();
    void EndClear();

    // Shows only the captures Filter keeps (an empty filter shows all), the
    // pending ones included; the rows are made again.
    void SetFilter(const TCaptureFilter& Filter);
    bool Filtered() const { return !FFilter.Empty(); }
    const TCaptureFilter& Filter() const { return FFilter; }
    // The capture index of a row, -1 for none.
    int CaptureIndex(int Row) const;
    // The row of a capture, -1 when it has no row (hidden or still pending).
    int RowOfCapture(int Index) const;
    // With a filter: the capture index of each row.
    std::span<const uint32_t> RowCaptures() const { return FVisible; }

private:
    QString PooledText(uint32_t Index) const;
    // The captures from FScanned on that the filter keeps, appended to
    // FVisible; FScanned then counts every capture.
    void ScanCaptures();

    const TCaptureItemsCollection& FCaptures;
    const QVector<QPixmap>& FImages;
    int FRowCount = 0;
    bool FFlushQueued = false;
    TCaptureFilter FFilter;
    // With a filter: the positions of the captures shown, and how many
    // captures were looked at; both move down as the oldest are removed.
    std::vector<uint32_t> FVisible;
    int FScanned = 0;
    // The pool's texts as QStrings, made when first drawn.
    mutable std::vector<QString> FPooled;
    mutable std::vector<bool> FPooledMade;
    mutable std::string FCell;
};
