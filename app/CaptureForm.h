// TCaptureForm: the main window. It wires the UDP endpoint, the captures,
// the capture list (lvMsg), the decoded view (tvMsg and its caption), the
// heartbeat monitor, the menus and the status bar together; what they show
// and read comes from the presentation layer.
#pragma once

#include "analysis/TrafficStats.h"
#include "app/FormStorage.h"
#include "core/Stamp.h"
#include "presentation/CaptureItems.h"

#include <QMainWindow>
#include <QPixmap>
#include <QVector>

#include <memory>
#include <string>
#include <string_view>

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QModelIndex;
class QProgressBar;
class QSplitter;
class QStatusBar;
class QTimer;
class TCallsForm;
class TCaptureFileDialogs;
class TPcapFileDialogs;
class TCaptureRing;
class TIntakeFilter;
class TIntakePanels;
class TCaptureListModel;
class TCaptureListView;
class TClock;
class TDecodedTreeModel;
class TDecodedView;
class THeartBeatMonitor;
class TIsupCatalog;
class TMessageTree;
class TOptionsForm;
class TOwnerDrawPanel;
class TStatisticsForm;
class TUdpEndpoint;

class TCaptureForm : public QMainWindow {
    Q_OBJECT
public:
    // The caption before the configuration is applied.
    static constexpr const char* DesignCaption = "SS7 L4 Velmora";

    // A window that decodes ISUP with Catalog, which must outlive it (the
    // program's message catalog: its prototypes' Checked marks, set in the
    // selection window, decide the decoded view).
    explicit TCaptureForm(const TIsupCatalog& Catalog, QWidget* Parent = nullptr);
    // A window without definitions: every ISUP message is unknown to it.
    explicit TCaptureForm(QWidget* Parent = nullptr);
    // The same windows on Clock (heartbeat timers, capture stamps, the pace
    // of a file load) instead of real time; Clock outlives the window.
    TCaptureForm(const TIsupCatalog& Catalog, TClock& Clock, QWidget* Parent = nullptr);
    explicit TCaptureForm(TClock& Clock, QWidget* Parent = nullptr);
    ~TCaptureForm() override;

    // --- The other windows and the command line -------------------------
    // The configuration window, whose settings ApplyOptions reads.
    void SetOptionsForm(TOptionsForm* Form);
    TOptionsForm* OptionsForm() const { return FOptionsForm; }
    // The ISUP message selection window that Options > ISUP Messages
    // Configuration shows.
    void SetSelectionForm(QWidget* Form) { FSelectionForm = Form; }
    // The capture file named on the command line, loaded on first show.
    void SetCommandLineFile(const QString& FileName) { FCommandLineFile = FileName; }
    TFormStorage& Storage() { return FStorage; }
    const TCaptureFileDialogs& FileDialogs() const { return *FFileDialogs; }

    // --- What the window shows --------------------------------------------
    TCaptureListView* ListView() const { return lvMsg; }
    TCaptureListModel* ListModel() const { return FListModel; }
    TMessageTree* TreeView() const { return tvMsg; }
    TDecodedTreeModel* TreeModel() const { return FTreeModel; }
    // The status text panel and the message caption panel.
    QString StatusText() const;
    QString Caption() const;
    // True while a capture file loads; Esc ends the load.
    bool IsLoading() const { return FLoading; }
    TUdpEndpoint& Endpoint() const { return *UDP; }
    const THeartBeatMonitor& HeartBeat() const { return *FHeartBeat; }

    // --- Captures -----------------------------------------------------------
    // Builds a capture from a record (stamp, direction, link, message),
    // appends it and its row; null when the record is shorter than 18 bytes.
    const TCaptureItem* AddCapture(std::string_view Record);
    const TCaptureItem* AddCapture(const TCaptureRecord& Record);
    void ClearCaptures();
    void SetStatusText(const QString& Text);
    // Remote host + " : " + the local port as the configuration shows it.
    QString EndpointTitle() const;
    // Copies the three settings to the endpoint and sets the titles.
    void ApplyOptions();
    // Replaces all captures by those of a capture file.
    void LoadCaptures(const QString& FileName);
    // Writes all captures to a capture file; errors go to a message box.
    // True when written.
    bool SaveCaptures(const QString& FileName);
    // Appends the level-4 messages of a pcap or pcapng file as captures,
    // with progress and Esc as a load; errors go to a message box.
    void ImportPcap(const QString& FileName);
    // Writes all captures, or the selected one, as a pcap; the status text
    // tells what was written, errors go to a message box.
    void ExportPcap(const QString& FileName, bool SelectedOnly);

    // --- Unsaved captures and long runs --------------------------------
    // Whether captures were added (received, pasted, a stop entry) since the
    // last save, load or clear.
    bool HasUnsavedCaptures() const { return FUnsaved; }
    // Off: Exit, Load and Clear All never ask about unsaved captures in this
    // run, whatever the configuration says (unattended runs).
    void SetUnattended(bool Unattended) { FUnattended = Unattended; }
    // Asks whether unsaved captures are saved before Doing discards them.
    // True when they may go: saved, discarded, or nothing to ask.
    bool MayDiscardCaptures();
    // Takes the configuration window's capture settings: the question on
    // unsaved captures, the limit on captures held, the ring of files.
    void ApplyCaptureOptions();
    const TIntakeFilter& Intake() const { return *FIntake; }
    // The ring of capture files; null while off.
    const TCaptureRing* Ring() const { return FRing.get(); }
    // Captures removed by the limit since the last clear.
    uint64_t RemovedCaptures() const;
    // Writes what the ring holds back to its file.
    void FlushRing();

    // --- Filter, calls and statistics ----------------------------------------
    // Shows only the captures the expression keeps (a blank one shows all)
    // and keeps the selected capture selected where it stays visible. A bad
    // expression is reported in the filter bar, with the cursor where it
    // went wrong, and changes nothing: false then.
    bool ApplyFilter(const QString& Expression);
    QLineEdit* FilterEdit() const { return edFilter; }
    // The filter bar's message: the rows shown, or what is wrong.
    QString FilterMessage() const;
    // Selects the row of the capture with that sequence number (see
    // TCaptureItemsCollection), showing every capture first when the filter
    // hides it; a capture no longer held is named in the status bar.
    void SelectCapture(qint64 Sequence);
    // The calls and counts of the captures, kept as they arrive.
    const TCaptureAnalysis& Analysis() const { return FAnalysis; }
    // View > Calls and View > Statistics; the windows are made when first shown.
    void ShowCalls();
    void ShowStatistics();
    TCallsForm* CallsForm() const { return FCallsForm; }
    TStatisticsForm* StatisticsForm() const { return FStatisticsForm; }

signals:
    void heartBeatReceived();
    void formClosed();

protected:
    void showEvent(QShowEvent* Event) override;
    void closeEvent(QCloseEvent* Event) override;
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    TCaptureForm(const TIsupCatalog& Catalog, TClock* Clock, QWidget* Parent);
    void FormCreate();
    // Scrolls to the end once after a load when rows were added there.
    void ScrollToEndAfterLoad();
    void FormShow();
    void CreateActions();
    void CreateMenus();
    void CreateLayout();
    void CreateStatusBar();
    void CreateFilterBar(QWidget* Parent);
    // The calls and statistics windows take in what arrived, once per
    // event-loop turn.
    void AnalysisChanged();
    void RefreshAnalysisViews();
    // "N of M shown" in the filter bar while a filter is set.
    void ShowFilterCount();
    void ConnectViews();
    void ShowIntakeState();
    void KeepCaptureLimit();
    void CaptureKept(std::string_view Record);
    int ListWidth() const;
    void SetListWidth(int Width);

    // Intake.
    void UDPDataReceived(TUdpEndpoint* Sender, int NumberBytes, const QString& FromIP, int Port);
    void HeartBeatReceived();

    // The decoded view.
    int SelectedRow() const;
    void lvMsgSelectionChanged();
    // Row: the capture list row, or -1 for none.
    void lvMsgSelectItem(int Row, bool Selected);
    void ShowView(TDecodedView View);
    void tvMsgChange(const QModelIndex& Current);

    // Menu and popup commands.
    void acLoadCapturesExecute();
    void acSaveCapturesExecute();
    void acImportPcapExecute();
    void acExportPcapExecute();
    void acExportSelectedPcapExecute();
    void acFindExecute();
    void acSearchAgainExecute();
    void miCopyClipClick();
    void miPasteClipClick();
    void miConfigureMessagesClick();
    void Configuration1Click();
    void miHelpContentsClick();
    void miExitClick();
    void miClearClick();

    const TIsupCatalog& FCatalog;
    std::unique_ptr<TClock> FOwnClock;
    TClock& FClock;
    TFormStorage FStorage;

    // --- Components -----------------------------------------------------
    TUdpEndpoint* UDP = nullptr;
    TCaptureListView* lvMsg = nullptr;
    TCaptureListModel* FListModel = nullptr;
    QSplitter* Splitter2 = nullptr;
    QWidget* pnDecodedMessage = nullptr;
    QLabel* pnMessageCaption = nullptr;
    // The heart indicator at the right end of the caption panel; hidden.
    QLabel* aiHeart = nullptr;
    TMessageTree* tvMsg = nullptr;
    TDecodedTreeModel* FTreeModel = nullptr;
    QProgressBar* ProgressBar = nullptr;
    QStatusBar* StatusBar = nullptr;
    // Status panel 0 (50 pixels), painted by the heartbeat oscillator.
    TOwnerDrawPanel* StatusPanel0 = nullptr;
    // Status panel 1, the status text panel.
    QLabel* StatusTextPanel = nullptr;
    // The intake's problems, drop counts and long-run state.
    std::unique_ptr<TIntakePanels> FPanels;
    TIntakeFilter* FIntake = nullptr;
    std::unique_ptr<TCaptureRing> FRing;
    QTimer* tmFlushRing = nullptr;
    QTimer* tmIntakePanels = nullptr;
    int FCaptureLimit = 0;
    bool FUnsaved = false;
    bool FUnattended = false;
    // The four heartbeat timers with the oscillator and heart glyphs.
    THeartBeatMonitor* FHeartBeat = nullptr;
    QWidget* pnFilter = nullptr;
    QLineEdit* edFilter = nullptr;
    QLabel* lbFilter = nullptr;
    TCallsForm* FCallsForm = nullptr;
    TStatisticsForm* FStatisticsForm = nullptr;
    QMenu* ppProtocol = nullptr;
    QMenu* ppStatus = nullptr;

    QAction* acLoadCaptures = nullptr;
    QAction* acSaveCaptures = nullptr;
    QAction* acImportPcap = nullptr;
    QAction* acExportPcap = nullptr;
    QAction* acExportSelectedPcap = nullptr;
    QAction* acFind = nullptr;
    QAction* acSearchAgain = nullptr;
    QAction* miExit = nullptr;
    QAction* miClearAll = nullptr;
    QAction* miCopyClip = nullptr;
    QAction* miPasteClip = nullptr;
    QAction* Configuration1 = nullptr;
    QAction* miConfigureMessages = nullptr;
    QAction* miHelpContents = nullptr;
    QAction* miClear = nullptr;
    QAction* miCopyToClip = nullptr;
    QAction* miCopy = nullptr;
    QAction* miCalls = nullptr;
    QAction* miStatistics = nullptr;

    // State images of the list (5, 7, 9, 10) and of the tree (1-3, 5-7).
    QVector<QPixmap> Images;
    QVector<QPixmap> IsupImages;

    // --- Fields -----------------------------------------------------------
    // Told of every capture by Captures, so it goes before them.
    TCaptureAnalysis FAnalysis;
    bool FAnalysisRefreshQueued = false;
    TCaptureItemsCollection Captures;
    // Spaced hex of the selected capture's message; empty with no selection.
    std::string FDumpText;
    // The octets DumpText shows, which Copy also puts on the clipboard.
    std::string FDumpOctets;
    TSystemTime LastHeartBeat;
    QString SearchText;
    bool FLoading = false;

    TOptionsForm* FOptionsForm = nullptr;
    QWidget* FSelectionForm = nullptr;
    QString FCommandLineFile;
    std::unique_ptr<TCaptureFileDialogs> FFileDialogs;
    std::unique_ptr<TPcapFileDialogs> FPcapDialogs;
    bool FShown = false;
    bool FFollowEnd = true;
    // Rows were added at the end during a load: the list scrolls there when
    // the load ends.
    bool FEndScrollPending = false;
    int FSelectedRow = -1;
    // The capture the decoded view shows: its sequence number, and the
    // generation of the captures it belongs to (every clear starts a new
    // one), -1 for none.
    int64_t FShownCapture = -1;
    uint64_t FShownGeneration = 0;
    uint64_t FGeneration = 0;
    // The record of the datagram being taken in, kept to spare an
    // allocation per datagram.
    std::string FRecord;
};
