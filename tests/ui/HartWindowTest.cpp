// The transparent-mode page over a pseudo-terminal: HART frames as sent and shown, and the
// instrument's replies decoded into the window.

#include "hart/HartUnits.h"
#include "link/RequestTable.h"
#include "tests/ui/WindowFixture.h"

namespace {

using HartWindow = WindowFixture;

std::string Bytes(std::initializer_list<int> values) {
    std::string out;
    for (int v : values)
        out += static_cast<char>(v);
    return out;
}

std::string IdentityReply(int id0, int id1, int id2) {
    return Bytes({0xFF, 0xFF, 0x06, 0x80, 0x00, 0x0E, 0x00, 0x00, 0xFE, 0x26, 0x06,
                  0x05, 0x05, 0x01, 0x08, 0x00, 0x00, id0,  id1,  id2,  0x5A});
}

TEST_F(HartWindow, IdentityQueryFrameAndFirstTimeoutOfOneSecond) {
    OpenPort();
    struct Case {
        int mode;
        int address;
        std::string frame;
    };
    const Case cases[] = {
        {0, 0, Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x02, 0x80, 0x00, 0x00, 0x82})},
        {0, 3, Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x02, 0x83, 0x00, 0x00, 0x81})},
        {1, 0, Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x02, 0x00, 0x00, 0x00, 0x02})},
    };
    for (const Case& c : cases) {
        form->hartPage->ComboBox42->SetItemIndex(c.mode);
        form->hartPage->ComboBox30->SetItemIndex(c.address);
        form->hartPage->Edit28->setText("stale");
        QTest::mouseClick(form->hartPage->Button7, Qt::LeftButton);
        EXPECT_EQ(Hex(Sent(c.frame.size())), Hex(c.frame));
        EXPECT_EQ(form->Edit8->text().toStdString(), Hex(c.frame));
        EXPECT_EQ(form->hartPage->Edit28->text(), "");
        EXPECT_EQ(form->link.frameBuffer[FrameBuffer::PollAddressIndex], c.address);
        EXPECT_EQ(form->link.Timer3->Interval(), 1000); // only enabled, interval untouched
    }
}

TEST_F(HartWindow, IdentityThenVariablesThenAddressWrite) {
    OpenPort();
    form->hartPage->ComboBox30->SetItemIndex(2);
    QTest::mouseClick(form->hartPage->Button7, Qt::LeftButton);
    Sent(12);
    Reply(IdentityReply(0x00, 0x12, 0x34));
    ASSERT_TRUE(WaitFor([&] { return form->hartPage->Edit32->text() == "4660"; }));
    EXPECT_EQ(form->hartPage->Edit28->text(), "38");
    EXPECT_EQ(form->hartPage->Edit29->text(), "6");
    EXPECT_EQ(form->hartPage->Edit31->text(), "5");
    EXPECT_EQ(form->hartPage->ComboBox27->ItemIndex(), 2);
    EXPECT_EQ(form->link.PendingRequest, RequestKind::None);
    EXPECT_EQ(form->Memo10->toPlainText().toStdString(), Hex(IdentityReply(0x00, 0x12, 0x34)));

    // Command 3 addresses the instrument by what the identity reply told.
    QTest::mouseClick(form->hartPage->Button16, Qt::LeftButton);
    const std::string query = Sent(16);
    EXPECT_EQ(Hex(query), Hex(Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x82, 0xA6, 0x06,
                                     0x00, 0x12, 0x34, 0x03, 0x00, 0x07})));
    std::string reply = Bytes({0xFF, 0xFF, 0x86, 0xA6, 0x06, 0x00, 0x12, 0x34, 0x03, 0x1A, 0x00,
                               0x00, 0x41, 0x80, 0x00, 0x00});
    const int units[4] = {32, 12, 7, 39};
    const std::string values[4] = {Bytes({0x40, 0x80, 0x00, 0x00}), Bytes({0xC0, 0x70, 0x00, 0x00}),
                                   Bytes({0x3F, 0xC0, 0x00, 0x00}),
                                   Bytes({0x7F, 0xA0, 0x00, 0x00})};
    for (int i = 0; i < 4; ++i)
        reply += static_cast<char>(units[i]) + values[i];
    reply += '\0';
    Reply(reply);
    ASSERT_TRUE(WaitFor([&] { return form->hartPage->Edit30->text() == "00000000"; }));
    EXPECT_EQ(form->hartPage->Edit25->text(), "4");
    EXPECT_EQ(form->hartPage->Edit26->text(), "-3.75");
    EXPECT_EQ(form->hartPage->Edit27->text(), "1.5");
    EXPECT_EQ(form->modbusPage->HLabel2->text(), "4");
    EXPECT_EQ(form->modbusPage->HLabel5->text(), "00000000");
    EXPECT_EQ(form->hartPage->ComboBox3->ItemIndex(), UnitIndexForCode(32));
    EXPECT_EQ(form->hartPage->ComboBox33->ItemIndex(), UnitIndexForCode(39));

    // Command 6 raises RTS first and sets the 3000 ms time-out.
    form->hartPage->ComboBox27->SetItemIndex(5);
    QTest::mouseClick(form->hartPage->Button14, Qt::LeftButton);
    const std::string write = Sent(17);
    EXPECT_EQ(static_cast<unsigned char>(write[13]), 0x06);
    EXPECT_EQ(static_cast<unsigned char>(write[15]), 0x05);
    EXPECT_EQ(form->link.Comm1.RtsControl(), TRtsControl::RtsEnable);
    EXPECT_EQ(form->link.Timer3->Interval(), 3000);
    EXPECT_EQ(form->link.PendingRequest, RequestKind::HartWriteAddress);
}

TEST_F(HartWindow, ManualFrameAndItsRefusals) {
    OpenPort();
    struct Case {
        const char* text;
        std::string frame; // empty: refused with `message`
        const char* message;
    };
    const Case cases[] = {
        {"02 80 00 00",
         Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x02, 0x80, 0x00, 0x00, 0x82}), ""},
        {"02,80", "", "NO SPACK"},
        {"", "", "NO SPACK"},
        {"02 8g", "", "Data eeore!"},
        {"0\u00C9 80", "", "Data eeore!"}, // counted in characters, not UTF-8 bytes
    };
    for (const Case& c : cases) {
        messages.clear();
        form->hartPage->Edit10->setText(c.text);
        QTest::mouseClick(form->hartPage->Button20, Qt::LeftButton);
        if (c.frame.empty()) {
            EXPECT_EQ(LastMessage().toStdString(), c.message) << c.text;
            EXPECT_EQ(SentAll(150), "") << c.text;
            EXPECT_EQ(form->Edit8->text(), "");
        } else {
            EXPECT_EQ(Hex(Sent(c.frame.size())), Hex(c.frame));
            EXPECT_EQ(form->link.PendingRequest, RequestKind::HartManual);
        }
    }
    messages.clear();
    form->hartPage->Edit9->setText("six");
    form->hartPage->Edit10->setText("02 80");
    QTest::mouseClick(form->hartPage->Button20, Qt::LeftButton);
    EXPECT_EQ(LastMessage(), "'six' is not a valid integer value.");
}

TEST_F(HartWindow, AddressMirrorsIntoInstrumentNumberWithoutQuerying) {
    OpenPort();
    struct Case {
        int address;
        int instrument;
        const char* label19;
    };
    for (const Case c : {Case{1, 1, "40011"}, Case{8, 8, "40081"}, Case{12, -1, "40081"}}) {
        form->hartPage->ComboBox30->SetItemIndex(c.address);
        emit form->hartPage->ComboBox30->UserChanged();
        EXPECT_EQ(form->modbusPage->ComboBox41->ItemIndex(), c.instrument);
        EXPECT_EQ(form->modbusPage->Label19->text(), c.label19);
    }
    EXPECT_EQ(SentAll(150), "");
}

TEST_F(HartWindow, ToolsModbusTestAndCalculator) {
    OpenPort();
    QTest::mouseClick(form->modbusPage->Button4, Qt::LeftButton);
    const std::string frame = Bytes({0x01, 0x03, 0x00, 0x00, 0x00, 0x0A, 0xC5, 0xCD});
    EXPECT_EQ(Hex(Sent(8)), Hex(frame));
    EXPECT_EQ(form->Edit8->text().toStdString(), Hex(frame));
    Reply(Bytes({0x01, 0x83, 0x02, 0xC0, 0xF1}));
    ASSERT_TRUE(WaitFor([&] { return form->Memo10->toPlainText() == "01 83 02 C0 F1 "; }));
    EXPECT_EQ(form->link.PendingRequest, RequestKind::ModbusTest);

    struct Case {
        const char* text;
        const char* value;   // expected Edit22, unchanged on failure
        const char* message; // expected message, or ""
    };
    const Case cases[] = {
        {"41 20 00 00", "10", ""},
        {"C0 70 00 00", "-3.75", ""},
        {"4120 0000", "-3.75", "Input data without spaces"},
        {"41 2g 00 00", "-3.75", "There are illegal characters, please re-enter!"},
        {"41 20 00 0\u00C9", "-3.75", "There are illegal characters, please re-enter!"},
    };
    for (const Case& c : cases) {
        messages.clear();
        form->modbusPage->Edit7->setText(c.text);
        QTest::mouseClick(form->modbusPage->Button13, Qt::LeftButton);
        EXPECT_EQ(form->modbusPage->Edit22->text().toStdString(), c.value) << c.text;
        EXPECT_EQ(LastMessage().toStdString(), c.message) << c.text;
    }
    EXPECT_EQ(form->Memo10->toPlainText(), "01 83 02 C0 F1 "); // the calculator is offline
}

// The locale's decimal separator reaches the shown values as text, also where it is not a
// Latin-1 character (Arabic and Persian use U+066B).
TEST_F(HartWindow, ValuesShowTheLocaleDecimalSeparator) {
    OpenPort();
    const QLocale saved;
    std::string reply = Bytes({0xFF, 0xFF, 0x86, 0xA6, 0x06, 0x00, 0x00, 0x00, 0x03, 0x06, 0x00,
                               0x00, 0x41, 0x80, 0x00, 0x00, 0x20, 0x41, 0x45, 0x87, 0xE6, 0x00});
    struct Case {
        const char* locale;
        bool beyondLatin1;
    };
    for (const Case c :
         {Case{"ar_EG", true}, Case{"fa_IR", true}, Case{"de_DE", false}, Case{"en_US", false}}) {
        QLocale::setDefault(QLocale(c.locale));
        const QString point = QLocale().decimalPoint();
        ASSERT_FALSE(point.isEmpty()) << c.locale;
        EXPECT_EQ(point.at(0).unicode() > 0xFF, c.beyondLatin1) << c.locale;

        form->modbusPage->Edit7->setText("3F C0 00 00");
        QTest::mouseClick(form->modbusPage->Button13, Qt::LeftButton);
        EXPECT_EQ(form->modbusPage->Edit22->text().toStdString(), ("1" + point + "5").toStdString())
            << c.locale;

        form->hartPage->Edit25->clear();
        QTest::mouseClick(form->hartPage->Button16, Qt::LeftButton);
        Sent(16);
        Reply(reply);
        EXPECT_TRUE(WaitFor([&] { return !form->hartPage->Edit25->text().isEmpty(); })) << c.locale;
        EXPECT_EQ(form->hartPage->Edit25->text().toStdString(),
                  ("12" + point + "345678").toStdString())
            << c.locale;
    }
    QLocale::setDefault(saved);
}

} // namespace
