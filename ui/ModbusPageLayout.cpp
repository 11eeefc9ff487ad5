// The MODBUS parameter configuration page's controls.

#include "config/ConfigLists.h"
#include "ui/ControlFactory.h"
#include "ui/ModbusPage.h"
#include "ui/TForm1.h"

#include <QAbstractItemView>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include <utility>

// Group boxes on this page keep their frames tight: the page holds the most controls.
static void Tighten(QGroupBox* group) {
    group->layout()->setContentsMargins(6, 2, 6, 4);
    group->layout()->setSpacing(4);
}

void ModbusPage::Build(QWidget* sheet) {
    ControlFactory f{&form};
    // The channel on top, full width; under it three columns: the custom HART commands,
    // the module-wide settings and the calculator, the read test.
    auto* page = new QGridLayout(sheet);
    page->setContentsMargins(6, 6, 6, 6);
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
    g16->setAlignment(ComboBox15, Qt::AlignLeft);
    Tighten(GroupBox16);
    g13->addWidget(GroupBox16, 2, 0, 1, 4);
    Tighten(GroupBox13);
    left->addWidget(GroupBox13);
    left->addStretch(1);

    auto* middle = new QVBoxLayout;
    GroupBox11 = f.Group("GroupBox11", "Module operating mode");
    ComboBox14 = f.Combo("ComboBox14", ItemTexts(OperatingModeItems));
    Button22 = form.Handled(f.Button("Button22", "set"), this, &ModbusPage::Button22Click);
    auto* g11 = new QGridLayout(GroupBox11);
    g11->addWidget(ComboBox14, 0, 0, 1, 2);
    g11->addWidget(Button22, 1, 1);
    g11->setColumnStretch(0, 1);
    Tighten(GroupBox11);
    middle->addWidget(GroupBox11);

    GroupBox12 = f.Group("GroupBox12", "IEE754 Calculation");
    auto* g12 = new QGridLayout(GroupBox12);
    Edit7 = f.Edit("Edit7");
    Edit22 = f.Edit("Edit22");
    Button13 = form.Handled(f.Button("Button13", "Calculate"), this, &ModbusPage::Button13Click);
    Row(g12, 0, {Caption("data format HEX(FF FF FF FF):"), Edit7});
    Row(g12, 1, {Caption("conversion value:"), Edit22});
    g12->addWidget(Button13, 2, 1, Qt::AlignRight);
    Tighten(GroupBox12);
    middle->addWidget(GroupBox12);

    GroupBox17 = f.Group("GroupBox17", "Variable 1 coefficient");
    auto* g17 = new QGridLayout(GroupBox17);
    const QStringList coefficientModes = ItemTexts(CoefficientModeItems);
    ComboBox18 = f.Shows("ComboBox18", coefficientModes, coefficientModes[0]);
    // The last choice is a sentence: the closed list shows its start, the open list all.
    ComboBox18->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    ComboBox18->setMinimumContentsLength(24);
    // (The list is made when it first opens: making it here costs the window's start-up.)
    ComboBox18->BeforePopup = [combo = ComboBox18] {
        combo->view()->setMinimumWidth(combo->view()->sizeHintForColumn(0) + 8);
    };
    Beilv = f.Edit("Beilv", "0.001");
    Button2 = form.Handled(f.Button("Button2", "set"), this, &ModbusPage::Button2Click);
    g17->addWidget(ComboBox18, 0, 0, 1, 3);
    Row(g17, 1, {Caption(QString("coefficient") + QChar(0xFF1A)), Beilv, Button2});
    Tighten(GroupBox17);
    middle->addWidget(GroupBox17);
    middle->addStretch(1);

    auto* right = new QVBoxLayout;
    GroupBox19 = f.Group("GroupBox19", "MODBUS Communication Test");
    auto* g19 = new QGridLayout(GroupBox19);
    Edit18 = f.Edit("Edit18", "001");
    Edit19 = f.Edit("Edit19", "00");
    Edit20 = f.Edit("Edit20", "10");
    Button4 = form.Handled(f.Button("Button4", "MODBUS Communication Test"), this,
                           &ModbusPage::Button4Click);
    Row(g19, 0, {Caption("MODBUS slave address:"), Edit18});
    Row(g19, 1, {Caption("data start address:"), Edit19});
    Row(g19, 2, {Caption("data length:"), Edit20});
    g19->addWidget(Button4, 3, 0, 1, 2);
    Tighten(GroupBox19);
    right->addWidget(GroupBox19);
    right->addStretch(1);
    Button31 = form.Handled(f.Button("Button31", "MODBUS Parameter Query"), this,
                            &ModbusPage::Button31Click);
    right->addWidget(Button31);

    auto* columns = new QHBoxLayout;
    columns->addLayout(left, 5);
    columns->addLayout(middle, 4);
    columns->addLayout(right, 2);
    page->addLayout(columns, 1, 0);
    page->setRowStretch(1, 1);
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
    // Caption and field pairs on a row, the pairs set apart from each other.
    auto pairs = [](std::initializer_list<std::pair<QString, QWidget*>> items) {
        auto* row = new QHBoxLayout;
        row->setSpacing(4);
        for (const auto& [caption, field] : items) {
            if (row->count() > 0)
                row->addSpacing(12);
            row->addWidget(Caption(caption));
            row->addWidget(field);
        }
        return row;
    };
    auto* row1 = pairs({{"Instrument Number:", ComboBox41},
                        {"enabled:", ComboBox6},
                        {"HART mode:", ComboBox16},
                        {"Instrument type:", ComboBox17}});
    row1->addStretch(1);
    auto* row1b = pairs({{"Prefix length:", ComboBox34}, {"Clear cache time:", Edit1}});
    AddAll(row1b, {Caption("S"), Button10});
    row1b->addStretch(1);
    g3->addLayout(row1, 0, 0, 1, 6);
    g3->addLayout(row1b, 1, 0, 1, 6);

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
    // Each column: its name and register address, the format under them, then the value.
    QLabel* names[] = {Label68, Label69, Label70, Label71, Label72};
    QLabel* addresses[] = {Label19, Label24, Label27, Label28, Label29};
    for (int i = 0; i < 5; ++i) {
        auto* cell = new QHBoxLayout;
        cell->setSpacing(0);
        cell->addWidget(names[i], 1);
        cell->addWidget(addresses[i]);
        g3->addLayout(cell, 2, i);
    }
    Row(g3, 3, {FAMOUT1, FAMOUT3, FAMOUT5, FAMOUT7, FAMOUT9});
    Row(g3, 4, {HLabel1, HLabel2, HLabel3, HLabel4});
    // The formats' "set" closes the table at its bottom right, beside the last value.
    auto* last = new QHBoxLayout;
    last->addWidget(HLabel5, 1);
    last->addWidget(Button21);
    g3->addLayout(last, 4, 4);
    g3->setContentsMargins(6, 4, 6, 4);
    g3->setVerticalSpacing(4);
    page->addWidget(GroupBox3, 0, 0, 1, 2);
}
