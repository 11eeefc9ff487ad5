// The tool against the simulated module: what an engineer does on site, end to end.

#include "exchange/RequestCodes.h"
#include "tests/e2e/SimProcess.h"
#include "ui/Messages.h"
#include "ui/TForm1.h"

#include <QElapsedTimer>
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
        ASSERT_TRUE(form->PortIsOpen) << messages.join("|").toStdString();
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

    SimProcess sim;
    std::unique_ptr<TForm1> form;
    QStringList messages;
};

TEST_F(EndToEnd, CommunicationQueryThenSystemParameters) {
    form->Button16->setEnabled(false); // as a module would find them before the first answer
    Click(form->Button6);
    ASSERT_TRUE(WaitFor([&] { return form->PendingRequest == 0 && form->Button16->isEnabled(); }));
    EXPECT_EQ(form->ComboBox13->currentText(), "RS485");
    EXPECT_EQ(form->ComboBox1->currentText(), "1 instrument");

    Click(form->Button23);
    ASSERT_TRUE(WaitFor([&] { return form->Edit6->text() == "050"; }));
    EXPECT_EQ(form->Edit14->text(), "001");
    EXPECT_EQ(form->Edit18->text(), "001");
    EXPECT_EQ(form->ComboBox8->currentText(), "9600");
    EXPECT_EQ(form->ComboBox7->ItemIndex(), 0);
    EXPECT_TRUE(messages.isEmpty()) << messages.join("|").toStdString();
}

TEST_F(EndToEnd, SlaveAddressSetThenQueriedAgain) {
    form->Edit14->setText("7");
    Click(form->Button29);
    ASSERT_TRUE(WaitFor([&] { return form->Memo10->toPlainText() == "QQS OK"; }));
    EXPECT_EQ(form->PendingRequest, 0);
    Click(form->Button23);
    ASSERT_TRUE(WaitFor([&] { return form->Edit14->text() == "007"; }));
    // The MODBUS test now reads the module at its new address.
    EXPECT_EQ(form->Edit18->text(), "007");
    Click(form->Button4);
    ASSERT_TRUE(WaitFor([&] { return form->Memo10->toPlainText().startsWith("07 03 14 41 40 "); }))
        << form->Memo10->toPlainText().toStdString();
}

TEST_F(EndToEnd, InstrumentChannelQueryAndCustomCommand) {
    form->ComboBox41->SetItemIndex(2);
    emit form->ComboBox41->UserChanged();
    ASSERT_TRUE(WaitFor([&] { return form->Edit1->text() == "010"; }));
    EXPECT_EQ(form->ComboBox17->ItemIndex(), 1);
    EXPECT_EQ(form->Label19->text(), "40021");
    // Make it a custom instrument with a read command, then read the channel back.
    form->ComboBox6->SetItemIndex(1);
    form->ComboBox16->SetItemIndex(1);
    form->ComboBox17->SetItemIndex(0);
    form->ComboBox34->SetItemIndex(1);
    Click(form->Button10);
    ASSERT_TRUE(WaitFor([&] { return form->Memo10->toPlainText() == "QQS OK"; }));
    form->ComboBox28->SetItemIndex(1);
    form->Edit4->setText("01 0A FF");
    Click(form->Button17);
    ASSERT_TRUE(WaitFor([&] { return form->Memo10->toPlainText() == "QQS OK"; }));
    form->Edit4->clear();
    Click(form->Button31);
    ASSERT_TRUE(WaitFor([&] { return form->Edit4->text() == "01 0A FF"; }));
    EXPECT_FALSE(form->GroupBox13->isHidden());
}

TEST_F(EndToEnd, HartIdentityVariablesAndReaddressing) {
    Click(form->Button7);
    ASSERT_TRUE(WaitFor([&] { return form->Edit32->text() == "1193046"; }));
    EXPECT_EQ(form->Edit28->text(), "38");
    Click(form->Button16);
    ASSERT_TRUE(WaitFor([&] { return form->Edit25->text() == "25.5"; }));
    EXPECT_EQ(form->Edit30->text(), "100");
    EXPECT_EQ(form->HLabel3->text(), "1.25");
    EXPECT_EQ(form->ComboBox3->currentText().trimmed(), QString(QChar(0x2103)));

    // Move the instrument to address 4, then find it there.
    form->ComboBox27->SetItemIndex(4);
    Click(form->Button14);
    ASSERT_TRUE(WaitFor([&] { return !form->Memo10->toPlainText().isEmpty(); }));
    form->ComboBox30->SetItemIndex(0);
    Click(form->Button7);
    ASSERT_TRUE(WaitFor([&] { return !form->Timer3->Enabled(); }));
    EXPECT_EQ(form->Edit32->text(), ""); // nobody at address 0 any more
    messages.clear();
    form->ComboBox30->SetItemIndex(4);
    Click(form->Button7);
    ASSERT_TRUE(WaitFor([&] { return form->Edit32->text() == "1193046"; }));
    EXPECT_EQ(form->ComboBox27->ItemIndex(), 4);
}

TEST_F(EndToEnd, Rs485SettingClosesThePortAndTheModuleSwitchesItsLine) {
    form->ComboBox8->SetItemIndex(4); // 19200
    form->ComboBox9->SetItemIndex(0);
    Click(form->Button9);
    ASSERT_TRUE(WaitFor([&] { return form->Memo10->toPlainText() == "QQS OK"; }));
    ASSERT_TRUE(WaitFor([&] { return !form->PortIsOpen; }, 4000));
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

} // namespace
