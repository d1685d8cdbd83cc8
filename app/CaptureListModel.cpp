#include "app/CaptureListModel.h"

#include "app/CaptureItem.h"
#include "l4/PacketL4.h"

namespace {

struct TColumnInfo {
    const char* Caption;
    int Width;
};

constexpr TColumnInfo Columns[TCaptureListModel::ColumnCount] = {
    {"", 19},    {"IN", 43},   {"OUT", 43},  {"Link", 36},         {"Routing Label", 80},
    {"CIC", 32}, {"Time", 80}, {"Date", 66}, {"Description", 200},
};

} // namespace

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
    return Parent.isValid() ? 0 : ColumnCount;
}

QString TCaptureListModel::ColumnCaption(int Column)
{
    return Column >= 0 && Column < ColumnCount ? QString::fromLatin1(Columns[Column].Caption) : QString();
}

int TCaptureListModel::ColumnWidth(int Column)
{
    return Column >= 0 && Column < ColumnCount ? Columns[Column].Width : 0;
}

const TCaptureItem* TCaptureListModel::ItemAt(int Row) const
{
    return Row >= 0 && Row < FRowCount && Row < FCaptures.Count() ? &FCaptures.Items(Row) : nullptr;
}

QString TCaptureListModel::CellText(const TCaptureItem& Item, int Column) const
{
    const bool Stop = Item.IsStopEntry();
    switch (Column) {
    case colIn:
        // A name goes under IN unless the message was sent, under OUT unless
        // it was received: direction codes other than 1 and 2 show both.
        return Stop || Item.Direction != 2 ? FCaptures.Text(Item.NameText) : QString();
    case colOut:
        return !Stop && Item.Direction != 1 ? FCaptures.Text(Item.NameText) : QString();
    case colLink:
        return Stop ? QString() : QString::number(Item.Link);
    case colRoutingLabel:
        return Item.HasRoutingLabel ? QString::fromStdString(GetRoutingLabelText(Item.RoutingLabel)) : QString();
    case colCic:
        return Item.HasCic ? QString::number(Item.Cic) : QString();
    case colTime:
        return QString::fromStdString(FormatStampTime(Item.Stamp));
    case colDate:
        return QString::fromStdString(FormatStampDate(Item.Stamp));
    case colDescription:
        return FCaptures.Text(Item.ErrorText);
    default:
        return QString();
    }
}

QVariant TCaptureListModel::data(const QModelIndex& Index, int Role) const
{
    const TCaptureItem* Found = Index.isValid() ? ItemAt(Index.row()) : nullptr;
    if (!Found || Index.column() >= ColumnCount)
        return {};
    const TCaptureItem& Item = *Found;
    switch (Role) {
    case Qt::DisplayRole:
        if (Index.column() == colImage)
            return {};
        return CellText(Item, Index.column());
    case Qt::DecorationRole:
        if (Index.column() == colImage && Item.StateImage >= 0 && Item.StateImage < FImages.size())
            return FImages[Item.StateImage];
        return {};
    default:
        return {};
    }
}

QVariant TCaptureListModel::headerData(int Section, Qt::Orientation Orientation, int Role) const
{
    if (Orientation != Qt::Horizontal || Section < 0 || Section >= ColumnCount)
        return {};
    if (Role == Qt::DisplayRole)
        return ColumnCaption(Section);
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
    if (FFlushQueued || FCaptures.Count() <= FRowCount)
        return;
    // One insertion per event-loop turn: a burst of datagrams handled in one
    // read loop becomes one beginInsertRows, which keeps the view's layout
    // work per turn rather than per datagram.
    FFlushQueued = true;
    QMetaObject::invokeMethod(this, &TCaptureListModel::FlushPendingRows, Qt::QueuedConnection);
}

bool TCaptureListModel::HasPendingRows() const
{
    return FCaptures.Count() > FRowCount;
}

void TCaptureListModel::FlushPendingRows()
{
    FFlushQueued = false;
    const int Count = FCaptures.Count();
    if (Count <= FRowCount)
        return;
    beginInsertRows({}, FRowCount, Count - 1);
    FRowCount = Count;
    endInsertRows();
}

void TCaptureListModel::BeginClear()
{
    beginResetModel();
    FRowCount = 0;
}

void TCaptureListModel::EndClear()
{
    FRowCount = FCaptures.Count();
    endResetModel();
}
