#include "app/CallsForm.h"

#include "analysis/CallTracker.h"
#include "core/Exception.h"
#include "l4/PacketL4.h"
#include "presentation/CaptureItems.h"

#include <QFile>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScrollArea>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

namespace {

QString StampText(const TSystemTime& Stamp)
{
    return QString::fromStdString(FormatStampDate(Stamp) + " " + FormatStampTime(Stamp));
}

QString SecondsText(int64_t Ms)
{
    return QString::number(static_cast<double>(Ms) / 1000.0, 'f', 3) + QStringLiteral(" s");
}

constexpr const char* ColumnCaptions[TCallListModel::ColumnCount] = {
    "#",      "Start",   "OPC",      "DPC",   "CIC",         "Calling",  "Called",   "State",
    "Answer", "Release", "Duration", "Cause", "Released by", "Ended by", "Messages",
};

} // namespace

// --- The list -------------------------------------------------------------------

TCallListModel::TCallListModel(const TCallTracker& Calls, QObject* Parent)
    : QAbstractTableModel(Parent)
    , FCalls(Calls)
    , FRowCount(static_cast<int>(Calls.Calls().size()))
    , FDroppedCalls(Calls.DroppedCalls())
    , FGeneration(Calls.Generation())
{
}

int TCallListModel::rowCount(const QModelIndex& Parent) const
{
    return Parent.isValid() ? 0 : FRowCount;
}

int TCallListModel::columnCount(const QModelIndex& Parent) const
{
    return Parent.isValid() ? 0 : ColumnCount;
}

QString TCallListModel::CellText(const TCallRecord& Call, int Column)
{
    switch (Column) {
    case colNumber:
        return QString::number(Call.Number);
    case colStart:
        return StampText(Call.Start);
    case colOpc:
        return QString::number(Call.Opc);
    case colDpc:
        return QString::number(Call.Dpc);
    case colCic:
        return QString::number(Call.Cic);
    case colCalling:
        return QString::fromStdString(Call.Calling);
    case colCalled:
        return QString::fromStdString(Call.Called);
    case colState:
        return QString::fromLatin1(CallStateText(Call.State));
    case colAnswer:
        return Call.Answered ? QString::fromStdString(FormatStampTime(Call.AnswerTime)) : QString();
    case colRelease:
        return Call.Released ? QString::fromStdString(FormatStampTime(Call.ReleaseTime)) : QString();
    case colDuration:
        return SecondsText(Call.DurationMs());
    case colCause:
        if (!Call.HasCause)
            return {};
        return QString::number(Call.CauseValue) + QStringLiteral(" ") +
            QString::fromUtf8(Call.CauseText.data(), static_cast<qsizetype>(Call.CauseText.size()));
    case colReleasedBy:
        return QString::fromLatin1(ReleaseSideText(Call.ReleasedBy));
    case colEndedBy:
        return QString::fromLatin1(CallEndText(Call.EndedBy));
    case colMessages:
        return QString::number(Call.Messages.size());
    default:
        return {};
    }
}

QVariant TCallListModel::data(const QModelIndex& Index, int Role) const
{
    if (!Index.isValid() || Index.row() >= FRowCount || Index.column() >= ColumnCount)
        return {};
    const TCallRecord& Call = FCalls.Calls()[static_cast<size_t>(Index.row())];
    if (Role == Qt::DisplayRole)
        return CellText(Call, Index.column());
    if (Role == Qt::ToolTipRole && Index.column() == colCause && Call.HasCause)
        return QString::fromUtf8(Call.LocationText.data(), static_cast<qsizetype>(Call.LocationText.size()));
    if (Role == Qt::TextAlignmentRole) {
        switch (Index.column()) {
        case colNumber:
        case colOpc:
        case colDpc:
        case colCic:
        case colDuration:
        case colMessages:
            return int(Qt::AlignRight | Qt::AlignVCenter);
        default:
            return {};
        }
    }
    return {};
}

QVariant TCallListModel::headerData(int Section, Qt::Orientation Orientation, int Role) const
{
    if (Orientation == Qt::Horizontal && Role == Qt::DisplayRole && Section >= 0 && Section < ColumnCount)
        return QString::fromLatin1(ColumnCaptions[Section]);
    return {};
}

void TCallListModel::Refresh()
{
    const int Count = static_cast<int>(FCalls.Calls().size());
    if (FCalls.Generation() != FGeneration) {
        // The captures were cleared.
        beginResetModel();
        FRowCount = Count;
        FDroppedCalls = FCalls.DroppedCalls();
        FGeneration = FCalls.Generation();
        endResetModel();
        return;
    }
    if (FCalls.DroppedCalls() > FDroppedCalls) {
        // The oldest calls went with their captures: their rows go, and
        // the rows of calls dropped before they were shown never come.
        const uint64_t Dropped = FCalls.DroppedCalls() - FDroppedCalls;
        const int Rows = static_cast<int>(std::min<uint64_t>(Dropped, static_cast<uint64_t>(FRowCount)));
        if (Rows > 0) {
            beginRemoveRows({}, 0, Rows - 1);
            FRowCount -= Rows;
            endRemoveRows();
        }
        FDroppedCalls = FCalls.DroppedCalls();
    }
    // Older calls change too (answered, released): the view repaints only
    // the rows it shows.
    if (FRowCount > 0)
        emit dataChanged(index(0, 0), index(FRowCount - 1, ColumnCount - 1));
    if (Count > FRowCount) {
        beginInsertRows({}, FRowCount, Count - 1);
        FRowCount = Count;
        endInsertRows();
    }
}

// --- The ladder -------------------------------------------------------------------

namespace {

constexpr int TimeWidth = 100;
constexpr int LaneGap = 260;
constexpr int LeftLane = TimeWidth + 40;
constexpr int RightLane = LeftLane + LaneGap;

} // namespace

TLadderView::TLadderView(const TCaptureItemsCollection& Captures, QWidget* Parent)
    : QWidget(Parent)
    , FCaptures(Captures)
{
    setObjectName(QStringLiteral("LadderView"));
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
}

void TLadderView::SetCall(const TCallRecord& Call)
{
    FLeft = Call.Opc;
    FRight = Call.Dpc;
    FMessages.clear();
    for (const uint64_t Sequence : Call.Messages) {
        // Captures dropped since have no arrow.
        const int Position = FCaptures.PositionOf(Sequence);
        if (Position < 0)
            continue;
        const TCaptureItem& Item = FCaptures.Items(Position);
        const std::string& Name = FCaptures.Texts().Text(Item.Summary.NameText);
        FMessages.push_back({Sequence, GetOpc(Item.Summary.RoutingLabel) == Call.Opc, QString::fromStdString(Name),
                             QString::fromStdString(FormatStampTime(Item.Stamp))});
    }
    if (FSelected >= MessageCount())
        FSelected = -1;
    resize(sizeHint());
    updateGeometry();
    update();
}

qint64 TLadderView::CaptureAt(int Row) const
{
    return Row >= 0 && Row < MessageCount() ? static_cast<qint64>(FMessages[static_cast<size_t>(Row)].Capture) : -1;
}

QString TLadderView::ArrowName(int Row) const
{
    return Row >= 0 && Row < MessageCount() ? FMessages[static_cast<size_t>(Row)].Name : QString();
}

QString TLadderView::ArrowTime(int Row) const
{
    return Row >= 0 && Row < MessageCount() ? FMessages[static_cast<size_t>(Row)].Time : QString();
}

bool TLadderView::ArrowRight(int Row) const
{
    return Row >= 0 && Row < MessageCount() && FMessages[static_cast<size_t>(Row)].Right;
}

int TLadderView::RowAt(const QPoint& Point) const
{
    if (Point.y() < Top)
        return -1;
    const int Row = (Point.y() - Top) / RowHeight;
    return Row < MessageCount() ? Row : -1;
}

QSize TLadderView::sizeHint() const
{
    return {RightLane + 60, Top + RowHeight * MessageCount() + 16};
}

void TLadderView::paintEvent(QPaintEvent*)
{
    QPainter Canvas(this);
    Canvas.setRenderHint(QPainter::Antialiasing);
    const QPalette& Colors = palette();
    const int Bottom = Top + RowHeight * MessageCount();
    QFont Bold = font();
    Bold.setBold(true);
    Canvas.setFont(Bold);
    Canvas.setPen(Colors.color(QPalette::Text));
    Canvas.drawText(QRect(LeftLane - 60, 4, 120, 20), Qt::AlignCenter, QString::number(FLeft));
    Canvas.drawText(QRect(RightLane - 60, 4, 120, 20), Qt::AlignCenter, QString::number(FRight));
    Canvas.setFont(font());
    Canvas.setPen(QPen(Colors.color(QPalette::Mid), 1, Qt::DashLine));
    Canvas.drawLine(LeftLane, 26, LeftLane, Bottom + 8);
    Canvas.drawLine(RightLane, 26, RightLane, Bottom + 8);
    for (int Row = 0; Row < MessageCount(); ++Row) {
        const TArrow& Arrow = FMessages[static_cast<size_t>(Row)];
        const int Y = Top + Row * RowHeight;
        if (Row == FSelected)
            Canvas.fillRect(QRect(0, Y, width(), RowHeight), Colors.color(QPalette::Highlight).lighter(170));
        const int Line = Y + RowHeight - 8;
        Canvas.setPen(Colors.color(QPalette::Text));
        Canvas.drawText(QRect(4, Y, TimeWidth, RowHeight - 4), Qt::AlignLeft | Qt::AlignBottom, Arrow.Time);
        Canvas.drawText(QRect(LeftLane, Y, LaneGap, RowHeight - 10), Qt::AlignHCenter | Qt::AlignBottom, Arrow.Name);
        const int From = Arrow.Right ? LeftLane : RightLane;
        const int To = Arrow.Right ? RightLane : LeftLane;
        Canvas.setPen(QPen(Colors.color(QPalette::Text), 1.5));
        Canvas.drawLine(From, Line, To, Line);
        const int Tip = Arrow.Right ? -8 : 8;
        QPainterPath Head;
        Head.moveTo(To, Line);
        Head.lineTo(To + Tip, Line - 4);
        Head.lineTo(To + Tip, Line + 4);
        Head.closeSubpath();
        Canvas.fillPath(Head, Colors.color(QPalette::Text));
    }
}

void TLadderView::mousePressEvent(QMouseEvent* Event)
{
    const int Row = RowAt(Event->position().toPoint());
    if (Row < 0)
        return;
    FSelected = Row;
    update();
    emit captureChosen(CaptureAt(Row));
}

// --- The window ---------------------------------------------------------------------

TCallsForm::TCallsForm(const TCallTracker& Calls, const TCaptureItemsCollection& Captures, QWidget* Parent)
    : QWidget(Parent, Qt::Window)
    , FCalls(Calls)
{
    setObjectName(QStringLiteral("CallsForm"));
    setWindowTitle(QStringLiteral("Calls"));
    resize(900, 420);
    auto* Layout = new QVBoxLayout(this);
    FView = new QTableView(this);
    FView->setObjectName(QStringLiteral("lvCalls"));
    FModel = new TCallListModel(Calls, this);
    FView->setModel(FModel);
    FView->setSelectionBehavior(QAbstractItemView::SelectRows);
    FView->setSelectionMode(QAbstractItemView::SingleSelection);
    FView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    FView->verticalHeader()->hide();
    FView->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    FView->horizontalHeader()->setStretchLastSection(true);
    const int Widths[TCallListModel::ColumnCount] = {50, 150, 50, 50, 50, 100, 110, 70, 90, 90, 80, 160, 80, 70, 70};
    for (int Column = 0; Column < TCallListModel::ColumnCount; ++Column)
        FView->horizontalHeader()->resizeSection(Column, Widths[Column]);
    FView->setToolTip(QStringLiteral("Double-click a call for its ladder diagram"));
    Layout->addWidget(FView, 1);
    auto* Bottom = new QHBoxLayout;
    FCount = new QLabel(this);
    FExport = new QPushButton(QStringLiteral("Export CSV..."), this);
    FExport->setObjectName(QStringLiteral("btExportCalls"));
    Bottom->addWidget(FCount, 1);
    Bottom->addWidget(FExport);
    Layout->addLayout(Bottom);
    connect(FExport, &QPushButton::clicked, this, &TCallsForm::ExportClick);
    connect(FView, &QTableView::doubleClicked, this, [this](const QModelIndex& Index) { ShowLadder(Index.row()); });

    FLadderWindow = new QWidget(this, Qt::Window);
    FLadderWindow->setObjectName(QStringLiteral("LadderForm"));
    FLadderWindow->resize(560, 480);
    auto* LadderLayout = new QVBoxLayout(FLadderWindow);
    FLadderTitle = new QLabel(FLadderWindow);
    FLadderTitle->setWordWrap(true);
    FLadderScroll = new QScrollArea(FLadderWindow);
    FLadder = new TLadderView(Captures, FLadderScroll);
    FLadderScroll->setWidget(FLadder);
    LadderLayout->addWidget(FLadderTitle);
    LadderLayout->addWidget(FLadderScroll, 1);
    connect(FLadder, &TLadderView::captureChosen, this, &TCallsForm::captureChosen);
    Refresh();
}

void TCallsForm::Refresh()
{
    FModel->Refresh();
    const auto& Calls = FCalls.Calls();
    QString Count = QStringLiteral("%1 calls, %2 in progress").arg(Calls.size()).arg(FCalls.OpenCalls());
    if (FCalls.DroppedCalls() > 0)
        Count += QStringLiteral(" (%1 older calls dropped with their captures)").arg(FCalls.DroppedCalls());
    FCount->setText(Count);
    if (FLadderGeneration != FCalls.Generation()) {
        FLadderCall = 0;
        FLadderWindow->hide();
        return;
    }
    // A call dropped with its captures keeps its ladder as it was.
    const TCallRecord* Call = FCalls.FindCall(FLadderCall);
    if (Call && Call->Messages.size() != FLadderMessages)
        ShowCall(*Call);
}

void TCallsForm::ShowLadder(int Row)
{
    const auto& Calls = FCalls.Calls();
    if (Row < 0 || Row >= static_cast<int>(Calls.size()))
        return;
    ShowCall(Calls[static_cast<size_t>(Row)]);
}

void TCallsForm::ShowCall(const TCallRecord& Call)
{
    FLadderCall = Call.Number;
    FLadderMessages = Call.Messages.size();
    FLadderGeneration = FCalls.Generation();
    FLadder->SetCall(Call);
    FLadderWindow->setWindowTitle(
        QStringLiteral("Call %1: %2 - %3, CIC %4").arg(Call.Number).arg(Call.Opc).arg(Call.Dpc).arg(Call.Cic));
    QString Title = QStringLiteral("Calling %1, called %2: %3")
                        .arg(Call.Calling.empty() ? QStringLiteral("-") : QString::fromStdString(Call.Calling),
                             QString::fromStdString(Call.Called), QString::fromLatin1(CallStateText(Call.State)));
    if (Call.HasCause)
        Title += QStringLiteral(", cause %1 %2")
                     .arg(Call.CauseValue)
                     .arg(QString::fromUtf8(Call.CauseText.data(), static_cast<qsizetype>(Call.CauseText.size())));
    if (Call.EndedBy != TCallEnd::None)
        Title += QStringLiteral(", ended by %1").arg(QString::fromLatin1(CallEndText(Call.EndedBy)));
    FLadderTitle->setText(Title + QStringLiteral(". Click a message to select it in the capture list."));
    FLadderWindow->show();
    FLadderWindow->raise();
}

bool TCallsForm::ExportCsv(const QString& FileName)
{
    QFile File(FileName);
    const std::string Text = CallsCsv(FCalls.Calls());
    if (!File.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        File.write(Text.data(), static_cast<qint64>(Text.size())) != static_cast<qint64>(Text.size())) {
        QMessageBox::critical(this, QStringLiteral("Export Calls"),
                              QStringLiteral("Cannot write %1: %2").arg(FileName, File.errorString()));
        return false;
    }
    return true;
}

void TCallsForm::ExportClick()
{
    const QString FileName = QFileDialog::getSaveFileName(this, QStringLiteral("Export Calls"), QString(),
                                                          QStringLiteral("CSV files (*.csv);;All files (*)"));
    if (!FileName.isEmpty())
        ExportCsv(FileName);
}
