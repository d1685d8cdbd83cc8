#include "app/MessageTree.h"

#include "isup/IsupPacket.h"

#include <QHeaderView>
#include <QKeyEvent>

namespace {

constexpr int KindRole = Qt::UserRole;
constexpr int DataRole = Qt::UserRole + 1;

} // namespace

TMessageTree::TMessageTree(QWidget* Parent)
    : QTreeWidget(Parent)
{
    setObjectName(QStringLiteral("tvMsg"));
    setHeaderHidden(true);
    setColumnCount(1);
    setIndentation(19);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setIconSize(QSize(16, 16));
    setUniformRowHeights(true);
    header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    header()->setStretchLastSection(false);
}

TMessageTree::~TMessageTree()
{
    // The nodes point into the message: they go first.
    QTreeWidget::clear();
}

void TMessageTree::ClearTree()
{
    QTreeWidget::clear();
    FMessage.reset();
}

void TMessageTree::SetMessage(std::unique_ptr<TCustomIsupPacket> Message)
{
    FMessage = std::move(Message);
}

void TMessageTree::SetNodeData(QTreeWidgetItem* Node, TNodeKind Kind, const void* Data)
{
    Node->setData(0, KindRole, static_cast<int>(Kind));
    Node->setData(0, DataRole, QVariant::fromValue(reinterpret_cast<quintptr>(Data)));
}

TMessageTree::TNodeKind TMessageTree::NodeKindOf(const QTreeWidgetItem* Node)
{
    if (!Node || !NodeData(Node))
        return nkNone;
    return static_cast<TNodeKind>(Node->data(0, KindRole).toInt());
}

const void* TMessageTree::NodeData(const QTreeWidgetItem* Node)
{
    if (!Node)
        return nullptr;
    return reinterpret_cast<const void*>(Node->data(0, DataRole).value<quintptr>());
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
    QTreeWidget::keyPressEvent(Event);
}

void TMessageTree::keyboardSearch(const QString&) {}

void TMessageTree::focusInEvent(QFocusEvent* Event)
{
    QTreeWidget::focusInEvent(Event);
    emit entered();
}

void TMessageTree::focusOutEvent(QFocusEvent* Event)
{
    QTreeWidget::focusOutEvent(Event);
    emit exited();
}
