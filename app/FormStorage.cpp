#include "app/FormStorage.h"

#include "core/Globals.h"
#include "core/IniFile.h"

#include <QApplication>
#include <QMessageBox>
#include <QScreen>
#include <QStringList>
#include <QWidget>

#include <cmath>

namespace {

// Absent keys read as this, which no stored value can equal (a stored
// value never holds a line break).
constexpr const char* Missing = "\n";

std::string Utf8(const QString& Text)
{
    return Text.toUtf8().toStdString();
}

// "%d,%d,%d,%d" read back; a missing or unreadable number keeps Fallback's.
void ReadQuad(const std::string& Text, int Values[4])
{
    const QStringList Parts = QString::fromStdString(Text).split(QLatin1Char(','));
    for (int I = 0; I < 4 && I < Parts.size(); ++I) {
        bool Ok = false;
        const int Value = Parts[I].trimmed().toInt(&Ok);
        if (Ok)
            Values[I] = Value;
    }
}

} // namespace

TFormStorage::TFormStorage(QWidget* Form, QString Section, bool Resizable)
    : FForm(Form)
    , FSection(std::move(Section))
    , FResizable(Resizable)
{
}

void TFormStorage::AddProperty(QString Key, std::function<QString()> Get, std::function<void(const QString&)> Set)
{
    FProperties.push_back({std::move(Key), std::move(Get), std::move(Set)});
}

int TFormStorage::PixelsPerInch() const
{
    const QScreen* Screen = FForm->screen() ? FForm->screen() : QGuiApplication::primaryScreen();
    return Screen ? static_cast<int>(std::lround(Screen->logicalDotsPerInchY())) : 96;
}

QRect TFormStorage::NormalRect() const
{
    // Placement is kept in client coordinates, the form setGeometry takes,
    // so that restoring gives back what was saved whatever the frame.
    if (FForm->isWindow() && (FForm->isMaximized() || FForm->isMinimized() || FForm->isFullScreen()))
        return FForm->normalGeometry().isValid() ? FForm->normalGeometry() : FForm->geometry();
    return FForm->geometry();
}

void TFormStorage::RestoreFormPlacement()
{
    FSaved = false;
    if (StateFileName.empty())
        return;
    const TIniFile Ini(StateFileName);
    const std::string Section = Utf8(FSection);
    if (Ini.ReadInteger(Section, "FormVersion", 0) < Version)
        return;

    if (Ini.ReadInteger(Section, "PixelsPerInch", 0) == PixelsPerInch()) {
        const QRect Current = NormalRect();
        int Pos[4] = {Current.left(), Current.top(), Current.left() + Current.width(),
                      Current.top() + Current.height()};
        ReadQuad(Ini.ReadString(Section, "NormPos", ""), Pos);
        if (FResizable && Pos[2] > Pos[0] && Pos[3] > Pos[1])
            FForm->setGeometry(Pos[0], Pos[1], Pos[2] - Pos[0], Pos[3] - Pos[1]);
        else
            FForm->setGeometry(Pos[0], Pos[1], Current.width(), Current.height());
    }

    switch (Ini.ReadInteger(Section, "ShowCmd", 1)) {
    case 2:
    case 6:
    case 7:
        FForm->setWindowState((FForm->windowState() & ~Qt::WindowMaximized) | Qt::WindowMinimized);
        break;
    case 3:
        FForm->setWindowState((FForm->windowState() & ~Qt::WindowMinimized) | Qt::WindowMaximized);
        break;
    case 1:
    case 5:
    case 9:
        FForm->setWindowState(FForm->windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized));
        break;
    default:
        break;
    }

    for (const TStoredProperty& Property : FProperties) {
        const std::string Value = Ini.ReadString(Section, Utf8(Property.Key), Missing);
        if (Value != Missing && Property.Set)
            Property.Set(QString::fromStdString(Value));
    }
}

void TFormStorage::SaveFormPlacement(bool Destroying)
{
    if (StateFileName.empty())
        return;
    const std::string Section = Utf8(FSection);
    TIniWriter Writer(StateFileName);
    const Qt::WindowStates State = FForm->windowState();
    int ShowCmd = 1;
    if (State & Qt::WindowMinimized)
        ShowCmd = 2;
    else if (State & Qt::WindowMaximized)
        ShowCmd = 3;
    // A minimised window that will come back maximised.
    const int Flags = (State & Qt::WindowMinimized) && (State & Qt::WindowMaximized) ? 2 : 0;
    const QRect Normal = NormalRect();

    Writer.WriteInteger(Section, "FormVersion", Version);
    Writer.WriteInteger(Section, "Flags", Flags);
    Writer.WriteInteger(Section, "ShowCmd", ShowCmd);
    Writer.WriteInteger(Section, "PixelsPerInch", PixelsPerInch());
    Writer.WriteString(Section, "MinMaxPos", "-1,-1,-1,-1");
    Writer.WriteString(Section, "NormPos",
                       Utf8(QStringLiteral("%1,%2,%3,%4")
                                .arg(Normal.left())
                                .arg(Normal.top())
                                .arg(Normal.left() + Normal.width())
                                .arg(Normal.top() + Normal.height())));
    Writer.WriteString(Section, "Visible", Destroying ? "1" : "0");
    for (const TStoredProperty& Property : FProperties) {
        if (Property.Get)
            Writer.WriteString(Section, Utf8(Property.Key), Utf8(Property.Get().trimmed()));
    }
    Writer.UpdateFile();
    FSaved = true;
}

namespace {

QString TheApplicationTitle;

} // namespace

void SetApplicationTitle(const QString& Title)
{
    TheApplicationTitle = Title;
}

QString ApplicationTitle()
{
    return TheApplicationTitle.isEmpty() ? QApplication::applicationName() : TheApplicationTitle;
}

void ShowException(QWidget* Owner, const std::exception& Error)
{
    QMessageBox::critical(Owner, ApplicationTitle(), QString::fromUtf8(Error.what()));
}
