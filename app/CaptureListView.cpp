#include "app/CaptureListView.h"

#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>

TCaptureListView::TCaptureListView(QWidget* Parent)
    : QTableView(Parent)
{
    setObjectName(QStringLiteral("lvMsg"));
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setShowGrid(true);
    setWordWrap(false);
    setSortingEnabled(false);
    setTabKeyNavigation(false);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setIconSize(QSize(16, 16));
    verticalHeader()->hide();
    // Uniform row heights let the view place any of millions of rows by
    // arithmetic instead of asking the model for sizes.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    verticalHeader()->setMinimumSectionSize(1);
    horizontalHeader()->setSectionsClickable(false);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSortIndicatorShown(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->setMinimumSectionSize(16);
}

namespace {

// Focus that moves with the whole window (switching to another window and
// back) or to a popup menu is not the user entering or leaving the list.
bool MovesWithinTheWindow(const QFocusEvent* Event)
{
    return Event->reason() != Qt::ActiveWindowFocusReason && Event->reason() != Qt::PopupFocusReason;
}

} // namespace

void TCaptureListView::SetPopupMenu(QMenu* Menu)
{
    FPopupMenu = Menu;
}

bool TCaptureListView::LastRowVisible() const
{
    if (!model())
        return true;
    const int Rows = model()->rowCount();
    if (Rows == 0)
        return true;
    const int LastTop = rowViewportPosition(Rows - 1);
    return LastTop < viewport()->height();
}

QAction* TCaptureListView::PopupActionFor(const QKeyEvent* Event) const
{
    if (!FPopupMenu)
        return nullptr;
    const QKeySequence Pressed(Event->keyCombination());
    for (QAction* Action : FPopupMenu->actions()) {
        if (Action->isEnabled() && !Action->shortcut().isEmpty() &&
            Action->shortcut().matches(Pressed) == QKeySequence::ExactMatch)
            return Action;
    }
    return nullptr;
}

bool TCaptureListView::event(QEvent* Event)
{
    // Claiming the key in ShortcutOverride keeps the main menu's shortcut of
    // the same keys from firing; the key then arrives here as a key press.
    if (Event->type() == QEvent::ShortcutOverride && PopupActionFor(static_cast<QKeyEvent*>(Event))) {
        Event->accept();
        return true;
    }
    return QTableView::event(Event);
}

void TCaptureListView::keyPressEvent(QKeyEvent* Event)
{
    if (QAction* Action = PopupActionFor(Event)) {
        Action->trigger();
        Event->accept();
        return;
    }
    QTableView::keyPressEvent(Event);
}

void TCaptureListView::contextMenuEvent(QContextMenuEvent* Event)
{
    if (FPopupMenu)
        FPopupMenu->popup(Event->globalPos());
}

void TCaptureListView::focusInEvent(QFocusEvent* Event)
{
    QTableView::focusInEvent(Event);
    if (MovesWithinTheWindow(Event))
        emit entered();
}

void TCaptureListView::focusOutEvent(QFocusEvent* Event)
{
    QTableView::focusOutEvent(Event);
    if (MovesWithinTheWindow(Event))
        emit exited();
}
