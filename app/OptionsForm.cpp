#include "app/OptionsForm.h"

#include "app/CaptureOptionsBox.h"
#include "app/HelpFile.h"

#include <QAction>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QShowEvent>
#include <QSpinBox>
#include <QVBoxLayout>

#include <exception>

namespace {

QSpinBox* PortBox(const char* Name, int Width, int Value, QWidget* Parent)
{
    auto* Box = new QSpinBox(Parent);
    Box->setObjectName(QLatin1String(Name));
    Box->setRange(0, 65535);
    Box->setValue(Value);
    Box->setFixedWidth(Width);
    return Box;
}

QLabel* Label(const QString& Text, QWidget* Buddy, QWidget* Parent)
{
    auto* Result = new QLabel(Text, Parent);
    Result->setBuddy(Buddy);
    return Result;
}

} // namespace

TOptionsForm::TOptionsForm(QWidget* Owner)
    : QDialog(Owner, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
    , FStorage(this, QStringLiteral("OptionsForm"), false)
{
    setObjectName(QStringLiteral("OptionsForm"));
    setWindowTitle(QStringLiteral("Configuration"));
    setSizeGripEnabled(false);

    auto* Group = new QGroupBox(QStringLiteral("Capture UDP"), this);
    edCaptureHost = new QLineEdit(Group);
    edCaptureHost->setObjectName(QStringLiteral("edCaptureHost"));
    edCaptureHost->setFixedWidth(149);
    seCaptureRemotePort = PortBox("seCaptureRemotePort", 69, 0, Group);
    seCaptureLocalPort = PortBox("seCaptureLocalPort", 73, 30001, Group);

    auto* Row = new QHBoxLayout(Group);
    Row->addWidget(Label(QStringLiteral("Remote &Host"), edCaptureHost, Group));
    Row->addWidget(edCaptureHost);
    Row->addWidget(Label(QStringLiteral("&Remote Port"), seCaptureRemotePort, Group));
    Row->addWidget(seCaptureRemotePort);
    Row->addWidget(Label(QStringLiteral("&Local Port"), seCaptureLocalPort, Group));
    Row->addWidget(seCaptureLocalPort);
    CaptureOptions = new TCaptureOptionsBox(this);
    auto* Layout = new QVBoxLayout(this);
    Layout->addWidget(Group);
    Layout->addWidget(CaptureOptions);
    setTabOrder(edCaptureHost, seCaptureRemotePort);
    setTabOrder(seCaptureRemotePort, seCaptureLocalPort);
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    auto* ContextHelp = new QAction(this);
    ContextHelp->setShortcut(QKeySequence(Qt::Key_F1));
    addAction(ContextHelp);
    connect(ContextHelp, &QAction::triggered, this, [this] { ShowHelp(hcConfiguration, this); });

    connect(edCaptureHost, &QLineEdit::textChanged, this, &TOptionsForm::edCaptureHostChange);
    connect(seCaptureRemotePort, &QSpinBox::valueChanged, this, &TOptionsForm::seCaptureRemotePortChange);
    connect(seCaptureLocalPort, &QSpinBox::valueChanged, this, &TOptionsForm::seCaptureLocalPortChange);

    FStorage.AddProperty(
        QStringLiteral("seCaptureLocalPort_Value"),
        [this] { return QString::number(FOneOffPort ? FConfiguredLocalPort : seCaptureLocalPort->value()); },
        [this](const QString& Text) {
            bool Ok = false;
            const int Value = Text.toInt(&Ok);
            if (!Ok)
                return;
            if (FOneOffPort)
                FConfiguredLocalPort = Value;
            else
                seCaptureLocalPort->setValue(Value);
        });
    FStorage.AddProperty(
        QStringLiteral("seCaptureRemotePort_Value"), [this] { return QString::number(seCaptureRemotePort->value()); },
        [this](const QString& Text) {
            bool Ok = false;
            const int Value = Text.toInt(&Ok);
            if (Ok)
                seCaptureRemotePort->setValue(Value);
        });
    FStorage.AddProperty(
        QStringLiteral("edCaptureHost_Text"), [this] { return edCaptureHost->text(); },
        [this](const QString& Text) { edCaptureHost->setText(Text); });
    CaptureOptions->AddProperties(FStorage);
    FormCreate();
}

TOptionsForm::~TOptionsForm()
{
    SaveState(true);
}

void TOptionsForm::FormCreate()
{
    try {
        FStorage.RestoreFormPlacement();
    } catch (const std::exception& Error) {
        ShowException(this, Error);
    }
}

QString TOptionsForm::LocalPortText() const
{
    return seCaptureLocalPort->text();
}

void TOptionsForm::SetOneOffLocalPort(int Port)
{
    if (!FOneOffPort)
        FConfiguredLocalPort = seCaptureLocalPort->value();
    seCaptureLocalPort->setValue(Port);
    FOneOffPort = true;
}

void TOptionsForm::edCaptureHostChange()
{
    OptionChanged();
}

void TOptionsForm::seCaptureRemotePortChange()
{
    OptionChanged();
}

void TOptionsForm::seCaptureLocalPortChange()
{
    // A port the user sets in the window is the configured one again.
    FOneOffPort = false;
    OptionChanged();
}

void TOptionsForm::OptionChanged()
{
    if (OnOptionsChanged)
        OnOptionsChanged();
}

void TOptionsForm::SaveState(bool Destroying)
{
    try {
        FStorage.SaveFormPlacement(Destroying);
    } catch (const std::exception& Error) {
        ShowException(parentWidget(), Error);
    }
}

void TOptionsForm::showEvent(QShowEvent* Event)
{
    if (!Event->spontaneous()) {
        try {
            FStorage.RestoreFormPlacement();
        } catch (const std::exception& Error) {
            ShowException(this, Error);
        }
        // Centred on the owner when shown.
        if (QWidget* Owner = parentWidget())
            move(Owner->frameGeometry().center() - rect().center());
    }
    QDialog::showEvent(Event);
}

void TOptionsForm::hideEvent(QHideEvent* Event)
{
    // Closing (Esc, the close box, the end of a modal show) saves the
    // settings so that they are back on the next start.
    if (!Event->spontaneous())
        SaveState(false);
    QDialog::hideEvent(Event);
}
