// TDecodedTreeModel: the decoded view's tree as an item model, a thin
// adapter over the presentation layer's TDecodedView, which it owns (and
// with it the decoded message the nodes show).
#pragma once

#include "presentation/DecodedView.h"

#include <QAbstractItemModel>
#include <QPixmap>
#include <QVector>

class TDecodedTreeModel : public QAbstractItemModel {
    Q_OBJECT
public:
    // A node's kind (TNodeKind) and state image (TTreeImage).
    static constexpr int NodeKindRole = Qt::UserRole;
    static constexpr int StateImageRole = Qt::UserRole + 1;

    // Shows Images[state image] beside each node; Images outlive the model.
    explicit TDecodedTreeModel(const QVector<QPixmap>& Images, QObject* Parent = nullptr);

    // Shows View in place of what was shown (the previous message is freed).
    void SetView(TDecodedView View);
    const TDecodedView& View() const { return FView; }
    // The view's node behind an index, -1 for none.
    int NodeOf(const QModelIndex& Index) const;
    // The index of one of the view's nodes.
    QModelIndex IndexOfNode(int Node) const;

    QModelIndex index(int Row, int Column, const QModelIndex& Parent = {}) const override;
    QModelIndex parent(const QModelIndex& Child) const override;
    int rowCount(const QModelIndex& Parent = {}) const override;
    int columnCount(const QModelIndex& Parent = {}) const override;
    QVariant data(const QModelIndex& Index, int Role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& Index) const override;

private:
    const QVector<QPixmap>& FImages;
    TDecodedView FView;
};
