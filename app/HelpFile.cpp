#include "app/HelpFile.h"

#include "app/HelpWindow.h"
#include "core/Globals.h"
#include "core/Locations.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QPointer>
#include <QTextBrowser>

QString HelpFileName()
{
    return QString::fromStdString(FindProgramFile(ProgramFolder(), "help/velmora-help.html"));
}

QUrl HelpUrl(int Context)
{
    QUrl Url = QUrl::fromLocalFile(HelpFileName());
    switch (Context) {
    case hcConfiguration:
        Url.setFragment(QStringLiteral("configuration"));
        break;
    case hcCaptureList:
        Url.setFragment(QStringLiteral("columns"));
        break;
    default:
        Url.setFragment(QStringLiteral("contents"));
        break;
    }
    return Url;
}

namespace {

QPointer<THelpWindow> TheHelpWindow;

} // namespace

THelpWindow* HelpWindow()
{
    return TheHelpWindow;
}

bool ShowHelp(int Context, QWidget* Owner)
{
    // A window of its own that does not block the others, owned by the
    // window that asked: a modal configuration window leaves only its own
    // windows usable.
    QWidget* Window = Owner ? Owner->window() : nullptr;
    if (!TheHelpWindow)
        TheHelpWindow = new THelpWindow(Window);
    else if (TheHelpWindow->parentWidget() != Window)
        TheHelpWindow->setParent(Window, TheHelpWindow->windowFlags());
    const bool Found = QFileInfo::exists(HelpFileName());
    if (Found)
        TheHelpWindow->ShowPage(HelpUrl(Context));
    else
        TheHelpWindow->Browser()->setPlainText(QStringLiteral("The help page %1 is missing.").arg(HelpFileName()));
    TheHelpWindow->show();
    TheHelpWindow->raise();
    TheHelpWindow->activateWindow();
    return Found;
}

bool OpenHelpInBrowser(int Context)
{
    return QDesktopServices::openUrl(HelpUrl(Context));
}
