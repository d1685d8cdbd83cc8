#include "app/SelectionForm.h"

#include "catalog/StaticPackets.h"
#include "isup/CkCollectionItem.h"
#include "isup/CustomParameter.h"
#include "isup/ParamField.h"
#include "l4/PacketL4.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QShowEvent>
#include <QStyledItemDelegate>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <exception>

namespace {

constexpr int ObjectRole = Qt::UserRole;
constexpr int StateImageRole = Qt::UserRole + 1;

// The tree and its delegate with the option set-up they paint with made
// reachable, so that the check box is hit exactly where it is drawn.
class TSelectionTree : public QTreeWidget {
public:
    using QTreeWidget::indexFromItem;
    using QTreeWidget::initViewItemOption;
    using QTreeWidget::QTreeWidget;
};

class TSelectionDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::initStyleOption;
    using QStyledItemDelegate::QStyledItemDelegate;
};

QPixmap BoxImage(bool Ticked)
{
    QPixmap Image(16, 16);
    Image.fill(Qt::transparent);
    QPainter Painter(&Image);
    Painter.setPen(QColor(28, 81, 128));
    Painter.setBrush(Qt::white);
    Painter.drawRect(2, 2, 12, 12);
    if (Ticked) {
        Painter.setRenderHint(QPainter::Antialiasing);
        Painter.setPen(QPen(QColor(33, 161, 33), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        const QPointF Tick[] = {{4.5, 8}, {7, 10.5}, {11.5, 5}};
        Painter.drawPolyline(Tick, 3);
    }
    return Image;
}

} // namespace

QList<QPixmap> TSelectionForm::MakeStateImages()
{
    // Image 0 is never a state: an empty picture keeps the indices of the
    // two boxes at 1 and 2.
    QPixmap Unused(16, 16);
    Unused.fill(Qt::transparent);
    return {Unused, BoxImage(true), BoxImage(false)};
}

TSelectionForm::TSelectionForm(QWidget* Owner, const TStaticPackets* Catalog)
    : QWidget(Owner, Qt::Window)
    , StateImages(MakeStateImages())
    , FCatalog(Catalog)
    , FFormStorage(this, QStringLiteral("SelectionForm"), true)
{
    setObjectName(QStringLiteral("SelectionForm"));
    setWindowTitle(QStringLiteral("ISUP messages configuration"));
    setGeometry(319, 129, 278, 470);

    auto* Tree = new TSelectionTree(this);
    tvMsg = Tree;
    tvMsg->setObjectName(QStringLiteral("tvMsg"));
    tvMsg->setItemDelegate(new TSelectionDelegate(tvMsg));
    tvMsg->setHeaderHidden(true);
    tvMsg->setColumnCount(1);
    tvMsg->setIndentation(19);
    tvMsg->setIconSize(QSize(16, 16));
    tvMsg->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tvMsg->setSelectionMode(QAbstractItemView::SingleSelection);
    tvMsg->setUniformRowHeights(true);
    auto* Layout = new QVBoxLayout(this);
    Layout->setContentsMargins(0, 0, 0, 0);
    Layout->addWidget(tvMsg);

    // The window sees keys before the tree (Escape), the tree's viewport
    // sees presses before the tree acts on them.
    tvMsg->installEventFilter(this);
    tvMsg->viewport()->installEventFilter(this);
    FormCreate();
}

TSelectionForm::~TSelectionForm()
{
    SaveState(true);
}

void TSelectionForm::FormCreate()
{
    try {
        FFormStorage.RestoreFormPlacement();
    } catch (const std::exception& Error) {
        ShowException(this, Error);
    }
}

void TSelectionForm::SaveState(bool Destroying)
{
    try {
        FFormStorage.SaveFormPlacement(Destroying);
    } catch (const std::exception& Error) {
        ShowException(parentWidget(), Error);
    }
}

void TSelectionForm::showEvent(QShowEvent* Event)
{
    if (!Event->spontaneous())
        FormShow();
    QWidget::showEvent(Event);
}

void TSelectionForm::hideEvent(QHideEvent* Event)
{
    if (!Event->spontaneous())
        SaveState(false);
    QWidget::hideEvent(Event);
}

void TSelectionForm::FormShow()
{
    try {
        FFormStorage.RestoreFormPlacement();
    } catch (const std::exception& Error) {
        ShowException(this, Error);
    }
    FillTree();
}

QTreeWidgetItem* TSelectionForm::AddNode(QTreeWidgetItem* Parent, const std::string& Text, TPersistent* Object)
{
    auto* Node = Parent ? new QTreeWidgetItem(Parent) : new QTreeWidgetItem(tvMsg);
    Node->setText(0, QString::fromStdString(Text));
    Node->setData(0, ObjectRole, QVariant::fromValue(reinterpret_cast<quintptr>(Object)));
    RefreshStateImage(Node);
    return Node;
}

void TSelectionForm::FillTree()
{
    tvMsg->setUpdatesEnabled(false);
    tvMsg->clear();
    if (const TStaticPackets* Packets = FCatalog) {
        for (int I = 0; I < Packets->Count(); ++I) {
            TStaticPacket& Packet = Packets->Items(I);
            QTreeWidgetItem* MessageNode = AddNode(nullptr, Packet.GetSummary(), &Packet);
            TParameterCollection& Parameters = Packet.Parameters();
            for (int J = 0; J < Parameters.Count(); ++J) {
                TCustomParameter& Parameter = Parameters.Items(J);
                QTreeWidgetItem* ParameterNode = AddNode(MessageNode, Parameter.GetTitle(), &Parameter);
                TParamFieldCollection& Fields = Parameter.Fields();
                for (int K = 0; K < Fields.Count(); ++K) {
                    TParamField& Field = Fields.Items(K);
                    AddNode(ParameterNode, Field.Name(), &Field);
                }
            }
        }
    }
    tvMsg->setUpdatesEnabled(true);
}

TPersistent* TSelectionForm::NodeObject(const QTreeWidgetItem* Node)
{
    return Node ? reinterpret_cast<TPersistent*>(Node->data(0, ObjectRole).value<quintptr>()) : nullptr;
}

bool TSelectionForm::GetChecked(const QTreeWidgetItem* Node)
{
    TPersistent* Object = NodeObject(Node);
    if (auto* Message = dynamic_cast<TCustomItemL4*>(Object))
        return Message->Checked != 0;
    if (auto* Item = dynamic_cast<TCkCollectionItem*>(Object))
        return Item->Checked != 0;
    return false;
}

void TSelectionForm::SetChecked(QTreeWidgetItem* Node, bool Value)
{
    TPersistent* Object = NodeObject(Node);
    if (auto* Message = dynamic_cast<TCustomItemL4*>(Object))
        Message->Checked = Value ? 1 : 0;
    else if (auto* Item = dynamic_cast<TCkCollectionItem*>(Object))
        Item->Checked = Value ? 1 : 0;
}

void TSelectionForm::RefreshStateImage(QTreeWidgetItem* Node)
{
    const int Image = GetChecked(Node) ? siChecked : siUnchecked;
    if (Node->data(0, StateImageRole).toInt() == Image)
        return;
    Node->setData(0, StateImageRole, Image);
    Node->setIcon(0, QIcon(StateImages[Image]));
}

int TSelectionForm::StateImageOf(const QTreeWidgetItem* Node) const
{
    return Node ? Node->data(0, StateImageRole).toInt() : 0;
}

QRect TSelectionForm::StateIconRect(const QTreeWidgetItem* Node) const
{
    auto* Tree = static_cast<TSelectionTree*>(tvMsg);
    const QModelIndex Index = Tree->indexFromItem(Node);
    if (!Index.isValid())
        return {};
    QStyleOptionViewItem Option;
    Tree->initViewItemOption(&Option);
    Option.rect = Tree->visualRect(Index);
    static_cast<TSelectionDelegate*>(Tree->itemDelegate())->initStyleOption(&Option, Index);
    return Tree->style()->subElementRect(QStyle::SE_ItemViewItemDecoration, &Option, Tree);
}

void TSelectionForm::tvMsgMouseDown(const QPoint& Position)
{
    QTreeWidgetItem* Node = tvMsg->itemAt(Position);
    if (!Node)
        return;
    if (StateIconRect(Node).contains(Position))
        SetChecked(Node, !GetChecked(Node));
    RefreshStateImage(Node);
}

bool TSelectionForm::FormKeyDown(int Key)
{
    if (Key != Qt::Key_Escape)
        return false;
    close();
    return true;
}

bool TSelectionForm::tvMsgKeyDown(int Key)
{
    if (Key != Qt::Key_Return && Key != Qt::Key_Enter && Key != Qt::Key_Space)
        return false;
    const QList<QTreeWidgetItem*> Selected = tvMsg->selectedItems();
    if (!Selected.isEmpty()) {
        SetChecked(Selected.first(), !GetChecked(Selected.first()));
        RefreshStateImage(Selected.first());
    }
    return true;
}

bool TSelectionForm::tvMsgKeyPress(const QString& Text)
{
    // Typed characters would start the tree's keyboard search; they are
    // dropped. "+", "-" and "*" stay the tree's expand and collapse keys.
    if (Text.isEmpty() || !Text.at(0).isPrint())
        return false;
    return Text != QStringLiteral("+") && Text != QStringLiteral("-") && Text != QStringLiteral("*");
}

bool TSelectionForm::eventFilter(QObject* Watched, QEvent* Event)
{
    if (Watched == tvMsg->viewport() &&
        (Event->type() == QEvent::MouseButtonPress || Event->type() == QEvent::MouseButtonDblClick)) {
        tvMsgMouseDown(static_cast<QMouseEvent*>(Event)->position().toPoint());
    } else if (Watched == tvMsg && Event->type() == QEvent::KeyPress) {
        auto* Key = static_cast<QKeyEvent*>(Event);
        if (FormKeyDown(Key->key()) || tvMsgKeyDown(Key->key()) || tvMsgKeyPress(Key->text()))
            return true;
    }
    return QWidget::eventFilter(Watched, Event);
}

void TSelectionForm::keyPressEvent(QKeyEvent* Event)
{
    if (FormKeyDown(Event->key()))
        return;
    QWidget::keyPressEvent(Event);
}
