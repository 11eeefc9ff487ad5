#pragma once

// The window's commissioning actions: the module's whole configuration read into the pages,
// profiles saved, opened, compared and written, the module's line found, and the HART and
// MODBUS scans. Each borrows the window's port for its exchanges and gives it back.

#include "commission/ModuleProfile.h"
#include "link/ScriptLink.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <optional>
#include <utility>

class CompareDialog;
class EngineTask;
class QProgressDialog;
class ScanDialog;
class TForm1;

class CommissionTools : public QObject {
    Q_OBJECT
public:
    explicit CommissionTools(TForm1& form);
    ~CommissionTools() override;
    CommissionTools(const CommissionTools&) = delete;
    CommissionTools& operator=(const CommissionTools&) = delete;

    // Reads every setting with a progress dialog ("ReadProgress") and Cancel, fills the pages
    // as the module's own answers do, keeps the settings as the module's profile, and then
    // runs `then` with the line it read at.
    void ReadConfiguration(const std::function<void(const LineSettings&)>& then = {});
    void SaveProfile();
    void OpenProfile();
    // Reads the module and shows it beside the opened profile (asking for one when none is
    // open). `toWrite` ticks every differing row; without it the rows are ticked by hand.
    void CompareProfile(bool toWrite = false);
    void FindModule();
    void ScanHart();
    void ScanModbus();

    // The file steps without their file dialogs; false after a message. A name without an
    // extension is saved with ".json", which the open dialog lists.
    bool SaveProfileTo(const QString& path);
    bool OpenProfileFrom(const QString& path);

    const std::optional<Profile>& ModuleSettings() const { return moduleProfile; }
    // What the module holds after a write, read back.
    void SetModuleSettings(Profile settings) { moduleProfile = std::move(settings); }
    const std::optional<Profile>& OpenedProfile() const { return openedProfile; }
    bool Reading() const;
    QPointer<CompareDialog> compareDialog;
    QPointer<ScanDialog> scanDialog;
    // Asks for a profile to open (a file dialog titled `title`); empty when none is chosen.
    std::function<QString(const QString& title)> AskProfilePath;

private:
    void Scan(int kind);

    TForm1& form;
    EngineTask* readTask;
    QPointer<QProgressDialog> readProgress;
    std::optional<Profile> moduleProfile;
    std::optional<Profile> openedProfile;
    QString openedPath;
};
