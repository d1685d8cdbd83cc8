// The window's filter bar, View > Calls with its ladder diagram, and View >
// Statistics, over calls decoded with the project's definition set.
#define CFG_DIR VELMORA_SOURCE_CFG
#include "tests/analysis/analysis_test_support.h"

#include "app/CallsForm.h"
#include "app/CaptureForm.h"
#include "app/CaptureListModel.h"
#include "app/CaptureListView.h"
#include "app/CaptureOptionsBox.h"
#include "app/OptionsForm.h"
#include "app/StatisticsForm.h"
#include "core/Clock.h"
#include "core/Globals.h"
#include "tests/app/window_test_support.h"

#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QTableView>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

using namespace windowtest;
namespace at = analysis_test;

namespace {

constexpr uint32_t Us = 2061;
constexpr uint32_t Them = 2300;

} // namespace

class AnalysisViewsTest : public QObject {
    Q_OBJECT

    QTemporaryDir Dir;
    std::unique_ptr<TManualClock> Clock;
    std::unique_ptr<TCaptureForm> Form;

    TCaptureListModel* Model() const { return Form->ListModel(); }
    int Rows() const
    {
        Model()->FlushPendingRows();
        return Model()->rowCount();
    }
    void Add(int64_t Ms, uint8_t Direction, const std::string& Message)
    {
        Form->AddCapture(TCaptureRecord{at::At(Ms), Direction, 1, Message});
    }
    // Captures 0-6: an answered call on CIC 7 and, on CIC 8, a busy one,
    // with a link test between.
    void AddCalls()
    {
        Add(0, cdOut, at::Iam(Us, Them, 7, "4165", "301")); // 0
        Add(10, cdOut, at::Iam(Us, Them, 8, "4166"));       // 1
        Add(500, cdIn, at::Acm(Them, Us, 7));               // 2
        Add(600, cdIn, at::Sltm(Them, Us, 0));              // 3
        Add(700, cdIn, at::Rel(Them, Us, 8, 17, 4));        // 4
        Add(750, cdOut, at::Rlc(Us, Them, 8));              // 5
        Add(3000, cdIn, at::Anm(Them, Us, 7));              // 6
    }
    void Select(int Row)
    {
        Model()->FlushPendingRows();
        Form->ListView()->selectionModel()->setCurrentIndex(
            Model()->index(Row, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
    int SelectedCapture() const
    {
        const QModelIndexList Rows = Form->ListView()->selectionModel()->selectedRows();
        return Rows.isEmpty() ? -1 : Model()->CaptureIndex(Rows.first().row());
    }
    QStringList Names() const
    {
        QStringList Names;
        for (int Row = 0; Row < Rows(); ++Row)
            Names << Model()->CellText(Row, colIn) + Model()->CellText(Row, colOut);
        return Names;
    }
    QAction* Menu(const char* Menu, const char* Item) const
    {
        return MenuAction(*Form, QString::fromLatin1(Menu), QString::fromLatin1(Item));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(Dir.isValid());
        StateFileName = Dir.filePath(QStringLiteral("State.ini")).toStdString();
    }

    void init()
    {
        Clock = std::make_unique<TManualClock>();
        Form = std::make_unique<TCaptureForm>(at::Catalog(), *Clock);
        Form->show();
        QVERIFY(QTest::qWaitForWindowExposed(Form.get()));
    }

    void cleanup()
    {
        StopModalWaits();
        Form.reset();
        Clock.reset();
    }

    void FilterBarHidesRowsAndKeepsTheSelectedCapture()
    {
        AddCalls();
        Select(6);
        QVERIFY(Form->FilterEdit());
        QTest::keyClicks(Form->FilterEdit(), QStringLiteral("name=ACM,ANM,REL"));
        QTest::keyClick(Form->FilterEdit(), Qt::Key_Return);
        QCOMPARE(Names(), (QStringList{"ACM", "REL", "ANM"}));
        QCOMPARE(Form->FilterMessage(), QStringLiteral("3 of 7 shown"));
        QCOMPARE(SelectedCapture(), 6);
        QCOMPARE(Form->Caption(), QStringLiteral("Answer"));

        // Live captures go through the filter as they arrive.
        Add(4000, cdIn, at::Rel(Them, Us, 7, 16, 2));
        Add(4040, cdOut, at::Rlc(Us, Them, 7));
        QCOMPARE(Names(), (QStringList{"ACM", "REL", "ANM", "REL"}));
        QTRY_COMPARE(Form->FilterMessage(), QStringLiteral("4 of 9 shown"));
        QCOMPARE(Model()->CaptureIndex(3), 7);
        QCOMPARE(Model()->RowOfCapture(8), -1);

        // A bad expression leaves the list as it was and says where.
        QVERIFY(!Form->ApplyFilter(QStringLiteral("name=IAM foo=1")));
        QVERIFY(Form->FilterMessage().startsWith(QStringLiteral("column 10: unknown field 'foo'")));
        QCOMPARE(Form->FilterEdit()->cursorPosition(), 9);
        QCOMPARE(Names(), (QStringList{"ACM", "REL", "ANM", "REL"}));
        QCOMPARE(SelectedCapture(), 6);

        // A capture the new filter hides loses the selection; clearing the
        // filter shows everything, in order.
        QVERIFY(Form->ApplyFilter(QStringLiteral("!name=ANM cic=7")));
        QCOMPARE(Names(), (QStringList{"IAM", "ACM", "REL", "RLC"}));
        QCOMPARE(SelectedCapture(), -1);
        Select(1);
        Form->FilterEdit()->clear();
        QCOMPARE(Rows(), 9);
        QCOMPARE(Form->FilterMessage(), QString());
        QCOMPARE(SelectedCapture(), 2);
    }

    void SearchAndSaveWorkOverAFilteredList()
    {
        AddCalls();
        QVERIFY(Form->ApplyFilter(QStringLiteral("dir=in")));
        QCOMPARE(Names(), (QStringList{"ACM", "SLTM", "REL", "ANM"}));
        // Search Again looks at the rows shown only, after the selected one.
        const auto Seen = AnswerNextModal([](QDialog* Dialog) {
            static_cast<QInputDialog*>(Dialog)->setTextValue(QStringLiteral("m"));
            Dialog->accept();
        });
        Menu("Search", "Find ...")->trigger();
        QVERIFY(Seen->Seen);
        QCOMPARE(SelectedCapture(), 2);
        Menu("Search", "Search Again")->trigger();
        QCOMPARE(SelectedCapture(), 3);
        Menu("Search", "Search Again")->trigger();
        QCOMPARE(SelectedCapture(), 6);
        const auto NoMore = AnswerNextModal();
        Menu("Search", "Search Again")->trigger();
        QVERIFY(NoMore->Seen);
        QCOMPARE(NoMore->Text, QStringLiteral("No Matches Found"));

        // Save writes every capture, shown or not.
        const QString File = Dir.filePath(QStringLiteral("all.ss7"));
        Form->SaveCaptures(File);
        Form->ClearCaptures();
        QCOMPARE(Rows(), 0);
        QVERIFY(Form->ApplyFilter(QString()));
        Form->LoadCaptures(File);
        QCOMPARE(Rows(), 7);
        QCOMPARE(Form->Analysis().Calls.Calls().size(), 2u);
    }

    void CallsListIsLiveAndItsLadderSelectsCaptures()
    {
        AddCalls();
        Menu("View", "Calls")->trigger();
        TCallsForm* Calls = Form->CallsForm();
        QVERIFY(Calls && Calls->isVisible());
        QVERIFY(QTest::qWaitForWindowExposed(Calls));
        TCallListModel* List = Calls->Model();
        QCOMPARE(List->rowCount(), 2);
        auto Cell = [List](int Row, int Column) { return List->data(List->index(Row, Column)).toString(); };
        QCOMPARE(Cell(0, TCallListModel::colCalled), QStringLiteral("4165"));
        QCOMPARE(Cell(0, TCallListModel::colCalling), QStringLiteral("301"));
        QCOMPARE(Cell(0, TCallListModel::colState), QStringLiteral("answered"));
        QCOMPARE(Cell(1, TCallListModel::colState), QStringLiteral("complete"));
        QCOMPARE(Cell(1, TCallListModel::colCause), QStringLiteral("17 User busy"));
        QCOMPARE(Cell(1, TCallListModel::colReleasedBy), QStringLiteral("called"));

        // New messages reach the list by the next turn of the event loop.
        Add(5000, cdOut, at::Rel(Us, Them, 7, 16, 0));
        Add(5100, cdOut, at::Iam(Us, Them, 9, "1"));
        QTRY_COMPARE(List->rowCount(), 3);
        QCOMPARE(Cell(0, TCallListModel::colState), QStringLiteral("released"));
        QCOMPARE(Cell(0, TCallListModel::colDuration), QStringLiteral("5.000 s"));

        // Double-clicking a call shows its ladder: arrows between the two
        // point codes in time order.
        QTableView* View = Calls->View();
        const QRect First = View->visualRect(List->index(0, TCallListModel::colCalled));
        QVERIFY(First.isValid());
        // A double click as the platform delivers it: a click, then the double click.
        QTest::mouseClick(View->viewport(), Qt::LeftButton, {}, First.center());
        QTest::mouseDClick(View->viewport(), Qt::LeftButton, {}, First.center());
        TLadderView* Ladder = Calls->Ladder();
        QVERIFY(Calls->LadderWindow()->isVisible());
        QVERIFY(QTest::qWaitForWindowExposed(Calls->LadderWindow()));
        QCOMPARE(Ladder->MessageCount(), 4);
        QStringList Arrows;
        for (int Row = 0; Row < Ladder->MessageCount(); ++Row)
            Arrows << Ladder->ArrowName(Row) + (Ladder->ArrowRight(Row) ? "->" : "<-") + Ladder->ArrowTime(Row);
        QCOMPARE(Arrows, (QStringList{"IAM->9:00:00.000", "ACM<-9:00:00.500", "ANM<-9:00:03.000", "REL->9:00:05.000"}));

        // Clicking an arrow selects its capture, even one the filter hides.
        QVERIFY(Form->ApplyFilter(QStringLiteral("name=IAM")));
        const int Y = TLadderView::Top + 2 * TLadderView::RowHeight + TLadderView::RowHeight / 2;
        QTest::mouseClick(Ladder, Qt::LeftButton, {}, QPoint(Ladder->width() / 2, Y));
        QCOMPARE(Ladder->SelectedRow(), 2);
        QCOMPARE(SelectedCapture(), 6);
        QVERIFY(!Model()->Filtered());
        QCOMPARE(Form->Caption(), QStringLiteral("Answer"));
        QTest::mouseClick(Ladder, Qt::LeftButton, {}, QPoint(Ladder->width() / 2, TLadderView::Top + 5));
        QCOMPARE(SelectedCapture(), 0);

        // Export, and a clear that empties the list.
        const QString File = Dir.filePath(QStringLiteral("calls.csv"));
        QVERIFY(Calls->ExportCsv(File));
        QFile Csv(File);
        QVERIFY(Csv.open(QIODevice::ReadOnly));
        QCOMPARE(Csv.readAll().toStdString(), CallsCsv(Form->Analysis().Calls.Calls()));
        Menu("Edit", "Clear All")->trigger();
        QCOMPARE(List->rowCount(), 0);
        QVERIFY(!Calls->LadderWindow()->isVisible());
    }

    void TheLimitOnCapturesKeepsRowsCallsAndLaddersRight()
    {
        TOptionsForm Options(Form.get());
        Form->SetOptionsForm(&Options);
        Options.CaptureOptions->seCaptureLimit->setValue(20);
        Menu("View", "Calls")->trigger();
        TCallsForm* Calls = Form->CallsForm();
        const TCallTracker& Tracker = Form->Analysis().Calls;
        const TCaptureItemsCollection& Captures = Model()->Captures();
        QVERIFY(Form->ApplyFilter(QStringLiteral("name=IAM,REL")));
        // Five captures a call.
        auto AddCall = [this](uint16_t Cic) {
            const int64_t Ms = Cic * 1000;
            Add(Ms, cdOut, at::Iam(Us, Them, Cic, "4165"));
            Add(Ms + 100, cdIn, at::Acm(Them, Us, Cic));
            Add(Ms + 200, cdIn, at::Anm(Them, Us, Cic));
            Add(Ms + 300, cdOut, at::Rel(Us, Them, Cic, 16, 0));
            Add(Ms + 400, cdIn, at::Rlc(Them, Us, Cic));
        };
        for (uint16_t Cic = 1; Cic <= 3; ++Cic)
            AddCall(Cic);
        Calls->Refresh();
        Calls->ShowLadder(0);
        TLadderView* Ladder = Calls->Ladder();
        QVERIFY(QTest::qWaitForWindowExposed(Calls->LadderWindow()));
        QCOMPARE(Ladder->MessageCount(), 5);
        for (uint16_t Cic = 4; Cic <= 13; ++Cic)
            AddCall(Cic);

        // The filter's rows are the IAMs and RELs among the captures held.
        const int Held = Captures.Count();
        QVERIFY(Held <= 20 && Held >= 15);
        QStringList Expected;
        for (int I = 0; I < Held; ++I) {
            const QString Name = QString::fromStdString(Captures.Texts().Text(Captures.Items(I).Summary.NameText));
            if (Name == QStringLiteral("IAM") || Name == QStringLiteral("REL"))
                Expected << Name;
        }
        QCOMPARE(Names(), Expected);
        QCOMPARE(Model()->CaptureIndex(Rows() - 1), Held - 2);
        QTRY_COMPARE(Form->FilterMessage(), QStringLiteral("%1 of %2 shown").arg(Expected.size()).arg(Held));

        // The calls whose captures are all gone have gone from the list;
        // those left keep their numbers.
        QVERIFY(Tracker.DroppedCalls() >= 9);
        QTRY_COMPARE(Calls->Model()->rowCount(), static_cast<int>(Tracker.Calls().size()));
        for (const TCallRecord& Call : Tracker.Calls())
            QVERIFY(Call.Messages.back() >= Captures.Dropped());
        QCOMPARE(Calls->Model()->data(Calls->Model()->index(0, TCallListModel::colNumber)).toString(),
                 QString::number(Tracker.Calls()[0].Number));
        QCOMPARE(Tracker.TotalCalls(), 13u);

        // An arrow of a call dropped since selects nothing and says why.
        Select(1);
        const int Selected = SelectedCapture();
        QTest::mouseClick(Ladder, Qt::LeftButton, {}, QPoint(Ladder->width() / 2, TLadderView::Top + 5));
        QCOMPARE(SelectedCapture(), Selected);
        QVERIFY(Form->StatusText().contains(QStringLiteral("no longer held")));
        // An arrow of a call held selects its capture.
        Calls->ShowLadder(Calls->Model()->rowCount() - 1);
        QTest::mouseClick(Ladder, Qt::LeftButton, {}, QPoint(Ladder->width() / 2, TLadderView::Top + 5));
        QCOMPARE(SelectedCapture(), Held - 5);

        // A pcap imported goes through the filter, the calls and the counts
        // as received captures do.
        const QString File = Dir.filePath(QStringLiteral("held.pcap"));
        Form->ExportPcap(File, false);
        Form->ClearCaptures();
        QCOMPARE(Rows(), 0);
        Form->ImportPcap(File);
        QCOMPARE(Captures.Count(), Held);
        QCOMPARE(Names(), Expected);
        QCOMPARE(Form->Analysis().Stats.Messages(), static_cast<uint64_t>(Held));
        QCOMPARE(Tracker.Calls().size(), static_cast<size_t>(Expected.count(QStringLiteral("IAM"))));
        QTRY_COMPARE(Calls->Model()->rowCount(), static_cast<int>(Tracker.Calls().size()));
        Form->SetOptionsForm(nullptr);
    }

    void StatisticsShowTheCountsAsTheyArrive()
    {
        AddCalls();
        Menu("View", "Statistics")->trigger();
        TStatisticsForm* Stats = Form->StatisticsForm();
        QVERIFY(Stats && Stats->isVisible());
        QCOMPARE(Stats->SummaryText(), QStringLiteral("7 messages (IN 4, OUT 3), 2 calls, 1 answered"));
        QTreeWidget* Tree = Stats->Tree();
        QCOMPARE(Tree->topLevelItemCount(), 4);
        QTreeWidgetItem* Names = Tree->topLevelItem(0);
        QStringList Rows;
        for (int I = 0; I < Names->childCount(); ++I)
            Rows << QStringList{Names->child(I)->text(0), Names->child(I)->text(1), Names->child(I)->text(2),
                                Names->child(I)->text(3)}
                        .join(' ');
        QCOMPARE(Rows, (QStringList{"ACM 1 0 1", "ANM 1 0 1", "IAM 0 2 2", "REL 1 0 1", "RLC 0 1 1", "SLTM 1 0 1"}));
        QCOMPARE(Tree->topLevelItem(2)->child(0)->text(0), QStringLiteral("2061 => 2300"));
        QCOMPARE(Tree->topLevelItem(3)->child(0)->text(0), QStringLiteral("17 User busy"));
        QCOMPARE(Stats->Chart()->Peak(), 6u);

        Add(1000, cdIn, at::Sltm(Them, Us, 0));
        QTRY_COMPARE(Stats->SummaryText(), QStringLiteral("8 messages (IN 5, OUT 3), 2 calls, 1 answered"));
        QCOMPARE(Stats->Chart()->Peak(), 6u);
        Stats->Chart()->repaint();
        Menu("Edit", "Clear All")->trigger();
        QTRY_COMPARE(Stats->SummaryText(), QStringLiteral("0 messages (IN 0, OUT 0), 0 calls, 0 answered"));
        QCOMPARE(Stats->Chart()->Peak(), 0u);
    }
};

QTEST_MAIN(AnalysisViewsTest)
#include "analysis_views_test.moc"
