#include "ui/CompareDialog.h"

#include "commission/ProfileFile.h"
#include "commission/ProfileSequence.h"
#include "config/ConfigLists.h"
#include "ui/CommissionTools.h"
#include "ui/EngineTask.h"
#include "ui/Messages.h"
#include "ui/SettingCaptions.h"
#include "ui/TForm1.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <set>

namespace {

QString SettingText(const ProfileSetting* setting) {
    if (setting == nullptr)
        return QObject::tr("(not held)");
    return QString::fromStdString(setting->label + " [" + setting->value + "]");
}

const QColor DifferentColour(255, 236, 179);
const QColor VerifiedColour(200, 240, 200);
const QColor FailedColour(250, 200, 200);

} // namespace

CompareDialog::CompareDialog(TForm1& form_, LineSettings line_, Profile module_, Profile profile_,
                             bool tickDifferences)
    : EngineDialog(&form_), form(form_), line(std::move(line_)), module(std::move(module_)),
      profile(std::move(profile_)) {
    setObjectName("CompareDialog");
    setWindowTitle(tr("Compare with module"));
    auto* layout = new QVBoxLayout(this);
    Summary = new QLabel(this);
    Summary->setObjectName("CompareSummary");
    layout->addWidget(Summary);
    DifferencesOnly = new QCheckBox(tr("&Differences only"), this);
    DifferencesOnly->setObjectName("DifferencesOnly");
    layout->addWidget(DifferencesOnly);
    CompareTable = new QTableWidget(0, 5, this);
    CompareTable->setObjectName("CompareTable");
    CompareTable->setHorizontalHeaderLabels(
        {tr("Write"), tr("Setting"), tr("Module"), tr("Profile"), tr("Result")});
    CompareTable->verticalHeader()->hide();
    CompareTable->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 8);
    CompareTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    CompareTable->setSelectionMode(QAbstractItemView::NoSelection);
    layout->addWidget(CompareTable);
    WriteProgress = TaskProgressBar("WriteProgress");
    layout->addWidget(WriteProgress);
    auto* buttons = new QDialogButtonBox(this);
    WriteDifferencesButton =
        buttons->addButton(tr("&Write differences"), QDialogButtonBox::ActionRole);
    WriteDifferencesButton->setObjectName("WriteDifferencesButton");
    QPushButton* close = buttons->addButton(QDialogButtonBox::Close);
    close->setObjectName("CloseButton");
    layout->addWidget(buttons);
    connect(WriteDifferencesButton, &QPushButton::clicked, this, [this] { WriteDifferences(); });
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    connect(task, &EngineTask::Finished, this, &CompareDialog::Finish);
    connect(DifferencesOnly, &QCheckBox::toggled, this, &CompareDialog::ShowDifferencesOnly);
    Fill(tickDifferences);
    resize(720, 520);
}

void CompareDialog::Fill(bool tickDifferences) {
    CompareTable->setRowCount(static_cast<int>(profile.size()));
    int differences = 0;
    for (int row = 0; row < static_cast<int>(profile.size()); ++row) {
        const ProfileSetting& wanted = profile[static_cast<std::size_t>(row)];
        const ProfileSetting* held = Find(module, wanted.key);
        const bool different = held == nullptr || held->value != wanted.value;
        auto* tick = new QTableWidgetItem;
        auto* key = new QTableWidgetItem(SettingCaption(wanted.key));
        key->setData(Qt::UserRole, QString::fromStdString(wanted.key));
        key->setToolTip(QString::fromStdString(wanted.key));
        auto* now = new QTableWidgetItem(SettingText(held));
        auto* want = new QTableWidgetItem(SettingText(&wanted));
        if (different) {
            ++differences;
            tick->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
            tick->setCheckState(tickDifferences ? Qt::Checked : Qt::Unchecked);
            tick->setData(Qt::UserRole, true);
            for (QTableWidgetItem* item : {tick, key, now, want})
                item->setBackground(DifferentColour);
        } else {
            tick->setFlags(Qt::ItemIsEnabled);
            tick->setData(Qt::UserRole, false);
        }
        CompareTable->setItem(row, Tick, tick);
        CompareTable->setItem(row, Setting, key);
        CompareTable->setItem(row, Module, now);
        CompareTable->setItem(row, Wanted, want);
        CompareTable->setItem(row, Result, new QTableWidgetItem);
    }
    CompareTable->resizeColumnsToContents();
    CompareTable->horizontalHeader()->setStretchLastSection(true);
    Summary->setText(differences == 0 ? tr("The module matches the profile.")
                                      : tr("%1 of %2 settings differ; the ticked rows are written.")
                                            .arg(differences)
                                            .arg(profile.size()));
    WriteDifferencesButton->setEnabled(differences > 0);
}

void CompareDialog::ShowDifferencesOnly(bool only) {
    for (int row = 0; row < CompareTable->rowCount(); ++row)
        CompareTable->setRowHidden(
            row, only && !CompareTable->item(row, Tick)->data(Qt::UserRole).toBool());
}

std::string CompareDialog::KeyOf(int row) const {
    return CompareTable->item(row, Setting)->data(Qt::UserRole).toString().toStdString();
}

int CompareDialog::RowOf(const std::string& key) const {
    for (int row = 0; row < CompareTable->rowCount(); ++row) {
        if (KeyOf(row) == key)
            return row;
    }
    return -1;
}

std::vector<std::string> CompareDialog::TickedKeys() const {
    std::vector<std::string> keys;
    for (int row = 0; row < CompareTable->rowCount(); ++row) {
        if (CompareTable->item(row, Tick)->checkState() == Qt::Checked)
            keys.push_back(KeyOf(row));
    }
    return keys;
}

Profile CompareDialog::TickedProfile() const {
    // Unticked settings keep what the module holds, so a group written for one ticked row
    // carries the module's own values in its other fields.
    Profile wanted = module;
    for (const std::string& key : TickedKeys()) {
        const ProfileSetting* setting = Find(profile, key);
        auto held = std::find_if(wanted.begin(), wanted.end(),
                                 [&](const ProfileSetting& s) { return s.key == key; });
        if (held != wanted.end())
            *held = *setting;
        else
            wanted.push_back(*setting);
    }
    return wanted;
}

void CompareDialog::WriteDifferences() {
    if (task->Running())
        return;
    const Profile wanted = TickedProfile();
    const std::vector<ProfileWrite> writes = WritesFor(module, wanted);
    if (writes.empty()) {
        ShowMessage(this, tr("No row is ticked: there is nothing to write."));
        return;
    }
    QStringList lines;
    for (const ProfileWrite& write : writes) {
        if (!write.frame.ok()) {
            ShowMessage(this, tr("The profile's %1 cannot be written: %2")
                                  .arg(QString::fromStdString(write.group),
                                       QString::fromStdString(write.frame.message)));
            return;
        }
        if (!write.line.empty()) {
            const auto next = ProfileLine(write.carried, write.line);
            lines << tr("the module's %1 line to %2 baud, parity %3")
                         .arg(QString::fromStdString(write.line).toUpper())
                         .arg(next ? next->first : 0)
                         .arg(next ? QString::fromUtf8(
                                         ParityItems[static_cast<std::size_t>(next->second)])
                                   : tr("unknown"));
        }
    }
    if (lines.isEmpty()) {
        StartWrite(wanted, writes);
        return;
    }
    auto* box = new QMessageBox(QMessageBox::Warning, tr("Line speed changes"),
                                tr("This write changes %1.\n\nIf the window is connected on "
                                   "that side, it follows the module to the new settings. "
                                   "Write?")
                                    .arg(lines.join(tr(" and "))),
                                QMessageBox::Yes | QMessageBox::Cancel, this);
    box->setObjectName("LineChangeBox");
    box->setAttribute(Qt::WA_DeleteOnClose);
    connect(box, &QMessageBox::finished, this, [this, box, wanted, writes](int) {
        if (box->clickedButton() == box->button(QMessageBox::Yes))
            StartWrite(wanted, writes);
    });
    box->open();
}

void CompareDialog::StartWrite(const Profile& wanted, const std::vector<ProfileWrite>& writes) {
    // The way back, kept before the first setting changes anything.
    std::string error;
    const std::optional<QString> kept = SaveAsFound(module, line.port, error);
    if (!kept) {
        ShowMessage(this, tr("Nothing was written: the module's configuration as found cannot "
                             "be kept: %1")
                              .arg(QString::fromStdString(error)));
        return;
    }
    asFound = *kept;
    // Another tool holding the port refuses the write before anything is sent.
    if (!form.LendPort(tr("the profile write"), line))
        return;
    std::set<std::string> written;
    for (const ProfileWrite& write : writes)
        written.insert(write.keys.begin(), write.keys.end());
    for (const std::string& key : TickedKeys()) {
        if (!written.contains(key))
            Mark(key, false, tr("not written"));
    }
    outcome = {};
    outcome.notTried.clear();
    groupKeys.clear();
    for (const ProfileWrite& write : writes) {
        outcome.notTried << QString::fromStdString(write.group);
        groupKeys[QString::fromStdString(write.group)] = write.keys;
    }
    WriteDifferencesButton->setEnabled(false);
    endLine.reset();
    task->Start([this, wanted, writes, at = line](const Progress& progress) {
        ModuleLine moduleLine(at, std::chrono::milliseconds(1000));
        const int total = static_cast<int>(writes.size());
        for (int i = 0; i < total; ++i) {
            const ProfileWrite& write = writes[static_cast<std::size_t>(i)];
            progress.ThrowIfCancelled();
            progress.Report(i, total, write.group);
            const QString group = QString::fromStdString(write.group);
            try {
                const std::vector<SettingCheck> checks = WriteAndVerify(moduleLine, wanted, write);
                task->Post([this, checks, group] {
                    bool verified = true;
                    for (const SettingCheck& check : checks) {
                        verified = verified && check.Verified();
                        Mark(check.key, check.Verified(),
                             check.Verified() ? tr("verified")
                                              : tr("failed: reads back as %1")
                                                    .arg(QString::fromStdString(
                                                        check.held.value_or("nothing"))));
                    }
                    Tally(group, verified ? &Outcome::written : &Outcome::refused);
                });
            } catch (const ModuleFailure& failure) {
                const QString why = QString::fromStdString(failure.what());
                // Without an answer the module's state is unknown: nothing more is sent.
                const bool stop = failure.status == FailureNoAnswer ||
                                  failure.status == FailurePort ||
                                  failure.status == FailureCancelled;
                task->Post([this, keys = write.keys, why, group, stop] {
                    for (const std::string& key : keys)
                        Mark(key, false, tr("failed: %1").arg(why));
                    Tally(group, stop ? &Outcome::unanswered : &Outcome::refused);
                });
                if (stop)
                    throw;
            }
            task->Post([this, end = moduleLine.Line()] { endLine = end; });
        }
        // The pages show what the module holds now, as a whole read shows it.
        progress.Report(total, total, "reading back");
        try {
            ModuleReplies replies = ReadModuleReplies(moduleLine);
            task->Post([this, replies] { ShowModule(replies); });
        } catch (const ModuleFailure& failure) {
            task->Post(
                [this, why = QString::fromStdString(failure.what())] { outcome.readBack = why; });
        }
        progress.Report(total, total, "done");
    });
}

void CompareDialog::Tally(const QString& group, QStringList Outcome::*list) {
    outcome.notTried.removeOne(group);
    (outcome.*list) << group;
}

void CompareDialog::ShowModule(const ModuleReplies& replies) {
    module = replies.ToProfile();
    for (int row = 0; row < CompareTable->rowCount(); ++row) {
        const std::string key = KeyOf(row);
        CompareTable->item(row, Module)->setText(SettingText(Find(module, key)));
    }
    form.ShowModuleReplies(replies);
    if (form.commission != nullptr)
        form.commission->SetModuleSettings(module);
}

QString CompareDialog::OutcomeText() const {
    auto listed = [](const QStringList& groups) {
        return groups.isEmpty() ? tr("none") : groups.join(", ");
    };
    QString text =
        tr("Written and verified: %1. Refused: %2. Not tried: %3.")
            .arg(listed(outcome.written), listed(outcome.refused), listed(outcome.notTried));
    if (!outcome.readBack.isEmpty())
        text += "\n" + tr("The module could not be read back: %1").arg(outcome.readBack);
    if (!asFound.isEmpty())
        text += "\n" + tr("The module as found is kept in %1").arg(asFound);
    return text;
}

void CompareDialog::Mark(const std::string& key, bool verified, const QString& text) {
    const int row = RowOf(key);
    if (row < 0)
        return;
    QTableWidgetItem* result = CompareTable->item(row, Result);
    result->setText(text);
    result->setBackground(verified ? VerifiedColour : FailedColour);
    if (verified) {
        // The module now holds the profile's value.
        const ProfileSetting* wanted = Find(profile, key);
        CompareTable->item(row, Module)->setText(SettingText(wanted));
        auto held = std::find_if(module.begin(), module.end(),
                                 [&](const ProfileSetting& s) { return s.key == key; });
        if (held != module.end())
            *held = *wanted;
        else
            module.push_back(*wanted);
    }
}

void CompareDialog::Finish(const QString& error, bool cancelled) {
    // The port comes back at the line the module answered last, which a line write moves.
    form.ReturnPort(endLine ? endLine : std::optional<LineSettings>(line));
    WriteDifferencesButton->setEnabled(true);
    const std::vector<std::string> ticked = TickedKeys();
    for (const QString& group : outcome.notTried) {
        for (const std::string& key : groupKeys[group]) {
            if (std::find(ticked.begin(), ticked.end(), key) != ticked.end())
                Mark(key, false, tr("not tried"));
        }
    }
    if (cancelled)
        Summary->setText(tr("Stopped.") + " " + OutcomeText());
    else if (!error.isEmpty())
        Summary->setText(tr("The write stopped at %1: %2")
                             .arg(outcome.unanswered.value(0, tr("a group")), error) +
                         "\n" + OutcomeText());
    else
        Summary->setText(OutcomeText());
}
