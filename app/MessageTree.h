// TMessageTree: the decoded tree tvMsg. It owns the decoded ISUP message
// that its root node shows, for as long as the tree shows it; each node
// carries its kind and a pointer into that message.
#pragma once

#include <QTreeWidget>

#include <memory>

class TCustomIsupPacket;

class TMessageTree : public QTreeWidget {
    Q_OBJECT
public:
    // What a node's data points at.
    enum TNodeKind { nkNone = 0, nkMessage = 1, nkParameter = 2, nkField = 3 };

    explicit TMessageTree(QWidget* Parent = nullptr);
    ~TMessageTree() override;

    // Removes every node and frees the message they showed.
    void ClearTree();
    // Takes ownership of the message the new root node will show.
    void SetMessage(std::unique_ptr<TCustomIsupPacket> Message);
    TCustomIsupPacket* Message() const { return FMessage.get(); }

    static void SetNodeData(QTreeWidgetItem* Node, TNodeKind Kind, const void* Data);
    static TNodeKind NodeKindOf(const QTreeWidgetItem* Node);
    static const void* NodeData(const QTreeWidgetItem* Node);

signals:
    void entered();
    void exited();

protected:
    void keyPressEvent(QKeyEvent* Event) override;
    void keyboardSearch(const QString& Search) override;
    void focusInEvent(QFocusEvent* Event) override;
    void focusOutEvent(QFocusEvent* Event) override;

private:
    std::unique_ptr<TCustomIsupPacket> FMessage;
};
