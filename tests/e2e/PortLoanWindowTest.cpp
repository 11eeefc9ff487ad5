// The window's port lent to its tools, against the simulated module: a module that goes
// away while a tool holds the port, a second tool asking while one holds it, and an opening
// that fails.

#include "commission/ModuleProfile.h"
#include "tests/e2e/SimWindow.h"
#include "traffic/TrafficLogModel.h"
#include "ui/CommissionTools.h"
#include "ui/CompareDialog.h"
#include "ui/Messages.h"
#include "ui/MonitorDock.h"
#include "ui/ScanDialog.h"
#include "ui/TForm1.h"
#include "ui/TrafficDock.h"

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <memory>

namespace {

class PortLoanWindow : public SimWindow {
protected:
    // The module goes away at once, and its device with it, as an unplugged adapter does
    // (the link would otherwise name a terminal number that the system gives out again).
    void KillSim() {
        kill(sim->pid, SIGKILL);
        int status = 0;
        waitpid(sim->pid, &status, 0);
        sim->pid = -1;
        ::unlink(sim->link.c_str());
    }
    MonitorDock* StartMonitor() {
        if (!form->ActionMonitor->isChecked())
            form->ActionMonitor->trigger();
        auto* dock = form->findChild<MonitorDock*>("MonitorDock");
        if (dock != nullptr)
            QTest::mouseClick(dock->findChild<QPushButton*>("MonitorStartButton"), Qt::LeftButton);
        return dock;
    }
    void ReadConfiguration() {
        Trigger("ActionReadConfiguration");
        ASSERT_TRUE(WaitForEvents([&] { return !form->PortLent(); }, 20000));
        ASSERT_TRUE(form->commission->ModuleSettings().has_value()) << Said();
    }
    // Reads the module, opens its profile with one setting changed and presses the write.
    void StartProfileWrite() {
        ReadConfiguration();
        Profile profile = *form->commission->ModuleSettings();
        for (ProfileSetting& setting : profile)
            if (setting.key == "slave-address")
                setting.value = "007";
        const QString path = dir.filePath("edited.json");
        std::ofstream(path.toStdString()) << ProfileToJson(profile);
        ASSERT_TRUE(form->commission->OpenProfileFrom(path)) << Said();
        Trigger("ActionWriteProfile");
        ASSERT_TRUE(WaitForEvents([&] { return !form->commission->compareDialog.isNull(); }, 20000))
            << Said();
        QTest::mouseClick(form->commission->compareDialog->WriteDifferencesButton, Qt::LeftButton);
    }
    QString LastLogRow() {
        TrafficLogModel& log = form->trafficDock->Model();
        log.Flush();
        return log.rowCount() == 0
                   ? QString()
                   : log.CellText(log.rowCount() - 1, TrafficLogModel::MeaningColumn);
    }

    QTemporaryDir dir;
};

TEST_F(PortLoanWindow, AToolThatLosesTheModuleGivesTheWindowBackClosedAndSaysWhy) {
    struct Tool {
        const char* name;
        std::vector<std::string> simOptions; // slow answers keep the tool at work
        std::function<void()> start;
    };
    const std::vector<Tool> tools = {
        {"MODBUS scan", {}, [this] { Trigger("ActionScanModbus"); }},
        {"HART scan", {}, [this] { Trigger("ActionScanHart"); }},
        {"monitor", {}, [this] { ASSERT_NE(StartMonitor(), nullptr); }},
        {"read whole configuration",
         {"--turnaround-ms", "400"},
         [this] { Trigger("ActionReadConfiguration"); }},
        {"profile write", {"--turnaround-ms", "400"}, [this] { StartProfileWrite(); }},
    };
    for (const Tool& tool : tools) {
        SCOPED_TRACE(tool.name);
        Start(tool.simOptions);
        tool.start();
        ASSERT_TRUE(form->PortLent()) << Said();
        EXPECT_FALSE(form->PageControl1->isEnabled());
        QTest::qWait(300);
        ASSERT_TRUE(form->PortLent()) << "the tool ended before the module went away";
        KillSim();
        ASSERT_TRUE(WaitForEvents([&] { return !form->PortLent(); }, 20000));
        // The window lives on, with the pages and the port row back and the port closed.
        EXPECT_TRUE(form->PageControl1->isEnabled());
        EXPECT_TRUE(form->GroupBox1->isEnabled());
        EXPECT_FALSE(form->link.PortIsOpen);
        EXPECT_EQ(form->Button1->text(), "open");
        const QString status = form->LinkStatus->text();
        EXPECT_TRUE(status.contains(QString::fromStdString(sim->link) + " cannot be opened") &&
                    status.contains("no such device") && status.contains("waiting"))
            << status.toStdString();
        EXPECT_TRUE(LastLogRow().contains("no such device")) << LastLogRow().toStdString();
        // At most one box, and never the opening's error report.
        EXPECT_LE(messages.size(), 1) << Said();
        EXPECT_FALSE(messages.contains("Error opening serial port.")) << Said();
        // A scan says the same of the port it gave back.
        if (!form->commission->scanDialog.isNull()) {
            const QString summary = form->commission->scanDialog->Summary->text();
            EXPECT_TRUE(summary.contains("The port cannot be opened again: no such device"))
                << summary.toStdString();
        }
        // The lost-port watch has taken over: the module back, the port opens by itself.
        sim.reset();
        sim = std::make_unique<SimProcess>();
        EXPECT_TRUE(WaitForEvents([&] { return form->link.PortIsOpen; }, 5000))
            << form->LinkStatus->text().toStdString();
        TearDown();
        messages.clear();
    }
}

TEST_F(PortLoanWindow, ASecondToolIsRefusedNamingTheHolderAndThePagesWaitForTheFirst) {
    Start({"--modbus-slave", "3"});
    Trigger("ActionScanModbus");
    ASSERT_FALSE(form->commission->scanDialog.isNull());
    ScanDialog& scan = *form->commission->scanDialog;
    QTest::mouseClick(scan.StopButton, Qt::LeftButton);
    ASSERT_TRUE(WaitForEvents([&] { return !scan.Running() && !form->PortLent(); }, 5000));
    ASSERT_TRUE(form->link.PortIsOpen);

    MonitorDock* monitor = StartMonitor();
    ASSERT_TRUE(monitor != nullptr && monitor->Running()) << Said();
    messages.clear();
    QTest::mouseClick(scan.StartButton, Qt::LeftButton);
    Trigger("ActionReadConfiguration");
    // Each is refused by name, nothing starts, and the monitor keeps the port and the pages.
    EXPECT_EQ(messages.size(), 2) << Said();
    for (const QString& message : messages)
        EXPECT_TRUE(message.contains("in use by the monitor")) << message.toStdString();
    EXPECT_FALSE(scan.Running());
    EXPECT_FALSE(form->commission->Reading());
    EXPECT_TRUE(monitor->Running());
    EXPECT_EQ(form->Loan().Holder(), "the monitor");
    EXPECT_FALSE(form->PageControl1->isEnabled());

    monitor->Stop();
    ASSERT_TRUE(WaitForEvents([&] { return !monitor->Running(); }, 5000));
    EXPECT_FALSE(form->PortLent());
    EXPECT_TRUE(form->PageControl1->isEnabled());
    EXPECT_TRUE(form->link.PortIsOpen);
}

TEST_F(PortLoanWindow, TheLostPortWatchWaitsUntilTheLoanEnds) {
    Start({});
    const std::string lost = sim->link;
    KillSim();
    ASSERT_TRUE(WaitForEvents([&] { return !form->link.PortIsOpen; }, 5000));
    // A second module on another line; the monitor borrows the port to read it.
    SimProcess other;
    form->SPREALCOM->ShowText(QString::fromStdString(other.link));
    MonitorDock* monitor = StartMonitor();
    ASSERT_TRUE(monitor != nullptr && monitor->Running()) << Said();
    // The lost device comes back while the monitor holds the port: nothing opens.
    sim = std::make_unique<SimProcess>();
    ASSERT_EQ(sim->link, lost);
    WaitForEvents([] { return false; }, 500);
    EXPECT_FALSE(form->link.PortIsOpen);
    EXPECT_TRUE(monitor->Running());
    EXPECT_EQ(form->Loan().Holder(), "the monitor");
    // The end of the loan opens it.
    monitor->Stop();
    ASSERT_TRUE(WaitForEvents([&] { return !monitor->Running(); }, 5000));
    EXPECT_TRUE(form->link.PortIsOpen);
    EXPECT_EQ(form->link.Comm1.CommName(), lost);
    EXPECT_TRUE(form->LinkStatus->text().startsWith("reconnected"))
        << form->LinkStatus->text().toStdString();
}

TEST_F(PortLoanWindow, AFailedOpeningLeavesEveryControlAndNamesTheCause) {
    Start({});
    const QString simLine = QString::fromStdString(sim->link);
    const QString gone = dir.filePath("ttyGone");
    struct Case {
        const char* what;
        bool closeFirst;  // the query button is disabled after a close
        bool heldByOther; // a second holder of the line, as another program would be
        QString port;
        const char* cause;
    };
    const std::vector<Case> cases = {
        {"missing device at start", false, false, gone, "no such device"},
        {"missing device after a close", true, false, gone, "no such device"},
        {"in use by another program", false, true, simLine, "in use by another program"},
        {"in use after a close", true, true, simLine, "in use by another program"},
    };
    TComm other;
    other.SetCommName(sim->link);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        form = std::make_unique<TForm1>();
        if (c.closeFirst) {
            form->SPREALCOM->ShowText(simLine);
            QTest::mouseClick(form->Button1, Qt::LeftButton);
            QTest::mouseClick(form->Button1, Qt::LeftButton);
            ASSERT_FALSE(form->link.PortIsOpen);
        }
        if (c.heldByOther)
            other.OpenPort();
        const bool queryEnabled = form->Button6->isEnabled();
        EXPECT_EQ(queryEnabled, !c.closeFirst);
        form->SPREALCOM->ShowText(c.port);
        messages.clear();
        QTest::mouseClick(form->Button1, Qt::LeftButton);
        other.ClosePort();
        // The box keeps its words; the status line and the log add the cause.
        EXPECT_EQ(messages, QStringList{"Error opening serial port."});
        EXPECT_FALSE(form->link.PortIsOpen);
        EXPECT_EQ(form->Button1->text(), "open");
        EXPECT_EQ(form->Button6->isEnabled(), queryEnabled);
        EXPECT_TRUE(form->LinkStatus->text().contains(c.cause))
            << form->LinkStatus->text().toStdString();
        EXPECT_TRUE(LastLogRow().contains(c.cause)) << LastLogRow().toStdString();
    }
}

} // namespace
