#include "app/HelpFile.h"

#include "core/Globals.h"
#include "core/Locations.h"

#include <QDesktopServices>
#include <QUrl>

QString HelpFileName()
{
    return QString::fromStdString(FindProgramFile(ProgramFolder(), "help/velmora-help.html"));
}

bool ShowHelp(int Context)
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
    return QDesktopServices::openUrl(Url);
}
