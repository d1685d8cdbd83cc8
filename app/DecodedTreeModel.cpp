#include "app/DecodedTreeModel.h"

#include <QIcon>

TDecodedTreeModel::TDecodedTreeModel(const QVector<QPixmap>& Images, QObject* Parent)
    : QAbstractItemModel(Parent)
    , FImages(Images)
{
}

void TDecodedTreeModel::SetView(TDecodedView View)
{
    beginResetModel();
    FView = std::move(View);
    endResetModel();
}

int TDecodedTreeModel::NodeOf(const QModelIndex& Index) const
{
    if (!Index.isValid() || Index.model() != this)
        return -1;
    const auto Node = static_cast<int>(Index.internalId());
    return Node >= 0 && Node < FView.Count() ? Node : -1;
}

QModelIndex TDecodedTreeModel::IndexOfNode(int Node) const
{
    if (Node < 0 || Node >= FView.Count())
        return {};
    return createIndex(FView.Node(Node).Row, 0, static_cast<quintptr>(Node));
}

QModelIndex TDecodedTreeModel::index(int Row, int Column, const QModelIndex& Parent) const
{
    if (Column != 0 || Row < 0)
        return {};
    const int ParentNode = NodeOf(Parent);
    if (Parent.isValid() && ParentNode < 0)
        return {};
    const std::vector<int>& Children = ParentNode < 0 ? FView.TopLevel() : FView.Node(ParentNode).Children;
    if (Row >= static_cast<int>(Children.size()))
        return {};
    return createIndex(Row, 0, static_cast<quintptr>(Children[static_cast<size_t>(Row)]));
}

QModelIndex TDecodedTreeModel::parent(const QModelIndex& Child) const
{
    const int Node = NodeOf(Child);
    if (Node < 0)
        return {};
    return IndexOfNode(FView.Node(Node).Parent);
}

int TDecodedTreeModel::rowCount(const QModelIndex& Parent) const
{
    if (!Parent.isValid())
        return static_cast<int>(FView.TopLevel().size());
    const int Node = NodeOf(Parent);
    return Node < 0 || Parent.column() != 0 ? 0 : static_cast<int>(FView.Node(Node).Children.size());
}

int TDecodedTreeModel::columnCount(const QModelIndex&) const
{
    return 1;
}

QVariant TDecodedTreeModel::data(const QModelIndex& Index, int Role) const
{
    const int Node = NodeOf(Index);
    if (Node < 0)
        return {};
    const TViewNode& Shown = FView.Node(Node);
    switch (Role) {
    case Qt::DisplayRole:
        return QString::fromStdString(Shown.Text);
    case Qt::DecorationRole:
        if (Shown.Image >= 0 && Shown.Image < FImages.size())
            return QIcon(FImages[Shown.Image]);
        return {};
    case NodeKindRole:
        return int(Shown.Kind);
    case StateImageRole:
        return int(Shown.Image);
    default:
        return {};
    }
}

Qt::ItemFlags TDecodedTreeModel::flags(const QModelIndex& Index) const
{
    if (NodeOf(Index) < 0)
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}
