#pragma once

// The module's settings beside a profile's: one row per setting of the profile, the
// differences marked and ticked. "Write differences" keeps the module as found in a profile
// file, writes the ticked rows on a worker thread, reads each group back and marks every
// written row verified or failed; it stops at the first group without an answer, sums up
// what was written, refused and not tried, and reads the whole module back into the pages.

#include "commission/ModuleProfile.h"
#include "commission/ProfileSequence.h"
#include "link/ScriptLink.h"

#include "ui/EngineDialog.h"

#include <QStringList>

#include <map>
#include <optional>
#include <string>
#include <vector>

class QCheckBox;
class QLabel;
class QMessageBox;
class QProgressBar;
class QPushButton;
class QTableWidget;
class TForm1;

class CompareDialog : public EngineDialog {
    Q_OBJECT
public:
    enum Column { Tick, Setting, Module, Wanted, Result };

    // With `tickDifferences` every differing row starts ticked, ready to be written;
    // without, the table only shows, and the rows to write are ticked by hand.
    CompareDialog(TForm1& form, LineSettings line, Profile module, Profile profile,
                  bool tickDifferences = true);

    QTableWidget* CompareTable;
    QPushButton* WriteDifferencesButton;
    QProgressBar* WriteProgress;
    QLabel* Summary;
    QCheckBox* DifferencesOnly; // hides the rows where the module holds the profile's value

    // The setting of row `row` (its caption is the page's, its key in the tool tip).
    std::string KeyOf(int row) const;
    // The row of setting `key`, -1 when the profile has none.
    int RowOf(const std::string& key) const;
    // The settings whose rows are ticked.
    std::vector<std::string> TickedKeys() const;
    // Starts writing the ticked rows; a write that changes a line speed or parity asks first
    // (the box "LineChangeBox").
    void WriteDifferences();

private:
    void Fill(bool tickDifferences);
    void ShowDifferencesOnly(bool only);
    // The profile asked for, with only the ticked rows taken from the profile.
    Profile TickedProfile() const;
    void StartWrite(const Profile& wanted, const std::vector<ProfileWrite>& writes);
    void Mark(const std::string& key, bool verified, const QString& text);
    void Finish(const QString& error, bool cancelled);

    // What became of each group of a write.
    struct Outcome {
        QStringList written;    // verified
        QStringList refused;    // refused, or read back otherwise
        QStringList unanswered; // no answer: the write stopped there
        QStringList notTried;
        QString readBack; // why the module could not be read back after the write
    };
    void Tally(const QString& group, QStringList Outcome::*list);
    // The module's answers after a write: its column, the window's pages and its profile.
    void ShowModule(const ModuleReplies& replies);
    QString OutcomeText() const;

    TForm1& form;
    LineSettings line;
    Profile module;
    Profile profile;
    std::optional<LineSettings> endLine;
    Outcome outcome;
    std::map<QString, std::vector<std::string>> groupKeys; // the settings of each group written
    QString asFound; // where the module's configuration before the write is kept
};
