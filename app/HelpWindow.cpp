#include "app/HelpWindow.h"

#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

THelpWindow::THelpWindow(QWidget* Parent)
    : QDialog(Parent, Qt::Window)
{
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(QStringLiteral("SS7 L4 Velmora Help"));
    resize(760, 560);
    FBrowser = new QTextBrowser(this);
    FBrowser->setObjectName(QStringLiteral("HelpBrowser"));
    // Links to other sites go to the desktop's browser; the page's own
    // anchors stay here.
    FBrowser->setOpenExternalLinks(true);
    auto* Buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    FOpenInBrowser = Buttons->addButton(QStringLiteral("Open in Browser"), QDialogButtonBox::ActionRole);
    connect(FOpenInBrowser, &QPushButton::clicked, this, [this] { QDesktopServices::openUrl(Source()); });
    connect(Buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    auto* Layout = new QVBoxLayout(this);
    Layout->addWidget(FBrowser, 1);
    Layout->addWidget(Buttons);
}

void THelpWindow::ShowPage(const QUrl& Url)
{
    QUrl Page = Url;
    Page.setFragment(QString());
    if (FBrowser->source().adjusted(QUrl::RemoveFragment) != Page)
        FBrowser->setSource(Page);
    if (Url.hasFragment())
        FBrowser->scrollToAnchor(Url.fragment());
    else
        FBrowser->moveCursor(QTextCursor::Start);
}

QUrl THelpWindow::Source() const
{
    return FBrowser->source();
}
