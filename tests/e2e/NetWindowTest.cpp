// The window with its port a network port: the simulated module behind Debian's ser2net,
// reached over RFC 2217 on the loopback address, as a plant's serial device server is.

#include "link/RequestTable.h"
#include "tests/EventWait.h"
#include "tests/e2e/SimProcess.h"
#include "tests/serial/Ser2net.h"
#include "ui/CommissionTools.h"
#include "ui/Messages.h"
#include "ui/TForm1.h"

#include <QAction>
#include <QLabel>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

namespace {

class NetWindow : public ::testing::Test {
protected:
    void SetUp() override {
        if (!Ser2netInstalled())
            GTEST_SKIP() << "ser2net is not installed (Debian package ser2net)";
        ASSERT_NE(sim.ready.find("ready"), std::string::npos) << sim.ready;
        server = std::make_unique<Ser2net>(sim.link);
        ASSERT_FALSE(server->Url().empty()) << "ser2net did not come up";
        SetMessageSink([this](MessageKind, const QString& text) { messages << text; });
        form = std::make_unique<TForm1>();
        form->show();
        form->SPREALCOM->ShowText(QString::fromStdString(server->Url()));
        QTest::mouseClick(form->Button1, Qt::LeftButton);
        ASSERT_TRUE(form->link.PortIsOpen) << messages.join("|").toStdString();
    }
    void TearDown() override {
        form.reset();
        SetMessageSink(nullptr);
    }
    void CommunicationQuery() {
        form->ComboBox13->setCurrentIndex(-1);
        QTest::mouseClick(form->Button6, Qt::LeftButton);
        EXPECT_TRUE(
            WaitForEvents([&] { return form->ComboBox13->currentText() == "RS485"; }, 5000));
        EXPECT_TRUE(
            WaitForEvents([&] { return form->link.PendingRequest == RequestKind::None; }, 5000));
    }

    SimProcess sim;
    std::unique_ptr<Ser2net> server;
    std::unique_ptr<TForm1> form;
    QStringList messages;
};

TEST_F(NetWindow, CommunicationQuerySystemParametersAndAProfileReadOverRfc2217) {
    CommunicationQuery();

    QTest::mouseClick(form->systemPage->Button23, Qt::LeftButton);
    EXPECT_TRUE(WaitForEvents([&] { return form->systemPage->Edit6->text() == "050"; }, 5000));
    EXPECT_EQ(form->systemPage->Edit14->text(), "001");

    auto* read = form->findChild<QAction*>("ActionReadConfiguration");
    ASSERT_NE(read, nullptr);
    read->trigger();
    ASSERT_TRUE(WaitForEvents([&] { return !form->PortLent(); }, 30000));
    EXPECT_TRUE(form->commission->ModuleSettings().has_value()) << messages.join("|").toStdString();
    EXPECT_TRUE(form->link.PortIsOpen);
}

TEST_F(NetWindow, AServerThatDiesIsALostPortAndTheWindowReconnectsWhenItIsBack) {
    const int port = server->port;
    server->Stop(SIGKILL);
    ASSERT_TRUE(WaitForEvents([&] { return !form->link.PortIsOpen; }, 5000));
    EXPECT_TRUE(form->LinkStatus->text().contains("was lost"))
        << form->LinkStatus->text().toStdString();
    server = std::make_unique<Ser2net>(sim.link, port);
    ASSERT_FALSE(server->Url().empty());
    ASSERT_TRUE(WaitForEvents([&] { return form->link.PortIsOpen; }, 5000));
    EXPECT_TRUE(form->LinkStatus->text().contains("reconnected to rfc2217://"))
        << form->LinkStatus->text().toStdString();
    CommunicationQuery();
}

} // namespace
