// What the window keeps between runs: the port list's order and the recent ports, the
// window's size, and a start state that stays as the layout says.

#include "ui/WindowSession.h"
#include "tests/serial/PtyPair.h"
#include "ui/PortNames.h"
#include "ui/TForm1.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

namespace {

QStringList Coms() {
    QStringList names;
    for (int i = 1; i <= 12; ++i)
        names << QString("COM%1").arg(i);
    return names;
}

TEST(PortList, ComPortsThenRecentThenFoundEachOnce) {
    const QString byId = "/dev/serial/by-id/usb-FTDI_FT232R-if00-port0";
    struct Case {
        QStringList recent;
        QStringList found;
        QStringList after; // what follows "COM1" ... "COM12"
    };
    const Case table[] = {
        {{}, {}, {}},
        {{}, {"/dev/ttyUSB0", "/dev/ttyS0"}, {"/dev/ttyUSB0", "/dev/ttyS0"}},
        {{byId, "/tmp/ttyTALMIRE"},
         {"/dev/ttyUSB0", byId, "/tmp/ttyTALMIRE"},
         {byId, "/tmp/ttyTALMIRE", "/dev/ttyUSB0"}},
        {{"COM4", "COM13", ""}, {"COM13"}, {"COM13"}},
    };
    for (const Case& c : table)
        EXPECT_EQ(PortListItems(c.recent, c.found), Coms() + c.after)
            << c.recent.join(",").toStdString();
}

TEST(PortList, ComNamesStandForTheOnboardPorts) {
    struct Case {
        const char* name;
        const char* path;
    };
    for (const Case c :
         {Case{"COM1", "/dev/ttyS0"}, Case{"COM12", "/dev/ttyS11"}, Case{"COM0", "COM0"},
          Case{"com4", "com4"}, Case{"COM4x", "COM4x"}, Case{"/tmp/ttyTALMIRE", "/tmp/ttyTALMIRE"}})
        EXPECT_EQ(PortDevicePath(c.name), c.path) << c.name;
}

// The application names its organisation, as main() does, with the settings in a scratch
// folder; a program that names none keeps nothing.
class Session : public ::testing::Test {
protected:
    void SetUp() override {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, config.path());
        QCoreApplication::setOrganizationName("Talmire");
        QCoreApplication::setApplicationName("TALMIRE");
    }
    void TearDown() override {
        QCoreApplication::setOrganizationName({});
        QCoreApplication::setApplicationName({});
    }
    QTemporaryDir config;
};

TEST_F(Session, SizeAndRecentPortsComeBackAndTheStartStateStays) {
    PtyPair pty;
    // A stable name of the device, as /dev/serial/by-id gives one.
    const QString byId = QDir(config.path()).filePath("usb-FTDI_FT232R-if00-port0");
    ASSERT_TRUE(QFile::link(QString::fromStdString(pty.path), byId));
    QSize kept;
    {
        TForm1 form;
        form.show();
        form.resize(850, 560);
        kept = form.size();
        ASSERT_NE(kept, QSize(1100, 640));
        form.SPREALCOM->ShowText(byId);
        QTest::mouseClick(form.Button1, Qt::LeftButton);
        ASSERT_TRUE(form.link.PortIsOpen);
        QTest::mouseClick(form.Button1, Qt::LeftButton);
        form.close();
    }
    EXPECT_TRUE(QFile::exists(QDir(config.path()).filePath("Talmire/TALMIRE.conf")));

    TForm1 form;
    form.show();
    EXPECT_EQ(form.size(), kept);
    // The start state is the layout's: twelve ports, "COM4" shown.
    EXPECT_EQ(form.SPREALCOM->count(), 12);
    EXPECT_EQ(form.SPREALCOM->currentText(), "COM4");
    EXPECT_EQ(form.SPREALCOM->ItemIndex(), 3);
    EXPECT_EQ(form.PageControl1->currentIndex(), 0);
    EXPECT_TRUE(form.Memo10->toPlainText().isEmpty());
    // The list offers the port right after the twelve, by the name it was opened with.
    form.RefreshPortList();
    ASSERT_GT(form.SPREALCOM->count(), 12);
    EXPECT_EQ(form.SPREALCOM->itemText(12), byId);
    EXPECT_EQ(form.SPREALCOM->currentText(), "COM4");
    // An adapter that is not plugged in is not offered.
    QFile::remove(byId);
    form.RefreshPortList();
    EXPECT_EQ(form.SPREALCOM->findText(byId), -1);
}

TEST(SessionNotKept, WithoutAnOrganisationNothingIsKept) {
    ASSERT_TRUE(QCoreApplication::organizationName().isEmpty());
    RememberPort("/dev/ttyUSB0");
    SaveWindowGeometry("x");
    EXPECT_TRUE(RecentPorts().isEmpty());
    EXPECT_TRUE(SavedWindowGeometry().isEmpty());
}

} // namespace
