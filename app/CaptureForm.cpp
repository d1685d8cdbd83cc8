#include "app/CaptureForm.h"

#include "app/CallsForm.h"
#include "app/CaptureClipboard.h"
#include "app/CaptureFile.h"
#include "app/CaptureListModel.h"
#include "app/CaptureListView.h"
#include "app/CaptureOptionsBox.h"
#include "app/DecodedTreeModel.h"
#include "app/EventLoopClock.h"
#include "app/HeartBeatMonitor.h"
#include "app/HelpFile.h"
#include "app/IntakeFilter.h"
#include "app/IntakePanels.h"
#include "app/MessageTree.h"
#include "app/OptionsForm.h"
#include "app/OwnerDrawPanel.h"
#include "app/PcapFile.h"
#include "app/StateImages.h"
#include "app/StatisticsForm.h"
#include "core/Exception.h"
#include "isup/IsupCatalog.h"
#include "net/UdpEndpoint.h"
#include "pcapio/PcapError.h"
#include "presentation/CaptureRing.h"
#include "presentation/CaptureSearch.h"
#include "presentation/Datagram.h"
#include "presentation/DecodedView.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressBar>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

#include <exception>

namespace {

constexpr int DesignListWidth = 341;

const TEmptyIsupCatalog NoDefinitions{};

} // namespace

TCaptureForm::TCaptureForm(QWidget* Parent)
    : TCaptureForm(NoDefinitions, nullptr, Parent)
{
}

TCaptureForm::TCaptureForm(const TIsupCatalog& Catalog, QWidget* Parent)
    : TCaptureForm(Catalog, nullptr, Parent)
{
}

TCaptureForm::TCaptureForm(TClock& Clock, QWidget* Parent)
    : TCaptureForm(NoDefinitions, &Clock, Parent)
{
}

TCaptureForm::TCaptureForm(const TIsupCatalog& Catalog, TClock& Clock, QWidget* Parent)
    : TCaptureForm(Catalog, &Clock, Parent)
{
}

TCaptureForm::TCaptureForm(const TIsupCatalog& Catalog, TClock* Clock, QWidget* Parent)
    : QMainWindow(Parent)
    , FCatalog(Catalog)
    , FOwnClock(Clock ? nullptr : std::make_unique<TEventLoopClock>())
    , FClock(Clock ? *Clock : *FOwnClock)
    , FStorage(this, QStringLiteral("CaptureForm"), true)
{
    setObjectName(QStringLiteral("CaptureForm"));
    setWindowTitle(QString::fromLatin1(DesignCaption));
    setGeometry(280, 277, 620, 361);
    Captures.SetObserver(&FAnalysis);
    Images = MakeCaptureImages();
    IsupImages = MakeIsupImages();

    UDP = new TUdpEndpoint(this);
    UDP->setObjectName(QStringLiteral("UDP"));
    UDP->OnDataReceived = [this](TUdpEndpoint* Sender, int NumberBytes, const QString& FromIP, int Port) {
        UDPDataReceived(Sender, NumberBytes, FromIP, Port);
    };
    UDP->OnStatus = [this](TUdpEndpoint*, const QString& Status) { SetStatusText(Status); };
    FIntake = new TIntakeFilter(this);
    FIntake->OnHostChanged = [this] { ShowIntakeState(); };

    CreateActions();
    CreateLayout();
    CreateMenus();
    CreateStatusBar();
    ConnectViews();
    FFileDialogs = std::make_unique<TCaptureFileDialogs>();
    FPcapDialogs = std::make_unique<TPcapFileDialogs>();
    FHeartBeat = new THeartBeatMonitor(LastHeartBeat, FClock, this);
    FHeartBeat->AttachHeart(aiHeart);
    FHeartBeat->OnStopEntry = [this](const std::string& Record) { AddCapture(Record); };
    FHeartBeat->OnTick = [this] { StatusBar->update(); };
    StatusPanel0->OnDrawPanel = [this](QPainter& Canvas, const QRect& Rect) {
        FHeartBeat->StatusBarDrawPanel(Canvas, Rect);
    };
    // What the ring holds reaches its file at least once a second, so that
    // a crash loses at most that.
    tmFlushRing = new QTimer(this);
    tmFlushRing->setObjectName(QStringLiteral("tmFlushRing"));
    tmFlushRing->setInterval(500);
    connect(tmFlushRing, &QTimer::timeout, this, &TCaptureForm::FlushRing);
    // Drop counts change with every datagram: the panels follow them a few
    // times a second.
    tmIntakePanels = new QTimer(this);
    tmIntakePanels->setInterval(250);
    connect(tmIntakePanels, &QTimer::timeout, this, &TCaptureForm::ShowIntakeState);
    tmIntakePanels->start();
    // Key preview: Esc is seen before the focused control gets it.
    qApp->installEventFilter(this);
    FormCreate();
}

TCaptureForm::~TCaptureForm()
{
    qApp->removeEventFilter(this);
    // Destroying the children moves the focus and clears selections; their
    // signals must not reach this half-destroyed window.
    disconnect(lvMsg, nullptr, this, nullptr);
    disconnect(lvMsg->selectionModel(), nullptr, this, nullptr);
    disconnect(tvMsg, nullptr, this, nullptr);
    disconnect(tvMsg->selectionModel(), nullptr, this, nullptr);
    disconnect(FListModel, nullptr, this, nullptr);
    UDP->OnDataReceived = nullptr;
    UDP->OnStatus = nullptr;
    FIntake->OnHostChanged = nullptr;
    FRing.reset();
    // The monitor's timers run on the window's clock, which may be one of
    // the window's members: they go first.
    StatusPanel0->OnDrawPanel = nullptr;
    delete FHeartBeat;
    FHeartBeat = nullptr;
    if (!FStorage.SavedSinceRestore()) {
        try {
            FStorage.SaveFormPlacement(true);
        } catch (const std::exception&) {
            // The window is going away; there is nothing left to show it in.
        }
    }
    // The views go before the models and the captures they read.
    delete FCallsForm;
    delete FStatisticsForm;
    tvMsg->setModel(nullptr);
    lvMsg->setModel(nullptr);
}

void TCaptureForm::CreateActions()
{
    auto Make = [this](const char* Name, const QString& Caption, const QKeySequence& Shortcut) {
        auto* Action = new QAction(Caption, this);
        Action->setObjectName(QLatin1String(Name));
        Action->setShortcut(Shortcut);
        return Action;
    };
    acLoadCaptures = Make("acLoadCaptures", QStringLiteral("&Load Captures"), QKeySequence(Qt::CTRL | Qt::Key_L));
    acSaveCaptures = Make("acSaveCaptures", QStringLiteral("&Save Captures"), QKeySequence(Qt::CTRL | Qt::Key_S));
    acImportPcap = Make("acImportPcap", QStringLiteral("&Import pcap ..."), QKeySequence(Qt::CTRL | Qt::Key_I));
    acExportPcap = Make("acExportPcap", QStringLiteral("Ex&port pcap ..."), QKeySequence(Qt::CTRL | Qt::Key_E));
    acExportSelectedPcap = Make("acExportSelectedPcap", QStringLiteral("Export Selec&ted as pcap ..."), QKeySequence());
    acFind = Make("acFind", QStringLiteral("&Find ..."), QKeySequence(Qt::CTRL | Qt::Key_F));
    acSearchAgain = Make("acSearchAgain", QStringLiteral("Search &Again"), QKeySequence(Qt::Key_F3));
    miExit = Make("miExit", QStringLiteral("E&xit"), QKeySequence(Qt::ALT | Qt::Key_F4));
    miClearAll = Make("miClearAll", QStringLiteral("Cl&ear All"), QKeySequence(Qt::CTRL | Qt::Key_Delete));
    miCopyClip = Make("miCopyClip", QStringLiteral("&Copy"), QKeySequence(Qt::CTRL | Qt::Key_C));
    miPasteClip = Make("miPasteClip", QStringLiteral("&Paste"), QKeySequence(Qt::CTRL | Qt::Key_V));
    Configuration1 = Make("Configuration1", QStringLiteral("&General Configuration"), QKeySequence(Qt::Key_F2));
    miConfigureMessages =
        Make("miConfigureMessages", QStringLiteral("&ISUP Messages Configuration"), QKeySequence(Qt::ALT | Qt::Key_F2));
    miHelpContents = Make("miHelpContents", QStringLiteral("&Contents"), QKeySequence());
    miClear = Make("miClear", QStringLiteral("Cl&ear"), QKeySequence(Qt::CTRL | Qt::Key_Delete));
    miCopyToClip = Make("miCopyToClip", QStringLiteral("&Copy Packet Dump"), QKeySequence(Qt::CTRL | Qt::Key_C));
    miCopy = Make("miCopy", QStringLiteral("&Copy"), QKeySequence());
    // The help key opens the topic of the focused control.
    auto* acContextHelp = new QAction(this);
    acContextHelp->setObjectName(QStringLiteral("acContextHelp"));
    acContextHelp->setShortcut(QKeySequence(Qt::Key_F1));
    addAction(acContextHelp);
    connect(acContextHelp, &QAction::triggered, this,
            [this] { ShowHelp(lvMsg->hasFocus() ? hcCaptureList : hcContents, this); });
    acFind->setProperty("category", QStringLiteral("Search"));
    acSearchAgain->setProperty("category", QStringLiteral("Search"));

    connect(acLoadCaptures, &QAction::triggered, this, &TCaptureForm::acLoadCapturesExecute);
    connect(acSaveCaptures, &QAction::triggered, this, &TCaptureForm::acSaveCapturesExecute);
    connect(acImportPcap, &QAction::triggered, this, &TCaptureForm::acImportPcapExecute);
    connect(acExportPcap, &QAction::triggered, this, &TCaptureForm::acExportPcapExecute);
    connect(acExportSelectedPcap, &QAction::triggered, this, &TCaptureForm::acExportSelectedPcapExecute);
    connect(acFind, &QAction::triggered, this, &TCaptureForm::acFindExecute);
    connect(acSearchAgain, &QAction::triggered, this, &TCaptureForm::acSearchAgainExecute);
    connect(miExit, &QAction::triggered, this, &TCaptureForm::miExitClick);
    connect(miClearAll, &QAction::triggered, this, &TCaptureForm::miClearClick);
    connect(miCopyClip, &QAction::triggered, this, &TCaptureForm::miCopyClipClick);
    connect(miPasteClip, &QAction::triggered, this, &TCaptureForm::miPasteClipClick);
    connect(Configuration1, &QAction::triggered, this, &TCaptureForm::Configuration1Click);
    connect(miConfigureMessages, &QAction::triggered, this, &TCaptureForm::miConfigureMessagesClick);
    connect(miHelpContents, &QAction::triggered, this, &TCaptureForm::miHelpContentsClick);
    connect(miClear, &QAction::triggered, this, &TCaptureForm::miClearClick);
    // The list's "Copy Packet Dump" and the status bar's "Copy" copy as
    // Edit > Copy does.
    connect(miCopyToClip, &QAction::triggered, this, &TCaptureForm::miCopyClipClick);
    connect(miCopy, &QAction::triggered, this, &TCaptureForm::miCopyClipClick);

    miCalls = Make("miCalls", QStringLiteral("&Calls"), QKeySequence());
    miStatistics = Make("miStatistics", QStringLiteral("&Statistics"), QKeySequence());
    connect(miCalls, &QAction::triggered, this, &TCaptureForm::ShowCalls);
    connect(miStatistics, &QAction::triggered, this, &TCaptureForm::ShowStatistics);
}

void TCaptureForm::CreateMenus()
{
    QMenu* File = menuBar()->addMenu(QStringLiteral("&File"));
    File->addAction(acLoadCaptures);
    File->addAction(acSaveCaptures);
    File->addSeparator();
    File->addAction(acImportPcap);
    File->addAction(acExportPcap);
    File->addAction(acExportSelectedPcap);
    File->addSeparator();
    File->addAction(miExit);
    QMenu* Edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    Edit->addAction(miClearAll);
    Edit->addSeparator();
    Edit->addAction(miCopyClip);
    Edit->addAction(miPasteClip);
    QMenu* Search = menuBar()->addMenu(QStringLiteral("&Search"));
    Search->addAction(acFind);
    Search->addAction(acSearchAgain);
    QMenu* View = menuBar()->addMenu(QStringLiteral("&View"));
    View->addAction(miCalls);
    View->addAction(miStatistics);
    QMenu* Options = menuBar()->addMenu(QStringLiteral("&Options"));
    Options->addAction(Configuration1);
    Options->addAction(miConfigureMessages);
    QMenu* Help = menuBar()->addMenu(QStringLiteral("&Help"));
    Help->addAction(miHelpContents);

    // The list's popup: its shortcuts are taken by the list itself while it
    // has the focus (TCaptureListView), ahead of the main menu's Ctrl+Del
    // and Ctrl+C.
    ppProtocol = new QMenu(this);
    ppProtocol->setObjectName(QStringLiteral("ppProtocol"));
    ppProtocol->addAction(miClear);
    ppProtocol->addSeparator();
    ppProtocol->addAction(acLoadCaptures);
    ppProtocol->addAction(acSaveCaptures);
    ppProtocol->addSeparator();
    ppProtocol->addAction(miCopyToClip);
    lvMsg->SetPopupMenu(ppProtocol);

    ppStatus = new QMenu(this);
    ppStatus->setObjectName(QStringLiteral("ppStatus"));
    ppStatus->addAction(miCopy);
}

void TCaptureForm::CreateLayout()
{
    auto* Client = new QWidget(this);
    auto* ClientLayout = new QVBoxLayout(Client);
    ClientLayout->setContentsMargins(0, 0, 0, 0);
    ClientLayout->setSpacing(0);

    Splitter2 = new QSplitter(Qt::Horizontal, Client);
    Splitter2->setObjectName(QStringLiteral("Splitter2"));
    Splitter2->setHandleWidth(3);
    Splitter2->setChildrenCollapsible(false);

    lvMsg = new TCaptureListView(Splitter2);
    FListModel = new TCaptureListModel(Captures, Images, this);
    lvMsg->setModel(FListModel);
    for (int Column = 0; Column < CaptureColumnCount; ++Column)
        lvMsg->horizontalHeader()->resizeSection(Column, CaptureColumnWidth(Column));

    pnDecodedMessage = new QWidget(Splitter2);
    pnDecodedMessage->setObjectName(QStringLiteral("pnDecodedMessage"));
    auto* Decoded = new QVBoxLayout(pnDecodedMessage);
    Decoded->setContentsMargins(0, 0, 0, 0);
    Decoded->setSpacing(0);

    pnMessageCaption = new QLabel(QStringLiteral("< no message >"), pnDecodedMessage);
    pnMessageCaption->setObjectName(QStringLiteral("pnMessageCaption"));
    pnMessageCaption->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    pnMessageCaption->setFixedHeight(20);
    pnMessageCaption->setAlignment(Qt::AlignCenter);
    pnMessageCaption->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    QFont Bold = pnMessageCaption->font();
    Bold.setBold(true);
    pnMessageCaption->setFont(Bold);
    auto* CaptionLayout = new QHBoxLayout(pnMessageCaption);
    CaptionLayout->setContentsMargins(2, 2, 2, 2);
    CaptionLayout->addStretch(1);
    aiHeart = new QLabel(pnMessageCaption);
    aiHeart->setObjectName(QStringLiteral("aiHeart"));
    aiHeart->setFixedSize(16, 16);
    aiHeart->setToolTip(QStringLiteral("Processor`s Heartbeat"));
    aiHeart->hide();
    CaptionLayout->addWidget(aiHeart, 0, Qt::AlignTop | Qt::AlignRight);

    tvMsg = new TMessageTree(pnDecodedMessage);
    FTreeModel = new TDecodedTreeModel(IsupImages, this);
    tvMsg->setModel(FTreeModel);
    Decoded->addWidget(pnMessageCaption);
    Decoded->addWidget(tvMsg, 1);

    Splitter2->addWidget(lvMsg);
    Splitter2->addWidget(pnDecodedMessage);
    Splitter2->setStretchFactor(0, 0);
    Splitter2->setStretchFactor(1, 1);
    SetListWidth(DesignListWidth);

    ProgressBar = new QProgressBar(Client);
    ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
    ProgressBar->setFixedHeight(12);
    ProgressBar->setRange(0, 100);
    ProgressBar->setTextVisible(false);
    ProgressBar->hide();

    CreateFilterBar(Client);
    ClientLayout->addWidget(pnFilter);
    ClientLayout->addWidget(Splitter2, 1);
    ClientLayout->addWidget(ProgressBar);
    setCentralWidget(Client);
}

void TCaptureForm::CreateFilterBar(QWidget* Parent)
{
    pnFilter = new QWidget(Parent);
    pnFilter->setObjectName(QStringLiteral("pnFilter"));
    auto* Layout = new QHBoxLayout(pnFilter);
    Layout->setContentsMargins(2, 2, 2, 2);
    Layout->setSpacing(4);
    auto* Title = new QLabel(QStringLiteral("Filter:"), pnFilter);
    edFilter = new QLineEdit(pnFilter);
    edFilter->setObjectName(QStringLiteral("edFilter"));
    edFilter->setClearButtonEnabled(true);
    edFilter->setPlaceholderText(QStringLiteral("e.g. name=IAM   pc=1234 cic=5-9   !name=IAM,ACM,ANM,REL,RLC"));
    edFilter->setToolTip(QStringLiteral("Terms separated by blanks, all of which must hold:\n"
                                        "FIELD=V[,V...]  any of the values; a number may be a range A-B\n"
                                        "    fields: name, dir (in, out), link, opc, dpc, pc (either), sls, si, cic\n"
                                        "!TERM  the term does not hold\n"
                                        "WORD or \"WORDS\"  a text of the row contains it, letter case ignored\n"
                                        "Enter applies the filter; an empty filter shows every capture."));
    lbFilter = new QLabel(pnFilter);
    lbFilter->setObjectName(QStringLiteral("lbFilter"));
    lbFilter->setTextFormat(Qt::PlainText);
    Layout->addWidget(Title);
    Layout->addWidget(edFilter, 1);
    Layout->addWidget(lbFilter);
    connect(edFilter, &QLineEdit::returnPressed, this, [this] { ApplyFilter(edFilter->text()); });
    // The clear button (or deleting the text) shows everything again.
    connect(edFilter, &QLineEdit::textChanged, this, [this](const QString& Text) {
        if (Text.trimmed().isEmpty() && FListModel->Filtered())
            ApplyFilter(QString());
    });
}

void TCaptureForm::CreateStatusBar()
{
    StatusBar = statusBar();
    StatusBar->setObjectName(QStringLiteral("StatusBar"));
    StatusBar->setSizeGripEnabled(true);
    StatusBar->setMinimumHeight(21);
    StatusPanel0 = new TOwnerDrawPanel(StatusBar);
    StatusPanel0->setObjectName(QStringLiteral("StatusPanel0"));
    StatusPanel0->setFixedWidth(50);
    StatusTextPanel = new QLabel(StatusBar);
    StatusTextPanel->setObjectName(QStringLiteral("StatusText"));
    // A long hex text must not widen the window.
    StatusTextPanel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    StatusTextPanel->setTextFormat(Qt::PlainText);
    StatusBar->addWidget(StatusPanel0);
    StatusBar->addWidget(StatusTextPanel, 1);
    FPanels = std::make_unique<TIntakePanels>(StatusBar);
    StatusBar->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(StatusBar, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& Pos) { ppStatus->popup(StatusBar->mapToGlobal(Pos)); });
}

void TCaptureForm::ConnectViews()
{
    // New rows keep the list at its end only when the user is already there.
    // Scrolling costs the table a pass over all its rows, so a load or an
    // import, which adds rows slice after slice, scrolls once at its end.
    connect(FListModel, &QAbstractItemModel::rowsAboutToBeInserted, this, [this] {
        if (!FEndScrollPending)
            FFollowEnd = lvMsg->LastRowVisible();
    });
    connect(FListModel, &QAbstractItemModel::rowsInserted, this, [this] {
        if (!FFollowEnd)
            return;
        if (FLoading)
            FEndScrollPending = true;
        else
            lvMsg->scrollToBottom();
    });
    connect(lvMsg->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TCaptureForm::lvMsgSelectionChanged);
    connect(lvMsg, &TCaptureListView::entered, this, [this] { lvMsgSelectItem(SelectedRow(), true); });
    connect(lvMsg, &TCaptureListView::exited, this, [this] { SetStatusText(QString()); });
    connect(tvMsg->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& Current) { tvMsgChange(Current); });
    connect(tvMsg, &TMessageTree::entered, this, [this] { tvMsgChange(tvMsg->currentIndex()); });
    connect(tvMsg, &TMessageTree::exited, this, [this] { SetStatusText(QString()); });
}

void TCaptureForm::FormCreate()
{
    LastHeartBeat = FClock.LocalTime();
    FStorage.AddProperty(
        QStringLiteral("lvMsg_Width"), [this] { return QString::number(ListWidth()); },
        [this](const QString& Text) {
            bool Ok = false;
            const int Width = Text.toInt(&Ok);
            if (Ok)
                SetListWidth(Width);
        });
    try {
        FStorage.RestoreFormPlacement();
    } catch (const std::exception& Error) {
        ShowException(this, Error);
    }
}

int TCaptureForm::ListWidth() const
{
    const QList<int> Sizes = Splitter2->sizes();
    return Sizes.isEmpty() || Sizes[0] <= 0 ? lvMsg->width() : Sizes[0];
}

void TCaptureForm::SetListWidth(int Width)
{
    if (Width < 0)
        return;
    const int Total = qMax(Splitter2->width(), width());
    Splitter2->setSizes({Width, qMax(1, Total - Width - Splitter2->handleWidth())});
}

void TCaptureForm::SetOptionsForm(TOptionsForm* Form)
{
    FOptionsForm = Form;
    if (FOptionsForm) {
        FOptionsForm->OnOptionsChanged = [this] { ApplyOptions(); };
        FOptionsForm->CaptureOptions->OnChanged = [this] { ApplyCaptureOptions(); };
    }
}

void TCaptureForm::showEvent(QShowEvent* Event)
{
    QMainWindow::showEvent(Event);
    if (!Event->spontaneous() && !FShown) {
        FShown = true;
        FormShow();
    }
}

void TCaptureForm::FormShow()
{
    try {
        FStorage.RestoreFormPlacement();
    } catch (const std::exception& Error) {
        ShowException(this, Error);
    }
    ApplyOptions();
    ApplyCaptureOptions();
    if (!FCommandLineFile.isEmpty()) {
        // Loaded once the window is on screen, so that its progress shows.
        QMetaObject::invokeMethod(
            this, [this] { LoadCaptures(FCommandLineFile); }, Qt::QueuedConnection);
    }
}

void TCaptureForm::closeEvent(QCloseEvent* Event)
{
    // Closed by the user through the window manager: asked like Exit. A
    // close made by the program (Exit, which asked already, or a quit) is not.
    if (Event->spontaneous() && !MayDiscardCaptures()) {
        Event->ignore();
        return;
    }
    try {
        FStorage.SaveFormPlacement(false);
    } catch (const std::exception& Error) {
        ShowException(this, Error);
    }
    QMainWindow::closeEvent(Event);
    if (Event->isAccepted())
        emit formClosed();
}

bool TCaptureForm::eventFilter(QObject* Watched, QEvent* Event)
{
    // Esc stops a capture file load at its next line; the key goes on to
    // the focused control.
    if (Event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(Event)->key() == Qt::Key_Escape) {
        if (auto* Widget = qobject_cast<QWidget*>(Watched); Widget && Widget->window() == this)
            FLoading = false;
    }
    return QMainWindow::eventFilter(Watched, Event);
}

// --- Intake and the capture list --------------------------------------------

void TCaptureForm::UDPDataReceived(TUdpEndpoint* Sender, int NumberBytes, const QString& FromIP, int Port)
{
    if (!FIntake->HostAccepts(FromIP))
        return FIntake->Drop(dcHost);
    if (Sender->RemotePort != 0 && Port != Sender->RemotePort)
        return FIntake->Drop(dcPort);
    // The endpoint announces a datagram longer than its buffer with size -1.
    if (NumberBytes < 0 || NumberBytes > TUdpEndpoint::BufferSize)
        return FIntake->Drop(dcTooLong);
    if (NumberBytes < static_cast<int>(MinDatagramSize))
        return FIntake->Drop(dcTooShort);
    char Buffer[TUdpEndpoint::BufferSize];
    const int Length = Sender->ReadDatagram(Buffer, NumberBytes);
    const std::string_view Datagram(Buffer, Length > 0 ? static_cast<size_t>(Length) : 0);
    switch (DatagramKind(Datagram)) {
    case TDatagramKind::Capture:
        CaptureDatagramRecord(Datagram, FClock.LocalTime(), FRecord);
        AddCapture(FRecord);
        break;
    case TDatagramKind::HeartBeat:
        HeartBeatReceived();
        break;
    case TDatagramKind::Ignored:
        break;
    }
}

const TCaptureItem* TCaptureForm::AddCapture(std::string_view Record)
{
    const TCaptureItem* Item = Captures.Add(Record, FCatalog);
    if (Item) {
        FListModel->CapturesAppended();
        CaptureKept(Record);
        AnalysisChanged();
    }
    return Item;
}

const TCaptureItem* TCaptureForm::AddCapture(const TCaptureRecord& Record)
{
    const TCaptureItem* Item = Captures.Add(Record, FCatalog);
    FListModel->CapturesAppended();
    if (FRing) {
        std::string Bytes;
        Item->AppendRecordBytes(Bytes);
        CaptureKept(Bytes);
    } else {
        CaptureKept({});
    }
    AnalysisChanged();
    return Item;
}

void TCaptureForm::CaptureKept(std::string_view Record)
{
    FUnsaved = true;
    if (FRing && !Record.empty())
        FRing->Append(Record);
    KeepCaptureLimit();
}

void TCaptureForm::KeepCaptureLimit()
{
    if (FCaptureLimit <= 0 || Captures.Count() <= FCaptureLimit)
        return;
    // Removed in batches of a twentieth of the limit, so that removing
    // costs little per capture; the list never holds more than the limit.
    const int Remove = Captures.Count() - FCaptureLimit + FCaptureLimit / 20;
    // The rows removed are those of the captures dropped that the filter
    // shows; the decoded view names its capture by sequence number.
    FListModel->RemoveOldest(Remove, [this](int Count, int Rows) {
        Captures.DropOldest(Count);
        FSelectedRow = FSelectedRow < Rows ? -1 : FSelectedRow - Rows;
    });
}

uint64_t TCaptureForm::RemovedCaptures() const
{
    return Captures.Dropped();
}

void TCaptureForm::FlushRing()
{
    if (FRing)
        FRing->Flush();
}

void TCaptureForm::ApplyCaptureOptions()
{
    if (!FOptionsForm)
        return;
    const TCaptureOptionsBox& Options = *FOptionsForm->CaptureOptions;
    FCaptureLimit = Options.CaptureLimit();
    KeepCaptureLimit();
    const TCaptureRingSettings Ring = Options.RingSettings();
    if (Ring.Folder.empty()) {
        FRing.reset();
        tmFlushRing->stop();
    } else if (!FRing || FRing->Settings().Folder != Ring.Folder ||
               FRing->Settings().MaxFileBytes != Ring.MaxFileBytes ||
               FRing->Settings().MaxFileCaptures != Ring.MaxFileCaptures ||
               FRing->Settings().KeepFiles != Ring.KeepFiles) {
        FRing = std::make_unique<TCaptureRing>(Ring);
        tmFlushRing->start();
    }
    ShowIntakeState();
}

void TCaptureForm::ShowIntakeState()
{
    if (!UDP->IsBound() && !UDP->LastError().isEmpty())
        FPanels->ShowIntakeProblem(QStringLiteral("Not listening"), UDP->LastError());
    else if (FIntake->HostState() == TIntakeFilter::THostState::NotFound)
        FPanels->ShowIntakeProblem(QStringLiteral("Remote host unknown"), FIntake->HostProblem());
    else if (FIntake->HostState() == TIntakeFilter::THostState::Resolving)
        FPanels->ShowIntakeProblem(QStringLiteral("Looking up remote host"), FIntake->HostProblem());
    else
        FPanels->ShowIntakeProblem({}, {});
    FPanels->ShowDropped(FIntake->DroppedTotal(), FIntake->DropSummary());
    FPanels->ShowRemoved(Captures.Dropped(), FCaptureLimit);
    FPanels->ShowRingError(FRing ? QString::fromStdString(FRing->Error()) : QString());
}

bool TCaptureForm::MayDiscardCaptures()
{
    const bool Ask = FOptionsForm && FOptionsForm->CaptureOptions->AskUnsaved();
    if (!FUnsaved || FUnattended || !Ask || Captures.Count() == 0)
        return true;
    QMessageBox Box(QMessageBox::Warning, ApplicationTitle(),
                    QStringLiteral("There are captures that were not saved. Save them first?"),
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, this);
    Box.setObjectName(QStringLiteral("UnsavedCaptures"));
    Box.setDefaultButton(QMessageBox::Save);
    switch (Box.exec()) {
    case QMessageBox::Save: {
        const QString FileName = FFileDialogs->SaveFileName(this);
        return !FileName.isEmpty() && SaveCaptures(FileName);
    }
    case QMessageBox::Discard:
        return true;
    default:
        return false;
    }
}

void TCaptureForm::ClearCaptures()
{
    FListModel->BeginClear();
    Captures.Clear();
    FAnalysis.Clear();
    FListModel->EndClear();
    // A hidden calls list forgets its rows now, not when next shown.
    if (FCallsForm)
        FCallsForm->Refresh();
    AnalysisChanged();
    ++FGeneration;
    FUnsaved = false;
    FSelectedRow = -1;
    ShowView(TDecodedView());
    FDumpText.clear();
    FDumpOctets.clear();
    SetStatusText(QString());
    pnMessageCaption->setText(QString());
}

void TCaptureForm::SetStatusText(const QString& Text)
{
    // While the port is not listened on, an empty status text gives way to
    // why: leaving and entering the list must not hide it.
    if (Text.isEmpty() && !UDP->IsBound() && !UDP->LastError().isEmpty())
        StatusTextPanel->setText(UDP->LastError());
    else
        StatusTextPanel->setText(Text);
}

QString TCaptureForm::StatusText() const
{
    return StatusTextPanel->text();
}

QString TCaptureForm::Caption() const
{
    return pnMessageCaption->text();
}

QString TCaptureForm::EndpointTitle() const
{
    const QString Port = FOptionsForm ? FOptionsForm->LocalPortText() : QString::number(UDP->LocalPort());
    return UDP->RemoteHost + QStringLiteral(" : ") + Port;
}

void TCaptureForm::ApplyOptions()
{
    if (!FOptionsForm)
        return;
    // Blanks and line breaks pasted around a host are not part of it; a name
    // is looked up once here.
    FIntake->SetRemoteHost(FOptionsForm->edCaptureHost->text());
    UDP->RemoteHost = FIntake->RemoteHost();
    // The socket is re-created only for a new port (or after a failed bind):
    // re-creating it on every keystroke in the host box would throw away
    // datagrams already queued in it. A failure is reported through OnStatus
    // with the port and the reason; the settings stay as typed.
    const int Port = FOptionsForm->seCaptureLocalPort->value();
    if (!UDP->IsBound() || UDP->LocalPort() != Port) {
        const QString PreviousError = UDP->LastError();
        if (UDP->SetLocalPort(Port) && !PreviousError.isEmpty() && StatusText() == PreviousError)
            SetStatusText(QString());
    }
    UDP->RemotePort = FOptionsForm->seCaptureRemotePort->value();
    const QString Title = EndpointTitle();
    // The application title is kept for the message boxes, not handed to
    // Qt as the display name: on X11 Qt appends that to every window's title.
    SetApplicationTitle(Title);
    QString Caption = QString::fromLatin1(DesignCaption) + QStringLiteral(" - ") + Title;
    if (!UDP->IsBound())
        Caption += QStringLiteral(" (not listening)");
    setWindowTitle(Caption);
    ShowIntakeState();
}

// --- Decoded view -------------------------------------------------------------

int TCaptureForm::SelectedRow() const
{
    const QModelIndexList Rows = lvMsg->selectionModel()->selectedRows();
    return Rows.isEmpty() ? -1 : Rows.first().row();
}

void TCaptureForm::lvMsgSelectionChanged()
{
    const int Row = SelectedRow();
    if (Row == FSelectedRow)
        return;
    if (FSelectedRow >= 0)
        lvMsgSelectItem(FSelectedRow, false);
    FSelectedRow = Row;
    if (Row >= 0)
        lvMsgSelectItem(Row, true);
}

void TCaptureForm::ShowView(TDecodedView View)
{
    // One update bracket: the tree repaints once, whatever its size.
    tvMsg->setUpdatesEnabled(false);
    FTreeModel->SetView(std::move(View));
    tvMsg->ShowNodes(*FTreeModel);
    tvMsg->setUpdatesEnabled(true);
}

void TCaptureForm::lvMsgSelectItem(int Row, bool Selected)
{
    FDumpText.clear();
    FDumpOctets.clear();
    if (!Selected)
        return;
    const TCaptureItem* Item = FListModel->ItemAt(Row);
    if (!Item) {
        SetStatusText(QString());
        pnMessageCaption->setText(QString());
        ShowView(TDecodedView());
        FShownCapture = -1;
        return;
    }
    // The capture already shown (the list entered again, or selected again
    // after a deselection) keeps its tree as the user opened and closed it.
    const auto Sequence = static_cast<int64_t>(Captures.SequenceOf(FListModel->CaptureIndex(Row)));
    const bool Shown = Sequence == FShownCapture && FShownGeneration == FGeneration;
    TDecodedView View = Shown ? TDecodedView() : TDecodedView(Item->OctetBytes(), FCatalog);
    const TDecodedView& Showing = Shown ? FTreeModel->View() : View;
    FDumpText = Showing.DumpText();
    FDumpOctets = Item->OctetBytes();
    const std::string Status = Showing.HexStatusText();
    SetStatusText(QString::fromLatin1(Status.data(), static_cast<qsizetype>(Status.size())));
    if (Shown)
        return;
    pnMessageCaption->setText(QString::fromStdString(View.Caption()));
    ShowView(std::move(View));
    FShownCapture = Sequence;
    FShownGeneration = FGeneration;
}

void TCaptureForm::tvMsgChange(const QModelIndex& Current)
{
    const int Node = FTreeModel->NodeOf(Current);
    if (Node < 0)
        return;
    try {
        std::string Text;
        if (FTreeModel->View().StatusText(Node, Text))
            SetStatusText(QString::fromStdString(Text));
    } catch (const std::exception& Error) {
        ShowException(this, Error);
    }
}

// --- Heartbeat ------------------------------------------------------------------

void TCaptureForm::HeartBeatReceived()
{
    FHeartBeat->HeartBeatReceived();
    emit heartBeatReceived();
}

// --- Capture files, search, clipboard, selection window ---------------------------

void TCaptureForm::acLoadCapturesExecute()
{
    if (FLoading || !MayDiscardCaptures())
        return;
    const QString FileName = FFileDialogs->OpenFileName(this);
    if (!FileName.isEmpty())
        LoadCaptures(FileName);
}

void TCaptureForm::acSaveCapturesExecute()
{
    const QString FileName = FFileDialogs->SaveFileName(this);
    if (!FileName.isEmpty())
        SaveCaptures(FileName);
}

void TCaptureForm::acImportPcapExecute()
{
    const QString FileName = FPcapDialogs->ImportFileName(this);
    if (!FileName.isEmpty())
        ImportPcap(FileName);
}

void TCaptureForm::acExportPcapExecute()
{
    const QString FileName = FPcapDialogs->ExportFileName(this);
    if (!FileName.isEmpty())
        ExportPcap(FileName, false);
}

void TCaptureForm::acExportSelectedPcapExecute()
{
    if (SelectedRow() < 0) {
        SetStatusText(QStringLiteral("No capture is selected"));
        return;
    }
    const QString FileName = FPcapDialogs->ExportFileName(this);
    if (!FileName.isEmpty())
        ExportPcap(FileName, true);
}

void TCaptureForm::ImportPcap(const QString& FileName)
{
    // The import runs the event loop, as a load does; only one at a time.
    if (FLoading)
        return;
    bool Closed = false;
    const QMetaObject::Connection WatchClose =
        connect(this, &TCaptureForm::formClosed, this, [&Closed] { Closed = true; });
    TCaptureLoadHost Host;
    Host.AddCaptures = [this](const TRecordBatch& Records) {
        for (size_t I = 0; I < Records.Count(); ++I)
            Captures.Add(Records.Record(I), FCatalog);
        FListModel->FlushPendingRows();
        // Imported captures are held, counted and correlated as received
        // ones are.
        KeepCaptureLimit();
        AnalysisChanged();
    };
    Host.SetStatusText = [this](const QString& Text) { SetStatusText(Text); };
    Host.ProgressBar = ProgressBar;
    Host.Clock = &FClock;
    Host.Loading = &FLoading;
    Host.Terminating = [&Closed] { return Closed; };
    try {
        const TPcapImportResult Result = ImportPcapFile(FileName, Host);
        ScrollToEndAfterLoad();
        if (!Result.Error.empty()) {
            std::string Text = Result.Error;
            for (const std::string& Note : Result.Notes)
                Text += "\n" + Note;
            ShowException(this, EPcapError(Text));
            SetStatusText(Result.Status);
        }
    } catch (const std::exception& Error) {
        ScrollToEndAfterLoad();
        ShowException(this, Error);
    }
    disconnect(WatchClose);
}

void TCaptureForm::ExportPcap(const QString& FileName, bool SelectedOnly)
{
    const TCaptureItem* Selected = SelectedOnly ? FListModel->ItemAt(SelectedRow()) : nullptr;
    if (SelectedOnly && !Selected)
        return;
    try {
        const std::string Summary = Selected
            ? ExportPcapFile(FileName, 1, [Selected](size_t) -> const TCaptureItem& { return *Selected; })
            : ExportPcapFile(FileName, static_cast<size_t>(Captures.Count()),
                             [this](size_t I) -> const TCaptureItem& { return Captures.Items(static_cast<int>(I)); });
        SetStatusText(QString::fromStdString(Summary));
    } catch (const std::exception& Error) {
        ShowException(this, Error);
    }
}

bool TCaptureForm::SaveCaptures(const QString& FileName)
{
    try {
        std::string Record;
        WriteCaptureFile(FileName, static_cast<size_t>(Captures.Count()), [this, &Record](size_t I, std::string& Text) {
            Record.clear();
            Captures.Items(static_cast<int>(I)).AppendRecordBytes(Record);
            AppendCaptureLine(Record, Text);
        });
    } catch (const std::exception& Error) {
        ShowException(this, Error);
        return false;
    }
    // Only a name that worked is offered again.
    FFileDialogs->LastSaveName = FileName;
    FUnsaved = false;
    return true;
}

void TCaptureForm::ScrollToEndAfterLoad()
{
    if (!FEndScrollPending)
        return;
    FEndScrollPending = false;
    if (FFollowEnd)
        lvMsg->scrollToBottom();
}

void TCaptureForm::LoadCaptures(const QString& FileName)
{
    // The loader runs the event loop; a second load started from there would
    // clear the captures under the first.
    if (FLoading)
        return;
    bool Closed = false;
    const QMetaObject::Connection WatchClose =
        connect(this, &TCaptureForm::formClosed, this, [&Closed] { Closed = true; });
    TCaptureLoadHost Host;
    const int CapturesBefore = Captures.Count();
    Host.ClearCaptures = [this, CapturesBefore] {
        // Captures that arrived while the file was read stay, and are
        // not saved.
        const bool Arrived = Captures.Count() > CapturesBefore;
        ClearCaptures();
        FUnsaved = Arrived;
    };
    Host.AddCaptures = [this](const TRecordBatch& Records) {
        for (size_t I = 0; I < Records.Count(); ++I)
            Captures.Add(Records.Record(I), FCatalog);
        FListModel->FlushPendingRows();
        KeepCaptureLimit();
        AnalysisChanged();
    };
    Host.CaptureCount = [this] { return static_cast<size_t>(Captures.Count()); };
    Host.RecordsFrom = [this](size_t Index) {
        TRecordBatch Records;
        std::string Record;
        for (int I = static_cast<int>(Index); I < Captures.Count(); ++I) {
            Record.clear();
            Captures.Items(I).AppendRecordBytes(Record);
            Records.Add(Record);
        }
        return Records;
    };
    Host.SetStatusText = [this](const QString& Text) { SetStatusText(Text); };
    Host.ProgressBar = ProgressBar;
    Host.Clock = &FClock;
    Host.Loading = &FLoading;
    Host.Terminating = [&Closed] { return Closed; };
    try {
        const TCaptureLoadResult Result = LoadCaptureFile(FileName, Host);
        ScrollToEndAfterLoad();
        FFileDialogs->LastOpenName = FileName;
        if (!Result.Error.empty()) {
            ShowException(this, EConvertError(Result.Error));
            // The message box took the focus from the list, which empties
            // the status text: the line the load stopped at is shown again.
            SetStatusText(Result.Status);
        }
    } catch (const std::exception& Error) {
        ScrollToEndAfterLoad();
        ShowException(this, Error);
    }
    disconnect(WatchClose);
}

void TCaptureForm::acFindExecute()
{
    bool Ok = false;
    const QString Text = QInputDialog::getText(this, QStringLiteral("Find Message"), QStringLiteral("Text"),
                                               QLineEdit::Normal, SearchText, &Ok);
    if (Ok)
        SearchText = Text;
    acSearchAgainExecute();
}

void TCaptureForm::acSearchAgainExecute()
{
    FListModel->FlushPendingRows();
    const int Rows = FListModel->rowCount();
    if (Rows == 0)
        return;
    const int Row = FListModel->Filtered()
        ? FindNextCapture(Captures, FListModel->RowCaptures().first(static_cast<size_t>(Rows)), SelectedRow(),
                          SearchText.toStdString())
        : FindNextCapture(Captures, Rows, SelectedRow(), SearchText.toStdString());
    if (Row < 0) {
        QMessageBox::information(this, QStringLiteral("Search Result"), QStringLiteral("No Matches Found"));
        return;
    }
    const QModelIndex Index = FListModel->index(Row, 0);
    lvMsg->selectionModel()->setCurrentIndex(Index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    lvMsg->scrollTo(Index, QAbstractItemView::PositionAtTop);
}

void TCaptureForm::miCopyClipClick()
{
    QGuiApplication::clipboard()->setMimeData(CopiedMessageData(FDumpOctets, FDumpText));
}

void TCaptureForm::miPasteClipClick()
{
    try {
        const std::string Record = PastedRecord(QGuiApplication::clipboard()->mimeData(), FClock.LocalTime());
        if (!Record.empty())
            AddCapture(Record);
    } catch (const std::exception& Error) {
        ShowException(this, Error);
    }
}

void TCaptureForm::miConfigureMessagesClick()
{
    if (!FSelectionForm)
        return;
    FSelectionForm->show();
    FSelectionForm->raise();
    FSelectionForm->activateWindow();
}

// --- Window commands ----------------------------------------------------------------

void TCaptureForm::Configuration1Click()
{
    if (FOptionsForm)
        FOptionsForm->exec();
}

void TCaptureForm::miHelpContentsClick()
{
    ShowHelp(hcContents, this);
}

void TCaptureForm::miExitClick()
{
    if (MayDiscardCaptures())
        close();
}

void TCaptureForm::miClearClick()
{
    if (MayDiscardCaptures())
        ClearCaptures();
}

// --- Filter, calls and statistics ------------------------------------------------------

bool TCaptureForm::ApplyFilter(const QString& Expression)
{
    TCaptureFilter Filter;
    try {
        Filter = TCaptureFilter::Parse(Expression.toStdString());
    } catch (const EFilterError& Error) {
        lbFilter->setText(QString::fromStdString(Error.what()));
        lbFilter->setStyleSheet(QStringLiteral("color: red"));
        edFilter->setFocus();
        edFilter->setCursorPosition(static_cast<int>(Error.Position));
        return false;
    }
    lbFilter->setStyleSheet(QString());
    if (edFilter->text() != Expression) {
        const QSignalBlocker Quiet(edFilter);
        edFilter->setText(Expression);
    }
    FListModel->FlushPendingRows();
    const int Selected = FListModel->CaptureIndex(SelectedRow());
    // The rows are made again: the selection model forgets its rows
    // without a word, so the list's own record of them goes too.
    FListModel->SetFilter(Filter);
    FSelectedRow = -1;
    const int Row = FListModel->RowOfCapture(Selected);
    if (Row >= 0) {
        const QModelIndex At = FListModel->index(Row, 0);
        lvMsg->selectionModel()->setCurrentIndex(At, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        lvMsg->scrollTo(At, QAbstractItemView::PositionAtCenter);
    } else {
        lvMsgSelectionChanged();
    }
    ShowFilterCount();
    return true;
}

void TCaptureForm::ShowFilterCount()
{
    if (!FListModel->Filtered()) {
        lbFilter->setText(QString());
        return;
    }
    FListModel->FlushPendingRows();
    lbFilter->setText(QStringLiteral("%1 of %2 shown").arg(FListModel->rowCount()).arg(Captures.Count()));
}

QString TCaptureForm::FilterMessage() const
{
    return lbFilter->text();
}

void TCaptureForm::SelectCapture(qint64 Sequence)
{
    const int Index = Sequence < 0 ? -1 : Captures.PositionOf(static_cast<uint64_t>(Sequence));
    if (Index < 0) {
        if (Sequence >= 0)
            SetStatusText(QStringLiteral("That capture is no longer held: the limit on captures removed it"));
        return;
    }
    FListModel->FlushPendingRows();
    if (FListModel->RowOfCapture(Index) < 0 && FListModel->Filtered())
        ApplyFilter(QString());
    const int Row = FListModel->RowOfCapture(Index);
    if (Row < 0)
        return;
    const QModelIndex At = FListModel->index(Row, 0);
    lvMsg->selectionModel()->setCurrentIndex(At, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    lvMsg->scrollTo(At, QAbstractItemView::PositionAtCenter);
}

void TCaptureForm::ShowCalls()
{
    if (!FCallsForm) {
        FCallsForm = new TCallsForm(FAnalysis.Calls, Captures, this);
        connect(FCallsForm, &TCallsForm::captureChosen, this, &TCaptureForm::SelectCapture);
    }
    FCallsForm->Refresh();
    FCallsForm->show();
    FCallsForm->raise();
}

void TCaptureForm::ShowStatistics()
{
    if (!FStatisticsForm)
        FStatisticsForm = new TStatisticsForm(FAnalysis.Stats, FAnalysis.Calls, Captures.Texts(), this);
    FStatisticsForm->Refresh();
    FStatisticsForm->show();
    FStatisticsForm->raise();
}

void TCaptureForm::AnalysisChanged()
{
    if (FAnalysisRefreshQueued)
        return;
    // The filter bar's count of rows shown goes on with them.
    const bool Showing = (FCallsForm && FCallsForm->isVisible()) || (FStatisticsForm && FStatisticsForm->isVisible()) ||
        FListModel->Filtered();
    if (!Showing)
        return;
    FAnalysisRefreshQueued = true;
    QMetaObject::invokeMethod(this, &TCaptureForm::RefreshAnalysisViews, Qt::QueuedConnection);
}

void TCaptureForm::RefreshAnalysisViews()
{
    FAnalysisRefreshQueued = false;
    ShowFilterCount();
    if (FCallsForm && FCallsForm->isVisible())
        FCallsForm->Refresh();
    if (FStatisticsForm && FStatisticsForm->isVisible())
        FStatisticsForm->Refresh();
}
