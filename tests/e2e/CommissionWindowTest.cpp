// The window's commissioning dialogs against the simulated module: a profile read, compared
// with one changed setting, written and verified; the module found at another line; a HART
// scan; a MODBUS scan stopped. Each dialog runs its exchanges on a worker thread with the
// window's port lent to it.

#include "commission/ModuleProfile.h"
#include "tests/EventWait.h"
#include "tests/e2e/SimWindow.h"
#include "ui/CommissionTools.h"
#include "ui/CompareDialog.h"
#include "ui/Messages.h"
#include "ui/ScanDialog.h"
#include "ui/TForm1.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <memory>
#include <sstream>

namespace {

class CommissionWindow : public SimWindow {
protected:
    void Start(std::vector<std::string> simOptions) {
        // The configurations kept before a write go to the test's own folder.
        qputenv("XDG_DATA_HOME", dir.filePath("data").toUtf8());
        SimWindow::Start(std::move(simOptions));
    }
    static bool WaitFor(const std::function<bool()>& done, int ms = 15000) {
        return WaitForEvents(done, ms);
    }
    // Reads the whole configuration through the menu and waits for the port to come back.
    void ReadConfiguration() {
        Trigger("ActionReadConfiguration");
        ASSERT_TRUE(form->PortLent());
        ASSERT_TRUE(WaitFor([&] { return !form->PortLent(); }));
        ASSERT_TRUE(form->commission->ModuleSettings().has_value())
            << messages.join("|").toStdString();
    }
    // The result column of every row, by setting.
    static std::map<std::string, QString> Results(const CompareDialog& dialog) {
        std::map<std::string, QString> results;
        for (int row = 0; row < dialog.CompareTable->rowCount(); ++row) {
            const QString result = dialog.CompareTable->item(row, CompareDialog::Result)->text();
            if (!result.isEmpty())
                results[dialog.KeyOf(row)] = result;
        }
        return results;
    }
    // Opens the module's own profile with some values changed (their labels left as they were).
    void OpenEdited(const std::map<std::string, std::string>& changes) {
        Profile profile = *form->commission->ModuleSettings();
        for (ProfileSetting& setting : profile) {
            if (changes.contains(setting.key))
                setting.value = changes.at(setting.key);
        }
        const QString path = dir.filePath("edited.json");
        std::ofstream(path.toStdString()) << ProfileToJson(profile);
        ASSERT_TRUE(form->commission->OpenProfileFrom(path)) << messages.join("|").toStdString();
    }

    QTemporaryDir dir;
};

TEST_F(CommissionWindow, ProfileReadSavedComparedWrittenAndVerified) {
    Start({});
    ReadConfiguration();
    // The pages show the module's answers, and the port is open again for them.
    EXPECT_EQ(form->systemPage->Edit6->text(), "050");
    EXPECT_EQ(form->systemPage->Edit14->text(), "001");
    EXPECT_EQ(form->ComboBox13->currentText(), "RS485");
    EXPECT_TRUE(form->link.PortIsOpen);
    EXPECT_TRUE(form->PageControl1->isEnabled());

    // The saved file is the command-line tool's format, and opens again unchanged.
    const QString saved = dir.filePath("module.json");
    ASSERT_TRUE(form->commission->SaveProfileTo(saved));
    std::stringstream text;
    text << std::ifstream(saved.toStdString()).rdbuf();
    EXPECT_EQ(text.str(), ProfileToJson(*form->commission->ModuleSettings()));
    ASSERT_TRUE(form->commission->OpenProfileFrom(saved));
    EXPECT_EQ(form->commission->OpenedProfile(), form->commission->ModuleSettings());

    OpenEdited({{"slave-address", "007"}});
    Trigger("ActionWriteProfile");
    ASSERT_TRUE(WaitFor([&] { return !form->commission->compareDialog.isNull(); }))
        << messages.join("|").toStdString();
    CompareDialog& dialog = *form->commission->compareDialog;
    EXPECT_EQ(dialog.CompareTable->rowCount(),
              static_cast<int>(form->commission->OpenedProfile()->size()));
    // Only the changed setting is marked and ticked.
    ASSERT_EQ(dialog.TickedKeys(), std::vector<std::string>{"slave-address"});
    const int row = dialog.RowOf("slave-address");
    EXPECT_TRUE(dialog.CompareTable->item(row, CompareDialog::Module)->text().contains("001"));
    EXPECT_TRUE(dialog.CompareTable->item(row, CompareDialog::Wanted)->text().contains("007"));
    EXPECT_NE(dialog.CompareTable->item(row, CompareDialog::Setting)->background(),
              dialog.CompareTable->item(0, CompareDialog::Setting)->background());

    QTest::mouseClick(dialog.WriteDifferencesButton, Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return !Results(dialog).empty() && !form->PortLent(); }));
    EXPECT_EQ(Results(dialog), (std::map<std::string, QString>{{"slave-address", "verified"}}));
    EXPECT_TRUE(dialog.CompareTable->item(row, CompareDialog::Module)->text().contains("007"));

    // The module holds it: the page's own query, on the port given back, reads it.
    ASSERT_TRUE(form->link.PortIsOpen);
    QTest::mouseClick(form->systemPage->Button23, Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return form->systemPage->Edit14->text() == "007"; }, 4000));
    EXPECT_TRUE(messages.isEmpty()) << messages.join("|").toStdString();
}

TEST_F(CommissionWindow, CompareAsksForAProfileAndNamesRowsAsThePagesDo) {
    Start({});
    ReadConfiguration();
    // A name without an extension is saved as the open dialog lists it; the status line
    // says what was written.
    ASSERT_TRUE(form->commission->SaveProfileTo(dir.filePath("plain")));
    EXPECT_TRUE(QFileInfo::exists(dir.filePath("plain.json")));
    const int count = static_cast<int>(form->commission->ModuleSettings()->size());
    EXPECT_TRUE(form->LinkStatus->text().contains(QString::number(count)))
        << form->LinkStatus->text().toStdString();
    Profile edited = *form->commission->ModuleSettings();
    for (ProfileSetting& setting : edited)
        if (setting.key == "poll-interval")
            setting.value = "030";
    std::ofstream(dir.filePath("edited.json").toStdString()) << ProfileToJson(edited);

    // Without an open profile, Compare asks for one, and reads the module beside it.
    QStringList asked;
    form->commission->AskProfilePath = [&](const QString& title) {
        asked << title;
        return dir.filePath("edited.json");
    };
    Trigger("ActionCompareProfile");
    EXPECT_EQ(asked.size(), 1);
    ASSERT_TRUE(WaitFor([&] { return !form->commission->compareDialog.isNull(); }))
        << messages.join("|").toStdString();
    CompareDialog& dialog = *form->commission->compareDialog;
    // Compare only shows: the difference is marked but not ticked.
    EXPECT_TRUE(dialog.TickedKeys().empty());
    struct Row {
        std::string key;
        QString caption;
    };
    for (const Row& r : std::vector<Row>{
             {"poll-interval", "instrument communication interval"},
             {"rs485.baud", "RS485 Communication Parameter Settings: baud"},
             {"channel.2.hart.mode", "Instrument 2: HART mode"},
         }) {
        const int row = dialog.RowOf(r.key);
        ASSERT_GE(row, 0) << r.key;
        QTableWidgetItem* item = dialog.CompareTable->item(row, CompareDialog::Setting);
        EXPECT_EQ(item->text(), r.caption) << r.key;
        EXPECT_EQ(item->toolTip().toStdString(), r.key);
    }
    // Differences only: the one differing row is left.
    dialog.DifferencesOnly->setChecked(true);
    int shown = 0;
    for (int row = 0; row < dialog.CompareTable->rowCount(); ++row)
        shown += dialog.CompareTable->isRowHidden(row) ? 0 : 1;
    EXPECT_EQ(shown, 1);
    EXPECT_FALSE(dialog.CompareTable->isRowHidden(dialog.RowOf("poll-interval")));

    // Opening says what it loaded: the file and how many settings.
    ASSERT_TRUE(form->commission->OpenProfileFrom(dir.filePath("plain.json")));
    EXPECT_TRUE(form->LinkStatus->text().contains("plain.json"));
    EXPECT_TRUE(form->LinkStatus->text().contains(QString::number(count)));
}

TEST_F(CommissionWindow, AfterAWriteThePagesShowWhatTheModuleHolds) {
    Start({});
    ReadConfiguration();
    const Profile before = *form->commission->ModuleSettings();
    OpenEdited({{"slave-address", "007"}, {"poll-interval", "020"}});
    // Stale page contents, which only the module's answers can put right.
    form->systemPage->Edit14->setText("123");
    form->systemPage->Edit6->setText("999");
    Trigger("ActionWriteProfile");
    ASSERT_TRUE(WaitFor([&] { return !form->commission->compareDialog.isNull(); }));
    CompareDialog& dialog = *form->commission->compareDialog;
    QTest::mouseClick(dialog.WriteDifferencesButton, Qt::LeftButton);
    ASSERT_TRUE(
        WaitFor([&] { return !form->PortLent() && dialog.WriteDifferencesButton->isEnabled(); }));
    EXPECT_EQ(Results(dialog), (std::map<std::string, QString>{{"slave-address", "verified"},
                                                               {"poll-interval", "verified"}}));
    EXPECT_EQ(form->systemPage->Edit14->text(), "007");
    EXPECT_EQ(form->systemPage->Edit6->text(), "020");
    EXPECT_EQ(Find(*form->commission->ModuleSettings(), "poll-interval")->value, "020");
    EXPECT_TRUE(dialog.Summary->text().contains("Written and verified: slave-address, "
                                                "poll-interval. Refused: none. Not tried: none."))
        << dialog.Summary->text().toStdString();
    // The module as it was before the write is kept, and opens as a profile.
    const QStringList kept = QDir(dir.filePath("data/talmire/as-found")).entryList(QDir::Files);
    ASSERT_EQ(kept.size(), 1);
    EXPECT_TRUE(dialog.Summary->text().contains(kept[0])) << dialog.Summary->text().toStdString();
    ASSERT_TRUE(
        form->commission->OpenProfileFrom(dir.filePath("data/talmire/as-found/" + kept[0])));
    EXPECT_EQ(*form->commission->OpenedProfile(), before);
    EXPECT_TRUE(messages.isEmpty()) << messages.join("|").toStdString();
}

TEST_F(CommissionWindow, WriteStopsAtTheFirstGroupWithoutAnAnswerAndSumsUp) {
    Start({});
    ReadConfiguration();
    OpenEdited({{"slave-address", "007"}, {"poll-interval", "020"}, {"rs485.baud", "4"}});
    Trigger("ActionWriteProfile");
    ASSERT_TRUE(WaitFor([&] { return !form->commission->compareDialog.isNull(); }));
    CompareDialog& dialog = *form->commission->compareDialog;
    // The module falls silent before the write.
    ASSERT_EQ(kill(sim->pid, SIGSTOP), 0);
    QTest::mouseClick(dialog.WriteDifferencesButton, Qt::LeftButton);
    auto* box = dialog.findChild<QMessageBox*>("LineChangeBox");
    ASSERT_NE(box, nullptr);
    box->button(QMessageBox::Yes)->click();
    const bool ended =
        WaitFor([&] { return !form->PortLent() && dialog.WriteDifferencesButton->isEnabled(); });
    kill(sim->pid, SIGCONT);
    ASSERT_TRUE(ended);
    const std::map<std::string, QString> results = Results(dialog);
    ASSERT_EQ(results.size(), 3u) << dialog.Summary->text().toStdString();
    EXPECT_TRUE(results.at("slave-address").startsWith("failed: no answer"))
        << results.at("slave-address").toStdString();
    EXPECT_EQ(results.at("poll-interval"), "not tried");
    EXPECT_EQ(results.at("rs485.baud"), "not tried");
    const QString summary = dialog.Summary->text();
    EXPECT_TRUE(summary.startsWith("The write stopped at slave-address: no answer"))
        << summary.toStdString();
    EXPECT_TRUE(summary.contains("Written and verified: none. Refused: none. Not tried: "
                                 "poll-interval, rs485."))
        << summary.toStdString();
    // The line stays where it was: the line's group was never sent.
    EXPECT_EQ(form->ComboBox11->currentText(), "9600");
}

TEST_F(CommissionWindow, LineSpeedWriteAsksFirstAndThePortFollows) {
    Start({"--side", "rs485"});
    ReadConfiguration();
    OpenEdited({{"rs485.baud", "4"}}); // 19200
    Trigger("ActionWriteProfile");
    ASSERT_TRUE(WaitFor([&] { return !form->commission->compareDialog.isNull(); }));
    CompareDialog& dialog = *form->commission->compareDialog;
    QTest::mouseClick(dialog.WriteDifferencesButton, Qt::LeftButton);
    auto* box = dialog.findChild<QMessageBox*>("LineChangeBox");
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->text().contains("19200")) << box->text().toStdString();
    // Nothing is written before the answer.
    EXPECT_FALSE(form->PortLent());
    box->button(QMessageBox::Yes)->click();
    ASSERT_TRUE(WaitFor([&] { return !Results(dialog).empty() && !form->PortLent(); }));
    EXPECT_EQ(Results(dialog).at("rs485.baud"), "verified");
    EXPECT_EQ(form->ComboBox11->currentText(), "19200");
    EXPECT_TRUE(form->link.PortIsOpen);
}

TEST_F(CommissionWindow, FindModuleLeavesThePortOpenAtTheLineThatAnswered) {
    Start({"--baud", "19200", "--parity", "even", "--instruments", "4"});
    ASSERT_EQ(form->ComboBox11->currentText(), "9600");
    Trigger("ActionFindModule");
    ASSERT_FALSE(form->commission->scanDialog.isNull());
    ScanDialog& dialog = *form->commission->scanDialog;
    ASSERT_TRUE(WaitFor([&] { return !dialog.Running(); }, 60000));
    EXPECT_TRUE(form->link.PortIsOpen);
    EXPECT_FALSE(form->PortLent());
    EXPECT_EQ(form->ComboBox11->currentText(), "19200");
    // The interface's own answer at that line fills the page's interface type and count.
    EXPECT_EQ(form->ComboBox13->currentText(), "RS485");
    EXPECT_EQ(form->ComboBox1->currentText(), "4 instrument");
    // A pseudo-terminal cannot carry parity even apart from none, so the simulator answers
    // the first of the two that is tried; odd is told apart.
    EXPECT_TRUE(form->ComboBox10->currentText() == "Even" ||
                form->ComboBox10->currentText() == "None")
        << form->ComboBox10->currentText().toStdString();
    // Every try is listed, the last one the answer.
    ASSERT_GT(dialog.FoundList->count(), 1);
    EXPECT_TRUE(dialog.FoundList->item(0)->text().startsWith("9600 baud"));
    EXPECT_TRUE(dialog.FoundList->item(0)->text().endsWith("no answer"));
    EXPECT_TRUE(
        dialog.FoundList->item(dialog.FoundList->count() - 1)->text().startsWith("19200 baud"));
    // The window's own request goes through at the line found.
    QTest::mouseClick(form->Button6, Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return form->ComboBox13->currentText() == "RS485"; }, 4000));
}

TEST_F(CommissionWindow, HartScanFindsTheInstrumentAndADoubleClickChoosesIt) {
    Start({"--hart-address", "5"});
    Trigger("ActionScanHart");
    ASSERT_FALSE(form->commission->scanDialog.isNull());
    ScanDialog& dialog = *form->commission->scanDialog;
    ASSERT_TRUE(WaitFor([&] { return !dialog.Running(); }, 30000));
    ASSERT_EQ(dialog.FoundList->count(), 1) << dialog.Summary->text().toStdString();
    QListWidgetItem* item = dialog.FoundList->item(0);
    EXPECT_EQ(item->data(Qt::UserRole).toInt(), 5);
    EXPECT_TRUE(item->text().startsWith("address 5:")) << item->text().toStdString();
    // The identity as the HART page shows it, with the frame's hex beside.
    EXPECT_TRUE(item->text().contains("manufacturer 38 (0x26)")) << item->text().toStdString();
    EXPECT_TRUE(form->link.PortIsOpen);
    emit dialog.FoundList->itemDoubleClicked(item);
    EXPECT_EQ(form->hartPage->ComboBox30->ListValue(), 5);
}

TEST_F(CommissionWindow, ModbusScanStoppedMidwayGivesThePortBack) {
    Start({"--modbus-slave", "3"});
    form->modbusPage->Edit18->setText("001");
    Trigger("ActionScanModbus");
    ASSERT_FALSE(form->commission->scanDialog.isNull());
    ScanDialog& dialog = *form->commission->scanDialog;
    ASSERT_TRUE(WaitFor([&] { return dialog.FoundList->count() > 0; }));
    QTest::mouseClick(dialog.StopButton, Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return !dialog.Running(); }, 3000));
    EXPECT_EQ(dialog.Summary->text(), "Stopped.");
    EXPECT_LT(dialog.ScanProgress->value(), 20);
    EXPECT_FALSE(form->PortLent());
    EXPECT_TRUE(form->link.PortIsOpen);
    QListWidgetItem* item = dialog.FoundList->item(0);
    EXPECT_EQ(item->data(Qt::UserRole).toInt(), 3);
    emit dialog.FoundList->itemDoubleClicked(item);
    EXPECT_EQ(form->modbusPage->Edit18->text(), "003");
}

} // namespace
