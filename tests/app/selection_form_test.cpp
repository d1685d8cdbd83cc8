// The ISUP message selection window over a small definition set: the tree,
// toggling by the check box only, the keys, and what the boxes do to
// decoded messages.
#include "app/SelectionForm.h"

#include "catalog/Definitions.h"
#include "core/Globals.h"
#include "core/HexString.h"
#include "core/MemoryStream.h"
#include "decode/PacketDecoder.h"
#include "isup/CustomParameter.h"
#include "isup/IsupPacket.h"
#include "isup/ParamField.h"
#include "presentation/DecodedView.h"

#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

namespace {

QStringList Texts(const QTreeWidgetItem* Parent)
{
    QStringList Result;
    for (int I = 0; I < Parent->childCount(); ++I)
        Result << Parent->child(I)->text(0);
    return Result;
}

QTreeWidgetItem* Node(QTreeWidget* Tree, const QString& Path)
{
    const QStringList Names = Path.split(QLatin1Char('/'));
    QTreeWidgetItem* Current = nullptr;
    for (const QString& Name : Names) {
        QTreeWidgetItem* Next = nullptr;
        const int Count = Current ? Current->childCount() : Tree->topLevelItemCount();
        for (int I = 0; I < Count && !Next; ++I) {
            QTreeWidgetItem* Child = Current ? Current->child(I) : Tree->topLevelItem(I);
            if (Child->text(0).section(QLatin1Char(','), 0, 0) == Name)
                Next = Child;
        }
        if (!Next)
            return nullptr;
        Current = Next;
    }
    return Current;
}

// A message of this type as the processor would capture it (SIO, routing
// label, then the ISUP part with the prototype's defaults), decoded against
// Catalog as the main window decodes it.
std::unique_ptr<TCustomIsupPacket> Decoded(const TStaticPackets& Catalog, uint8_t MessageType)
{
    std::unique_ptr<TCustomIsupPacket> Message = Catalog.NewMessage(MessageType);
    if (!Message)
        return nullptr;
    Message->Cic = 7;
    TMemoryStream Stream;
    Message->SaveToStream(Stream);
    THexString Bytes;
    Bytes.SetBytes(Stream.Memory(), Stream.Size());
    std::unique_ptr<TCustomPacketL4> Packet = DecodePacketL4(Bytes, Catalog);
    return std::unique_ptr<TCustomIsupPacket>(dynamic_cast<TCustomIsupPacket*>(Packet.release()));
}

const TCustomParameter* Parameter(const TCustomIsupPacket& Message, const std::string& Name)
{
    for (int I = 0; I < Message.Parameters().Count(); ++I)
        if (Message.Parameters().Items(I).Name() == Name)
            return &Message.Parameters().Items(I);
    return nullptr;
}

bool FieldChecked(const TCustomIsupPacket& Message, const std::string& ParameterName, const std::string& FieldName)
{
    const TCustomParameter* P = Parameter(Message, ParameterName);
    for (int I = 0; P && I < P->Fields().Count(); ++I)
        if (P->Fields().Items(I).Name() == FieldName)
            return P->Fields().Items(I).Checked != 0;
    return false;
}

} // namespace

class SelectionFormTest : public QObject {
    Q_OBJECT

    QTemporaryDir Dir;
    // Loaded afresh for every test: the boxes change its marks.
    TDefinitions Definitions;
    std::unique_ptr<TSelectionForm> Form;

    QTreeWidget* Tree() const { return Form->tvMsg; }
    QTreeWidgetItem* At(const char* Path) const { return Node(Tree(), QString::fromLatin1(Path)); }

    void Press(QTreeWidgetItem* Item, Qt::MouseButton Button, bool OnBox)
    {
        Tree()->scrollToItem(Item);
        const QRect Box = Form->StateIconRect(Item);
        const QRect Row = Tree()->visualItemRect(Item);
        const QPoint Where = OnBox ? Box.center() : QPoint(Box.right() + 12, Row.center().y());
        QTest::mousePress(Tree()->viewport(), Button, {}, Where);
        QTest::mouseRelease(Tree()->viewport(), Button, {}, Where);
    }

    // The pixels where the box of Item is drawn are those of its state image.
    bool BoxDrawnAt(QTreeWidgetItem* Item)
    {
        Tree()->clearSelection();
        const QImage Shot = Tree()->viewport()->grab().toImage().convertToFormat(QImage::Format_ARGB32);
        const QRect Box = Form->StateIconRect(Item);
        const QImage Want =
            Form->StateImages[Form->StateImageOf(Item)].toImage().convertToFormat(QImage::Format_ARGB32);
        const qreal Ratio = Tree()->viewport()->devicePixelRatioF();
        if (Box.size() != Want.size())
            return false;
        for (int Y = 0; Y < Want.height(); ++Y)
            for (int X = 0; X < Want.width(); ++X) {
                const QRgb W = Want.pixel(X, Y);
                if (qAlpha(W) != 255)
                    continue; // anti-aliased edges blend with the row colour
                if (Shot.pixel(int((Box.left() + X) * Ratio), int((Box.top() + Y) * Ratio)) != W)
                    return false;
            }
        return true;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(Dir.isValid());
        StateFileName = Dir.filePath(QStringLiteral("State.ini")).toStdString();
    }

    void init()
    {
        Definitions = LoadDefinitions(APP_TEST_CFG "/");
        QCOMPARE(Definitions.StaticPackets->Count(), 2);
        Form = std::make_unique<TSelectionForm>(nullptr, Definitions.StaticPackets.get());
        Form->show();
        QVERIFY(QTest::qWaitForWindowExposed(Form.get()));
    }

    void cleanup() { Form.reset(); }

    void ShowsMessagesParametersAndFieldsCollapsed()
    {
        QCOMPARE(Form->windowTitle(), QStringLiteral("ISUP messages configuration"));
        QCOMPARE(Tree()->topLevelItemCount(), 2);
        QCOMPARE(Tree()->topLevelItem(0)->text(0), QStringLiteral("MSGA, Message A"));
        QCOMPARE(Tree()->topLevelItem(1)->text(0), QStringLiteral("MSGB"));
        QCOMPARE(Texts(Tree()->topLevelItem(0)), (QStringList{"Flags, Sample flags", "Extra, Extra info", "NoFile"}));
        QCOMPARE(Texts(At("MSGA/Flags")), (QStringList{"Urgent", "Count"}));
        QCOMPARE(Texts(At("MSGB/Extra")), QStringList{"Level"});
        for (const char* Path : {"MSGA", "MSGA/Flags", "MSGA/Flags/Urgent", "MSGA/Extra/Level", "MSGB"})
            QCOMPARE(Form->StateImageOf(At(Path)), int(TSelectionForm::siChecked));
        // No description file: an empty box and no fields.
        QCOMPARE(Form->StateImageOf(At("MSGA/NoFile")), int(TSelectionForm::siUnchecked));
        QCOMPARE(At("MSGA/NoFile")->childCount(), 0);
        for (int I = 0; I < Tree()->topLevelItemCount(); ++I)
            QVERIFY(!Tree()->topLevelItem(I)->isExpanded());
    }

    void APressOnTheBoxTogglesWithAnyButtonOnTheTextItDoesNot()
    {
        QTreeWidgetItem* Message = At("MSGB");
        QVERIFY(BoxDrawnAt(Message));
        Press(Message, Qt::LeftButton, false);
        QVERIFY(GetCheckedOf("MSGB"));
        Press(Message, Qt::LeftButton, true);
        QVERIFY(!GetCheckedOf("MSGB"));
        QCOMPARE(Definitions.StaticPackets->Items(1).Checked, uint8_t(0));
        QCOMPARE(Form->StateImageOf(Message), int(TSelectionForm::siUnchecked));
        QVERIFY(BoxDrawnAt(Message));
        Press(Message, Qt::RightButton, true);
        QVERIFY(GetCheckedOf("MSGB"));
        Press(Message, Qt::MiddleButton, true);
        QVERIFY(!GetCheckedOf("MSGB"));
        Press(Message, Qt::MiddleButton, false);
        QVERIFY(!GetCheckedOf("MSGB"));

        Tree()->expandAll();
        QTreeWidgetItem* Field = At("MSGA/Flags/Count");
        QVERIFY(BoxDrawnAt(Field));
        Press(Field, Qt::LeftButton, false);
        QVERIFY(GetCheckedOf("MSGA/Flags/Count"));
        Press(Field, Qt::LeftButton, true);
        QVERIFY(!GetCheckedOf("MSGA/Flags/Count"));
        QVERIFY(BoxDrawnAt(Field));
        // Boxes are independent: the parameter and message keep theirs.
        QVERIFY(GetCheckedOf("MSGA/Flags"));
        QVERIFY(GetCheckedOf("MSGA"));
    }

    void APressBelowTheLastNodeDoesNothing()
    {
        const QPoint Below(10, Tree()->viewport()->height() - 3);
        QVERIFY(!Tree()->itemAt(Below));
        QTest::mousePress(Tree()->viewport(), Qt::LeftButton, {}, Below);
        QVERIFY(GetCheckedOf("MSGA") && GetCheckedOf("MSGB"));
    }

    void EnterAndSpaceToggleTheSelectedNodeEscapeHides()
    {
        Tree()->setFocus();
        Tree()->setCurrentItem(At("MSGA"));
        QTest::keyClick(Tree(), Qt::Key_Space);
        QVERIFY(!GetCheckedOf("MSGA"));
        QCOMPARE(Form->StateImageOf(At("MSGA")), int(TSelectionForm::siUnchecked));
        QTest::keyClick(Tree(), Qt::Key_Return);
        QVERIFY(GetCheckedOf("MSGA"));
        QTest::keyClick(Tree(), Qt::Key_Enter);
        QVERIFY(!GetCheckedOf("MSGA"));
        QVERIFY(!At("MSGA")->isExpanded());

        // Typed letters neither toggle nor search ("N" would find NoFile).
        Tree()->expandAll();
        Tree()->setCurrentItem(At("MSGA/Flags"));
        QTest::keyClicks(Tree(), QStringLiteral("NnE"));
        QCOMPARE(Tree()->currentItem(), At("MSGA/Flags"));
        QVERIFY(GetCheckedOf("MSGA/Flags"));

        QTest::keyClick(Tree(), Qt::Key_Escape);
        QVERIFY(Form->isHidden());
    }

    void EnterWithAnEmptyTreeDoesNothing()
    {
        TStaticPackets Empty;
        TSelectionForm EmptyForm(nullptr, &Empty);
        EmptyForm.show();
        QVERIFY(QTest::qWaitForWindowExposed(&EmptyForm));
        QCOMPARE(EmptyForm.tvMsg->topLevelItemCount(), 0);
        EmptyForm.tvMsg->setFocus();
        QTest::keyClick(EmptyForm.tvMsg, Qt::Key_Return);
        QTest::keyClick(EmptyForm.tvMsg, Qt::Key_Space);
        QTest::mousePress(EmptyForm.tvMsg->viewport(), Qt::LeftButton, {}, QPoint(12, 8));
        QCOMPARE(EmptyForm.tvMsg->topLevelItemCount(), 0);
    }

    void EveryShowRebuildsTheTreeFromTheCatalog()
    {
        Definitions.StaticPackets->Items(0).Parameters().Items(0).Checked = 0;
        QCOMPARE(Form->StateImageOf(At("MSGA/Flags")), int(TSelectionForm::siChecked));
        Form->hide();
        Form->show();
        QCOMPARE(Form->StateImageOf(At("MSGA/Flags")), int(TSelectionForm::siUnchecked));
    }

    void BoxesDecideTheMarksOfDecodedMessagesOfThatTypeOnly()
    {
        Tree()->expandAll();
        Press(At("MSGA/Flags/Urgent"), Qt::LeftButton, true);
        Press(At("MSGA/Extra"), Qt::LeftButton, true);
        Press(At("MSGB"), Qt::LeftButton, true);

        const auto A = Decoded(*Definitions.StaticPackets, 0x01);
        const auto B = Decoded(*Definitions.StaticPackets, 0x02);
        QVERIFY(A && B);
        QVERIFY(!FieldChecked(*A, "Flags", "Urgent"));
        QVERIFY(FieldChecked(*A, "Flags", "Count"));
        QCOMPARE(Parameter(*A, "Extra")->Checked, uint8_t(0));
        QCOMPARE(Parameter(*A, "Flags")->Checked, uint8_t(1));
        QCOMPARE(A->Checked, uint8_t(1));
        // The same parameter under the other message type keeps its boxes.
        QVERIFY(FieldChecked(*B, "Flags", "Urgent"));
        QCOMPARE(Parameter(*B, "Extra")->Checked, uint8_t(1));
        QCOMPARE(B->Checked, uint8_t(0));
    }

    void AWholeValueFieldIsOneBoxThatDecidesItsLine()
    {
        // Over the ITU-T definition set: Call reference holds two whole
        // values, each with one box.
        Form.reset();
        Definitions = LoadDefinitions(VELMORA_SOURCE_CFG);
        Form = std::make_unique<TSelectionForm>(nullptr, Definitions.StaticPackets.get());
        Form->show();
        QVERIFY(QTest::qWaitForWindowExposed(Form.get()));
        QTreeWidgetItem* CallReference = At("IAM/CallReference");
        QVERIFY(CallReference);
        QCOMPARE(Texts(CallReference), (QStringList{"Call identity", "Signalling point code"}));
        CallReference->parent()->setExpanded(true);
        CallReference->setExpanded(true);
        Press(At("IAM/CallReference/Signalling point code"), Qt::LeftButton, true);
        QVERIFY(!GetCheckedOf("IAM/CallReference/Signalling point code"));
        QVERIFY(GetCheckedOf("IAM/CallReference/Call identity"));

        THexString Hex(true);
        Hex.FromText("85 0D 08 3F 52 15 00 01 00 20 00 0A 00 02 06 04 03 10 21 43 01 05 12 34 56 D2 04 00");
        const std::string Iam(Hex.Data());
        const TDecodedView View(Iam, *Definitions.StaticPackets);
        QStringList Lines;
        for (int I = 0; I < View.Count(); ++I)
            if (View.Node(I).Parent >= 0 && View.Node(View.Node(I).Parent).Text.starts_with("CallReference,"))
                Lines << QString::fromStdString(View.Node(I).Text);
        QCOMPARE(Lines, QStringList{"Call identity = 1193046"});
        // Hiding a field hides its line only: the message written again
        // keeps the point code's octets.
        std::string Coded;
        QVERIFY(View.StatusText(0, Coded));
        QCOMPARE(QString::fromStdString(Coded),
                 QStringLiteral("ISUP Packet Coded: 15 00 01 00 20 00 0A 00 02 06 04 03 10 21 43 01 05 12 34 56 D2 "
                                "04 00 "));
    }

    void PlacementIsKeptInTheStateFile()
    {
        Form->move(140, 90);
        Form->resize(300, 400);
        Form->hide();
        QFile State(QString::fromStdString(StateFileName));
        QVERIFY(State.open(QIODevice::ReadOnly));
        const QString Text = QString::fromLatin1(State.readAll());
        QVERIFY(Text.contains(QStringLiteral("[SelectionForm]")));
        QVERIFY(Text.contains(QStringLiteral("NormPos=")));

        TSelectionForm Again(nullptr, Definitions.StaticPackets.get());
        Again.show();
        QVERIFY(QTest::qWaitForWindowExposed(&Again));
        QCOMPARE(Again.size(), QSize(300, 400));
    }

private:
    bool GetCheckedOf(const char* Path) const { return TSelectionForm::GetChecked(At(Path)); }
};

QTEST_MAIN(SelectionFormTest)
#include "selection_form_test.moc"
