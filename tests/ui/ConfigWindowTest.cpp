// The configuration page handlers over a pseudo-terminal: exact bytes, what the send field
// shows, refusals, and decoded replies applied to the window.

#include "link/RequestTable.h"
#include "tests/ui/WindowFixture.h"

namespace {

using ConfigWindow = WindowFixture;

TEST_F(ConfigWindow, HandlersSendTheirExactFrames) {
    OpenPort();
    struct Case {
        const char* name;
        std::function<void(TForm1&)> prepare;
        const char* button;
        std::string frame;
        bool shownAsHex;
        RequestKind code;
    };
    const Case cases[] = {
        {"communication query", nullptr, "Button6", "QQQ#QV#", false, RequestKind::Communication},
        {"system parameters", nullptr, "Button23", "QQQ#QX#", false, RequestKind::SystemParameters},
        {"modbus parameters", [](TForm1& f) { f.modbusPage->ComboBox41->SetItemIndex(8); },
         "Button31", "QQQ#QQ8#", false, RequestKind::ChannelParameters},
        {"slave address", [](TForm1& f) { f.systemPage->Edit14->setText("1"); }, "Button29",
         "QQS#ADR:001#", false, RequestKind::Setting},
        {"interval", [](TForm1& f) { f.systemPage->Edit6->setText("50"); }, "Button27",
         "QQS#JTM:050#", false, RequestKind::Setting},
        {"operating mode, system page", [](TForm1& f) { f.systemPage->ComboBox7->SetItemIndex(1); },
         "Button24", "QQS#MD:1#", false, RequestKind::Setting},
        {"operating mode, modbus page",
         [](TForm1& f) { f.modbusPage->ComboBox14->SetItemIndex(1); }, "Button22", "QQS#MD:1#",
         false, RequestKind::Setting},
        {"reset", nullptr, "Button30", "QQS#RESET#", false, RequestKind::Setting},
        {"hart settings",
         [](TForm1& f) {
             f.modbusPage->ComboBox41->SetItemIndex(0);
             f.modbusPage->ComboBox6->SetItemIndex(1);
             f.modbusPage->ComboBox16->SetItemIndex(1);
             f.modbusPage->ComboBox17->SetItemIndex(1);
             f.modbusPage->ComboBox34->SetItemIndex(1);
             f.modbusPage->Edit1->setText("10");
         },
         "Button10", "QQS#HART0:1,1,01,5,010#", false, RequestKind::Setting},
        {"data formats",
         [](TForm1& f) {
             f.modbusPage->ComboBox41->SetItemIndex(2);
             for (TComboBox* c :
                  {f.modbusPage->FAMOUT1, f.modbusPage->FAMOUT3, f.modbusPage->FAMOUT5,
                   f.modbusPage->FAMOUT7, f.modbusPage->FAMOUT9})
                 c->SetItemIndex(0);
             f.modbusPage->FAMOUT5->SetItemIndex(3);
         },
         "Button21", "QQS#DFOT2:00300#", false, RequestKind::Setting},
        {"coefficient", [](TForm1& f) { f.modbusPage->ComboBox18->SetItemIndex(2); }, "Button2",
         "QQS#FMW:2,0.001#", false, RequestKind::Setting},
        {"parsing format",
         [](TForm1& f) {
             f.modbusPage->ComboBox41->SetItemIndex(0);
             f.modbusPage->ComboBox15->SetItemIndex(5);
             const int sources[] = {1, 1, 0, 0};
             const char* starts[] = {"3", "7", "0", "0"};
             TComboBox* commands[] = {f.modbusPage->RADCOM1, f.modbusPage->RADCOM3,
                                      f.modbusPage->RADCOM5, f.modbusPage->RADCOM7};
             QLineEdit* addresses[] = {f.modbusPage->READADR1, f.modbusPage->READADR3,
                                       f.modbusPage->READADR5, f.modbusPage->READADR7};
             TComboBox* lengths[] = {f.modbusPage->READLG1, f.modbusPage->READLG3,
                                     f.modbusPage->READLG5, f.modbusPage->READLG7};
             for (int i = 0; i < 4; ++i) {
                 commands[i]->SetItemIndex(sources[i]);
                 addresses[i]->setText(starts[i]);
                 lengths[i]->SetItemIndex(0);
             }
         },
         "Button12", "QQS#MDBS0:8,1030,1070,0000,0000#", false, RequestKind::Setting},
        {"custom command 1",
         [](TForm1& f) {
             f.modbusPage->ComboBox41->SetItemIndex(1);
             f.modbusPage->ComboBox28->SetItemIndex(1);
             f.modbusPage->Edit4->setText("01 02 FF");
         },
         "Button17", std::string("QQS#CAMD11:1<03,\x01\x02\xFF", 19), true, RequestKind::Setting},
        {"display setting",
         [](TForm1& f) {
             f.systemPage->XS04->SetItemIndex(2);
             f.systemPage->XSFA4->SetItemIndex(1);
         },
         "Button32", "QQS#DPS4:02,1#", false, RequestKind::DisplaySetting},
        {"display test 2", nullptr, "Button100", "PPPPPP#QB#", false, RequestKind::DisplayTest},
    };
    for (const Case& c : cases) {
        messages.clear();
        if (c.prepare)
            c.prepare(*form);
        QTest::mouseClick(form->findChild<QPushButton*>(c.button), Qt::LeftButton);
        EXPECT_EQ(Sent(c.frame.size()), c.frame) << c.name;
        const QString shown =
            c.shownAsHex ? QString::fromStdString(Hex(c.frame))
                         : QString::fromLatin1(c.frame.data(), static_cast<int>(c.frame.size()));
        EXPECT_EQ(form->Edit8->text(), shown) << c.name;
        EXPECT_EQ(form->link.PendingRequest, c.code) << c.name;
        EXPECT_TRUE(form->link.Timer3->Enabled()) << c.name;
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
    EXPECT_EQ(form->link.PendingRequest, RequestKind::Setting);
}

TEST_F(ConfigWindow, RefusedInputSendsNothing) {
    OpenPort();
    struct Case {
        const char* name;
        std::function<void(TForm1&)> prepare;
        const char* button;
        MessageKind kind;
        QString message; // empty: any wording
    };
    const Case cases[] = {
        {"empty slave address", [](TForm1& f) { f.systemPage->Edit14->clear(); }, "Button29",
         MessageKind::Error, "'' is not a valid integer value."},
        {"slave address out of range", [](TForm1& f) { f.systemPage->Edit14->setText("1000"); },
         "Button29", MessageKind::Plain, ""},
        {"rs232 without a baud", [](TForm1& f) { f.systemPage->ComboBox2->ShowText("9601"); },
         "Button5", MessageKind::Plain, ""},
        {"custom command without spaces",
         [](TForm1& f) {
             f.modbusPage->ComboBox28->SetItemIndex(1);
             f.modbusPage->Edit4->setText("01,02");
         },
         "Button17", MessageKind::Plain, "NO SPACK"},
        {"custom command lower case", [](TForm1& f) { f.modbusPage->Edit4->setText("0a 02"); },
         "Button17", MessageKind::Plain, "Data eeore!"},
        {"custom command non-ASCII", [](TForm1& f) { f.modbusPage->Edit4->setText("0\u00C9 02"); },
         "Button17", MessageKind::Plain, "Data eeore!"},
        {"short coefficient",
         [](TForm1& f) {
             f.modbusPage->ComboBox18->SetItemIndex(1);
             f.modbusPage->Beilv->setText("0.1");
         },
         "Button2", MessageKind::Plain, ""},
    };
    form->link.PendingRequest = RequestKind::None;
    for (const Case& c : cases) {
        messages.clear();
        c.prepare(*form);
        QTest::mouseClick(form->findChild<QPushButton*>(c.button), Qt::LeftButton);
        ASSERT_EQ(messages.size(), 1u) << c.name;
        EXPECT_EQ(messages[0].kind, c.kind) << c.name;
        if (!c.message.isEmpty()) {
            EXPECT_EQ(messages[0].text, c.message) << c.name;
        }
        EXPECT_EQ(SentAll(150), "") << c.name;
        EXPECT_EQ(form->link.PendingRequest, RequestKind::None) << c.name;
        EXPECT_FALSE(form->link.Timer4->Enabled()) << c.name;
    }
}

TEST_F(ConfigWindow, CommunicationReplySelectsInterfaceAndEndsTheRequest) {
    OpenPort();
    QTest::mouseClick(form->Button6, Qt::LeftButton);
    EXPECT_EQ(Sent(7), "QQQ#QV#");
    Reply("QV:11");
    ASSERT_TRUE(WaitFor([&] { return form->link.PendingRequest == RequestKind::None; }));
    EXPECT_EQ(form->ComboBox13->currentText(), "RS485");
    EXPECT_EQ(form->ComboBox1->currentText(), "4 instrument");
    EXPECT_EQ(form->link.TimeoutKind, TimeoutReport::None);
    EXPECT_EQ(form->Memo10->toPlainText(), "QV:11");
    Pump(3200); // the answered request never times out
    EXPECT_TRUE(messages.empty());
}

TEST_F(ConfigWindow, SystemReplyFillsThePageAndCopiesTheAddress) {
    OpenPort();
    QTest::mouseClick(form->systemPage->Button23, Qt::LeftButton);
    Sent(7);
    Reply("QX DIS1:01,0;DIS2:02,1;DIS3:07,0;DIS4:00,1; BA1:31 BA2:62 MD:1 ADR:001 JTM:050");
    ASSERT_TRUE(WaitFor([&] { return form->systemPage->Edit6->text() == "050"; }));
    EXPECT_EQ(form->systemPage->ComboBox7->ItemIndex(), 1);
    EXPECT_EQ(form->modbusPage->ComboBox14->ItemIndex(), 1);
    EXPECT_EQ(form->systemPage->Edit14->text(), "001");
    EXPECT_EQ(form->modbusPage->Edit18->text(), "001");
    EXPECT_EQ(form->systemPage->ComboBox8->currentText(), "57600");
    EXPECT_EQ(form->systemPage->XS03->ItemIndex(), 7);
    EXPECT_EQ(form->link.PendingRequest, RequestKind::SystemParameters); // kept for further chunks
}

TEST_F(ConfigWindow, MarkerSplitAcrossTwoChunksIsNotFound) {
    OpenPort();
    QTest::mouseClick(form->systemPage->Button23, Qt::LeftButton);
    Sent(7);
    Reply("QX MD");
    Pump(250); // longer than the line's gap: two chunks
    Reply(":1");
    ASSERT_TRUE(WaitFor([&] { return form->Memo10->toPlainText() == ":1"; }));
    Pump(500);
    EXPECT_EQ(form->systemPage->ComboBox7->ItemIndex(), -1);
}

TEST_F(ConfigWindow, BadNumberInAReplyReportsAndKeepsWhatWasDecoded) {
    OpenPort();
    QTest::mouseClick(form->systemPage->Button23, Qt::LeftButton);
    Sent(7);
    Reply("QX BA1:31 BA2:x2 MD:1");
    ASSERT_TRUE(WaitFor([&] { return !messages.empty(); }));
    EXPECT_EQ(messages[0].kind, MessageKind::Error);
    EXPECT_TRUE(messages[0].text.endsWith("is not a valid integer value."));
    EXPECT_EQ(form->systemPage->ComboBox2->ItemIndex(), 3);
    EXPECT_EQ(form->systemPage->ComboBox7->ItemIndex(), -1); // after the failure: not reached
}

TEST_F(ConfigWindow, ChoosingAnInstrumentResetsTheTabsAndQueries) {
    // Closed: nothing happens.
    form->modbusPage->ComboBox41->SetItemIndex(3);
    emit form->modbusPage->ComboBox41->UserChanged();
    EXPECT_EQ(form->modbusPage->Label19->text(), "40001:");
    EXPECT_EQ(form->modbusPage->Edit19->text(), "00");

    OpenPort();
    form->systemPage->Edit14->setText("005");
    form->systemPage->ComboBox2->SetItemIndex(1);
    form->Edit8->setText("old");
    form->modbusPage->ComboBox41->SetItemIndex(3);
    emit form->modbusPage->ComboBox41->UserChanged();
    EXPECT_EQ(Sent(8), "QQQ#QQ3#");
    EXPECT_EQ(form->modbusPage->Label19->text(), "40031");
    EXPECT_EQ(form->modbusPage->Label29->text(), "40039");
    EXPECT_EQ(form->modbusPage->Edit19->text(), "30");
    EXPECT_EQ(form->modbusPage->Edit20->text(), "10");
    EXPECT_EQ(form->systemPage->Edit14->text(), "");
    EXPECT_EQ(form->systemPage->ComboBox2->ItemIndex(), -1);
    EXPECT_EQ(form->modbusPage->ComboBox17->currentText(), "");
    EXPECT_TRUE(form->modbusPage->GroupBox13->isHidden());
    EXPECT_EQ(form->Edit8->text(), "QQQ#QQ3#");
    EXPECT_EQ(form->link.PendingRequest, RequestKind::ChannelParameters);

    // The channel's answer for a custom instrument shows and fills the custom group.
    Reply("QQ3 FMW:2,0.001 HART3:1,1,00,5,010 DFO3:00300 ZDY3:8,1030,1070,0000,0000 MD:0 "
          "CAMD31:1<03,01 02 03 CAMD32:0<00,");
    ASSERT_TRUE(WaitFor([&] { return form->modbusPage->Edit4->text() == "01 02 03"; }));
    EXPECT_FALSE(form->modbusPage->GroupBox13->isHidden());
    EXPECT_EQ(form->modbusPage->ComboBox17->ItemIndex(), 0);
    EXPECT_EQ(form->modbusPage->Edit1->text(), "010");
}

TEST_F(ConfigWindow, InstrumentTypeShowsOrClearsTheCustomGroup) {
    form->modbusPage->Edit4->setText("01");
    form->modbusPage->ComboBox28->SetItemIndex(1);
    form->modbusPage->ComboBox17->SetItemIndex(3);
    emit form->modbusPage->ComboBox17->UserChanged();
    EXPECT_TRUE(form->modbusPage->GroupBox13->isHidden());
    EXPECT_EQ(form->modbusPage->Edit4->text(), "01"); // hidden, kept
    form->modbusPage->ComboBox17->SetItemIndex(0);
    emit form->modbusPage->ComboBox17->UserChanged();
    EXPECT_FALSE(form->modbusPage->GroupBox13->isHidden());
    EXPECT_EQ(form->modbusPage->Edit4->text(), "");
    EXPECT_EQ(form->modbusPage->ComboBox28->ItemIndex(), -1);
    EXPECT_EQ(form->modbusPage->ComboBox15->ItemIndex(), -1);
}

TEST_F(ConfigWindow, DisplayRequestsKeepTheExchangeFields) {
    OpenPort();
    form->Memo10->setPlainText("earlier reply");
    QTest::mouseClick(form->systemPage->Button8, Qt::LeftButton);
    EXPECT_EQ(Sent(10), "PPPPPP#QA#");
    EXPECT_EQ(form->Memo10->toPlainText(), "earlier reply");
    EXPECT_EQ(form->link.TimeoutKind, TimeoutReport::DisplayTest);
    Reply(std::string("\x01\xA0", 2));
    ASSERT_TRUE(WaitFor([&] { return form->Memo10->toPlainText() == "01 A0 "; }));
}

} // namespace
