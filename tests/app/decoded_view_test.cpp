// The decoded view in the window: caption panel, tree nodes with their
// state images, the status texts of the focused node, the dump text and the
// copy command, and which changes of the focus and the selection rebuild it.
#include "tests/app/app_test_support.h"

#include "app/StateImages.h"
#include "isup/IsupPacket.h"

#include <QAbstractItemModelTester>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QLineEdit>

using namespace AppTest;

namespace {

// IAM on CIC 5 from 1234 to 2345: nature of connection indicators 0x20,
// forward call indicators, calling party's category, transmission medium
// requirement, called party number, then optional parameters.
constexpr const char* Iam = "01 01 85 29 89 34 51 05 00 01 20 20 01 0A 00 02 08 06 83 10 30 10 32 04 01 05 00 "
                            "43 21 D2 04 0A 07 03 11 40 50 55 66 77 08 01 00 00";

bool CopyFolder(const QString& From, const QString& To)
{
    QDir().mkpath(To);
    const QDir Source(From);
    for (const QFileInfo& Entry : Source.entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QString Target = To + QLatin1Char('/') + Entry.fileName();
        if (Entry.isDir() ? !CopyFolder(Entry.filePath(), Target) : !QFile::copy(Entry.filePath(), Target))
            return false;
    }
    return true;
}

QImage IconImage(const QModelIndex& Node)
{
    return Node.data(Qt::DecorationRole).value<QIcon>().pixmap(16).toImage();
}

// What Edit > Copy puts on the clipboard: the dump text.
QString Copied(const TCaptureForm& Form)
{
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    MenuAction(Form, QStringLiteral("Edit"), QStringLiteral("Copy"))->trigger();
    return QGuiApplication::clipboard()->text();
}

// Moves the tree's focus to Node as the user does, which shows Node's
// status text.
void Focus(const TCaptureForm& Form, const QModelIndex& Node)
{
    Form.TreeView()->setCurrentIndex(Node);
}

} // namespace

class TDecodedViewTest : public QObject {
    Q_OBJECT

    // The definition files with two BIT fields added to the nature of
    // connection indicators (the shipped set has none); every window of a
    // test loads its own definitions from them.
    QTemporaryDir FCfg;

    std::string Cfg() const { return (FCfg.path() + QStringLiteral("/")).toStdString(); }

private slots:
    void initTestCase()
    {
        QVERIFY(CopyFolder(QStringLiteral(VELMORA_SOURCE_CFG), FCfg.path()));
        QFile Nci(FCfg.path() + QStringLiteral("/Params/NatureOfConnectionIndicators.ini"));
        QVERIFY(Nci.open(QIODevice::Append));
        Nci.write("\r\n[.Test flag set]\r\nType=Bit\r\nBit=5\r\n\r\n[.Test flag clear]\r\nType=Bit\r\nBit=6\r\n");
        Nci.close();
    }

    void stopEntryShowsHeartStop()
    {
        TWindow W;
        W.Form->AddCapture(Record("00 00 FF 00 00 00 00"));
        W.Select(0);
        QCOMPARE(W.Form->Caption(), QStringLiteral("Heart Stop Message"));
        QCOMPARE(W.Form->TreeModel()->rowCount(), 0);
        QCOMPARE(W.Form->StatusText(), QStringLiteral("Hex: FF 00 00 00 00 "));
        QCOMPARE(Copied(*W.Form), QStringLiteral("FF 00 00 00 00 "));
    }

    void otherSubsystemsShowCaptionsAndDumpLines()
    {
        TWindow W;
        W.Form->AddCapture(Record("01 00 81 29 89 34 01 11 60 01 23 45 67 89 AB"));
        W.Form->AddCapture(Record("01 00 80 29 89 34 01 11 05"));
        W.Form->AddCapture(Record("01 00 83 01 80 00 30 00 01"));
        W.Form->AddCapture(Record("01 00"));
        const QAbstractItemModel& Tree = *W.Form->TreeModel();

        W.Select(0);
        QCOMPARE(W.Form->Caption(), QStringLiteral("Test Subsystem Message"));
        QCOMPARE(NodeTexts(Tree), QStringList{QStringLiteral("Test Pattern: 60 01 23 45 67 89 AB ")});

        W.Select(1);
        QCOMPARE(W.Form->Caption(), QStringLiteral("MTP Subsystem Message"));
        QCOMPARE(NodeTexts(Tree), QStringList{QStringLiteral("Message Dump: 11 05 ")});
        QCOMPARE(W.Form->StatusText(), QStringLiteral("Hex: 80 29 89 34 01 11 05 "));

        W.Select(2);
        QCOMPARE(W.Form->Caption(), QStringLiteral("Unknown Subsystem Code: 0x03"));
        QCOMPARE(NodeTexts(Tree), QStringList{QStringLiteral("Message Dump: 00 01 ")});

        W.Select(3);
        QCOMPARE(W.Form->Caption(), QStringLiteral("Can`t read SIO from stream"));
        QCOMPARE(NodeTexts(Tree), QStringList{QStringLiteral("Message Dump: ")});
        QCOMPARE(Copied(*W.Form), QString());

        // Focusing a dump line leaves the status text as it was.
        W.Form->SetStatusText(QStringLiteral("unchanged"));
        Focus(*W.Form, Tree.index(0, 0));
        QCOMPARE(W.Form->TreeView()->currentIndex(), Tree.index(0, 0));
        QCOMPARE(W.Form->StatusText(), QStringLiteral("unchanged"));
    }

    void isupMessageTree()
    {
        TWindow W(true, AnyPort, Cfg());
        // The tree's model stays consistent through every view it shows.
        QAbstractItemModelTester Tester(W.Form->TreeModel(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        W.Form->AddCapture(Record("01 00 81 29 89 34 01 11 60 01 23 45 67 89 AB"));
        W.Form->AddCapture(Record(Iam));
        W.Select(0);
        W.Select(1);
        const TDecodedTreeModel& Tree = *W.Form->TreeModel();
        const QVector<QPixmap> Images = MakeIsupImages();
        QCOMPARE(W.Form->Caption(), QStringLiteral("Initial address"));
        QCOMPARE(Tree.rowCount(), 1);
        const QModelIndex Root = Tree.index(0, 0);
        QCOMPARE(Root.data().toString(), QStringLiteral("IAM, Initial address"));
        QCOMPARE(Root.data(TDecodedTreeModel::NodeKindRole).toInt(), int(nkMessage));
        QCOMPARE(IconImage(Root), Images[1].toImage());
        QVERIFY(W.Form->TreeView()->isExpanded(Root));
        // The tree's model holds the decoded message its root shows.
        QVERIFY(Tree.View().Message());
        QCOMPARE(QString::fromStdString(Tree.View().Message()->Name()), QStringLiteral("IAM"));

        const QStringList Parameters = NodeTexts(Tree, Root);
        QVERIFY2(Parameters.size() >= 5, qPrintable(Parameters.join(QLatin1Char('|'))));
        QCOMPARE(Parameters[0], QStringLiteral("NatureOfConnectionIndicators, Nature of connection indicators"));
        QCOMPARE(Parameters[4], QStringLiteral("CalledPartyNumber, Called party number"));
        // Only present parameters: the mandatory five and the three optional
        // ones of the message, in the order of the message's definition.
        QCOMPARE(Parameters.size(), 8);
        QCOMPARE(Parameters[5], QStringLiteral("CallReference, Call reference (national use)"));
        QCOMPARE(Parameters[6], QStringLiteral("CallingPartyNumber, Calling party number"));
        QCOMPARE(Parameters[7], QStringLiteral("OptionalForwardCallIndicators, Optional forward call indicators"));

        const QModelIndex Nci = Tree.index(0, 0, Root);
        QVERIFY(W.Form->TreeView()->isExpanded(Nci));
        QCOMPARE(Nci.data(TDecodedTreeModel::NodeKindRole).toInt(), int(nkParameter));
        QCOMPARE(IconImage(Nci), Images[2].toImage());
        QCOMPARE(IconImage(Tree.index(5, 0, Root)), Images[3].toImage());
        const QStringList Fields = NodeTexts(Tree, Nci);
        QCOMPARE(Fields.first(), QStringLiteral("Satellite indicator = no satellite circuit in the connection"));
        QCOMPARE(Fields.at(Fields.size() - 2), QStringLiteral("Test flag set"));
        QCOMPARE(Fields.last(), QStringLiteral("Test flag clear"));
        QCOMPARE(Tree.index(0, 0, Nci).data(TDecodedTreeModel::NodeKindRole).toInt(), int(nkField));
        QCOMPARE(IconImage(Tree.index(0, 0, Nci)), Images[7].toImage());
        QCOMPARE(IconImage(Tree.index(Fields.size() - 2, 0, Nci)), Images[5].toImage());
        QCOMPARE(IconImage(Tree.index(Fields.size() - 1, 0, Nci)), Images[6].toImage());

        // Status texts of the focused node.
        Focus(*W.Form, Root);
        QCOMPARE(W.Form->StatusText(),
                 QStringLiteral("ISUP Packet Coded: ") +
                     QString::fromStdString(Tree.View().Message()->GetCodedText(true)));
        QVERIFY(W.Form->StatusText().startsWith(QStringLiteral("ISUP Packet Coded: 05 00 01 20 ")));
        Focus(*W.Form, Nci);
        QCOMPARE(W.Form->StatusText(), QStringLiteral("Hex String: 20 "));
        Focus(*W.Form, Tree.index(Fields.size() - 2, 0, Nci));
        QCOMPARE(W.Form->StatusText(), QStringLiteral("Integer Value: 1"));
        W.Form->TreeView()->setFocus();
        Focus(*W.Form, Tree.index(4, 0, Root));
        QCOMPARE(W.Form->StatusText(), QStringLiteral("Hex String: 83 10 30 10 32 04 "));
    }

    void selectionMarksDecideExpansionAndFields()
    {
        // The marks belong to this window's catalog: nothing outside the
        // window sees them changed.
        int Listed = 0;
        {
            TWindow W(true, AnyPort, Cfg());
            TStaticPacket* Prototype = nullptr;
            const TStaticPackets& Packets = *W.Definitions.StaticPackets;
            for (int I = 0; I < Packets.Count() && !Prototype; ++I) {
                if (Packets.Items(I).MessageType == 0x01)
                    Prototype = &Packets.Items(I);
            }
            QVERIFY(Prototype);
            Prototype->Parameters().Items(0).Checked = 0;
            Prototype->Parameters().Items(1).Fields().Items(0).Checked = 0;

            W.Form->AddCapture(Record(Iam));
            W.Select(0);
            const QAbstractItemModel& Tree = *W.Form->TreeModel();
            const QModelIndex Root = Tree.index(0, 0);
            QVERIFY(!W.Form->TreeView()->isExpanded(Tree.index(0, 0, Root)));
            QVERIFY(W.Form->TreeView()->isExpanded(Tree.index(1, 0, Root)));
            Listed = Tree.rowCount(Tree.index(1, 0, Root));
            QCOMPARE(Listed, Prototype->Parameters().Items(1).Fields().Count() - 1);
        }

        // A window over freshly loaded definitions shows every mark set.
        TWindow Fresh(true, AnyPort, Cfg());
        Fresh.Form->AddCapture(Record(Iam));
        Fresh.Select(0);
        const QAbstractItemModel& Tree = *Fresh.Form->TreeModel();
        const QModelIndex Root = Tree.index(0, 0);
        QVERIFY(Fresh.Form->TreeView()->isExpanded(Tree.index(0, 0, Root)));
        QCOMPARE(Tree.rowCount(Tree.index(1, 0, Root)), Listed + 1);
    }

    void deselectingEmptiesTheDumpTextOnly()
    {
        TWindow W;
        W.Form->AddCapture(Record("01 00 81 29 89 34 01 11 60 01 23 45 67 89 AB"));
        W.Select(0);
        QCOMPARE(Copied(*W.Form), QStringLiteral("81 29 89 34 01 11 60 01 23 45 67 89 AB "));
        QGuiApplication::clipboard()->clear();
        PopupAction(*W.Form, QStringLiteral("Copy Packet Dump"))->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("81 29 89 34 01 11 60 01 23 45 67 89 AB "));

        W.Form->ListView()->clearSelection();
        QCOMPARE(W.Form->Caption(), QStringLiteral("Test Subsystem Message"));
        QCOMPARE(W.Form->TreeModel()->rowCount(), 1);
        QCOMPARE(Copied(*W.Form), QString());
    }

    void typedCharactersAreConsumedByTheTree()
    {
        TWindow W(true, AnyPort, Cfg());
        W.Form->AddCapture(Record(Iam));
        W.Select(0);
        W.Form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(W.Form.get()));
        TMessageTree* View = W.Form->TreeView();
        const QModelIndex Root = W.Form->TreeModel()->index(0, 0);
        View->setFocus();
        View->setCurrentIndex(Root);
        // "C" would jump to the node starting with it if typing searched.
        QTest::keyClicks(View, QStringLiteral("C"));
        QCOMPARE(View->currentIndex(), Root);
        QTest::keyClick(View, Qt::Key_Down);
        QCOMPARE(View->currentIndex(), W.Form->TreeModel()->index(0, 0, Root));
        QCOMPARE(W.Form->StatusText(), QStringLiteral("Hex String: 20 "));

        // Leaving the tree empties the status text: the focus goes to a
        // control that writes no status text of its own.
        auto* Other = new QLineEdit(W.Form.get());
        Other->show();
        Other->setFocus();
        QTRY_VERIFY(Other->hasFocus());
        QCOMPARE(W.Form->StatusText(), QString());

        // Entering the tree shows its focused node again, entering the list
        // the selected capture.
        View->setFocus();
        QTRY_VERIFY(View->hasFocus());
        QCOMPARE(W.Form->StatusText(), QStringLiteral("Hex String: 20 "));
        W.Form->ListView()->setFocus();
        QTRY_VERIFY(W.Form->ListView()->hasFocus());
        QVERIFY(W.Form->StatusText().startsWith(QStringLiteral("Hex: ")));
    }

    void theTreeIsRebuiltOnlyWhenTheSelectedCaptureChanges()
    {
        TWindow W(true, AnyPort, Cfg());
        W.Form->AddCapture(Record(Iam));
        W.Form->AddCapture(Record(Iam));
        W.Select(0);
        W.Form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(W.Form.get()));
        TMessageTree* View = W.Form->TreeView();
        TCaptureListView* List = W.Form->ListView();
        const QAbstractItemModel& Tree = *W.Form->TreeModel();
        auto Nci = [&Tree] { return Tree.index(0, 0, Tree.index(0, 0)); };
        const QModelIndex Called = Tree.index(4, 0, Tree.index(0, 0));
        QVERIFY(View->isExpanded(Nci()));
        // The user closes one parameter and focuses another.
        View->setFocus();
        QTRY_VERIFY(View->hasFocus());
        View->collapse(Nci());
        View->setCurrentIndex(Called);
        QCOMPARE(W.Form->StatusText(), QStringLiteral("Hex String: 83 10 30 10 32 04 "));

        // Back in the list with the same capture selected: its octets are
        // shown again, the tree stays as the user left it.
        List->setFocus(Qt::MouseFocusReason);
        QTRY_VERIFY(List->hasFocus());
        QVERIFY(W.Form->StatusText().startsWith(QStringLiteral("Hex: 85 29 89 34 51 05 00 01 ")));
        QVERIFY(!View->isExpanded(Nci()));
        QCOMPARE(View->currentIndex(), Called);

        // Switching to another window and back is no visit to the list:
        // neither the tree nor the status text changes.
        W.Form->SetStatusText(QStringLiteral("Done."));
        QWidget Elsewhere;
        Elsewhere.show();
        Elsewhere.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&Elsewhere));
        QCOMPARE(W.Form->StatusText(), QStringLiteral("Done."));
        W.Form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(W.Form.get()));
        QTRY_VERIFY(List->hasFocus());
        QCOMPARE(W.Form->StatusText(), QStringLiteral("Done."));
        QVERIFY(!View->isExpanded(Nci()));
        QCOMPARE(View->currentIndex(), Called);

        // Selecting the capture again after a deselection keeps the tree too.
        List->clearSelection();
        W.Select(0);
        QVERIFY(!View->isExpanded(Nci()));

        // Another capture, though of the same message, is shown afresh.
        W.Select(1);
        QVERIFY(View->isExpanded(Nci()));
        // So is a new capture in the row of the one shown before a Clear.
        View->collapse(Nci());
        W.Form->ClearCaptures();
        W.Form->AddCapture(Record(Iam));
        W.Form->AddCapture(Record(Iam));
        W.Select(1);
        QVERIFY(View->isExpanded(Nci()));
    }
};

QTEST_MAIN(TDecodedViewTest)
#include "decoded_view_test.moc"
