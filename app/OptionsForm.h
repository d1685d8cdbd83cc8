// TOptionsForm: the configuration window ("Configuration"): which processor
// host and port are accepted and which local UDP port is listened on. Every
// change applies at once; there are no OK or Cancel buttons.
#pragma once

#include "app/FormStorage.h"

#include <QDialog>

#include <functional>

class QLineEdit;
class QSpinBox;
class TCaptureOptionsBox;

class TOptionsForm : public QDialog {
    Q_OBJECT
public:
    explicit TOptionsForm(QWidget* Owner = nullptr);
    ~TOptionsForm() override;

    QLineEdit* edCaptureHost = nullptr;
    QSpinBox* seCaptureRemotePort = nullptr;
    QSpinBox* seCaptureLocalPort = nullptr;
    // Unsaved captures, the limit on captures held and the ring of capture
    // files.
    TCaptureOptionsBox* CaptureOptions = nullptr;

    // Called by every change of the three settings (the main window's
    // ApplyOptions).
    std::function<void()> OnOptionsChanged;

    // The local port as the spin box shows it.
    QString LocalPortText() const;
    // Listens on Port for this run only (the command line's --port): the
    // state file keeps the configured port unless the user changes the
    // port in the window.
    void SetOneOffLocalPort(int Port);
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
    // The port the state file holds while a one-off port is listened on.
    bool FOneOffPort = false;
    int FConfiguredLocalPort = 0;
};
