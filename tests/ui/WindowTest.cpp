// The window as a whole: its initial state, opening the port, the receive routes, the
// time-outs, the auto-close and a lost line.

#include "link/RequestTable.h"
#include "tests/ui/WindowFixture.h"

#include <QAbstractItemView>
#include <QLineEdit>
#include <QSignalSpy>

namespace {

using Window = WindowFixture;

TEST_F(Window, InitialStateOfNamedControls) {
    struct Expect {
        const char* name;
        const char* text; // caption, edit text or list text
        int index;        // list selection (-2: not a list)
    };
    const Expect table[] = {
        {"Button1", "open", -2},
        {"Button6", "communication query", -2},
        {"SPREALCOM", "COM4", 3},
        {"ComboBox11", "9600", 3},
        {"ComboBox10", "None", 0},
        {"ComboBox13", "RS232", 0},
        {"ComboBox1", "1 instrument", -1},
        {"ComboBox2", "", -1},
        {"ComboBox7", "Transparent Operating Mode", -1},
        {"XS01", "XS_OFF", -1},
        {"XSFA4", "0 float", -1},
        {"ComboBox30", "0", -1},
        {"ComboBox42", "Master Mode(82)", -1},
        {"Edit9", "6", -2},
        {"ComboBox27", "0", 0},
        {"ComboBox41", "0", -1},
        {"ComboBox6", "", -1}, // cleared at start
        {"ComboBox16", "master devices", -1},
        {"ComboBox17", "1)general instruments", -1},
        {"FAMOUT1", "", -1}, // selected by the layout, cleared at start
        {"FAMOUT9", "", -1},
        {"RADCOM1", "", -1},
        {"READLG7", "", -1},
        {"ComboBox15", "8", 5},
        {"Edit18", "001", -2},
        {"Edit19", "00", -2},
        {"Edit20", "10", -2},
        {"ComboBox18", "0 close", -1},
        {"Beilv", "0.001", -2},
        {"Label68", "current (RTU_ADR)", -2},
        {"Label19", "40001:", -2},
        {"HLabel1", "00000", -2},
        {"Edit8", "", -2},
        {"Label41", "TALMIRE Configuration Software", -2},
        {"Label77", "V1.4(2021-09-13)", -2},
    };
    for (const Expect& e : table) {
        QWidget* w = form->findChild<QWidget*>(e.name);
        ASSERT_NE(w, nullptr) << e.name;
        QString text;
        if (auto* combo = qobject_cast<TComboBox*>(w)) {
            text = combo->currentText();
            EXPECT_EQ(combo->ItemIndex(), e.index) << e.name;
        } else if (auto* edit = qobject_cast<QLineEdit*>(w)) {
            text = edit->text();
        } else if (auto* button = qobject_cast<QPushButton*>(w)) {
            text = button->text();
        } else if (auto* label = qobject_cast<QLabel*>(w)) {
            text = label->text();
        }
        EXPECT_EQ(text.toStdString(), e.text) << e.name;
    }
    EXPECT_EQ(form->objectName(), "Form1");
    EXPECT_EQ(form->windowTitle(), "TALMIRE");
    EXPECT_EQ(form->PageControl1->currentIndex(), 0);
    EXPECT_EQ(form->Memo10->toPlainText(), "");
    EXPECT_FALSE(form->link.Timer2->Enabled());
    EXPECT_FALSE(form->link.Timer3->Enabled());
    EXPECT_FALSE(form->link.Timer4->Enabled());
    EXPECT_EQ(form->link.Timer3->Interval(), 1000);
    EXPECT_EQ(form->hartPage->ComboBox3->count(), 77);
    EXPECT_EQ(form->hartPage->ComboBox32->itemText(14), "R    ");
    EXPECT_EQ(form->hartPage->ComboBox3->itemText(14), "R   ");
    EXPECT_EQ(form->hartPage->ComboBox3->itemText(12), QString(QChar(0x2103)) + "  ");
    EXPECT_EQ(form->modbusPage->ComboBox17->count(), 16);
    EXPECT_EQ(form->systemPage->XS01->maxVisibleItems(), 12);
    EXPECT_FALSE(form->Image1->pixmap().isNull());
}

TEST_F(Window, ListValueIsTheDisplayedItem) {
    TComboBox* parity = form->ComboBox10;
    struct Case {
        const char* typed;
        int value;
    };
    for (const Case c :
         {Case{"Odd", 1}, Case{"odd", -1}, Case{"Even ", -1}, Case{"", -1}, Case{"None", 0}}) {
        parity->setFocus();
        parity->lineEdit()->selectAll();
        QTest::keyClick(parity->lineEdit(), Qt::Key_Backspace);
        QTest::keyClicks(parity->lineEdit(), c.typed);
        EXPECT_EQ(parity->ListValue(), c.value) << c.typed;
        EXPECT_EQ(parity->currentText(), c.typed);
        EXPECT_EQ(parity->count(), 3); // typed text never becomes an item
    }
    EXPECT_EQ(parity->lineEdit()->completer(), nullptr);
    // A list that shows a text with nothing selected still has that item as its value.
    EXPECT_EQ(form->hartPage->ComboBox30->ListValue(), 0);
    EXPECT_EQ(form->hartPage->ComboBox30->ItemIndex(), -1);
}

TEST_F(Window, WiringDiagramAppearsWithItsPage) {
    EXPECT_TRUE(
        form->wiringPage->Image3->pixmap().isNull()); // not decoded while its page is hidden
    form->PageControl1->setCurrentIndex(3);
    QCoreApplication::processEvents();
    ASSERT_TRUE(form->wiringPage->Image3->isVisible());
    EXPECT_EQ(form->wiringPage->Image3->pixmap().size(), QSize(688, 360));
    form->PageControl1->setCurrentIndex(0);
    form->PageControl1->setCurrentIndex(3);
    EXPECT_EQ(form->wiringPage->Image3->pixmap().size(), QSize(688, 360));
}

TEST_F(Window, DropDownRefreshesPortsAndPickingAnItemSelectsIt) {
    TComboBox* ports = form->SPREALCOM;
    ports->ShowText("/dev/typed-by-hand");
    int changes = 0;
    QObject::connect(ports, &TComboBox::UserChanged, [&changes] { ++changes; });
    ports->showPopup();
    QAbstractItemView* view = ports->view();
    ASSERT_TRUE(view->isVisible());
    EXPECT_GE(ports->count(), 12);
    EXPECT_EQ(ports->itemText(11), "COM12");
    EXPECT_EQ(ports->currentText(), "/dev/typed-by-hand"); // the refresh keeps a typed path
    EXPECT_EQ(changes, 0);
    const QModelIndex seventh = view->model()->index(6, 0);
    view->setCurrentIndex(seventh);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(seventh).center());
    EXPECT_FALSE(view->isVisible());
    EXPECT_EQ(ports->ItemIndex(), 6);
    EXPECT_EQ(ports->currentText(), "COM7");
    EXPECT_EQ(ports->lineEdit()->text(), "COM7");
    EXPECT_EQ(changes, 1);
}

TEST_F(Window, OpenAndCloseTogglesCaptionsAndQueryButton) {
    OpenPort();
    EXPECT_EQ(form->Button1->text(), "close");
    EXPECT_TRUE(form->Button6->isEnabled());
    EXPECT_EQ(form->link.Comm1.BaudRate(), 9600u);
    EXPECT_EQ(form->link.Comm1.DtrControl(), TDtrControl::DtrDisable);
    QTest::mouseClick(form->Button1, Qt::LeftButton);
    EXPECT_FALSE(form->link.PortIsOpen);
    EXPECT_FALSE(form->link.Comm1.IsOpen());
    EXPECT_EQ(form->Button1->text(), "open");
    EXPECT_FALSE(form->Button6->isEnabled());
    form->systemPage->CheckBox1->setChecked(true);
    form->systemPage->CheckBox2->setChecked(true);
    form->ComboBox11->SetItemIndex(7);
    OpenPort();
    EXPECT_EQ(form->link.Comm1.BaudRate(), 15200u);
    EXPECT_EQ(form->link.Comm1.DtrControl(), TDtrControl::DtrEnable);
    EXPECT_EQ(form->link.Comm1.RtsControl(), TRtsControl::RtsEnable);
    EXPECT_TRUE(messages.empty());
}

TEST_F(Window, FailedOpenReportsAndLeavesTheWindowClosed) {
    struct Case {
        QString port;
        QString baud;
        QString parity;
        MessageKind kind;
        QString message;
    };
    const Case cases[] = {
        {"/dev/talmire-missing", "9600", "None", MessageKind::Error, "Error opening serial port."},
        {QString::fromStdString(pty.path), "", "None", MessageKind::Error,
         "'' is not a valid integer value."},
        {QString::fromStdString(pty.path), "9600", "Mark", MessageKind::Plain, ""},
    };
    for (const Case& c : cases) {
        messages.clear();
        form->SPREALCOM->ShowText(c.port);
        form->ComboBox11->ShowText(c.baud);
        form->ComboBox10->ShowText(c.parity);
        QTest::mouseClick(form->Button1, Qt::LeftButton);
        ASSERT_EQ(messages.size(), 1u) << c.port.toStdString();
        EXPECT_EQ(messages[0].kind, c.kind);
        if (!c.message.isEmpty()) {
            EXPECT_EQ(messages[0].text, c.message);
        }
        EXPECT_FALSE(form->link.PortIsOpen);
        EXPECT_FALSE(form->link.Comm1.IsOpen());
        EXPECT_EQ(form->Button1->text(), "open");
    }
    // A port another program holds.
    TComm other;
    other.SetCommName(pty.path);
    other.OpenPort();
    messages.clear();
    form->ComboBox11->SetItemIndex(3);
    form->ComboBox10->SetItemIndex(0);
    form->SPREALCOM->ShowText(QString::fromStdString(pty.path));
    QTest::mouseClick(form->Button1, Qt::LeftButton);
    EXPECT_EQ(LastMessage(), "Error opening serial port.");
    EXPECT_FALSE(form->link.PortIsOpen);
}

TEST_F(Window, ErrorReportAddsAFullStopWhenTheLastCharacterSortsAfterIt) {
    struct Case {
        const char* message;
        const char* shown;
    };
    for (const Case c : {Case{"Error opening serial port", "Error opening serial port."},
                         Case{"done.", "done."}, Case{"what?", "what?."}, Case{"a,", "a,"},
                         Case{"", ""}, Case{"x1", "x1."}, Case{"(x)", "(x)"}})
        EXPECT_EQ(ErrorReportText(c.message).toStdString(), c.shown);
}

TEST_F(Window, ReceiveRoutesShowTextOrHexAndBoundTheChunk) {
    OpenPort();
    // Nothing pending: shown as text, the request stays at 0.
    Reply("hello");
    ASSERT_TRUE(WaitFor([&] { return form->Memo10->toPlainText() == "hello"; }));
    EXPECT_EQ(form->link.PendingRequest, RequestKind::None);

    // A 300-byte chunk on a hex route: the text keeps 255 bytes, the hex shows 255 pairs.
    form->SendRequest(RequestKind::ModbusTest, {0x01}, "x");
    std::string big(300, '\x5A');
    Reply(big);
    ASSERT_TRUE(WaitFor([&] { return form->Memo10->toPlainText().size() == qsizetype{255} * 3; }));
    EXPECT_EQ(form->link.RxText.size(), 255u);
    EXPECT_EQ(form->link.frameBuffer.Received().size(), 300u);
    EXPECT_EQ(form->link.PendingRequest, RequestKind::ModbusTest);
    EXPECT_FALSE(form->link.Timer3->Enabled());

    // A setting's answer ends the request; a second chunk is shown as text too.
    form->SendRequest(RequestKind::Setting, {0x02}, "y");
    Reply("OK");
    ASSERT_TRUE(WaitFor([&] { return form->Memo10->toPlainText() == "OK"; }));
    EXPECT_EQ(form->link.PendingRequest, RequestKind::None);
    QTest::mouseClick(form->Button26, Qt::LeftButton);
    EXPECT_EQ(form->Memo10->toPlainText(), "");
    EXPECT_EQ(form->Edit8->text(), "y");
}

TEST_F(Window, TimeoutsReportByKindAfterTheirInterval) {
    struct Case {
        RequestKind code;
        TimeoutReport kind;
        int expectMs;
        QString message;
        QString label68;
    };
    // The first request before any other runs on the 1000 ms default.
    const Case cases[] = {
        {RequestKind::HartIdentity, TimeoutReport::Setting, 1000, "!", "set timeout"},
        {RequestKind::Communication, TimeoutReport::Connection, 3000, "connection time out!",
         "set timeout"},
        {RequestKind::SystemParameters, TimeoutReport::ParameterQuery, 3000,
         "parameter query timeout!", ""},
        {RequestKind::DisplayTest, TimeoutReport::DisplayTest, 3000, "", ""},
    };
    for (const Case& c : cases) {
        messages.clear();
        QElapsedTimer clock;
        clock.start();
        form->SendRequest(c.code, {0x51}, "Q");
        EXPECT_EQ(form->link.TimeoutKind, c.kind);
        ASSERT_TRUE(WaitFor([&] { return !form->link.Timer3->Enabled(); }, 6000));
        const qint64 elapsed = clock.elapsed();
        EXPECT_GE(elapsed, c.expectMs - 50) << RuleOf(c.code).name;
        EXPECT_LT(elapsed, c.expectMs + 1500) << RuleOf(c.code).name;
        if (c.message.isEmpty()) {
            EXPECT_TRUE(messages.empty());
        } else {
            ASSERT_EQ(messages.size(), 1u);
            EXPECT_EQ(messages[0].text, c.message);
        }
        EXPECT_EQ(form->modbusPage->Label68->text(), c.label68);
        EXPECT_EQ(form->link.PendingRequest, c.code); // a time-out keeps the code
    }
}

TEST_F(Window, TimerSemantics) {
    TTimer timer("T", 200, false);
    int fired = 0;
    timer.OnTimer = [&] {
        ++fired;
        timer.SetEnabled(false);
    };
    timer.SetEnabled(true);
    Pump(120);
    timer.SetEnabled(true); // a running timer keeps its count
    ASSERT_TRUE(WaitFor([&] { return fired == 1; }, 1000));
    timer.SetEnabled(true);
    Pump(120);
    timer.SetInterval(300); // a new interval restarts it
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(WaitFor([&] { return fired == 2; }, 1000));
    EXPECT_GE(clock.elapsed(), 280);
}

TEST_F(Window, RsLineSettingClosesThePortTwoSecondsLater) {
    OpenPort();
    form->systemPage->ComboBox8->SetItemIndex(6);
    form->systemPage->ComboBox9->SetItemIndex(2);
    QTest::mouseClick(form->systemPage->Button9, Qt::LeftButton);
    EXPECT_EQ(Sent(11), "QQS#BA2:62#");
    EXPECT_TRUE(form->link.PortIsOpen);
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(WaitFor([&] { return !form->link.PortIsOpen; }, 4000));
    EXPECT_GE(clock.elapsed(), 1900);
    EXPECT_EQ(form->Button1->text(), "open");
    EXPECT_FALSE(form->Button6->isEnabled());
    EXPECT_FALSE(form->link.Comm1.IsOpen());
}

// An auto-close pending from a line setting dies with the port, however it is closed: the
// port the user opens next at the new speed stays open.
TEST_F(Window, ClosingThePortCancelsThePendingAutoClose) {
    for (const bool hangUp : {false, true}) {
        PtyPair line;
        messages.clear();
        form->SPREALCOM->ShowText(QString::fromStdString(line.path));
        QTest::mouseClick(form->Button1, Qt::LeftButton);
        ASSERT_TRUE(form->link.PortIsOpen);
        form->systemPage->ComboBox8->SetItemIndex(6);
        form->systemPage->ComboBox9->SetItemIndex(2);
        QTest::mouseClick(form->systemPage->Button9, Qt::LeftButton);
        ASSERT_TRUE(form->link.Timer4->Enabled());
        if (hangUp) {
            line.CloseMaster();
            ASSERT_TRUE(WaitFor([&] { return !form->link.PortIsOpen; }, 1500));
        } else {
            QTest::mouseClick(form->Button1, Qt::LeftButton);
        }
        EXPECT_FALSE(form->link.Timer4->Enabled()) << hangUp;
        OpenPort();
        Pump(2300);
        EXPECT_TRUE(form->link.PortIsOpen) << hangUp;
        EXPECT_TRUE(form->link.Comm1.IsOpen()) << hangUp;
        QTest::mouseClick(form->Button1, Qt::LeftButton);
    }
}

TEST_F(Window, LostLineClosesThePortAndSaysSo) {
    for (bool midReply : {false, true}) {
        PtyPair line;
        messages.clear();
        form->SPREALCOM->ShowText(QString::fromStdString(line.path));
        QTest::mouseClick(form->Button1, Qt::LeftButton);
        ASSERT_TRUE(form->link.PortIsOpen);
        if (midReply) {
            form->SendRequest(RequestKind::SystemParameters, {0x51}, "Q");
            ASSERT_TRUE(line.Write({'Q', 'X', ' ', 'D'}));
        }
        line.CloseMaster();
        ASSERT_TRUE(WaitFor([&] { return !form->link.PortIsOpen; }, 3000)) << midReply;
        EXPECT_EQ(form->Button1->text(), "open");
        EXPECT_FALSE(form->Button6->isEnabled());
        EXPECT_FALSE(form->link.Comm1.IsOpen());
        ASSERT_FALSE(messages.empty());
        EXPECT_TRUE(messages.back().text.contains("serial port was lost")) << midReply;
    }
}

TEST_F(Window, EditFourteenCopiesIntoTheTestAddress) {
    QTest::keyClicks(form->systemPage->Edit14, "12");
    EXPECT_EQ(form->modbusPage->Edit18->text(), "12");
    QTest::keyClicks(form->modbusPage->Edit18, "3");
    EXPECT_EQ(form->systemPage->Edit14->text(), "12");
}

} // namespace
