// TCaptureForm: the main window. It takes every datagram of the UDP
// endpoint, keeps the captures and lists them (lvMsg), shows the selected
// capture decoded (tvMsg), and holds the menus, actions and shortcuts.
#pragma once

#include "app/CaptureItem.h"
#include "app/FormStorage.h"
#include "core/Stamp.h"

#include <QMainWindow>
#include <QPixmap>
#include <QVector>

#include <memory>
#include <string_view>

class QAction;
class QLabel;
class QMenu;
class QProgressBar;
class QSplitter;
class QStatusBar;
class QTreeWidgetItem;
class TCaptureListModel;
class TCaptureFileDialogs;
class TCaptureListView;
class TClock;
class TCustomIsupPacket;
class THeartBeatMonitor;
class THexString;
class TIsupCatalog;
class TMessageTree;
class TOptionsForm;
class TOwnerDrawPanel;
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

    // --- Components ---------------------------------------------------
    TUdpEndpoint* UDP = nullptr;
    TCaptureListView* lvMsg = nullptr;
    TCaptureListModel* CaptureModel = nullptr;
    QSplitter* Splitter2 = nullptr;
    QWidget* pnDecodedMessage = nullptr;
    QLabel* pnMessageCaption = nullptr;
    // The heart indicator at the right end of the caption panel; hidden.
    QLabel* aiHeart = nullptr;
    TMessageTree* tvMsg = nullptr;
    QProgressBar* ProgressBar = nullptr;
    QStatusBar* StatusBar = nullptr;
    // Status panel 0 (50 pixels), painted by the heartbeat oscillator.
    TOwnerDrawPanel* StatusPanel0 = nullptr;
    // The four heartbeat timers with the oscillator and heart glyphs.
    THeartBeatMonitor* HeartBeat = nullptr;
    // Status panel 1, the status text panel.
    QLabel* StatusText = nullptr;
    QMenu* ppProtocol = nullptr;
    QMenu* ppStatus = nullptr;

    QAction* acLoadCaptures = nullptr;
    QAction* acSaveCaptures = nullptr;
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

    // State images of the list (5, 7, 9, 10) and of the tree (1-3, 5-7).
    QVector<QPixmap> Images;
    QVector<QPixmap> IsupImages;

    // --- Fields ---------------------------------------------------------
    TCaptureItemsCollection Captures;
    // Spaced hex of the selected capture's message; empty with no selection.
    QString DumpText;
    TSystemTime LastHeartBeat;
    QString SearchText;
    // True while a capture file loads; Esc clears it.
    bool Loading = false;

    // The configuration window, whose settings ApplyOptions reads.
    void SetOptionsForm(TOptionsForm* Form);
    TOptionsForm* OptionsForm() const { return FOptionsForm; }
    // The ISUP message selection window shown by miConfigureMessagesClick.
    QWidget* SelectionForm = nullptr;
    // The capture file named on the command line, loaded on first show.
    QString CommandLineFile;
    TFormStorage& Storage() { return FStorage; }

    // --- Intake and the capture list ------------------------------------
    void UDPDataReceived(TUdpEndpoint* Sender, int NumberBytes, const QString& FromIP, int Port);
    // Builds a capture from a record (stamp, direction, link, message),
    // appends it and its row; null when the record is shorter than 18 bytes.
    TCaptureItem* AddCapture(std::string_view Record);
    TCaptureItem* AddCapture(const THexString& Record);
    void ClearCaptures();
    void SetStatusText(const QString& Text);
    QString StatusTextValue() const;
    // Remote host + " : " + the local port as the configuration shows it.
    QString EndpointTitle() const;
    // Copies the three settings to the endpoint and sets the titles.
    void ApplyOptions();

    // --- Decoded view ------------------------------------------------------
    // Row: the capture list row, or -1 for none.
    void lvMsgSelectItem(int Row, bool Selected);
    // Fills the tree from a decoded ISUP message, which the tree then owns;
    // with none it only clears the tree.
    void ShowIsupPacket(std::unique_ptr<TCustomIsupPacket> Message);
    void DecorateNode(QTreeWidgetItem* Node);
    static int NodeKindOf(const QTreeWidgetItem* Node);
    void ShowCodedPacket(const TCustomIsupPacket& Message);
    void tvMsgChange(QTreeWidgetItem* Node);
    // The selected capture list row, or -1.
    int SelectedRow() const;

    // --- Heartbeat --------------------------------------------------------
    // A heartbeat datagram arrived (type 0x92).
    void HeartBeatReceived();

    // --- Capture files, search, clipboard, selection window ---------------
    void acLoadCapturesExecute();
    void acSaveCapturesExecute();
    // Replaces all captures by those of a capture file.
    void LoadCaptures(const QString& FileName);
    // Writes all captures to a capture file; errors go to a message box.
    void SaveCaptures(const QString& FileName);
    void acFindExecute();
    void acSearchAgainExecute();
    void miCopyClipClick();
    void miCopyToClipClick();
    void miCopyClick();
    void miPasteClipClick();
    void miConfigureMessagesClick();

    // --- Window commands ----------------------------------------------------
    void Configuration1Click();
    void miHelpContentsClick();
    void miExitClick();
    void miClearClick();
    static QString HelpFileName();

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
    void FormShow();
    void CreateActions();
    void CreateMenus();
    void CreateLayout();
    void CreateStatusBar();
    void ConnectViews();
    void AddCaptureRow(TCaptureItem& Item);
    void ClearTreeUpdating();
    void ShowDumpLine(const char* Prefix, const TCaptureItem& Item, int Offset);
    void lvMsgSelectionChanged();
    int ListWidth() const;
    void SetListWidth(int Width);

    const TIsupCatalog& FCatalog;
    std::unique_ptr<TClock> FOwnClock;
    TClock& FClock;
    TFormStorage FStorage;
    TOptionsForm* FOptionsForm = nullptr;
    bool FShown = false;
    bool FFollowEnd = true;
    int FSelectedRow = -1;
    std::unique_ptr<TCaptureFileDialogs> FFileDialogs;
};
