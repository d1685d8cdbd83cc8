// TCaptureListView: the capture list lvMsg, a report-style table whose
// popup menu's shortcuts take precedence over the main menu's while the
// list has the focus. Entering and leaving it within the window are
// reported; switching to another window and back is not.
#pragma once

#include <QTableView>

class QMenu;

class TCaptureListView : public QTableView {
    Q_OBJECT
public:
    explicit TCaptureListView(QWidget* Parent = nullptr);

    // The popup menu (ppProtocol); its actions' shortcuts win over the main
    // menu's while the list has the focus.
    void SetPopupMenu(QMenu* Menu);
    QMenu* PopupMenu() const { return FPopupMenu; }

    // Whether the last row is at least partly visible (or there is none):
    // new rows then keep the view at the end.
    bool LastRowVisible() const;

signals:
    void entered();
    void exited();

protected:
    bool event(QEvent* Event) override;
    void keyPressEvent(QKeyEvent* Event) override;
    void contextMenuEvent(QContextMenuEvent* Event) override;
    void focusInEvent(QFocusEvent* Event) override;
    void focusOutEvent(QFocusEvent* Event) override;

private:
    QAction* PopupActionFor(const QKeyEvent* Event) const;

    QMenu* FPopupMenu = nullptr;
};
