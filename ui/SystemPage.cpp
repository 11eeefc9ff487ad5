// The system parameters page: its layout, its handlers and the answers it shows.

#include "ui/SystemPage.h"

#include "config/ConfigFrames.h"
#include "config/ConfigLists.h"
#include "ui/ControlFactory.h"
#include "ui/ReplyView.h"
#include "ui/TForm1.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

SystemPage::SystemPage(TForm1& owner, QWidget* sheet, QWidget* portRow) : form(owner) {
    Build(sheet, portRow);
}

void SystemPage::Build(QWidget* sheet, QWidget* portRow) {
    ControlFactory f{&form};
    // The port row on top; under it the module's settings in two columns, the display
    // on the right.
    auto* page = new QGridLayout(sheet);
    page->setContentsMargins(6, 6, 6, 6);
    page->addWidget(portRow, 0, 0, 1, 2);

    auto* left = new QGridLayout;
    // The module's two serial sides: speed, parity and their "set" button.
    struct Side {
        QGroupBox*& group;
        TComboBox*& baud;
        TComboBox*& parity;
        QPushButton*& set;
        void (SystemPage::*setClick)();
        const char* names[4];
        const char* caption;
        QStringList baudItems;
    };
    int column = 0;
    for (Side side : {Side{GroupBox4,
                           ComboBox2,
                           ComboBox4,
                           Button5,
                           &SystemPage::Button5Click,
                           {"GroupBox4", "ComboBox2", "ComboBox4", "Button5"},
                           "RS232 Communication Parameter Settings",
                           ItemTexts(Rs232BaudItems)},
                      Side{GroupBox18,
                           ComboBox8,
                           ComboBox9,
                           Button9,
                           &SystemPage::Button9Click,
                           {"GroupBox18", "ComboBox8", "ComboBox9", "Button9"},
                           "RS485 Communication Parameter Settings",
                           ItemTexts(Rs485BaudItems)}}) {
        side.group = f.Group(side.names[0], side.caption);
        side.baud = f.Combo(side.names[1], side.baudItems);
        side.parity = f.Combo(side.names[2], ItemTexts(ParityItems));
        side.set = form.Handled(f.Button(side.names[3], "set"), this, side.setClick);
        auto* row = new QHBoxLayout(side.group);
        AddAll(row, {Caption("baud:"), side.baud, Caption("parity:"), side.parity});
        row->addStretch(1);
        row->addWidget(side.set);
        left->addWidget(side.group, 0, column++);
    }

    // A caption over its field and "set" button.
    auto captionOver = [](QGroupBox* group, QLabel* caption,
                          std::initializer_list<QWidget*> fields) {
        auto* grid = new QGridLayout(group);
        grid->addWidget(caption, 0, 0, 1, static_cast<int>(fields.size()));
        int c = 0;
        for (QWidget* field : fields)
            grid->addWidget(field, 1, c++);
        grid->setColumnStretch(0, 1);
    };
    GroupBox14 = f.Group("GroupBox14", {});
    Edit6 = f.Edit("Edit6");
    Button27 = form.Handled(f.Button("Button27", "set"), this, &SystemPage::Button27Click);
    captionOver(GroupBox14, Caption("instrument communication interval:"),
                {Edit6, Caption(" *10 ms"), Button27});
    left->addWidget(GroupBox14, 1, 0);

    GroupBox7 = f.Group("GroupBox7", {});
    const QStringList modes = ItemTexts(OperatingModeItems);
    ComboBox7 = f.Shows("ComboBox7", modes, modes[0]);
    Button24 = form.Handled(f.Button("Button24", "set"), this, &SystemPage::Button24Click);
    captionOver(GroupBox7, Caption("Module operating mode:"), {ComboBox7, Button24});
    left->addWidget(GroupBox7, 1, 1);

    GroupBox15 = f.Group("GroupBox15", {});
    Edit14 = f.Edit("Edit14");
    Button29 = form.Handled(f.Button("Button29", "set"), this, &SystemPage::Button29Click);
    AddAll(new QHBoxLayout(GroupBox15), {Caption("MODBUS Slave Address:"), Edit14, Button29});
    left->addWidget(GroupBox15, 2, 0, Qt::AlignTop);

    GroupBox21 = f.Group("GroupBox21", {});
    Label16 = Coloured(f.Label("Label16", "check the box when using USB to RS232 "
                                          "interface+RS232 interface to RS485 interface"),
                       "aqua");
    Label16->setWordWrap(true);
    CheckBox1 = f.Named(new QCheckBox("COM_RTS", &form), "CheckBox1");
    CheckBox2 = f.Named(new QCheckBox("COM_DTR", &form), "CheckBox2");
    auto* g21 = new QGridLayout(GroupBox21);
    g21->addWidget(Label16, 0, 0, 1, 3);
    g21->addWidget(CheckBox1, 1, 0);
    g21->addWidget(CheckBox2, 1, 1);
    g21->setColumnStretch(2, 1);
    left->addWidget(GroupBox21, 2, 1);
    left->setRowStretch(3, 1);
    page->addLayout(left, 1, 0);

    auto* right = new QVBoxLayout;
    GroupBox2 = f.Group("GroupBox2", "Display Parameter Configuration");
    auto* g2 = new QGridLayout(GroupBox2);
    g2->setVerticalSpacing(2);
    TComboBox** values[] = {&XS01, &XS02, &XS03, &XS04};
    TComboBox** formats[] = {&XSFA1, &XSFA2, &XSFA3, &XSFA4};
    QPushButton** saves[] = {&Button34, &Button28, &Button25, &Button32};
    const char* saveNames[] = {"Button34", "Button28", "Button25", "Button32"};
    void (SystemPage::*saveClicks[])() = {&SystemPage::Button34Click, &SystemPage::Button28Click,
                                          &SystemPage::Button25Click, &SystemPage::Button32Click};
    const char* captions[] = {
        "the left four digits of the upper row:", "the right four digits of the upper row:",
        "the left four digits of the lower row:", "the right four digits of the lower row:"};
    const QStringList valueItems = ItemTexts(DisplayValueItems);
    const QStringList formatItems = ItemTexts(DisplayFormatItems);
    for (int i = 0; i < 4; ++i) {
        *values[i] = f.Shows(QString("XS0%1").arg(i + 1), valueItems, valueItems[0]);
        (*values[i])->setMaxVisibleItems(12);
        *formats[i] = f.Shows(QString("XSFA%1").arg(i + 1), formatItems, formatItems[0]);
        *saves[i] = form.Handled(f.Button(saveNames[i], "Save"), this, saveClicks[i]);
        QLabel* caption =
            i == 2 ? (Label34 = f.Label("Label34", captions[i])) : Caption(captions[i]);
        g2->addWidget(caption, i * 2, 0, 1, 3);
        Row(g2, i * 2 + 1, {*values[i], *formats[i], *saves[i]});
    }
    g2->setColumnStretch(0, 1);
    Button8 = form.Handled(f.Button("Button8", "Digital tube testing 1"), this,
                           &SystemPage::Button8Click);
    Button100 = form.Handled(f.Button("Button100", "Digital tube testing 2"), this,
                             &SystemPage::Button100Click);
    auto* tests = new QHBoxLayout;
    AddAll(tests, {Button8, Button100});
    g2->addLayout(tests, 8, 0, 1, 3);
    right->addWidget(GroupBox2);
    Button30 = form.Handled(f.Button("Button30", "Parameter initialization"), this,
                            &SystemPage::Button30Click);
    Button23 =
        form.Handled(f.Button("Button23", "System Parameters"), this, &SystemPage::Button23Click);
    auto* buttons = new QHBoxLayout;
    AddAll(buttons, {Button30, Button23});
    right->addLayout(buttons);
    right->addStretch(1);
    page->addLayout(right, 1, 1);
    page->setColumnStretch(0, 2);
    page->setColumnStretch(1, 1);
}

// A setting of the module's own line: the port closes shortly after it was sent.
void SystemPage::Button5Click() {
    form.ClearExchange();
    if (form.Send(RequestKind::Setting,
                  Rs232Setting(ComboBox2->ListValue(), ComboBox4->ListValue())))
        form.link.ScheduleClose();
}

void SystemPage::Button9Click() {
    form.ClearExchange();
    if (form.Send(RequestKind::Setting,
                  Rs485Setting(ComboBox8->ListValue(), ComboBox9->ListValue())))
        form.link.ScheduleClose();
}

void SystemPage::Button24Click() {
    form.ClearExchange();
    form.Send(RequestKind::Setting, OperatingModeSetting(ComboBox7->ListValue()));
}

void SystemPage::Button29Click() {
    form.ClearExchange();
    form.Send(RequestKind::Setting, SlaveAddressSetting(Std(Edit14)));
}

void SystemPage::Button27Click() {
    form.ClearExchange();
    form.Send(RequestKind::Setting, IntervalSetting(Std(Edit6)));
}

void SystemPage::Button30Click() {
    form.ClearExchange();
    form.Send(RequestKind::Setting, ResetSetting());
}

void SystemPage::Button23Click() {
    form.ClearExchange();
    form.Send(RequestKind::SystemParameters, SystemParameterQuery());
}

// Display settings and tests leave the exchange fields as they are.
void SystemPage::SendDisplaySetting(int group, const TComboBox* value, const TComboBox* format) {
    form.Send(RequestKind::DisplaySetting,
              DisplaySetting(group, value->ListValue(), format->ListValue()));
}
void SystemPage::Button34Click() {
    SendDisplaySetting(1, XS01, XSFA1);
}
void SystemPage::Button28Click() {
    SendDisplaySetting(2, XS02, XSFA2);
}
void SystemPage::Button25Click() {
    SendDisplaySetting(3, XS03, XSFA3);
}
void SystemPage::Button32Click() {
    SendDisplaySetting(4, XS04, XSFA4);
}
void SystemPage::Button8Click() {
    form.Send(RequestKind::DisplayTest, DisplayTest(1));
}
void SystemPage::Button100Click() {
    form.Send(RequestKind::DisplayTest, DisplayTest(2));
}

void SystemPage::Show(const SystemParameterReply& reply) {
    TComboBox* values[] = {XS01, XS02, XS03, XS04};
    TComboBox* formats[] = {XSFA1, XSFA2, XSFA3, XSFA4};
    for (std::size_t i = 0; i < reply.display.size(); ++i) {
        ::Show(values[i], reply.display[i].value);
        ::Show(formats[i], reply.display[i].format);
    }
    ::Show(ComboBox2, reply.rs232.baud);
    ::Show(ComboBox4, reply.rs232.parity);
    ::Show(ComboBox8, reply.rs485.baud);
    ::Show(ComboBox9, reply.rs485.parity);
    ShowOperatingMode(reply.operatingMode);
    ::Show(Edit14, reply.slaveAddress);
    ::Show(Edit6, reply.pollInterval);
}

void SystemPage::ShowOperatingMode(const std::optional<int>& mode) {
    ::Show(ComboBox7, mode);
}

void SystemPage::EnableModuleButtons() {
    for (QPushButton* button : {Button24, Button29, Button27, Button5, Button9, Button23})
        button->setEnabled(true);
}

void SystemPage::ClearSettings() {
    for (TComboBox* combo : {ComboBox7, ComboBox2, ComboBox4, ComboBox8, ComboBox9})
        combo->SetItemIndex(-1);
    for (QLineEdit* edit : {Edit14, Edit6})
        edit->clear();
}
