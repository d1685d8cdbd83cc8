// The decoded view: caption panel, tree nodes with their state images, the
// status texts of the focused node, the dump text and the copy command.
#include "tests/app/app_test_support.h"

#include "app/MessageTree.h"
#include "isup/IsupPacket.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTreeWidget>

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

QStringList Texts(const QTreeWidgetItem* Node)
{
    QStringList Result;
    for (int I = 0; I < Node->childCount(); ++I)
        Result << Node->child(I)->text(0);
    return Result;
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
        W.Rows();
        W.Form->lvMsg->selectRow(0);
        QCOMPARE(W.Form->pnMessageCaption->text(), QStringLiteral("Heart Stop Message"));
        QCOMPARE(W.Form->tvMsg->topLevelItemCount(), 0);
        QCOMPARE(W.Form->StatusTextValue(), QStringLiteral("Hex: FF 00 00 00 00 "));
        QCOMPARE(W.Form->DumpText, QStringLiteral("FF 00 00 00 00 "));
    }

    void otherSubsystemsShowCaptionsAndDumpLines()
    {
        TWindow W;
        W.Form->AddCapture(Record("01 00 81 29 89 34 01 11 60 01 23 45 67 89 AB"));
        W.Form->AddCapture(Record("01 00 80 29 89 34 01 11 05"));
        W.Form->AddCapture(Record("01 00 83 01 80 00 30 00 01"));
        W.Form->AddCapture(Record("01 00"));
        W.Rows();

        W.Form->lvMsg->selectRow(0);
        QCOMPARE(W.Form->pnMessageCaption->text(), QStringLiteral("Test Subsystem Message"));
        QCOMPARE(W.Form->tvMsg->topLevelItemCount(), 1);
        QCOMPARE(W.Form->tvMsg->topLevelItem(0)->text(0), QStringLiteral("Test Pattern: 60 01 23 45 67 89 AB "));

        W.Form->lvMsg->selectRow(1);
        QCOMPARE(W.Form->pnMessageCaption->text(), QStringLiteral("MTP Subsystem Message"));
        QCOMPARE(W.Form->tvMsg->topLevelItemCount(), 1);
        QCOMPARE(W.Form->tvMsg->topLevelItem(0)->text(0), QStringLiteral("Message Dump: 11 05 "));
        QCOMPARE(W.Form->StatusTextValue(), QStringLiteral("Hex: 80 29 89 34 01 11 05 "));

        W.Form->lvMsg->selectRow(2);
        QCOMPARE(W.Form->pnMessageCaption->text(), QStringLiteral("Unknown Subsystem Code: 0x03"));
        QCOMPARE(W.Form->tvMsg->topLevelItemCount(), 1);
        QCOMPARE(W.Form->tvMsg->topLevelItem(0)->text(0), QStringLiteral("Message Dump: 00 01 "));

        W.Form->lvMsg->selectRow(3);
        QCOMPARE(W.Form->pnMessageCaption->text(), QStringLiteral("Can`t read SIO from stream"));
        QCOMPARE(W.Form->tvMsg->topLevelItem(0)->text(0), QStringLiteral("Message Dump: "));
        QCOMPARE(W.Form->DumpText, QString());

        // Focusing a dump line leaves the status text as it was.
        W.Form->SetStatusText(QStringLiteral("unchanged"));
        W.Form->tvMsgChange(W.Form->tvMsg->topLevelItem(0));
        QCOMPARE(W.Form->StatusTextValue(), QStringLiteral("unchanged"));
    }

    void isupMessageTree()
    {
        TWindow W(true, AnyPort, Cfg());
        W.Form->AddCapture(Record(Iam));
        W.Rows();
        W.Form->lvMsg->selectRow(0);
        QCOMPARE(W.Form->pnMessageCaption->text(), QStringLiteral("Initial address"));
        QCOMPARE(W.Form->tvMsg->topLevelItemCount(), 1);
        QTreeWidgetItem* Root = W.Form->tvMsg->topLevelItem(0);
        QCOMPARE(Root->text(0), QStringLiteral("IAM, Initial address"));
        QCOMPARE(W.Form->NodeKindOf(Root), int(TMessageTree::nkMessage));
        QVERIFY(Root->isExpanded());
        // The tree owns the message its root shows.
        QCOMPARE(TMessageTree::NodeData(Root), static_cast<const void*>(W.Form->tvMsg->Message()));

        const QStringList Parameters = Texts(Root);
        QVERIFY2(Parameters.size() >= 5, qPrintable(Parameters.join(QLatin1Char('|'))));
        QCOMPARE(Parameters[0], QStringLiteral("NatureOfConnectionIndicators, Nature of connection indicators"));
        QCOMPARE(Parameters[4], QStringLiteral("CalledPartyNumber, Called party number"));
        // Only present parameters: the mandatory five and the three optional
        // ones of the message, in the order of the message's definition.
        QCOMPARE(Parameters.size(), 8);
        QCOMPARE(Parameters[5], QStringLiteral("CallReference, Call reference (national use)"));
        QCOMPARE(Parameters[6], QStringLiteral("CallingPartyNumber, Calling party number"));
        QCOMPARE(Parameters[7], QStringLiteral("OptionalForwardCallIndicators, Optional forward call indicators"));

        QTreeWidgetItem* Nci = Root->child(0);
        QVERIFY(Nci->isExpanded());
        QCOMPARE(W.Form->NodeKindOf(Nci), int(TMessageTree::nkParameter));
        QCOMPARE(Nci->icon(0).pixmap(16).toImage(), W.Form->IsupImages[2].toImage());
        QCOMPARE(Root->child(5)->icon(0).pixmap(16).toImage(), W.Form->IsupImages[3].toImage());
        const QStringList Fields = Texts(Nci);
        QCOMPARE(Fields.first(), QStringLiteral("Satellite indicator = no satellite circuit in the connection"));
        QCOMPARE(Fields.at(Fields.size() - 2), QStringLiteral("Test flag set"));
        QCOMPARE(Fields.last(), QStringLiteral("Test flag clear"));
        QCOMPARE(Nci->child(0)->icon(0).pixmap(16).toImage(), W.Form->IsupImages[7].toImage());
        QCOMPARE(Nci->child(Fields.size() - 2)->icon(0).pixmap(16).toImage(), W.Form->IsupImages[5].toImage());
        QCOMPARE(Nci->child(Fields.size() - 1)->icon(0).pixmap(16).toImage(), W.Form->IsupImages[6].toImage());

        // Status texts of the focused node.
        W.Form->tvMsgChange(Root);
        QCOMPARE(W.Form->StatusTextValue(),
                 QStringLiteral("ISUP Packet Coded: ") +
                     QString::fromStdString(W.Form->tvMsg->Message()->GetCodedText(true)));
        QVERIFY(W.Form->StatusTextValue().startsWith(QStringLiteral("ISUP Packet Coded: 05 00 01 20 ")));
        W.Form->tvMsgChange(Nci);
        QCOMPARE(W.Form->StatusTextValue(), QStringLiteral("Hex String: 20 "));
        W.Form->tvMsgChange(Nci->child(Fields.size() - 2));
        QCOMPARE(W.Form->StatusTextValue(), QStringLiteral("Integer Value: 1"));
        W.Form->tvMsg->setFocus();
        W.Form->tvMsg->setCurrentItem(Root->child(4));
        QCOMPARE(W.Form->StatusTextValue(), QStringLiteral("Hex String: 83 10 30 10 32 04 "));
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
            W.Rows();
            W.Form->lvMsg->selectRow(0);
            QTreeWidgetItem* Root = W.Form->tvMsg->topLevelItem(0);
            QVERIFY(!Root->child(0)->isExpanded());
            QVERIFY(Root->child(1)->isExpanded());
            Listed = Root->child(1)->childCount();
            QCOMPARE(Listed, Prototype->Parameters().Items(1).Fields().Count() - 1);
        }

        // A window over freshly loaded definitions shows every mark set.
        TWindow Fresh(true, AnyPort, Cfg());
        Fresh.Form->AddCapture(Record(Iam));
        Fresh.Rows();
        Fresh.Form->lvMsg->selectRow(0);
        QTreeWidgetItem* Root = Fresh.Form->tvMsg->topLevelItem(0);
        QVERIFY(Root->child(0)->isExpanded());
        QCOMPARE(Root->child(1)->childCount(), Listed + 1);
    }

    void deselectingEmptiesTheDumpTextOnly()
    {
        TWindow W;
        W.Form->AddCapture(Record("01 00 81 29 89 34 01 11 60 01 23 45 67 89 AB"));
        W.Rows();
        W.Form->lvMsg->selectRow(0);
        QCOMPARE(W.Form->DumpText, QStringLiteral("81 29 89 34 01 11 60 01 23 45 67 89 AB "));
        W.Form->miCopyToClip->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("81 29 89 34 01 11 60 01 23 45 67 89 AB "));

        W.Form->lvMsg->clearSelection();
        QCOMPARE(W.Form->DumpText, QString());
        QCOMPARE(W.Form->pnMessageCaption->text(), QStringLiteral("Test Subsystem Message"));
        QCOMPARE(W.Form->tvMsg->topLevelItemCount(), 1);
        W.Form->miCopyClip->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(), QString());
    }

    void typedCharactersAreConsumedByTheTree()
    {
        TWindow W(true, AnyPort, Cfg());
        W.Form->AddCapture(Record(Iam));
        W.Rows();
        W.Form->lvMsg->selectRow(0);
        W.Form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(W.Form.get()));
        QTreeWidgetItem* Root = W.Form->tvMsg->topLevelItem(0);
        W.Form->tvMsg->setFocus();
        W.Form->tvMsg->setCurrentItem(Root);
        // "C" would jump to the node starting with it if typing searched.
        QTest::keyClicks(W.Form->tvMsg, QStringLiteral("C"));
        QCOMPARE(W.Form->tvMsg->currentItem(), Root);
        QTest::keyClick(W.Form->tvMsg, Qt::Key_Down);
        QCOMPARE(W.Form->tvMsg->currentItem(), Root->child(0));
        QCOMPARE(W.Form->StatusTextValue(), QStringLiteral("Hex String: 20 "));

        // Leaving the tree empties the status text: the focus goes to a
        // control that writes no status text of its own.
        auto* Other = new QLineEdit(W.Form.get());
        Other->show();
        Other->setFocus();
        QTRY_VERIFY(Other->hasFocus());
        QCOMPARE(W.Form->StatusTextValue(), QString());

        // Entering the tree shows its focused node again, entering the list
        // the selected capture.
        W.Form->tvMsg->setFocus();
        QTRY_VERIFY(W.Form->tvMsg->hasFocus());
        QCOMPARE(W.Form->StatusTextValue(), QStringLiteral("Hex String: 20 "));
        W.Form->lvMsg->setFocus();
        QTRY_VERIFY(W.Form->lvMsg->hasFocus());
        QVERIFY(W.Form->StatusTextValue().startsWith(QStringLiteral("Hex: ")));
    }
};

QTEST_MAIN(TDecodedViewTest)
#include "decoded_view_test.moc"
