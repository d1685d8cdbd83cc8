// TCaptureListModel: the capture list as a table model over the window's
// captures. Cell texts are formatted when a cell is drawn; rows appended to
// the captures are shown in one insertion per event-loop turn.
#pragma once

#include <QAbstractTableModel>
#include <QPixmap>
#include <QVector>

class TCaptureItem;
class TCaptureItemsCollection;

class TCaptureListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum TColumn {
        colImage,
        colIn,
        colOut,
        colLink,
        colRoutingLabel,
        colCic,
        colTime,
        colDate,
        colDescription,
        ColumnCount
    };

    // The model reads Captures and shows Images[StateImage] in column 0;
    // both outlive it.
    TCaptureListModel(const TCaptureItemsCollection& Captures, const QVector<QPixmap>& Images,
                      QObject* Parent = nullptr);

    int rowCount(const QModelIndex& Parent = {}) const override;
    int columnCount(const QModelIndex& Parent = {}) const override;
    QVariant data(const QModelIndex& Index, int Role = Qt::DisplayRole) const override;
    QVariant headerData(int Section, Qt::Orientation Orientation, int Role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& Index) const override;

    static QString ColumnCaption(int Column);
    static int ColumnWidth(int Column);

    // The text of a cell, as drawn.
    QString CellText(const TCaptureItem& Item, int Column) const;
    // The capture behind a row, or null.
    const TCaptureItem* ItemAt(int Row) const;

    // Announces captures appended to the collection since the last
    // insertion; they become rows at the next turn of the event loop.
    void CapturesAppended();
    // Inserts the pending captures as rows now.
    void FlushPendingRows();
    bool HasPendingRows() const;
    // Call around clearing the collection.
    void BeginClear();
    void EndClear();

private:
    const TCaptureItemsCollection& FCaptures;
    const QVector<QPixmap>& FImages;
    int FRowCount = 0;
    bool FFlushQueued = false;
};
