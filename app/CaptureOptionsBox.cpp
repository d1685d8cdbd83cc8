#include "app/CaptureOptionsBox.h"

#include "app/FormStorage.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>

namespace {

QSpinBox* NumberBox(const char* Name, int Minimum, int Maximum, int Value, QWidget* Parent)
{
    auto* Box = new QSpinBox(Parent);
    Box->setObjectName(QLatin1String(Name));
    Box->setRange(Minimum, Maximum);
    Box->setValue(Value);
    return Box;
}

QLabel* Label(const QString& Text, QWidget* Buddy, QWidget* Parent)
{
    auto* Result = new QLabel(Text, Parent);
    Result->setBuddy(Buddy);
    return Result;
}

void AddSpinProperty(TFormStorage& Storage, const QString& Key, QSpinBox* Box)
{
    Storage.AddProperty(
        Key, [Box] { return QString::number(Box->value()); },
        [Box](const QString& Text) {
            bool Ok = false;
            const int Value = Text.toInt(&Ok);
            if (Ok)
                Box->setValue(Value);
        });
}

} // namespace

TCaptureOptionsBox::TCaptureOptionsBox(QWidget* Parent)
    : QGroupBox(QStringLiteral("Captures"), Parent)
{
    setObjectName(QStringLiteral("gbCaptures"));
    cbAskUnsaved = new QCheckBox(QStringLiteral("&Ask before unsaved captures are discarded"), this);
    cbAskUnsaved->setObjectName(QStringLiteral("cbAskUnsaved"));
    cbAskUnsaved->setChecked(true);
    seCaptureLimit = NumberBox("seCaptureLimit", 0, 1000000000, 0, this);
    seCaptureLimit->setSpecialValueText(QStringLiteral("no limit"));
    seCaptureLimit->setToolTip(QStringLiteral("The oldest captures are removed beyond this number"));
    edRingFolder = new QLineEdit(this);
    edRingFolder->setObjectName(QStringLiteral("edRingFolder"));
    edRingFolder->setPlaceholderText(QStringLiteral("empty: no capture files"));
    edRingFolder->setToolTip(
        QStringLiteral("Every capture is also written, as it arrives, to capture files in this folder"));
    seRingFileSize = NumberBox("seRingFileSize", 0, 1000000, 64, this);
    seRingFileSize->setSuffix(QStringLiteral(" MB"));
    seRingFileSize->setSpecialValueText(QStringLiteral("any size"));
    seRingFileCaptures = NumberBox("seRingFileCaptures", 0, 1000000000, 0, this);
    seRingFileCaptures->setSpecialValueText(QStringLiteral("any number"));
    seRingFiles = NumberBox("seRingFiles", 1, 1000000, 10, this);

    auto* Grid = new QGridLayout(this);
    Grid->addWidget(cbAskUnsaved, 0, 0, 1, 4);
    Grid->addWidget(Label(QStringLiteral("&Keep at most"), seCaptureLimit, this), 1, 0);
    Grid->addWidget(seCaptureLimit, 1, 1);
    Grid->addWidget(new QLabel(QStringLiteral("captures in memory"), this), 1, 2, 1, 2);
    Grid->addWidget(Label(QStringLiteral("Capture &files folder"), edRingFolder, this), 2, 0);
    Grid->addWidget(edRingFolder, 2, 1, 1, 3);
    Grid->addWidget(Label(QStringLiteral("New file &after"), seRingFileSize, this), 3, 0);
    Grid->addWidget(seRingFileSize, 3, 1);
    Grid->addWidget(Label(QStringLiteral("or"), seRingFileCaptures, this), 3, 2);
    Grid->addWidget(seRingFileCaptures, 3, 3);
    Grid->addWidget(Label(QStringLiteral("Files &kept"), seRingFiles, this), 4, 0);
    Grid->addWidget(seRingFiles, 4, 1);

    connect(cbAskUnsaved, &QCheckBox::toggled, this, &TCaptureOptionsBox::Changed);
    connect(seCaptureLimit, &QSpinBox::valueChanged, this, &TCaptureOptionsBox::Changed);
    // A folder takes effect once typed, not at every letter.
    connect(edRingFolder, &QLineEdit::editingFinished, this, &TCaptureOptionsBox::Changed);
    connect(seRingFileSize, &QSpinBox::valueChanged, this, &TCaptureOptionsBox::Changed);
    connect(seRingFileCaptures, &QSpinBox::valueChanged, this, &TCaptureOptionsBox::Changed);
    connect(seRingFiles, &QSpinBox::valueChanged, this, &TCaptureOptionsBox::Changed);
}

bool TCaptureOptionsBox::AskUnsaved() const
{
    return cbAskUnsaved->isChecked();
}

int TCaptureOptionsBox::CaptureLimit() const
{
    return seCaptureLimit->value();
}

TCaptureRingSettings TCaptureOptionsBox::RingSettings() const
{
    TCaptureRingSettings Settings;
    Settings.Folder = edRingFolder->text().trimmed().toStdString();
    Settings.MaxFileBytes = static_cast<uint64_t>(seRingFileSize->value()) << 20;
    Settings.MaxFileCaptures = static_cast<uint64_t>(seRingFileCaptures->value());
    Settings.KeepFiles = static_cast<uint32_t>(seRingFiles->value());
    return Settings;
}

void TCaptureOptionsBox::AddProperties(TFormStorage& Storage)
{
    Storage.AddProperty(
        QStringLiteral("cbAskUnsaved_Checked"), [this] { return QString::number(cbAskUnsaved->isChecked() ? 1 : 0); },
        [this](const QString& Text) { cbAskUnsaved->setChecked(Text.trimmed() != QLatin1String("0")); });
    AddSpinProperty(Storage, QStringLiteral("seCaptureLimit_Value"), seCaptureLimit);
    Storage.AddProperty(
        QStringLiteral("edRingFolder_Text"), [this] { return edRingFolder->text().trimmed(); },
        [this](const QString& Text) {
            if (Text == edRingFolder->text())
                return;
            edRingFolder->setText(Text);
            Changed();
        });
    AddSpinProperty(Storage, QStringLiteral("seRingFileSize_Value"), seRingFileSize);
    AddSpinProperty(Storage, QStringLiteral("seRingFileCaptures_Value"), seRingFileCaptures);
    AddSpinProperty(Storage, QStringLiteral("seRingFiles_Value"), seRingFiles);
}

void TCaptureOptionsBox::Changed()
{
    if (OnChanged)
        OnChanged();
}
