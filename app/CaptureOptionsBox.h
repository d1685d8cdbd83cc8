// TCaptureOptionsBox: the configuration window's group of capture settings
// beyond the connection: whether unsaved captures are asked about before
// they are discarded, the limit on captures held in memory, and the ring of
// capture files for long runs. The limit and the ring are off by default.
#pragma once

#include "presentation/CaptureRing.h"

#include <QGroupBox>

#include <functional>

class QCheckBox;
class QLineEdit;
class QSpinBox;
class TFormStorage;

class TCaptureOptionsBox : public QGroupBox {
    Q_OBJECT
public:
    explicit TCaptureOptionsBox(QWidget* Parent = nullptr);

    QCheckBox* cbAskUnsaved = nullptr;
    QSpinBox* seCaptureLimit = nullptr;
    QLineEdit* edRingFolder = nullptr;
    QSpinBox* seRingFileSize = nullptr;
    QSpinBox* seRingFileCaptures = nullptr;
    QSpinBox* seRingFiles = nullptr;

    bool AskUnsaved() const;
    // The most captures held in memory; 0 for no limit.
    int CaptureLimit() const;
    // The ring's settings; an empty folder turns the ring off.
    TCaptureRingSettings RingSettings() const;

    // Adds the settings' keys to the configuration window's state.
    void AddProperties(TFormStorage& Storage);

    // Called when a setting changes (the ring folder once its editing ends).
    std::function<void()> OnChanged;

private:
    void Changed();
};
