#include "app/MessageTree.h"

#include "app/DecodedTreeModel.h"

#include <QFocusEvent>
#include <QHeaderView>
#include <QKeyEvent>

namespace {

// Focus that moves with the whole window (switching to another window and
// back) or to a popup menu is not the user entering or leaving the control.
bool MovesWithinTheWindow(const QFocusEvent* Event)
{
    return Event->reason() != Qt::ActiveWindowFocusReason && Event->reason() != Qt::PopupFocusReason;
}

} // namespace

TMessageTree::TMessageTree(QWidget* Parent)
    : QTreeView(Parent)
{
    setObjectName(QStringLiteral("tvMsg"));
    setHeaderHidden(true);
    setIndentation(19);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setIconSize(QSize(16, 16));
    setUniformRowHeights(true);
    header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    header()->setStretchLastSection(false);
}

void TMessageTree::ShowNodes(const TDecodedTreeModel& Model)
{
    const TDecodedView& View = Model.View();
    for (int Node = 0; Node < View.Count(); ++Node)
        if (View.Node(Node).Expanded)
            setExpanded(Model.IndexOfNode(Node), true);
    if (Model.rowCount() > 0)
        scrollTo(Model.index(0, 0), QAbstractItemView::PositionAtTop);
}

void TMessageTree::keyPressEvent(QKeyEvent* Event)
{
    // Typed characters are swallowed: the tree has no incremental search and
    // must not beep. Navigation and shortcut keys carry no printable text.
    const QString Text = Event->text();
    if (!Text.isEmpty() && Text.at(0).isPrint() && !(Event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        Event->accept();
        return;
    }
    QTreeView::keyPressEvent(Event);
}

void TMessageTree::keyboardSearch(const QString&) {}

void TMessageTree::focusInEvent(QFocusEvent* Event)
{
    QTreeView::focusInEvent(Event);
    if (MovesWithinTheWindow(Event))
        emit entered();
}

void TMessageTree::focusOutEvent(QFocusEvent* Event)
{
    QTreeView::focusOutEvent(Event);
    if (MovesWithinTheWindow(Event))
        emit exited();
}
