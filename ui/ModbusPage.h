#pragma once

#include "config/ConfigReplies.h"
#include "hart/HartReplies.h"
#include "ui/TComboBox.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <functional>

class QGridLayout;
class TForm1;

// The "MODBUS parameter configuration" page: one instrument channel's settings, a custom
// instrument's commands, the MODBUS read test and the IEEE 754 calculator.
class ModbusPage {
public:
    ModbusPage(TForm1& form, QWidget* sheet);

    QGroupBox* GroupBox3;
    TComboBox* ComboBox41;
    TComboBox* ComboBox6;
    TComboBox* ComboBox16;
    TComboBox* ComboBox17;
    TComboBox* ComboBox34;
    QLineEdit* Edit1;
    QPushButton* Button10;
    QLabel* Label68;
    QLabel* Label69;
    QLabel* Label70;
    QLabel* Label71;
    QLabel* Label72;
    QLabel* Label19;
    QLabel* Label24;
    QLabel* Label27;
    QLabel* Label28;
    QLabel* Label29;
    TComboBox* FAMOUT1;
    TComboBox* FAMOUT3;
    TComboBox* FAMOUT5;
    TComboBox* FAMOUT7;
    TComboBox* FAMOUT9;
    QPushButton* Button21;
    QLabel* HLabel1;
    QLabel* HLabel2;
    QLabel* HLabel3;
    QLabel* HLabel4;
    QLabel* HLabel5;
    QGroupBox* GroupBox13;
    TComboBox* ComboBox28;
    QLineEdit* Edit4;
    QPushButton* Button17;
    TComboBox* ComboBox29;
    QLineEdit* Edit5;
    QPushButton* Button18;
    QGroupBox* GroupBox16;
    TComboBox* RADCOM1;
    TComboBox* RADCOM3;
    TComboBox* RADCOM5;
    TComboBox* RADCOM7;
    QLineEdit* READADR1;
    QLineEdit* READADR3;
    QLineEdit* READADR5;
    QLineEdit* READADR7;
    TComboBox* READLG1;
    TComboBox* READLG3;
    TComboBox* READLG5;
    TComboBox* READLG7;
    TComboBox* ComboBox15;
    QPushButton* Button12;
    QGroupBox* GroupBox19;
    QLineEdit* Edit18;
    QLineEdit* Edit19;
    QLineEdit* Edit20;
    QPushButton* Button4;
    QGroupBox* GroupBox11;
    TComboBox* ComboBox14;
    QPushButton* Button22;
    QGroupBox* GroupBox12;
    QLineEdit* Edit7;
    QLineEdit* Edit22;
    QPushButton* Button13;
    QGroupBox* GroupBox17;
    TComboBox* ComboBox18;
    QLineEdit* Beilv;
    QPushButton* Button2;
    QPushButton* Button31;

    void FormCreate();
    void ComboBox41Change();
    void ComboBox17Change();
    void Button10Click();
    void Button21Click();
    void Button2Click();
    void Button22Click();
    void Button17Click();
    void Button18Click();
    void Button12Click();
    void Button31Click();
    void Button4Click();
    void Button13Click();

    // Runs when the user chose another instrument, before its channel is queried.
    std::function<void()> InstrumentChanged;

    int InstrumentNumber() const;
    // The channel of `instrument` shown: the list and its holding register labels.
    void ShowInstrument(int instrument);
    void Show(const ChannelReply& reply);
    void ShowOperatingMode(const std::optional<int>& mode);
    void ShowVariables(const DynamicVariablesReply& reply);
    void ShowTimeoutState(const QString& text);
    void EnableModuleButtons();

private:
    void Build(QWidget* sheet);
    void BuildChannel(QWidget* sheet, QGridLayout* page);
    void SetRegisterLabels(int instrument);
    void SendCustomCommand(int command, const TComboBox* enabled, const QLineEdit* bytes);
    TForm1& form;
};
