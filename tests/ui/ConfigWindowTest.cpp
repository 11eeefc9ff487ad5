// The configuration page handlers over a pseudo-terminal: exact bytes, what the send field
// shows, refusals, and decoded replies applied to the window.

#include "exchange/RequestCodes.h"
#include "tests/ui/WindowFixture.h"

namespace {

using ConfigWindow = WindowFixture;

TEST_F(ConfigWindow, HandlersSendTheirExactFrames) {
    OpenPort();
    struct Case {
        const char* name;
        std::function<void(TForm1&)> prepare;
        QPushButton* TForm1::*button;
        std::string frame;
        bool shownAsHex;
        int code;
    };
    const Case cases[] = {
        {"communication query", nullptr, &TForm1::Button6, "QQQ#QV#", false,
         Request::Communication},
        {"system parameters", nullptr, &TForm1::Button23, "QQQ#QX#", false,
         Request::SystemParameters},
        {"modbus parameters", [](TForm1& f) { f.ComboBox41->SetItemIndex(8); }, &TForm1::Button31,
         "QQQ#QQ8#", false, Request::ModbusParameters},
        {"slave address", [](TForm1& f) { f.Edit14->setText("1"); }, &TForm1::Button29,
         "QQS#ADR:001#", false, Request::Setting},
        {"interval", [](TForm1& f) { f.Edit6->setText("50"); }, &TForm1::Button27, "QQS#JTM:050#",
         false, Request::Setting},
        {"operating mode, system page", [](TForm1& f) { f.ComboBox7->SetItemIndex(1); },
         &TForm1::Button24, "QQS#MD:1#", false, Request::Setting},
        {"operating mode, modbus page", [](TForm1& f) { f.ComboBox14->SetItemIndex(1); },
         &TForm1::Button22, "QQS#MD:1#", false, Request::Setting},
        {"reset", nullptr, &TForm1::Button30, "QQS#RESET#", false, Request::Setting},
        {"hart settings",
         [](TForm1& f) {
             f.ComboBox41->SetItemIndex(0);
             f.ComboBox6->SetItemIndex(1);
             f.ComboBox16->SetItemIndex(1);
             f.ComboBox17->SetItemIndex(1);
             f.ComboBox34->SetItemIndex(1);
             f.Edit1->setText("10");
         },
         &TForm1::Button10, "QQS#HART0:1,1,01,5,010#", false, Request::Setting},
        {"data formats",
         [](TForm1& f) {
             f.ComboBox41->SetItemIndex(2);
             for (TComboBox* c : {f.FAMOUT1, f.FAMOUT3, f.FAMOUT5, f.FAMOUT7, f.FAMOUT9})
                 c->SetItemIndex(0);
             f.FAMOUT5->SetItemIndex(3);
         },
         &TForm1::Button21, "QQS#DFOT2:00300#", false, Request::Setting},
        {"coefficient", [](TForm1& f) { f.ComboBox18->SetItemIndex(2); }, &TForm1::Button2,
         "QQS#FMW:2,0.001#", false, Request::Setting},
        {"parsing format",
         [](TForm1& f) {
             f.ComboBox41->SetItemIndex(0);
             f.ComboBox15->SetItemIndex(5);
             const int sources[] = {1, 1, 0, 0};
             const char* starts[] = {"3", "7", "0", "0"};
             TComboBox* commands[] = {f.RADCOM1, f.RADCOM3, f.RADCOM5, f.RADCOM7};
             QLineEdit* addresses[] = {f.READADR1, f.READADR3, f.READADR5, f.READADR7};
             TComboBox* lengths[] = {f.READLG1, f.READLG3, f.READLG5, f.READLG7};
             for (int i = 0; i < 4; ++i) {
                 commands[i]->SetItemIndex(sources[i]);
                 addresses[i]->setText(starts[i]);
                 lengths[i]->SetItemIndex(0);
             }
         },
         &TForm1::Button12, "QQS#MDBS0:8,1030,1070,0000,0000#", false, Request::Setting},
        {"custom command 1",
         [](TForm1& f) {
             f.ComboBox41->SetItemIndex(1);
             f.ComboBox28->SetItemIndex(1);
             f.Edit4->setText("01 02 FF");
         },
         &TForm1::Button17, std::string("QQS#CAMD11:1<03,\x01\x02\xFF", 19), true,
         Request::Setting},
        {"display setting",
         [](TForm1& f) {
             f.XS04->SetItemIndex(2);
             f.XSFA4->SetItemIndex(1);
         },
         &TForm1::Button32, "QQS#DPS4:02,1#", false, Request::DisplaySetting},
        {"display test 2", nullptr, &TForm1::Button100, "PPPPPP#QB#", false, Request::DisplayTest},
    };
    for (const Case& c : cases) {
        messages.clear();
        if (c.prepare)
            c.prepare(*form);
        QTest::mouseClick(form.get()->*c.button, Qt::LeftButton);
        EXPECT_EQ(Sent(c.frame.size()), c.frame) << c.name;
        const QString shown =
            c.shownAsHex ? QString::fromStdString(Hex(c.frame))
                         : QString::fromLatin1(c.frame.data(), static_cast<int>(c.frame.size()));
        EXPECT_EQ(form->Edit8->text(), shown) << c.name;
        EXPECT_EQ(form->PendingRequest, c.code) << c.name;
        EXPECT_TRUE(form->Timer3->Enabled()) << c.name;
        EXPECT_TRUE(messages.empty()) << c.name << ": " << LastMessage().toStdString();
    }
}

TEST_F(ConfigWindow, HiddenInterfaceSettingLeavesTheSendFieldEmpty) {
    OpenPort();
    form->ComboBox13->SetItemIndex(2);
    form->ComboBox1->SetItemIndex(2);
    QTest::mouseDClick(form->Label8, Qt::LeftButton);
    EXPECT_EQ(Sent(10), "QQS#YB:22#");
    EXPECT_EQ(form->Edit8->text(), "");
    EXPECT_EQ(form->PendingRequest, Request::Setting);
}

TEST_F(ConfigWindow, RefusedInputSendsNothing) {
    OpenPort();
    struct Case {
        const char* name;
        std::function<void(TForm1&)> prepare;
        QPushButton* TForm1::*button;
        MessageKind kind;
        QString message; // empty: any wording
    };
    const Case cases[] = {
        {"empty slave address", [](TForm1& f) { f.Edit14->clear(); }, &TForm1::Button29,
         MessageKind::Error, "'' is not a valid integer value."},
        {"slave address out of range", [](TForm1& f) { f.Edit14->setText("1000"); },
         &TForm1::Button29, MessageKind::Plain, ""},
        {"rs232 without a baud", [](TForm1& f) { f.ComboBox2->ShowText("9601"); }, &TForm1::Button5,
         MessageKind::Plain, ""},
        {"custom command without spaces",
         [](TForm1& f) {
             f.ComboBox28->SetItemIndex(1);
             f.Edit4->setText("01,02");
         },
         &TForm1::Button17, MessageKind::Plain, "NO SPACK"},
        {"custom command lower case", [](TForm1& f) { f.Edit4->setText("0a 02"); },
         &TForm1::Button17, MessageKind::Plain, "Data eeore!"},
        {"custom command non-ASCII", [](TForm1& f) { f.Edit4->setText("0\u00C9 02"); },
         &TForm1::Button17, MessageKind::Plain, "Data eeore!"},
        {"short coefficient",
         [](TForm1& f) {
             f.ComboBox18->SetItemIndex(1);
             f.Beilv->setText("0.1");
         },
         &TForm1::Button2, MessageKind::Plain, ""},
    };
    form->PendingRequest = 0;
    for (const Case& c : cases) {
        messages.clear();
        c.prepare(*form);
        QTest::mouseClick(form.get()->*c.button, Qt::LeftButton);
        ASSERT_EQ(messages.size(), 1u) << c.name;
        EXPECT_EQ(messages[0].kind, c.kind) << c.name;
        if (!c.message.isEmpty()) {
            EXPECT_EQ(messages[0].text, c.message) << c.name;
        }
        EXPECT_EQ(SentAll(150), "") << c.name;
        EXPECT_EQ(form->PendingRequest, 0) << c.name;
        EXPECT_FALSE(form->Timer4->Enabled()) << c.name;
    }
}

TEST_F(ConfigWindow, CommunicationReplySelectsInterfaceAndEndsTheRequest) {
    OpenPort();
    QTest::mouseClick(form->Button6, Qt::LeftButton);
    EXPECT_EQ(Sent(7), "QQQ#QV#");
    Reply("QV:11");
    ASSERT_TRUE(WaitFor([&] { return form->PendingRequest == 0; }));
    EXPECT_EQ(form->ComboBox13->currentText(), "RS485");
    EXPECT_EQ(form->ComboBox1->currentText(), "4 instrument");
    EXPECT_EQ(form->TimeoutKind, 0);
    EXPECT_EQ(form->Memo10->toPlainText(), "QV:11");
    Pump(3200); // the answered request never times out
    EXPECT_TRUE(messages.empty());
}

TEST_F(ConfigWindow, SystemReplyFillsThePageAndCopiesTheAddress) {
    OpenPort();
    QTest::mouseClick(form->Button23, Qt::LeftButton);
    Sent(7);
    Reply("QX DIS1:01,0;DIS2:02,1;DIS3:07,0;DIS4:00,1; BA1:31 BA2:62 MD:1 ADR:001 JTM:050");
    ASSERT_TRUE(WaitFor([&] { return form->Edit6->text() == "050"; }));
    EXPECT_EQ(form->ComboBox7->ItemIndex(), 1);
    EXPECT_EQ(form->ComboBox14->ItemIndex(), 1);
    EXPECT_EQ(form->Edit14->text(), "001");
    EXPECT_EQ(form->Edit18->text(), "001");
    EXPECT_EQ(form->ComboBox8->currentText(), "57600");
    EXPECT_EQ(form->XS03->ItemIndex(), 7);
    EXPECT_EQ(form->PendingRequest, Request::SystemParameters); // kept for further chunks
}

TEST_F(ConfigWindow, MarkerSplitAcrossTwoChunksIsNotFound) {
    OpenPort();
    QTest::mouseClick(form->Button23, Qt::LeftButton);
    Sent(7);
    Reply("QX MD");
    Pump(250); // longer than the line's gap: two chunks
    Reply(":1");
    ASSERT_TRUE(WaitFor([&] { return form->Memo10->toPlainText() == ":1"; }));
    Pump(500);
    EXPECT_EQ(form->ComboBox7->ItemIndex(), -1);
}

TEST_F(ConfigWindow, BadNumberInAReplyReportsAndKeepsWhatWasDecoded) {
    OpenPort();
    QTest::mouseClick(form->Button23, Qt::LeftButton);
    Sent(7);
    Reply("QX BA1:31 BA2:x2 MD:1");
    ASSERT_TRUE(WaitFor([&] { return !messages.empty(); }));
    EXPECT_EQ(messages[0].kind, MessageKind::Error);
    EXPECT_TRUE(messages[0].text.endsWith("is not a valid integer value."));
    EXPECT_EQ(form->ComboBox2->ItemIndex(), 3);
    EXPECT_EQ(form->ComboBox7->ItemIndex(), -1); // after the failure: not reached
}

TEST_F(ConfigWindow, ChoosingAnInstrumentResetsTheTabsAndQueries) {
    // Closed: nothing happens.
    form->ComboBox41->SetItemIndex(3);
    emit form->ComboBox41->UserChanged();
    EXPECT_EQ(form->Label19->text(), "40001:");
    EXPECT_EQ(form->Edit19->text(), "00");

    OpenPort();
    form->Edit14->setText("005");
    form->ComboBox2->SetItemIndex(1);
    form->Edit8->setText("old");
    form->ComboBox41->SetItemIndex(3);
    emit form->ComboBox41->UserChanged();
    EXPECT_EQ(Sent(8), "QQQ#QQ3#");
    EXPECT_EQ(form->Label19->text(), "40031");
    EXPECT_EQ(form->Label29->text(), "40039");
    EXPECT_EQ(form->Edit19->text(), "30");
    EXPECT_EQ(form->Edit20->text(), "10");
    EXPECT_EQ(form->Edit14->text(), "");
    EXPECT_EQ(form->ComboBox2->ItemIndex(), -1);
    EXPECT_EQ(form->ComboBox17->currentText(), "");
    EXPECT_TRUE(form->GroupBox13->isHidden());
    EXPECT_EQ(form->Edit8->text(), "QQQ#QQ3#");
    EXPECT_EQ(form->PendingRequest, Request::ModbusParameters);

    // The channel's answer for a custom instrument shows and fills the custom group.
    Reply("QQ3 FMW:2,0.001 HART3:1,1,00,5,010 DFO3:00300 ZDY3:8,1030,1070,0000,0000 MD:0 "
          "CAMD31:1<03,01 02 03 CAMD32:0<00,");
    ASSERT_TRUE(WaitFor([&] { return form->Edit4->text() == "01 02 03"; }));
    EXPECT_FALSE(form->GroupBox13->isHidden());
    EXPECT_EQ(form->ComboBox17->ItemIndex(), 0);
    EXPECT_EQ(form->Edit1->text(), "010");
}

TEST_F(ConfigWindow, InstrumentTypeShowsOrClearsTheCustomGroup) {
    form->Edit4->setText("01");
    form->ComboBox28->SetItemIndex(1);
    form->ComboBox17->SetItemIndex(3);
    emit form->ComboBox17->UserChanged();
    EXPECT_TRUE(form->GroupBox13->isHidden());
    EXPECT_EQ(form->Edit4->text(), "01"); // hidden, kept
    form->ComboBox17->SetItemIndex(0);
    emit form->ComboBox17->UserChanged();
    EXPECT_FALSE(form->GroupBox13->isHidden());
    EXPECT_EQ(form->Edit4->text(), "");
    EXPECT_EQ(form->ComboBox28->ItemIndex(), -1);
    EXPECT_EQ(form->ComboBox15->ItemIndex(), -1);
}

TEST_F(ConfigWindow, DisplayRequestsKeepTheExchangeFields) {
    OpenPort();
    form->Memo10->setPlainText("earlier reply");
    QTest::mouseClick(form->Button8, Qt::LeftButton);
    EXPECT_EQ(Sent(10), "PPPPPP#QA#");
    EXPECT_EQ(form->Memo10->toPlainText(), "earlier reply");
    EXPECT_EQ(form->TimeoutKind, Timeout::DisplayTest);
    Reply(std::string("\x01\xA0", 2));
    ASSERT_TRUE(WaitFor([&] { return form->Memo10->toPlainText() == "01 A0 "; }));
}

} // namespace
