#include "app/CaptureListModel.h"

#include "presentation/CaptureItems.h"

#include <algorithm>

TCaptureListModel::TCaptureListModel(const TCaptureItemsCollection& Captures, const QVector<QPixmap>& Images,
                                     QObject* Parent)
    : QAbstractTableModel(Parent)
    , FCaptures(Captures)
    , FImages(Images)
    , FRowCount(Captures.Count())
{
}

int TCaptureListModel::rowCount(const QModelIndex& Parent) const
{
    return Parent.isValid() ? 0 : FRowCount;
}

int TCaptureListModel::columnCount(const QModelIndex& Parent) const
{
    return Parent.isValid() ? 0 : CaptureColumnCount;
}

const TCaptureItem* TCaptureListModel::ItemAt(int Row) const
{
    const int Index = CaptureIndex(Row);
    return Index >= 0 ? &FCaptures.Items(Index) : nullptr;
}

int TCaptureListModel::CaptureIndex(int Row) const
{
    if (Row < 0 || Row >= FRowCount)
        return -1;
    const int Index = Filtered() ? static_cast<int>(FVisible[static_cast<size_t>(Row)]) : Row;
    return Index < FCaptures.Count() ? Index : -1;
}

int TCaptureListModel::RowOfCapture(int Index) const
{
    if (Index < 0)
        return -1;
    if (!Filtered())
        return Index < FRowCount ? Index : -1;
    const auto Shown = FVisible.begin() + FRowCount;
    const auto At = std::lower_bound(FVisible.begin(), Shown, static_cast<uint32_t>(Index));
    return At != Shown && *At == static_cast<uint32_t>(Index) ? static_cast<int>(At - FVisible.begin()) : -1;
}

void TCaptureListModel::ScanCaptures()
{
    const int Count = FCaptures.Count();
    const TTextPool& Texts = FCaptures.Texts();
    for (; FScanned < Count; ++FScanned)
        if (FFilter.Matches(FCaptures.Items(FScanned), Texts))
            FVisible.push_back(static_cast<uint32_t>(FScanned));
}

void TCaptureListModel::SetFilter(const TCaptureFilter& Filter)
{
    beginResetModel();
    FFilter = Filter;
    FVisible.clear();
    FScanned = 0;
    if (Filtered()) {
        ScanCaptures();
        FRowCount = static_cast<int>(FVisible.size());
    } else {
        FRowCount = FCaptures.Count();
    }
    endResetModel();
}

int TCaptureListModel::CaptureCount() const
{
    return FCaptures.Count();
}

QString TCaptureListModel::PooledText(uint32_t Index) const
{
    if (Index >= FPooled.size()) {
        FPooled.resize(FCaptures.Texts().Count());
        FPooledMade.resize(FPooled.size());
    }
    if (Index >= FPooled.size())
        return {};
    if (!FPooledMade[Index]) {
        const std::string& Text = FCaptures.Texts().Text(Index);
        FPooled[Index] = QString::fromUtf8(Text.data(), static_cast<qsizetype>(Text.size()));
        FPooledMade[Index] = true;
    }
    return FPooled[Index];
}

QString TCaptureListModel::CellText(int Row, int Column) const
{
    const TCaptureItem* Item = ItemAt(Row);
    if (!Item)
        return {};
    switch (Column) {
    case colIn:
    case colOut:
        return PooledText(NameColumnText(*Item, Column));
    case colDescription:
        return PooledText(Item->Summary.ErrorText);
    default:
        FCell.clear();
        AppendCellText(*Item, Column, FCaptures.Texts(), FCell);
        return QString::fromLatin1(FCell.data(), static_cast<qsizetype>(FCell.size()));
    }
}

QVariant TCaptureListModel::data(const QModelIndex& Index, int Role) const
{
    const TCaptureItem* Item = Index.isValid() ? ItemAt(Index.row()) : nullptr;
    if (!Item || Index.column() >= CaptureColumnCount)
        return {};
    switch (Role) {
    case Qt::DisplayRole:
        if (Index.column() == colImage)
            return {};
        return CellText(Index.row(), Index.column());
    case Qt::DecorationRole:
        if (Index.column() == colImage && Item->Summary.StateImage >= 0 && Item->Summary.StateImage < FImages.size())
            return FImages[Item->Summary.StateImage];
        return {};
    case StateImageRole:
        if (Index.column() == colImage)
            return int(Item->Summary.StateImage);
        return {};
    default:
        return {};
    }
}

QVariant TCaptureListModel::headerData(int Section, Qt::Orientation Orientation, int Role) const
{
    if (Orientation != Qt::Horizontal || Section < 0 || Section >= CaptureColumnCount)
        return {};
    if (Role == Qt::DisplayRole)
        return QString::fromLatin1(CaptureColumnCaption(Section));
    return {};
}

Qt::ItemFlags TCaptureListModel::flags(const QModelIndex& Index) const
{
    if (!Index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

void TCaptureListModel::CapturesAppended()
{
    if (FFlushQueued || !HasPendingRows())
        return;
    // One insertion per event-loop turn: a burst of datagrams handled in one
    // read loop becomes one beginInsertRows, which keeps the view's layout
    // work per turn rather than per datagram.
    FFlushQueued = true;
    QMetaObject::invokeMethod(this, &TCaptureListModel::FlushPendingRows, Qt::QueuedConnection);
}

bool TCaptureListModel::HasPendingRows() const
{
    return FCaptures.Count() > (Filtered() ? FScanned : FRowCount);
}

void TCaptureListModel::FlushPendingRows()
{
    FFlushQueued = false;
    if (Filtered())
        ScanCaptures();
    const int Count = Filtered() ? static_cast<int>(FVisible.size()) : FCaptures.Count();
    if (Count <= FRowCount)
        return;
    beginInsertRows({}, FRowCount, Count - 1);
    FRowCount = Count;
    endInsertRows();
}

void TCaptureListModel::RemoveOldest(int Count, const std::function<void(int Count, int Rows)>& Remove)
{
    FlushPendingRows();
    Count = qMin(Count, FCaptures.Count());
    if (Count <= 0)
        return;
    // With a filter, the rows that go are those of the captures dropped that
    // it shows, and the rows after them move up to positions Count lower.
    const int Rows = Filtered()
        ? static_cast<int>(std::lower_bound(FVisible.begin(), FVisible.end(), static_cast<uint32_t>(Count)) -
                           FVisible.begin())
        : Count;
    if (Rows > 0)
        beginRemoveRows({}, 0, Rows - 1);
    Remove(Count, Rows);
    if (Filtered()) {
        FVisible.erase(FVisible.begin(), FVisible.begin() + Rows);
        for (uint32_t& Capture : FVisible)
            Capture -= static_cast<uint32_t>(Count);
        FScanned -= Count;
        FRowCount = static_cast<int>(FVisible.size());
    } else {
        FRowCount = FCaptures.Count();
    }
    if (Rows > 0)
        endRemoveRows();
}

void TCaptureListModel::BeginClear()
{
    beginResetModel();
    FRowCount = 0;
    FVisible.clear();
    FScanned = 0;
}

void TCaptureListModel::EndClear()
{
    if (Filtered()) {
        ScanCaptures();
        FRowCount = static_cast<int>(FVisible.size());
    } else {
        FRowCount = FCaptures.Count();
    }
    endResetModel();
}
