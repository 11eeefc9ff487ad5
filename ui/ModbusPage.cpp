// The MODBUS parameter configuration page: channel settings of one instrument, a custom
// instrument's commands, the read test, the calculator, and the answers it shows.

#include "ui/ModbusPage.h"

#include "config/ConfigFrames.h"
#include "tools/Ieee754Calculator.h"
#include "tools/ModbusTest.h"
#include "ui/Messages.h"
#include "ui/ReplyView.h"
#include "ui/TForm1.h"

ModbusPage::ModbusPage(TForm1& owner, QWidget* sheet) : form(owner) {
    Build(sheet);
    form.OnUserChange(ComboBox41, [this] { ComboBox41Change(); });
    form.OnUserChange(ComboBox17, [this] { ComboBox17Change(); });
}

void ModbusPage::FormCreate() {
    Edit1->clear();
    for (TComboBox* combo : {ComboBox6, RADCOM1, RADCOM3, RADCOM5, RADCOM7, READLG1, READLG3,
                             READLG5, READLG7, FAMOUT1, FAMOUT3, FAMOUT5, FAMOUT7, FAMOUT9})
        combo->SetItemIndex(-1);
    for (QLineEdit* edit : {READADR1, READADR3, READADR5, READADR7})
        edit->clear();
    ComboBox28->SetItemIndex(-1);
    ComboBox29->SetItemIndex(-1);
    Edit4->clear();
    Edit5->clear();
}

int ModbusPage::InstrumentNumber() const {
    return ComboBox41->ListValue();
}

void ModbusPage::SetRegisterLabels(int instrument) {
    const int base = 40001 + 10 * instrument;
    QLabel* labels[] = {Label19, Label24, Label27, Label28, Label29};
    for (int i = 0; i < 5; ++i)
        labels[i]->setText(QString::number(base + 2 * i));
}

void ModbusPage::ShowInstrument(int instrument) {
    ComboBox41->SetItemIndex(instrument);
    const int shown = ComboBox41->ItemIndex();
    if (shown >= 0 && shown <= 8)
        SetRegisterLabels(shown);
}

void ModbusPage::ComboBox41Change() {
    if (!form.link.PortIsOpen)
        return;
    const int instrument = InstrumentNumber();
    if (instrument < 0)
        return; // typing that spells no instrument yet: wait for a complete choice
    SetRegisterLabels(instrument);
    Edit19->setText(QString::number(instrument) + "0");
    Edit20->setText("10");
    for (TComboBox* combo : {ComboBox6, ComboBox17, ComboBox16, ComboBox34, FAMOUT1, FAMOUT3,
                             FAMOUT5, FAMOUT7, FAMOUT9, ComboBox28, ComboBox29, RADCOM1, RADCOM3,
                             RADCOM5, RADCOM7, READLG1, READLG3, READLG5, READLG7})
        combo->SetItemIndex(-1);
    for (QLineEdit* edit : {Edit1, Edit4, Edit5, READADR1, READADR3, READADR5, READADR7})
        edit->clear();
    if (InstrumentChanged)
        InstrumentChanged();
    GroupBox13->setVisible(false);
    form.ClearExchange();
    form.Send(RequestKind::ChannelParameters, ModbusParameterQuery(instrument));
}

void ModbusPage::Button31Click() {
    form.ClearExchange();
    form.Send(RequestKind::ChannelParameters, ModbusParameterQuery(InstrumentNumber()));
}

void ModbusPage::Button10Click() {
    form.ClearExchange();
    form.Send(RequestKind::Setting,
              HartSetting(InstrumentNumber(), ComboBox6->ListValue(), ComboBox16->ListValue(),
                          ComboBox17->ListValue(), ComboBox34->ListValue(), Std(Edit1)));
}

void ModbusPage::Button21Click() {
    form.ClearExchange();
    form.Send(RequestKind::Setting,
              DataFormatSetting(InstrumentNumber(),
                                {FAMOUT1->ListValue(), FAMOUT3->ListValue(), FAMOUT5->ListValue(),
                                 FAMOUT7->ListValue(), FAMOUT9->ListValue()}));
}

void ModbusPage::Button2Click() {
    form.ClearExchange();
    form.Send(RequestKind::Setting, CoefficientSetting(ComboBox18->ListValue(), Std(Beilv)));
}

void ModbusPage::Button22Click() {
    form.ClearExchange();
    form.Send(RequestKind::Setting, OperatingModeSetting(ComboBox14->ListValue()));
}

void ModbusPage::ComboBox17Change() {
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

// A read command goes out as typed hex pairs and is shown as such.
void ModbusPage::SendCustomCommand(int command, const TComboBox* enabled, const QLineEdit* bytes) {
    form.ClearExchange();
    form.Send(RequestKind::Setting,
              CustomCommandSetting(InstrumentNumber(), command, enabled->ListValue(), Std(bytes)),
              TForm1::Shown::Hex);
}

void ModbusPage::Button17Click() {
    SendCustomCommand(1, ComboBox28, Edit4);
}

void ModbusPage::Button18Click() {
    SendCustomCommand(2, ComboBox29, Edit5);
}

void ModbusPage::Button12Click() {
    form.ClearExchange();
    const std::string starts[4] = {Std(READADR1), Std(READADR3), Std(READADR5), Std(READADR7)};
    form.Send(RequestKind::Setting,
              ParsingFormatSetting(
                  InstrumentNumber(), ComboBox15->ListValue(),
                  {ParsingVariable{RADCOM1->ListValue(), starts[0], READLG1->ListValue()},
                   ParsingVariable{RADCOM3->ListValue(), starts[1], READLG3->ListValue()},
                   ParsingVariable{RADCOM5->ListValue(), starts[2], READLG5->ListValue()},
                   ParsingVariable{RADCOM7->ListValue(), starts[3], READLG7->ListValue()}}));
}

void ModbusPage::Button4Click() {
    form.ClearExchange();
    form.Send(RequestKind::ModbusTest, ModbusReadRequest(Std(Edit18), Std(Edit19), Std(Edit20)),
              TForm1::Shown::Hex);
}

void ModbusPage::Button13Click() {
    const Ieee754Result result = CalculateIeee754(Std(Edit7), DecimalSeparator(), 4);
    if (result.status != Ieee754Status::Ok) {
        ShowMessage(&form, QString::fromStdString(result.message));
        return;
    }
    Edit22->setText(QString::fromStdString(result.text));
}

void ModbusPage::Show(const ChannelReply& reply) {
    ::Show(ComboBox18, reply.coefficientMode);
    ::Show(Beilv, reply.coefficient);
    ::Show(ComboBox6, reply.hartEnabled);
    ::Show(ComboBox16, reply.hartMode);
    ::Show(ComboBox17, reply.instrumentType);
    ::Show(ComboBox34, reply.prefixLength);
    ::Show(Edit1, reply.cacheTime);
    TComboBox* formats[] = {FAMOUT1, FAMOUT3, FAMOUT5, FAMOUT7, FAMOUT9};
    for (std::size_t i = 0; i < reply.registerFormats.size(); ++i)
        ::Show(formats[i], reply.registerFormats[i]);
    if (reply.custom)
        GroupBox13->setVisible(*reply.custom);
    ::Show(ComboBox15, reply.addressBits);
    TComboBox* sources[] = {RADCOM1, RADCOM3, RADCOM5, RADCOM7};
    QLineEdit* starts[] = {READADR1, READADR3, READADR5, READADR7};
    TComboBox* lengths[] = {READLG1, READLG3, READLG5, READLG7};
    for (std::size_t i = 0; i < reply.variables.size(); ++i) {
        ::Show(sources[i], reply.variables[i].source);
        ::Show(starts[i], reply.variables[i].start);
        ::Show(lengths[i], reply.variables[i].length);
    }
    ShowOperatingMode(reply.operatingMode);
    ::Show(ComboBox28, reply.commands[0].enabled);
    ::Show(Edit4, reply.commands[0].bytes);
    ::Show(ComboBox29, reply.commands[1].enabled);
    ::Show(Edit5, reply.commands[1].bytes);
}

void ModbusPage::ShowOperatingMode(const std::optional<int>& mode) {
    ::Show(ComboBox14, mode);
}

void ModbusPage::ShowVariables(const DynamicVariablesReply& reply) {
    QLabel* labels[] = {HLabel2, HLabel3, HLabel4, HLabel5};
    for (std::size_t i = 0; i < reply.variables.size() && i < 4; ++i)
        labels[i]->setText(QString::fromStdString(reply.variables[i].text));
}

void ModbusPage::ShowTimeoutState(const QString& text) {
    Label68->setText(text);
}

void ModbusPage::EnableModuleButtons() {
    for (QPushButton* button : {Button21, Button10, Button17, Button18, Button12, Button31})
        button->setEnabled(true);
}
