// TSelectionForm: the ISUP message selection window ("ISUP messages
// configuration"). A tree of the message catalog (message types, their
// parameters, the fields of each parameter) with a check box on every node;
// the boxes are the Checked marks of the catalog objects themselves, which
// every decoded message copies.
#pragma once

#include "app/FormStorage.h"

#include <QList>
#include <QPixmap>
#include <QWidget>

class QTreeWidget;
class QTreeWidgetItem;
class TPersistent;
class TStaticPackets;

class TSelectionForm : public QWidget {
    Q_OBJECT
public:
    // State image indices: 1 a ticked box, 2 an empty box (0 is never a state).
    enum { siChecked = 1, siUnchecked = 2 };

    // Catalog is the message catalog shown, whose Checked marks the boxes
    // change; it must outlive the window. Null shows an empty tree.
    explicit TSelectionForm(QWidget* Owner = nullptr, const TStaticPackets* Catalog = nullptr);
    ~TSelectionForm() override;

    QTreeWidget* tvMsg = nullptr;
    const QList<QPixmap> StateImages;

    // Rebuilds the tree from the catalog; every node starts collapsed.
    void FillTree();
    // The catalog object a node shows, or null.
    static TPersistent* NodeObject(const QTreeWidgetItem* Node);
    static bool GetChecked(const QTreeWidgetItem* Node);
    static void SetChecked(QTreeWidgetItem* Node, bool Value);
    void RefreshStateImage(QTreeWidgetItem* Node);
    // The state image a node shows now (1 or 2), 0 for none.
    int StateImageOf(const QTreeWidgetItem* Node) const;
    // The rectangle of a node's check box, in viewport coordinates.
    QRect StateIconRect(const QTreeWidgetItem* Node) const;
    TFormStorage& Storage() { return FFormStorage; }

    static QList<QPixmap> MakeStateImages();

protected:
    void showEvent(QShowEvent* Event) override;
    void hideEvent(QHideEvent* Event) override;
    bool eventFilter(QObject* Watched, QEvent* Event) override;
    void keyPressEvent(QKeyEvent* Event) override;

private:
    void FormCreate();
    void FormShow();
    // The key handlers return true when they consumed the key.
    void tvMsgMouseDown(const QPoint& Position);
    bool FormKeyDown(int Key);
    bool tvMsgKeyDown(int Key);
    bool tvMsgKeyPress(const QString& Text);
    QTreeWidgetItem* AddNode(QTreeWidgetItem* Parent, const std::string& Text, TPersistent* Object);
    void SaveState(bool Destroying);

    const TStaticPackets* FCatalog;
    TFormStorage FFormStorage;
};
