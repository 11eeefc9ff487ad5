#include "ui/CommissionTools.h"

#include "commission/ProfileFile.h"
#include "commission/ProfileSequence.h"
#include "ui/CompareDialog.h"
#include "ui/EngineTask.h"
#include "ui/Messages.h"
#include "ui/ScanDialog.h"
#include "ui/TForm1.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QProgressDialog>

#include <memory>

namespace {

// A configuration answer takes at most a few hundred milliseconds at the slowest speed.
constexpr std::chrono::milliseconds ReadTimeout{1000};
const QString ProfileFilter = QObject::tr("TALMIRE profiles (*.json);;All files (*)");

} // namespace

CommissionTools::CommissionTools(TForm1& form_)
    : QObject(&form_), form(form_), readTask(new EngineTask(this)) {}

CommissionTools::~CommissionTools() {
    delete readTask;
}

bool CommissionTools::Reading() const {
    return readTask->Running();
}

void CommissionTools::ReadConfiguration(const std::function<void(const LineSettings&)>& then) {
    if (readTask->Running() || form.RefuseWhileLent())
        return;
    const std::optional<LineSettings> line = form.PortRowLine();
    if (!line || !form.LendPort(tr("reading the configuration"), *line))
        return;
    auto* progress = new QProgressDialog(tr("Reading the module's configuration..."), tr("Cancel"),
                                         0, 2 + ChannelCount, &form);
    progress->setObjectName("ReadProgress");
    progress->setWindowTitle(tr("Read whole configuration"));
    progress->setAutoReset(false);
    progress->setAutoClose(false);
    progress->setMinimumDuration(0);
    progress->setWindowModality(Qt::WindowModal);
    progress->setAttribute(Qt::WA_DeleteOnClose);
    readProgress = progress;
    connect(progress, &QProgressDialog::canceled, readTask, &EngineTask::Cancel);
    auto replies = std::make_shared<ModuleReplies>();
    disconnect(readTask, nullptr, this, nullptr);
    connect(readTask, &EngineTask::Stepped, this, [this](int done, int, const QString& what) {
        if (readProgress) {
            readProgress->setValue(done);
            readProgress->setLabelText(tr("Reading the module's %1...").arg(what));
        }
    });
    connect(readTask, &EngineTask::Finished, this,
            [this, line = *line, replies, then](const QString& error, bool cancelled) {
                if (readProgress)
                    readProgress->close();
                // The port opens again for the compare's write, or when it was open before.
                form.ReturnPort(form.Loan().WasOpen() || (then && error.isEmpty())
                                    ? std::optional<LineSettings>(line)
                                    : std::nullopt);
                if (cancelled)
                    return;
                if (!error.isEmpty()) {
                    ShowMessage(&form, tr("The configuration could not be read: %1").arg(error));
                    return;
                }
                moduleProfile = replies->ToProfile();
                form.ShowModuleReplies(*replies);
                if (then)
                    then(line);
            });
    progress->show();
    readTask->Start([line = *line, replies](const Progress& steps) {
        ModuleLine moduleLine(line, ReadTimeout);
        *replies = ReadModuleReplies(moduleLine, steps);
    });
}

bool CommissionTools::SaveProfileTo(const QString& path) {
    if (!moduleProfile) {
        ShowMessage(&form, tr("Read the module's configuration first (Module, Read whole "
                              "configuration)."));
        return false;
    }
    const QString file = QFileInfo(path).suffix().isEmpty() ? path + ".json" : path;
    if (const std::optional<std::string> failed =
            SaveFileWhole(file, ProfileToJson(*moduleProfile))) {
        ShowMessage(&form, QString::fromStdString(*failed));
        return false;
    }
    form.ShowLinkStatus(tr("Saved %1: %2 settings of the module.")
                            .arg(QDir::toNativeSeparators(file))
                            .arg(moduleProfile->size()));
    return true;
}

bool CommissionTools::OpenProfileFrom(const QString& path) {
    std::string error;
    bool fileError = false;
    std::optional<Profile> profile = LoadProfileFile(path, error, fileError);
    if (!profile) {
        ShowMessage(&form,
                    fileError
                        ? tr("The profile cannot be read: %1").arg(QString::fromStdString(error))
                        : tr("This is not a profile: %1").arg(QString::fromStdString(error)));
        return false;
    }
    openedProfile = std::move(profile);
    openedPath = path;
    form.ShowLinkStatus(tr("Opened %1: %2 settings of the module.")
                            .arg(QDir::toNativeSeparators(path))
                            .arg(openedProfile->size()));
    return true;
}

void CommissionTools::SaveProfile() {
    if (!moduleProfile) {
        SaveProfileTo(QString());
        return;
    }
    const QString path =
        QFileDialog::getSaveFileName(&form, tr("Save profile"), openedPath, ProfileFilter);
    if (!path.isEmpty())
        SaveProfileTo(path);
}

void CommissionTools::OpenProfile() {
    const QString path = AskProfilePath ? AskProfilePath(tr("Open profile"))
                                        : QFileDialog::getOpenFileName(&form, tr("Open profile"),
                                                                       openedPath, ProfileFilter);
    if (!path.isEmpty())
        OpenProfileFrom(path);
}

void CommissionTools::CompareProfile(bool toWrite) {
    if (readTask->Running() || form.RefuseWhileLent())
        return;
    if (!openedProfile) {
        // The profile to compare with is asked for; without one nothing is read.
        OpenProfile();
        if (!openedProfile)
            return;
    }
    ReadConfiguration([this, toWrite](const LineSettings& line) {
        auto* dialog = new CompareDialog(form, line, *moduleProfile, *openedProfile, toWrite);
        compareDialog = dialog;
        dialog->show();
    });
}

void CommissionTools::Scan(int kind) {
    if (readTask->Running() || form.RefuseWhileLent())
        return;
    const std::optional<LineSettings> line = form.PortRowLine();
    if (!line)
        return;
    auto* dialog = new ScanDialog(form, static_cast<ScanDialog::Kind>(kind), *line);
    scanDialog = dialog;
    dialog->show();
    dialog->Start();
}

void CommissionTools::FindModule() {
    Scan(static_cast<int>(ScanDialog::Kind::Line));
}

void CommissionTools::ScanHart() {
    Scan(static_cast<int>(ScanDialog::Kind::Hart));
}

void CommissionTools::ScanModbus() {
    Scan(static_cast<int>(ScanDialog::Kind::Modbus));
}
