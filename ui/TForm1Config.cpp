// The module's configuration page handlers: link queries, settings, channel settings,
// display settings and tests, and applying decoded replies to the window.

#include "config/ConfigFrames.h"
#include "config/ConfigReplies.h"
#include "exchange/RequestCodes.h"
#include "ui/Messages.h"
#include "ui/TForm1.h"

namespace {
QString FrameText(const std::vector<std::uint8_t>& bytes) {
    return QString::fromLatin1(reinterpret_cast<const char*>(bytes.data()),
                               static_cast<int>(bytes.size()));
}
std::string Std(const QLineEdit* edit) {
    return edit->text().toStdString();
}
} // namespace

int TForm1::InstrumentNumber() const {
    return ComboBox41->ListValue();
}

// The common sequence of a request: clear the exchange, build, then send and show the frame
// as text. A frame that cannot be built is reported and nothing is sent.
void TForm1::SendSetting(const FrameResult& frame) {
    if (!FrameReady(frame))
        return;
    SendRequest(frame.bytes, FrameText(frame.bytes), Request::Setting, Timeout::Setting);
}

void TForm1::Button6Click() {
    ClearExchange();
    const FrameResult frame = CommunicationQuery();
    SendRequest(frame.bytes, FrameText(frame.bytes), Request::Communication, Timeout::Connection);
}

void TForm1::Button23Click() {
    ClearExchange();
    const FrameResult frame = SystemParameterQuery();
    SendRequest(frame.bytes, FrameText(frame.bytes), Request::SystemParameters,
                Timeout::ParameterQuery);
}

void TForm1::Button31Click() {
    ClearExchange();
    const FrameResult frame = ModbusParameterQuery(InstrumentNumber());
    if (!FrameReady(frame))
        return;
    SendRequest(frame.bytes, FrameText(frame.bytes), Request::ModbusParameters,
                Timeout::ParameterQuery);
}

void TForm1::Button5Click() {
    ClearExchange();
    const FrameResult frame = Rs232Setting(ComboBox2->ListValue(), ComboBox4->ListValue());
    if (!FrameReady(frame))
        return;
    SendSetting(frame);
    // The module switches its own line: this side closes its port shortly after.
    Timer4->SetInterval(Timeout::AutoCloseMs);
    Timer4->SetEnabled(true);
}

void TForm1::Button9Click() {
    ClearExchange();
    const FrameResult frame = Rs485Setting(ComboBox8->ListValue(), ComboBox9->ListValue());
    if (!FrameReady(frame))
        return;
    SendSetting(frame);
    Timer4->SetInterval(Timeout::AutoCloseMs);
    Timer4->SetEnabled(true);
}

void TForm1::Button24Click() {
    ClearExchange();
    SendSetting(OperatingModeSetting(ComboBox7->ListValue()));
}

void TForm1::Button22Click() {
    ClearExchange();
    SendSetting(OperatingModeSetting(ComboBox14->ListValue()));
}

void TForm1::Button29Click() {
    ClearExchange();
    SendSetting(SlaveAddressSetting(Std(Edit14)));
}

void TForm1::Button27Click() {
    ClearExchange();
    SendSetting(IntervalSetting(Std(Edit6)));
}

void TForm1::Button30Click() {
    ClearExchange();
    SendSetting(ResetSetting());
}

void TForm1::Label8DblClick() {
    ClearExchange();
    const FrameResult frame = InterfaceSetting(ComboBox13->ListValue(), ComboBox1->ListValue());
    if (!FrameReady(frame))
        return;
    // This hidden setting is sent without showing its frame.
    SendRequest(frame.bytes, QString(), Request::Setting, Timeout::Setting);
}

void TForm1::SetRegisterLabels(int instrument) {
    const QString n = QString::number(instrument);
    Label19->setText("400" + n + "1");
    Label24->setText("400" + n + "3");
    Label27->setText("400" + n + "5");
    Label28->setText("400" + n + "7");
    Label29->setText("400" + n + "9");
}

void TForm1::ComboBox41Change() {
    if (!PortIsOpen)
        return;
    const int instrument = InstrumentNumber();
    if (instrument < 0)
        return; // typing that spells no instrument yet: wait for a complete choice
    SetRegisterLabels(instrument);
    Edit19->setText(QString::number(instrument) + "0");
    Edit20->setText("10");
    for (TComboBox* combo : {ComboBox6, ComboBox17, ComboBox16, ComboBox34, FAMOUT1,    FAMOUT3,
                             FAMOUT5,   FAMOUT7,    FAMOUT9,    ComboBox28, ComboBox29, RADCOM1,
                             RADCOM3,   RADCOM5,    RADCOM7,    READLG1,    READLG3,    READLG5,
                             READLG7,   ComboBox7,  ComboBox2,  ComboBox4,  ComboBox8,  ComboBox9})
        combo->SetItemIndex(-1);
    for (QLineEdit* edit :
         {Edit1, Edit4, Edit5, READADR1, READADR3, READADR5, READADR7, Edit14, Edit6})
        edit->clear();
    GroupBox13->setVisible(false);
    ClearExchange();
    const FrameResult frame = ModbusParameterQuery(instrument);
    if (!FrameReady(frame))
        return;
    SendRequest(frame.bytes, FrameText(frame.bytes), Request::ModbusParameters,
                Timeout::ParameterQuery);
}

void TForm1::Button10Click() {
    ClearExchange();
    SendSetting(HartSetting(InstrumentNumber(), ComboBox6->ListValue(), ComboBox16->ListValue(),
                            ComboBox17->ListValue(), ComboBox34->ListValue(), Std(Edit1)));
}

void TForm1::Button21Click() {
    ClearExchange();
    SendSetting(DataFormatSetting(InstrumentNumber(),
                                  {FAMOUT1->ListValue(), FAMOUT3->ListValue(), FAMOUT5->ListValue(),
                                   FAMOUT7->ListValue(), FAMOUT9->ListValue()}));
}

void TForm1::Button2Click() {
    ClearExchange();
    SendSetting(CoefficientSetting(ComboBox18->ListValue(), Std(Beilv)));
}

// Display settings and tests leave the exchange fields as they are.
void TForm1::SendDisplayRequest(const FrameResult& frame, int code, int kind) {
    if (!FrameReady(frame))
        return;
    SendRequest(frame.bytes, FrameText(frame.bytes), code, kind);
}

void TForm1::Button34Click() {
    SendDisplayRequest(DisplaySetting(1, XS01->ListValue(), XSFA1->ListValue()),
                       Request::DisplaySetting, Timeout::Setting);
}
void TForm1::Button28Click() {
    SendDisplayRequest(DisplaySetting(2, XS02->ListValue(), XSFA2->ListValue()),
                       Request::DisplaySetting, Timeout::Setting);
}
void TForm1::Button25Click() {
    SendDisplayRequest(DisplaySetting(3, XS03->ListValue(), XSFA3->ListValue()),
                       Request::DisplaySetting, Timeout::Setting);
}
void TForm1::Button32Click() {
    SendDisplayRequest(DisplaySetting(4, XS04->ListValue(), XSFA4->ListValue()),
                       Request::DisplaySetting, Timeout::Setting);
}
void TForm1::Button8Click() {
    SendDisplayRequest(DisplayTest(1), Request::DisplayTest, Timeout::DisplayTest);
}
void TForm1::Button100Click() {
    SendDisplayRequest(DisplayTest(2), Request::DisplayTest, Timeout::DisplayTest);
}

void TForm1::ComboBox17Change() {
    if (ComboBox17->ListValue() != 0) {
        GroupBox13->setVisible(false);
        return;
    }
    GroupBox13->setVisible(true);
    for (TComboBox* combo : {ComboBox28, ComboBox29, ComboBox15, RADCOM1, RADCOM3, RADCOM5, RADCOM7,
                             READLG1, READLG3, READLG5, READLG7})
        combo->SetItemIndex(-1);
    for (QLineEdit* edit : {Edit4, Edit5, READADR1, READADR3, READADR5, READADR7})
        edit->clear();
}

void TForm1::Button17Click() {
    ClearExchange();
    const FrameResult frame =
        CustomCommandSetting(InstrumentNumber(), 1, ComboBox28->ListValue(), Std(Edit4));
    if (!FrameReady(frame))
        return;
    SendRequest(frame.bytes, HexText(frame.bytes), Request::Setting, Timeout::Setting);
}

void TForm1::Button18Click() {
    ClearExchange();
    const FrameResult frame =
        CustomCommandSetting(InstrumentNumber(), 2, ComboBox29->ListValue(), Std(Edit5));
    if (!FrameReady(frame))
        return;
    SendRequest(frame.bytes, HexText(frame.bytes), Request::Setting, Timeout::Setting);
}

void TForm1::Button12Click() {
    ClearExchange();
    const std::string starts[4] = {Std(READADR1), Std(READADR3), Std(READADR5), Std(READADR7)};
    SendSetting(ParsingFormatSetting(
        InstrumentNumber(), ComboBox15->ListValue(),
        {ParsingVariable{RADCOM1->ListValue(), starts[0], READLG1->ListValue()},
         ParsingVariable{RADCOM3->ListValue(), starts[1], READLG3->ListValue()},
         ParsingVariable{RADCOM5->ListValue(), starts[2], READLG5->ListValue()},
         ParsingVariable{RADCOM7->ListValue(), starts[3], READLG7->ListValue()}}));
}

void TForm1::ApplyUpdates(const std::vector<ControlUpdate>& updates) {
    for (const ControlUpdate& u : updates) {
        auto* widget = findChild<QWidget*>(QString::fromStdString(u.control));
        if (widget == nullptr)
            continue;
        switch (u.kind) {
        case UpdateKind::Select:
            if (auto* combo = qobject_cast<TComboBox*>(widget))
                combo->SetItemIndex(u.index);
            break;
        case UpdateKind::Text:
            if (auto* edit = qobject_cast<QLineEdit*>(widget))
                edit->setText(QString::fromLatin1(u.text.data(), static_cast<int>(u.text.size())));
            break;
        case UpdateKind::Show:
            widget->setVisible(u.on);
            break;
        case UpdateKind::Enable:
            widget->setEnabled(true);
            break;
        }
    }
}

void TForm1::DecodeConfigurationReply() {
    ReplyDecode decode;
    switch (PendingRequest) {
    case Request::Communication:
        decode = DecodeCommunicationReply(RxText);
        break;
    case Request::SystemParameters:
        decode = DecodeSystemParameterReply(RxText);
        break;
    case Request::ModbusParameters:
        decode = DecodeModbusParameterReply(RxText, ComboBox17->ItemIndex());
        break;
    default:
        return;
    }
    if (decode.endsRequest) {
        PendingRequest = Request::None;
        TimeoutKind = Timeout::None;
    }
    ApplyUpdates(decode.updates);
    if (decode.error)
        ShowErrorReport(this, QString::fromStdString(*decode.error));
}
