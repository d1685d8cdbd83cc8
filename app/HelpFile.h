// The help page beside the program (help/velmora-help.html), or in the
// installed data folder, opened in the desktop's browser at its contents or
// at the topic of a help context.
#pragma once

#include <QString>

// Help contexts of the windows' controls.
enum THelpContext {
    hcContents = 0,
    hcConfiguration = 1,
    hcCaptureList = 6,
};

QString HelpFileName();
// Opens the page at the topic of Context (the contents for an unknown one).
bool ShowHelp(int Context = hcContents);
