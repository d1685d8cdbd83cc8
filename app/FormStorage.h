// TFormStorage: keeps one window's placement and its listed properties in
// a section of the state file (StateFileName), named after the window.
#pragma once

#include <QRect>
#include <QString>

#include <functional>
#include <vector>

class QWidget;

class TFormStorage {
public:
    // Stored as text; numbers in decimal.
    struct TStoredProperty {
        QString Key;
        std::function<QString()> Get;
        std::function<void(const QString&)> Set;
    };

    // Resizable: whether the stored size is applied, or only the position.
    TFormStorage(QWidget* Form, QString Section, bool Resizable);

    const QString& Section() const { return FSection; }
    // The storage version of the window; a lower stored version is ignored.
    int Version = 0;

    // Key is component + "_" + property, for instance "lvMsg_Width".
    void AddProperty(QString Key, std::function<QString()> Get, std::function<void(const QString&)> Set);

    // Reads the placement and the properties back. Nothing is read when the
    // state file name is empty or the stored FormVersion is below Version.
    // Raises the INI errors; callers show them and go on.
    void RestoreFormPlacement();
    // Writes the placement and the properties. Destroying: the window is
    // going away (the key Visible is then "1").
    void SaveFormPlacement(bool Destroying);
    // Whether the state was saved after the last restore.
    bool SavedSinceRestore() const { return FSaved; }

    // The screen resolution the placement is written with.
    int PixelsPerInch() const;

private:
    QRect NormalRect() const;

    QWidget* FForm;
    QString FSection;
    bool FResizable;
    bool FSaved = false;
    std::vector<TStoredProperty> FProperties;
};

// The application title (the main window's endpoint title), the caption of
// the error message boxes.
void SetApplicationTitle(const QString& Title);
QString ApplicationTitle();

// Shows an error raised in a window handler in a message box with its text
// and the application title; the program goes on.
void ShowException(QWidget* Owner, const std::exception& Error);
