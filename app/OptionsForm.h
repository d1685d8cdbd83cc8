// TOptionsForm: the configuration window ("Configuration"): which processor
// host and port are accepted and which local UDP port is listened on. Every
// change applies at once; there are no OK or Cancel buttons.
#pragma once

#include "app/FormStorage.h"

#include <QDialog>

#include <functional>

class QLineEdit;
class QSpinBox;

class TOptionsForm : public QDialog {
    Q_OBJECT
public:
    explicit TOptionsForm(QWidget* Owner = nullptr);
    ~TOptionsForm() override;

    QLineEdit* edCaptureHost = nullptr;
    QSpinBox* seCaptureRemotePort = nullptr;
    QSpinBox* seCaptureLocalPort = nullptr;

    // Called by every change of the three settings (the main window's
    // ApplyOptions).
    std::function<void()> OnOptionsChanged;

    // The local port as the spin box shows it.
    QString LocalPortText() const;
    TFormStorage& Storage() { return FStorage; }

protected:
    void showEvent(QShowEvent* Event) override;
    void hideEvent(QHideEvent* Event) override;

private:
    void FormCreate();
    void edCaptureHostChange();
    void seCaptureRemotePortChange();
    void seCaptureLocalPortChange();
    void OptionChanged();
    void SaveState(bool Destroying);

    TFormStorage FStorage;
};
