// THelpWindow: the bundled help page shown in the program's own window, at
// the topic a help context asks for; a browser is never needed. The page
// can still be handed to the desktop's browser from there.
#pragma once

#include <QDialog>
#include <QUrl>

class QPushButton;
class QTextBrowser;

class THelpWindow : public QDialog {
    Q_OBJECT
public:
    explicit THelpWindow(QWidget* Parent = nullptr);

    // Shows the page of Url (a local file, with the topic as its fragment).
    void ShowPage(const QUrl& Url);
    QTextBrowser* Browser() const { return FBrowser; }
    // The page and topic shown.
    QUrl Source() const;

private:
    QTextBrowser* FBrowser = nullptr;
    QPushButton* FOpenInBrowser = nullptr;
};
