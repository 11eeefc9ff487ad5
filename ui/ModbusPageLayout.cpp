// The MODBUS parameter configuration page's controls.

#include "config/ConfigLists.h"
#include "ui/ControlFactory.h"
#include "ui/ModbusPage.h"
#include "ui/TForm1.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

void ModbusPage::Build(QWidget* sheet) {
    ControlFactory f{&form};
    auto* page = new QGridLayout(sheet);
    BuildChannel(sheet, page);

    auto* left = new QVBoxLayout;
    GroupBox13 = f.Group("GroupBox13", "Custom HART commands and parsing methods");
    auto* g13 = new QGridLayout(GroupBox13);
    const QStringList switches = ItemTexts(CommandSwitchItems);
    ComboBox28 = f.Combo("ComboBox28", switches);
    Edit4 = f.Edit("Edit4");
    Button17 = form.Handled(f.Button("Button17", "set"), this, &ModbusPage::Button17Click);
    ComboBox29 = f.Combo("ComboBox29", switches);
    Edit5 = f.Edit("Edit5");
    Button18 = form.Handled(f.Button("Button18", "set"), this, &ModbusPage::Button18Click);
    Row(g13, 0, {Caption("read instrument command 1:"), ComboBox28, Edit4, Button17});
    Row(g13, 1, {Caption("read instrument command 2:"), ComboBox29, Edit5, Button18});
    GroupBox16 = f.Group("GroupBox16", "Customize the HART data parsing format");
    auto* g16 = new QGridLayout(GroupBox16);
    Row(g16, 0,
        {nullptr, Caption("instrument command number"), Caption("data start address"),
         Caption("data length")});
    const QStringList sources = ItemTexts(ParsingSourceItems);
    const QStringList lengthItems = ItemTexts(ParsingLengthItems);
    TComboBox** commands[] = {&RADCOM1, &RADCOM3, &RADCOM5, &RADCOM7};
    QLineEdit** starts[] = {&READADR1, &READADR3, &READADR5, &READADR7};
    TComboBox** lengths[] = {&READLG1, &READLG3, &READLG5, &READLG7};
    for (int i = 0; i < 4; ++i) {
        const int n = i * 2 + 1;
        *commands[i] = f.Shows(QString("RADCOM%1").arg(n), sources, sources[0]);
        *starts[i] = f.Edit(QString("READADR%1").arg(n));
        *lengths[i] = f.Shows(QString("READLG%1").arg(n), lengthItems, lengthItems[0]);
        Row(g16, i + 1,
            {Caption(QString("variable %1:").arg(i + 1)), *commands[i], *starts[i], *lengths[i]});
    }
    ComboBox15 = f.Selected("ComboBox15", ItemTexts(AddressBitsItems), 5);
    Button12 = form.Handled(f.Button("Button12", "set"), this, &ModbusPage::Button12Click);
    Row(g16, 5, {Caption("address bits:"), ComboBox15, nullptr, Button12});
    g13->addWidget(GroupBox16, 2, 0, 1, 4);
    left->addWidget(GroupBox13);

    GroupBox19 = f.Group("GroupBox19", "MODBUS Communication Test");
    auto* g19 = new QGridLayout(GroupBox19);
    Edit18 = f.Edit("Edit18", "001");
    Edit19 = f.Edit("Edit19", "00");
    Edit20 = f.Edit("Edit20", "10");
    Button4 = form.Handled(f.Button("Button4", "MODBUS Communication Test"), this,
                           &ModbusPage::Button4Click);
    Row(g19, 0,
        {Caption("MODBUS slave address:"), Edit18, Caption("data start address:"), Edit19,
         Caption("data length:"), Edit20, Button4});
    left->addWidget(GroupBox19);
    left->addStretch(1);
    page->addLayout(left, 1, 0);

    auto* right = new QVBoxLayout;
    GroupBox11 = f.Group("GroupBox11", "Module operating mode");
    ComboBox14 = f.Combo("ComboBox14", ItemTexts(OperatingModeItems));
    Button22 = form.Handled(f.Button("Button22", "set"), this, &ModbusPage::Button22Click);
    auto* g11 = new QHBoxLayout(GroupBox11);
    g11->addWidget(ComboBox14, 1);
    g11->addWidget(Button22);
    right->addWidget(GroupBox11);

    GroupBox12 = f.Group("GroupBox12", "IEE754 Calculation");
    auto* g12 = new QGridLayout(GroupBox12);
    Edit7 = f.Edit("Edit7");
    Edit22 = f.Edit("Edit22");
    Button13 = form.Handled(f.Button("Button13", "Calculate"), this, &ModbusPage::Button13Click);
    Row(g12, 0, {Caption("data format HEX(FF FF FF FF):"), Edit7});
    Row(g12, 1, {Caption("conversion value:"), Edit22});
    g12->addWidget(Button13, 2, 1);
    right->addWidget(GroupBox12);

    GroupBox17 = f.Group("GroupBox17", "Variable 1 coefficient");
    auto* g17 = new QGridLayout(GroupBox17);
    const QStringList coefficientModes = ItemTexts(CoefficientModeItems);
    ComboBox18 = f.Shows("ComboBox18", coefficientModes, coefficientModes[0]);
    Beilv = f.Edit("Beilv", "0.001");
    Button2 = form.Handled(f.Button("Button2", "set"), this, &ModbusPage::Button2Click);
    g17->addWidget(ComboBox18, 0, 0, 1, 3);
    Row(g17, 1, {Caption(QString("coefficient") + QChar(0xFF1A)), Beilv, Button2});
    right->addWidget(GroupBox17);
    Button31 = form.Handled(f.Button("Button31", "MODBUS Parameter Query"), this,
                            &ModbusPage::Button31Click);
    right->addStretch(1);
    right->addWidget(Button31);
    page->addLayout(right, 1, 1);
}

// The channel row, the register labels and their formats, and the HART values.
void ModbusPage::BuildChannel(QWidget*, QGridLayout* page) {
    ControlFactory f{&form};
    GroupBox3 = f.Group("GroupBox3", {});
    auto* g3 = new QGridLayout(GroupBox3);
    const QStringList enabled = ItemTexts(HartEnabledItems);
    const QStringList modes = ItemTexts(HartLinkModeItems);
    const QStringList types = ItemTexts(InstrumentTypeItems);
    ComboBox41 = f.Shows("ComboBox41", ItemTexts(InstrumentNumberItems), "0");
    ComboBox41->setMaxVisibleItems(9);
    ComboBox6 = f.Shows("ComboBox6", enabled, enabled[0]);
    ComboBox16 = f.Shows("ComboBox16", modes, modes[1]);
    ComboBox17 = f.Shows("ComboBox17", types, types[1]);
    ComboBox17->setMaxVisibleItems(16);
    ComboBox34 = f.Combo("ComboBox34", ItemTexts(PrefixLengthItems));
    Edit1 = f.Edit("Edit1");
    Button10 = form.Handled(f.Button("Button10", "set"), this, &ModbusPage::Button10Click);
    auto* row1 = new QHBoxLayout;
    AddAll(row1, {Caption("Instrument Number:"), ComboBox41, Caption("enabled:"), ComboBox6,
                  Caption("HART mode:"), ComboBox16, Caption("Instrument type:"), ComboBox17,
                  Caption("Prefix length:"), ComboBox34, Caption("Clear cache time:"), Edit1,
                  Caption("S"), Button10});
    g3->addLayout(row1, 0, 0, 1, 6);

    Label68 = Coloured(f.Label("Label68", "current (RTU_ADR)"), "aqua");
    Label69 = Coloured(f.Label("Label69", "variable_1(RTU_ADR)"), "aqua");
    Label70 = Coloured(f.Label("Label70", "variable_2(RTU_ADR)"), "aqua");
    Label71 = Coloured(f.Label("Label71", "variable_3(RTU_ADR)"), "aqua");
    Label72 = Coloured(f.Label("Label72", "variable_4(RTU_ADR)"), "aqua");
    Label19 = Coloured(f.Label("Label19", "40001:"), "fuchsia");
    Label24 = Coloured(f.Label("Label24", "40003:"), "fuchsia");
    Label27 = Coloured(f.Label("Label27", "40005:"), "fuchsia");
    Label28 = Coloured(f.Label("Label28", "40007:"), "fuchsia");
    Label29 = Coloured(f.Label("Label29", "40009:"), "fuchsia");
    const QStringList currentFormats = ItemTexts(CurrentFormatItems);
    const QStringList variableFormats = ItemTexts(VariableFormatItems);
    FAMOUT1 = f.Selected("FAMOUT1", currentFormats, 0);
    FAMOUT3 = f.Selected("FAMOUT3", variableFormats, 0);
    FAMOUT5 = f.Selected("FAMOUT5", variableFormats, 0);
    FAMOUT7 = f.Selected("FAMOUT7", variableFormats, 0);
    FAMOUT9 = f.Selected("FAMOUT9", variableFormats, 0);
    Button21 = form.Handled(f.Button("Button21", "set"), this, &ModbusPage::Button21Click);
    QLabel** values[] = {&HLabel1, &HLabel2, &HLabel3, &HLabel4, &HLabel5};
    for (int i = 0; i < 5; ++i)
        *values[i] = Coloured(f.Label(QString("HLabel%1").arg(i + 1), "00000"), "aqua");
    Row(g3, 1, {Label68, Label69, Label70, Label71, Label72});
    Row(g3, 2, {Label19, Label24, Label27, Label28, Label29});
    Row(g3, 3, {FAMOUT1, FAMOUT3, FAMOUT5, FAMOUT7, FAMOUT9, Button21});
    Row(g3, 4, {HLabel1, HLabel2, HLabel3, HLabel4, HLabel5});
    page->addWidget(GroupBox3, 0, 0, 1, 2);
}
