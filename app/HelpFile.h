// The help page beside the program (help/velmora-help.html), or in the
// installed data folder, shown in the program's help window at its contents
// or at the topic of a help context, or opened in the desktop's browser.
#pragma once

#include <QString>
#include <QUrl>

class QWidget;
class THelpWindow;

// Help contexts of the windows' controls.
enum THelpContext {
    hcContents = 0,
    hcConfiguration = 1,
    hcCaptureList = 6,
};

QString HelpFileName();
// The page with the topic of Context as its fragment (the contents for an
// unknown one).
QUrl HelpUrl(int Context = hcContents);
// Shows the help window, owned by Owner's window, at the topic of Context.
// Returns false when the page is missing; the window then says so.
bool ShowHelp(int Context = hcContents, QWidget* Owner = nullptr);
// The help window, made on first use; null before.
THelpWindow* HelpWindow();
// Opens the page in the desktop's browser.
bool OpenHelpInBrowser(int Context = hcContents);
