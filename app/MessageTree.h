// TMessageTree: the decoded tree tvMsg, a view over the decoded view's
// model. Typed characters do nothing (no incremental search); entering and
// leaving it within the window are reported, switching windows is not.
#pragma once

#include <QTreeView>

class TDecodedTreeModel;

class TMessageTree : public QTreeView {
    Q_OBJECT
public:
    explicit TMessageTree(QWidget* Parent = nullptr);

    // Opens the nodes the model's view marks expanded and brings the first
    // node to the top; called after the model shows another view.
    void ShowNodes(const TDecodedTreeModel& Model);

signals:
    void entered();
    void exited();

protected:
    void keyPressEvent(QKeyEvent* Event) override;
    void keyboardSearch(const QString& Search) override;
    void focusInEvent(QFocusEvent* Event) override;
    void focusOutEvent(QFocusEvent* Event) override;
};
