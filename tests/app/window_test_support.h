// Helpers of the main-window tests: capture records of the test definition
// set, the window's menu commands as a user finds them, and answering modal
// dialogs from a timer.
#pragma once

#include "app/CaptureForm.h"
#include "app/CaptureListView.h"

#include "catalog/StaticPackets.h"
#include "core/HexString.h"
#include "core/MemoryStream.h"
#include "core/Stamp.h"
#include "isup/IsupPacket.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QTimer>

#include <functional>
#include <memory>
#include <string>

namespace windowtest {

// The level-4 octets of a message of the test set: SIO 0x85, a routing
// label, the CIC and the prototype's defaults.
inline std::string IsupMessage(const TStaticPackets& Catalog, uint8_t MessageType, uint16_t Cic)
{
    std::unique_ptr<TCustomIsupPacket> Message = Catalog.NewMessage(MessageType);
    if (!Message)
        return {};
    Message->Sio = 0x85;
    Message->RoutingLabel = 0x30008001; // OPC 2, DPC 1, SLS 3
    Message->Cic = Cic;
    TMemoryStream Stream;
    Message->SaveToStream(Stream);
    return Stream.Bytes();
}

inline std::string Record(const TSystemTime& Stamp, uint8_t Direction, uint8_t Link, const std::string& Message)
{
    const TStampBytes Bytes = StampToBytes(Stamp);
    std::string Result(reinterpret_cast<const char*>(Bytes.data()), Bytes.size());
    Result += static_cast<char>(Direction);
    Result += static_cast<char>(Link);
    return Result + Message;
}

inline TSystemTime Stamp(uint16_t Hour, uint16_t Minute, uint16_t Second, uint16_t Millis)
{
    return TSystemTime{2026, 12, 1, 7, Hour, Minute, Second, Millis};
}

// A caption as the user reads it: without the & that marks its Alt key.
inline QString ShownText(const QAction* Action)
{
    return QString(Action->text()).remove(QLatin1Char('&'));
}

// The action of a main menu item, by the captions of menu and item, as a
// user finds it.
inline QAction* MenuAction(const QMainWindow& Window, const QString& Menu, const QString& Item)
{
    for (QAction* Top : Window.menuBar()->actions()) {
        if (ShownText(Top) != Menu || !Top->menu())
            continue;
        for (QAction* Action : Top->menu()->actions())
            if (ShownText(Action) == Item)
                return Action;
    }
    return nullptr;
}

// The action of an item of the capture list's popup menu.
inline QAction* PopupAction(const TCaptureForm& Form, const QString& Item)
{
    for (QAction* Action : Form.ListView()->PopupMenu()->actions())
        if (ShownText(Action) == Item)
            return Action;
    return nullptr;
}

// What a modal dialog showed before it was answered.
struct TModalSeen {
    bool Seen = false;
    QString Title;
    QString Text;
};

// Waits (in the event loop) for the next modal dialog, records its title
// and, for a message box, its text, then hands it to Answer (which accepts
// it when empty). Gives up after Timeout ms.
inline std::shared_ptr<TModalSeen> AnswerNextModal(std::function<void(QDialog*)> Answer = {}, int Timeout = 10000)
{
    auto Seen = std::make_shared<TModalSeen>();
    auto* Poll = new QTimer(qApp);
    Poll->setObjectName(QStringLiteral("windowTestModalPoll"));
    auto Clock = std::make_shared<QElapsedTimer>();
    Clock->start();
    QObject::connect(Poll, &QTimer::timeout, qApp, [Poll, Seen, Answer, Clock, Timeout] {
        auto* Dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!Dialog) {
            if (Clock->elapsed() > Timeout)
                Poll->deleteLater();
            return;
        }
        Poll->stop();
        Poll->deleteLater();
        Seen->Seen = true;
        Seen->Title = Dialog->windowTitle();
        if (auto* Box = qobject_cast<QMessageBox*>(Dialog))
            Seen->Text = Box->text();
        if (Answer)
            Answer(Dialog);
        else
            Dialog->accept();
    });
    Poll->start(5);
    return Seen;
}

// Stops the waits of dialogs that never came, so that they cannot answer a
// later test's dialog.
inline void StopModalWaits()
{
    for (QTimer* Poll : qApp->findChildren<QTimer*>(QStringLiteral("windowTestModalPoll"), Qt::FindDirectChildrenOnly))
        delete Poll;
}

} // namespace windowtest
