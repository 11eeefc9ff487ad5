// The tool against the simulated module: what an engineer does on site, end to end.

#include "link/RequestTable.h"
#include "tests/e2e/SimProcess.h"
#include "ui/Messages.h"
#include "ui/TForm1.h"
#include "ui/TrafficDock.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

namespace {

class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(sim.ready.find("ready"), std::string::npos) << sim.ready;
        SetMessageSink([this](MessageKind, const QString& text) { messages << text; });
        form = std::make_unique<TForm1>();
        form->show();
        Open();
    }
    void TearDown() override {
        form.reset();
        SetMessageSink(nullptr);
    }
    void Open() {
        form->SPREALCOM->ShowText(QString::fromStdString(sim.link));
        QTest::mouseClick(form->Button1, Qt::LeftButton);
        ASSERT_TRUE(form->link.PortIsOpen) << messages.join("|").toStdString();
    }
    static bool WaitFor(const std::function<bool()>& done, int ms = 4000) {
        QElapsedTimer timer;
        timer.start();
        while (!done()) {
            if (timer.elapsed() > ms)
                return false;
            QTest::qWait(10);
        }
        return true;
    }
    // Clicks and waits until the reply was handled (the request ended or was decoded).
    void Click(QPushButton* button) { QTest::mouseClick(button, Qt::LeftButton); }

    static QString LastRowMeaning(TrafficLogModel& log) {
        log.Flush();
        return log.rowCount() == 0
                   ? QString()
                   : log.CellText(log.rowCount() - 1, TrafficLogModel::MeaningColumn);
    }

    SimProcess sim;
    std::unique_ptr<TForm1> form;
    QStringList messages;
};

TEST_F(EndToEnd, CommunicationQueryThenSystemParameters) {
    form->hartPage->Button16->setEnabled(
        false); // as a module would find them before the first answer
    Click(form->Button6);
    ASSERT_TRUE(WaitFor([&] {
        return form->link.PendingRequest == RequestKind::None &&
               form->hartPage->Button16->isEnabled();
    }));
    EXPECT_EQ(form->ComboBox13->currentText(), "RS485");
    EXPECT_EQ(form->ComboBox1->currentText(), "1 instrument");

    Click(form->systemPage->Button23);
    ASSERT_TRUE(WaitFor([&] { return form->systemPage->Edit6->text() == "050"; }));
    EXPECT_EQ(form->systemPage->Edit14->text(), "001");
    EXPECT_EQ(form->modbusPage->Edit18->text(), "001");
    EXPECT_EQ(form->systemPage->ComboBox8->currentText(), "9600");
    EXPECT_EQ(form->systemPage->ComboBox7->ItemIndex(), 0);
    EXPECT_TRUE(messages.isEmpty()) << messages.join("|").toStdString();
}

TEST_F(EndToEnd, SlaveAddressSetThenQueriedAgain) {
    form->systemPage->Edit14->setText("7");
    Click(form->systemPage->Button29);
    ASSERT_TRUE(WaitFor([&] { return form->Memo10->toPlainText() == "QQS OK"; }));
    EXPECT_EQ(form->link.PendingRequest, RequestKind::None);
    Click(form->systemPage->Button23);
    ASSERT_TRUE(WaitFor([&] { return form->systemPage->Edit14->text() == "007"; }));
    // The MODBUS test now reads the module at its new address.
    EXPECT_EQ(form->modbusPage->Edit18->text(), "007");
    Click(form->modbusPage->Button4);
    ASSERT_TRUE(WaitFor([&] { return form->Memo10->toPlainText().startsWith("07 03 14 41 40 "); }))
        << form->Memo10->toPlainText().toStdString();
}

TEST_F(EndToEnd, InstrumentChannelQueryAndCustomCommand) {
    form->modbusPage->ComboBox41->SetItemIndex(2);
    emit form->modbusPage->ComboBox41->UserChanged();
    ASSERT_TRUE(WaitFor([&] { return form->modbusPage->Edit1->text() == "010"; }));
    EXPECT_EQ(form->modbusPage->ComboBox17->ItemIndex(), 1);
    EXPECT_EQ(form->modbusPage->Label19->text(), "40021");
    // Make it a custom instrument with a read command, then read the channel back.
    form->modbusPage->ComboBox6->SetItemIndex(1);
    form->modbusPage->ComboBox16->SetItemIndex(1);
    form->modbusPage->ComboBox17->SetItemIndex(0);
    form->modbusPage->ComboBox34->SetItemIndex(1);
    Click(form->modbusPage->Button10);
    ASSERT_TRUE(WaitFor([&] { return form->Memo10->toPlainText() == "QQS OK"; }));
    form->modbusPage->ComboBox28->SetItemIndex(1);
    form->modbusPage->Edit4->setText("01 0A FF");
    Click(form->modbusPage->Button17);
    ASSERT_TRUE(WaitFor([&] { return form->Memo10->toPlainText() == "QQS OK"; }));
    form->modbusPage->Edit4->clear();
    Click(form->modbusPage->Button31);
    ASSERT_TRUE(WaitFor([&] { return form->modbusPage->Edit4->text() == "01 0A FF"; }));
    EXPECT_FALSE(form->modbusPage->GroupBox13->isHidden());
}

TEST_F(EndToEnd, HartIdentityVariablesAndReaddressing) {
    Click(form->hartPage->Button7);
    ASSERT_TRUE(WaitFor([&] { return form->hartPage->Edit32->text() == "1193046"; }));
    EXPECT_EQ(form->hartPage->Edit28->text(), "38");
    Click(form->hartPage->Button16);
    ASSERT_TRUE(WaitFor([&] { return form->hartPage->Edit25->text() == "25.5"; }));
    EXPECT_EQ(form->hartPage->Edit30->text(), "100");
    EXPECT_EQ(form->modbusPage->HLabel3->text(), "1.25");
    EXPECT_EQ(form->hartPage->ComboBox3->currentText().trimmed(), QString(QChar(0x2103)));

    // Move the instrument to address 4, then find it there.
    form->hartPage->ComboBox27->SetItemIndex(4);
    Click(form->hartPage->Button14);
    ASSERT_TRUE(WaitFor([&] { return !form->Memo10->toPlainText().isEmpty(); }));
    form->hartPage->ComboBox30->SetItemIndex(0);
    Click(form->hartPage->Button7);
    ASSERT_TRUE(WaitFor([&] { return !form->link.Timer3->Enabled(); }));
    EXPECT_EQ(form->hartPage->Edit32->text(), ""); // nobody at address 0 any more
    messages.clear();
    form->hartPage->ComboBox30->SetItemIndex(4);
    Click(form->hartPage->Button7);
    ASSERT_TRUE(WaitFor([&] { return form->hartPage->Edit32->text() == "1193046"; }));
    EXPECT_EQ(form->hartPage->ComboBox27->ItemIndex(), 4);
}

// The traffic log opened by its shortcut shows one exchange of each protocol, decoded, with
// the round trip on the reply's first chunk; then a time-out and line errors as rows.
TEST_F(EndToEnd, TrafficLogShowsEachExchangeDecoded) {
    ASSERT_FALSE(form->trafficDock->isVisible());
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    QTest::keyClick(form.get(), Qt::Key_L, Qt::ControlModifier);
    ASSERT_TRUE(form->trafficDock->isVisible());
    TrafficLogModel& log = form->trafficDock->Model();
    const auto waitRows = [&](int rows) {
        return WaitFor([&] {
            log.Flush();
            return log.rowCount() >= rows;
        });
    };

    Click(form->Button6);
    ASSERT_TRUE(waitRows(2));
    Click(form->hartPage->Button7);
    ASSERT_TRUE(WaitFor([&] { return form->hartPage->Edit32->text() == "1193046"; }));
    ASSERT_TRUE(waitRows(4));

    struct Expected {
        const char* direction;
        const char* meaningStart;
        bool roundTrip;
    };
    const Expected rows[] = {
        {"TX", "communication query", false},
        {"RX", "reply to communication query: interface RS485", true},
        {"TX", "HART", false},
        {"RX", "HART", true},
    };
    for (int r = 0; r < 4; ++r) {
        SCOPED_TRACE(r);
        EXPECT_EQ(log.CellText(r, TrafficLogModel::DirectionColumn), rows[r].direction);
        EXPECT_TRUE(
            log.CellText(r, TrafficLogModel::MeaningColumn).startsWith(rows[r].meaningStart))
            << log.CellText(r, TrafficLogModel::MeaningColumn).toStdString();
        EXPECT_EQ(!log.CellText(r, TrafficLogModel::RoundTripColumn).isEmpty(), rows[r].roundTrip);
        EXPECT_FALSE(log.CellText(r, TrafficLogModel::HexColumn).isEmpty());
    }
    EXPECT_TRUE(log.CellText(3, TrafficLogModel::MeaningColumn).contains("checksum ok"));
    // The round trip is the module's answer time, not the window's receive pause.
    EXPECT_LT(log.Row(1).roundTripMs, 250);

    // Three reads with parity errors and one with a framing error in one turn: one row.
    const std::uint32_t reads[] = {CommErrorParity, CommErrorParity | CommErrorFrame,
                                   CommErrorParity};
    for (const std::uint32_t flags : reads)
        form->link.Comm1.OnReceiveError(&form->link.Comm1, flags);
    ASSERT_TRUE(waitRows(5));
    EXPECT_EQ(log.CellText(4, TrafficLogModel::MeaningColumn), "framing error, parity error x3");
    EXPECT_EQ(form->LinkStatus->text(), "line errors: check speed and parity");

    // A module that stopped answering: the request's time-out becomes a row.
    kill(sim.pid, SIGSTOP);
    Click(form->Button6);
    const bool timedOut =
        WaitFor([&] { return LastRowMeaning(log).startsWith("no reply after"); }, 6000);
    kill(sim.pid, SIGCONT);
    EXPECT_TRUE(timedOut) << LastRowMeaning(log).toStdString();
}

TEST_F(EndToEnd, Rs485SettingClosesThePortAndTheModuleSwitchesItsLine) {
    form->systemPage->ComboBox8->SetItemIndex(4); // 19200
    form->systemPage->ComboBox9->SetItemIndex(0);
    Click(form->systemPage->Button9);
    ASSERT_TRUE(WaitFor([&] { return form->Memo10->toPlainText() == "QQS OK"; }));
    ASSERT_TRUE(WaitFor([&] { return !form->link.PortIsOpen; }, 4000));
    // At the old speed the module no longer answers.
    Open();
    messages.clear();
    Click(form->Button6);
    ASSERT_TRUE(WaitFor([&] { return !messages.isEmpty(); }, 5000));
    EXPECT_EQ(messages.first(), "connection time out!");
    // At the new one it does.
    Click(form->Button1);
    form->ComboBox11->SetItemIndex(4);
    Open();
    Click(form->Button6);
    ASSERT_TRUE(WaitFor([&] { return form->Memo10->toPlainText() == "QV:10"; }));
}

// An unplugged adapter plugged in again: the window opens the same path with the same line
// settings by itself, says so under the receive field, and the module answers.
TEST_F(EndToEnd, LostPortIsReopenedWhenItsDeviceComesBack) {
    Click(form->Button1); // closed: the module is set to 19200 baud from here on
    form->ComboBox11->SetItemIndex(4);
    kill(sim.pid, SIGTERM); // frees the link for a module at the new speed
    waitpid(sim.pid, nullptr, 0);
    sim.pid = -1;
    auto module = std::make_unique<SimProcess>(std::vector<std::string>{"--baud", "19200"});
    ASSERT_EQ(module->link, sim.link);
    Open();

    module.reset(); // unplugged: the far end hangs up and its link goes
    ASSERT_TRUE(WaitFor([&] { return !form->link.PortIsOpen; }));
    EXPECT_TRUE(form->LinkStatus->text().contains(" was lost at "))
        << form->LinkStatus->text().toStdString();
    EXPECT_TRUE(messages.join("|").contains("serial port was lost"));

    module = std::make_unique<SimProcess>(std::vector<std::string>{"--baud", "19200"});
    ASSERT_TRUE(WaitFor([&] { return form->link.PortIsOpen; }));
    EXPECT_EQ(form->Button1->text(), "close");
    EXPECT_TRUE(form->Button6->isEnabled());
    const QRegularExpression said("^reconnected to " +
                                  QRegularExpression::escape(QString::fromStdString(sim.link)) +
                                  " at \\d\\d:\\d\\d:\\d\\d$");
    EXPECT_TRUE(said.match(form->LinkStatus->text()).hasMatch())
        << form->LinkStatus->text().toStdString();
    Click(form->Button6);
    ASSERT_TRUE(WaitFor([&] { return form->Memo10->toPlainText() == "QV:10"; }));

    // Closed by hand, the port stays closed when its device comes and goes.
    Click(form->Button1);
    module.reset();
    module = std::make_unique<SimProcess>(std::vector<std::string>{"--baud", "19200"});
    QTest::qWait(300);
    EXPECT_FALSE(form->link.PortIsOpen);
}

} // namespace
