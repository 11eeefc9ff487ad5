// The window's controls: header, four pages, bottom send and receive area.

#include "hart/HartUnits.h"
#include "ui/JpegLoader.h"
#include "ui/TForm1.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QScrollArea>
#include <QVBoxLayout>

TPictureLabel::TPictureLabel(const QString& resourcePath, QWidget* parent)
    : QLabel(parent), pending(resourcePath) {}

void TPictureLabel::showEvent(QShowEvent* event) {
    if (!pending.isEmpty()) {
        // One try only: a picture that cannot be decoded leaves the label empty.
        setPixmap(QPixmap::fromImage(LoadJpeg(pending)));
        pending.clear();
    }
    QLabel::showEvent(event);
}

void TDblClickLabel::mouseDoubleClickEvent(QMouseEvent* event) {
    emit DoubleClicked();
    QLabel::mouseDoubleClickEvent(event);
}

namespace {

QStringList Numbers(int first, int last) {
    QStringList items;
    for (int i = first; i <= last; ++i)
        items << QString::number(i);
    return items;
}

const QStringList ParityItems = {"None", "Odd", "Even"};
const QStringList OperatingModes = {"Transparent Operating Mode",
                                    "MODBUS single instrument operating mode"};
const QStringList DisplayValues = {"XS_OFF",
                                   "variable 1(40003)",
                                   "variable 2(40005)",
                                   "variable 3(40007)",
                                   "variable 4(40009)",
                                   "variable 5(40011)",
                                   "variable 6(40013)",
                                   "variable 7(40015)"};
const QStringList DisplayFormats = {"0 float", "1 int"};
const QStringList FloatFormats = {"0 IEE754 (FF4 FF3 FF2 FF1)", "1 IEE754 (FF2 FF1 FF4 FF3)"};
const QStringList ValueFormats = {"0 IEE754 (FF4 FF3 FF2 FF1)", "1 IEE754 (FF2 FF1 FF4 FF3)",
                                  "2 Uint32 (FF4 FF3 FF2 FF1)", "3 Uint32 (FF2 FF1 FF4 FF3)"};
const QStringList InstrumentTypes = {"0)custom instruments",
                                     "1)general instruments",
                                     "2)KROHEN_IFC070",
                                     "3)KROHEN_IFC300",
                                     "4)KROHEN_IFC090",
                                     "5)Siemens_MG500",
                                     "6)Siemens_FUS010(FUS060)",
                                     "7)Siemens_MASS600",
                                     "8)ABB_FIX100",
                                     "9)ABB_FMT200",
                                     "10)MP3",
                                     "11)HT56",
                                     "12)F56",
                                     "13)3051AMV",
                                     "14)SIERRA",
                                     "15)Yokogawa"};

QStringList UnitTexts(UnitList list) {
    QStringList items;
    for (std::string_view unit : UnitItems(list))
        items << QString::fromUtf8(unit.data(), static_cast<qsizetype>(unit.size()));
    return items;
}

// Small factories: every control carries its name as objectName.
struct Factory {
    QWidget* owner;
    template <typename T> T* Named(T* widget, const QString& name) {
        widget->setObjectName(name);
        return widget;
    }
    TComboBox* Combo(const QString& name, const QStringList& items) {
        return new TComboBox(name, items, owner);
    }
    TComboBox* Selected(const QString& name, const QStringList& items, int index) {
        auto* combo = Combo(name, items);
        combo->SetItemIndex(index);
        return combo;
    }
    TComboBox* Shows(const QString& name, const QStringList& items, const QString& text) {
        auto* combo = Combo(name, items);
        combo->ShowText(text);
        return combo;
    }
    QPushButton* Button(const QString& name, const QString& caption) {
        return Named(new QPushButton(caption, owner), name);
    }
    QLineEdit* Edit(const QString& name, const QString& text = {}) {
        return Named(new QLineEdit(text, owner), name);
    }
    QLabel* Label(const QString& name, const QString& caption) {
        return Named(new QLabel(caption, owner), name);
    }
    QGroupBox* Group(const QString& name, const QString& caption) {
        return Named(new QGroupBox(caption, owner), name);
    }
};

QLabel* Text(const QString& caption) {
    return new QLabel(caption);
}

// Colours go through palettes, not style sheets: a style sheet anywhere in the window
// makes every control be polished through the style-sheet engine, which more than
// doubles the time the window takes to appear.
void Paint(QWidget* widget, QPalette::ColorRole role, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(role, colour);
    widget->setPalette(palette);
}

QLabel* Coloured(QLabel* label, const char* colour) {
    label->setAutoFillBackground(true);
    Paint(label, QPalette::Window, QColor(QString::fromLatin1(colour)));
    return label;
}

// Adds label/field pairs on one row of a grid.
void Row(QGridLayout* grid, int row, std::initializer_list<QWidget*> widgets) {
    int column = 0;
    for (QWidget* w : widgets) {
        if (w != nullptr)
            grid->addWidget(w, row, column);
        ++column;
    }
}

} // namespace

void TForm1::BuildLayout() {
    setObjectName("Form1");
    setWindowTitle("TALMIRE");
    resize(1100, 640);
    Paint(this, QPalette::Window, QColor(0xa0, 0xa0, 0xa0));
    Factory f{this};

    auto* central = new QWidget(this);
    auto* outer = new QVBoxLayout(central);
    outer->setContentsMargins(4, 4, 4, 4);

    // ---- header strip
    auto* header = new QWidget(central);
    header->setAutoFillBackground(true);
    Paint(header, QPalette::Window, Qt::white);
    auto* headerRow = new QHBoxLayout(header);
    Image1 = f.Label("Image1", {});
    Image1->setFixedSize(98, 40);
    Image1->setPixmap(QPixmap::fromImage(LoadJpeg(":/pictures/logo.jpg")));
    Label41 = f.Label("Label41", "TALMIRE Configuration Software");
    Paint(Label41, QPalette::WindowText, Qt::red);
    QFont titleFont = Label41->font();
    titleFont.setBold(true);
    titleFont.setPointSize(20);
    Label41->setFont(titleFont);
    Label77 = f.Label("Label77", "V1.4(2021-09-13)");
    auto* titles = new QVBoxLayout;
    titles->addWidget(Label41);
    titles->addWidget(Label77);
    Label8 = new TDblClickLabel(header);
    Label8->setObjectName("Label8");
    Label8->setFixedSize(17, 33);
    Label8->setAttribute(Qt::WA_TranslucentBackground);
    Label76 = f.Label("Label76", "www.example.com");
    Label82 = f.Label("Label82", "TEL:+00 000 0000000");
    Label83 = f.Label("Label83", "E-mail:support@example.com");
    auto* contacts = new QVBoxLayout;
    for (QLabel* l : {Label76, Label82, Label83}) {
        Paint(l, QPalette::WindowText, Qt::blue);
        contacts->addWidget(l);
    }
    headerRow->addWidget(Image1);
    headerRow->addLayout(titles);
    headerRow->addStretch(1);
    headerRow->addWidget(Label8);
    headerRow->addLayout(contacts);
    header->setFixedHeight(64);
    outer->addWidget(header);

    // ---- pages
    PageControl1 = f.Named(new QTabWidget(central), "PageControl1");
    // The grey belongs to the window's frame; the pages keep the ordinary background.
    Paint(PageControl1, QPalette::Window, QApplication::palette().color(QPalette::Window));
    TabSheet1 = f.Named(new QWidget, "TabSheet1");
    TabSheet2 = f.Named(new QWidget, "TabSheet2");
    TabSheet3 = f.Named(new QWidget, "TabSheet3");
    TabSheet4 = f.Named(new QWidget, "TabSheet4");
    auto scrolled = [](QWidget* page) {
        auto* area = new QScrollArea;
        area->setWidget(page);
        area->setWidgetResizable(true);
        area->setFrameShape(QFrame::NoFrame);
        return area;
    };
    PageControl1->addTab(scrolled(TabSheet1), "system parameters");
    PageControl1->addTab(scrolled(TabSheet2), "transparent mode");
    PageControl1->addTab(scrolled(TabSheet3), "MODBUS parameter configuration");
    PageControl1->addTab(scrolled(TabSheet4), "wiring diagram");
    outer->addWidget(PageControl1, 1);

    // ---- page 1
    {
        auto* page = new QGridLayout(TabSheet1);
        GroupBox1 = f.Group("GroupBox1", "serial parameters");
        SPREALCOM = f.Selected("SPREALCOM", {}, -1);
        for (int i = 1; i <= 12; ++i)
            SPREALCOM->addItem(QString("COM%1").arg(i));
        SPREALCOM->SetItemIndex(3);
        ComboBox11 = f.Selected(
            "ComboBox11", {"1200", "2400", "4800", "9600", "19200", "38400", "57600", "15200"}, 3);
        ComboBox10 = f.Selected("ComboBox10", ParityItems, 0);
        Button1 = f.Button("Button1", "open");
        Button6 = f.Button("Button6", "communication query");
        ComboBox13 = f.Selected("ComboBox13", {"RS232", "RS485", "RS485 + RS232"}, 0);
        ComboBox1 =
            f.Shows("ComboBox1", {"1 instrument", "4 instrument", "8 instrument"}, "1 instrument");
        auto* g1 = new QHBoxLayout(GroupBox1);
        for (QWidget* w : std::initializer_list<QWidget*>{
                 Text("serial port:"), SPREALCOM, Text("baud:"), ComboBox11, Text("parity:"),
                 ComboBox10, Button1, Button6, Text("communication interface type:"), ComboBox13,
                 Text("+"), ComboBox1})
            g1->addWidget(w);
        g1->setSpacing(4);
        SPREALCOM->setMinimumContentsLength(8);
        SPREALCOM->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        page->addWidget(GroupBox1, 0, 0, 1, 2);

        auto* left = new QVBoxLayout;
        GroupBox4 = f.Group("GroupBox4", "RS232 Communication Parameter Settings");
        ComboBox2 = f.Combo("ComboBox2", {"1200", "2400", "4800", "9600", "19200"});
        ComboBox4 = f.Combo("ComboBox4", ParityItems);
        Button5 = f.Button("Button5", "set");
        auto* g4 = new QHBoxLayout(GroupBox4);
        for (QWidget* w : std::initializer_list<QWidget*>{Text("baud:"), ComboBox2, Text("parity:"),
                                                          ComboBox4, Button5})
            g4->addWidget(w);
        left->addWidget(GroupBox4);

        GroupBox18 = f.Group("GroupBox18", "RS485 Communication Parameter Settings");
        ComboBox8 =
            f.Combo("ComboBox8", {"1200", "2400", "4800", "9600", "19200", "38400", "57600"});
        ComboBox9 = f.Combo("ComboBox9", ParityItems);
        Button9 = f.Button("Button9", "set");
        auto* g18 = new QHBoxLayout(GroupBox18);
        for (QWidget* w : std::initializer_list<QWidget*>{Text("baud:"), ComboBox8, Text("parity:"),
                                                          ComboBox9, Button9})
            g18->addWidget(w);
        left->addWidget(GroupBox18);

        GroupBox14 = f.Group("GroupBox14", {});
        Edit6 = f.Edit("Edit6");
        Button27 = f.Button("Button27", "set");
        auto* g14 = new QHBoxLayout(GroupBox14);
        for (QWidget* w : std::initializer_list<QWidget*>{
                 Text("instrument communication interval:"), Edit6, Text(" *10 ms"), Button27})
            g14->addWidget(w);
        left->addWidget(GroupBox14);

        GroupBox7 = f.Group("GroupBox7", {});
        ComboBox7 = f.Shows("ComboBox7", OperatingModes, OperatingModes[0]);
        Button24 = f.Button("Button24", "set");
        auto* g7 = new QHBoxLayout(GroupBox7);
        for (QWidget* w :
             std::initializer_list<QWidget*>{Text("Module operating mode:"), ComboBox7, Button24})
            g7->addWidget(w);
        left->addWidget(GroupBox7);

        GroupBox15 = f.Group("GroupBox15", {});
        Edit14 = f.Edit("Edit14");
        Button29 = f.Button("Button29", "set");
        auto* g15 = new QHBoxLayout(GroupBox15);
        for (QWidget* w :
             std::initializer_list<QWidget*>{Text("MODBUS Slave Address:"), Edit14, Button29})
            g15->addWidget(w);
        left->addWidget(GroupBox15);

        GroupBox21 = f.Group("GroupBox21", {});
        Label16 = Coloured(f.Label("Label16", "check the box when using USB to RS232 "
                                              "interface+RS232 interface to RS485 interface"),
                           "aqua");
        Label16->setWordWrap(true);
        CheckBox1 = f.Named(new QCheckBox("COM_RTS", this), "CheckBox1");
        CheckBox2 = f.Named(new QCheckBox("COM_DTR", this), "CheckBox2");
        auto* g21 = new QHBoxLayout(GroupBox21);
        g21->addWidget(Label16, 1);
        g21->addWidget(CheckBox1);
        g21->addWidget(CheckBox2);
        left->addWidget(GroupBox21);
        left->addStretch(1);
        page->addLayout(left, 1, 0);

        auto* right = new QVBoxLayout;
        GroupBox2 = f.Group("GroupBox2", "Display Parameter Configuration");
        auto* g2 = new QGridLayout(GroupBox2);
        TComboBox** values[] = {&XS01, &XS02, &XS03, &XS04};
        TComboBox** formats[] = {&XSFA1, &XSFA2, &XSFA3, &XSFA4};
        QPushButton** saves[] = {&Button34, &Button28, &Button25, &Button32};
        const char* saveNames[] = {"Button34", "Button28", "Button25", "Button32"};
        const char* captions[] = {
            "the left four digits of the upper row:", "the right four digits of the upper row:",
            "the left four digits of the lower row:", "the right four digits of the lower row:"};
        for (int i = 0; i < 4; ++i) {
            *values[i] = f.Shows(QString("XS0%1").arg(i + 1), DisplayValues, "XS_OFF");
            (*values[i])->setMaxVisibleItems(12);
            *formats[i] = f.Shows(QString("XSFA%1").arg(i + 1), DisplayFormats, "0 float");
            *saves[i] = f.Button(saveNames[i], "Save");
            QLabel* caption =
                i == 2 ? (Label34 = f.Label("Label34", captions[i])) : Text(captions[i]);
            g2->addWidget(caption, i * 2, 0, 1, 3);
            Row(g2, i * 2 + 1, {*values[i], *formats[i], *saves[i]});
        }
        Button8 = f.Button("Button8", "Digital tube testing 1");
        Button100 = f.Button("Button100", "Digital tube testing 2");
        Row(g2, 8, {Button8, Button100});
        right->addWidget(GroupBox2);
        Button30 = f.Button("Button30", "Parameter initialization");
        Button23 = f.Button("Button23", "System Parameters");
        right->addWidget(Button30);
        right->addWidget(Button23);
        right->addStretch(1);
        page->addLayout(right, 1, 1);
    }

    // ---- page 2
    {
        auto* page = new QVBoxLayout(TabSheet2);
        GroupBox5 = f.Group("GroupBox5", {});
        auto* g5 = new QGridLayout(GroupBox5);
        ComboBox30 = f.Shows("ComboBox30", Numbers(0, 15), "0");
        ComboBox42 =
            f.Shows("ComboBox42", {"Master Mode(82)", "sub-master Mode(02)"}, "Master Mode(82)");
        Edit9 = f.Edit("Edit9", "6");
        auto* top = new QHBoxLayout;
        for (QWidget* w : std::initializer_list<QWidget*>{
                 Text("HART address:"), ComboBox30, Text("HART command working mode:"), ComboBox42,
                 Text("preamble length:"), Edit9})
            top->addWidget(w);
        top->addStretch(1);
        g5->addLayout(top, 0, 0, 1, 3);

        GroupBox8 = f.Group("GroupBox8", "HART instrument basic parameter");
        auto* g8 = new QGridLayout(GroupBox8);
        Edit28 = f.Edit("Edit28");
        Edit29 = f.Edit("Edit29");
        Edit31 = f.Edit("Edit31");
        Edit32 = f.Edit("Edit32");
        Button7 = f.Button("Button7", "HART instrument parameter query");
        Row(g8, 0, {Text("manufacturing ID:"), Edit28});
        Row(g8, 1, {Text("sensor type:"), Edit29});
        Row(g8, 2, {Text("preamble byte count:"), Edit31});
        Row(g8, 3, {Text("sensor serial number:"), Edit32});
        g8->addWidget(Button7, 4, 0, 1, 2);
        g5->addWidget(GroupBox8, 1, 0);

        GroupBox10 = f.Group("GroupBox10", "universal HART real-time data");
        auto* g10 = new QGridLayout(GroupBox10);
        Edit25 = f.Edit("Edit25");
        Edit26 = f.Edit("Edit26");
        Edit27 = f.Edit("Edit27");
        Edit30 = f.Edit("Edit30");
        ComboBox3 = f.Combo("ComboBox3", UnitTexts(UnitList::Standard));
        ComboBox31 = f.Combo("ComboBox31", UnitTexts(UnitList::Standard));
        ComboBox32 = f.Combo("ComboBox32", UnitTexts(UnitList::ThirdVariable));
        ComboBox33 = f.Combo("ComboBox33", UnitTexts(UnitList::Standard));
        Row(g10, 0, {Text("current_variable_1:"), Edit25, Text("unit:"), ComboBox3});
        Row(g10, 1, {Text("current_variable_2:"), Edit26, Text("unit:"), ComboBox31});
        Row(g10, 2, {Text("current_variable_3:"), Edit27, Text("unit:"), ComboBox32});
        Row(g10, 3, {Text("current_variable_4:"), Edit30, Text("unit:"), ComboBox33});
        Button16 = f.Button("Button16", "General HART command data query");
        g10->addWidget(Button16, 4, 0, 1, 4);
        g5->addWidget(GroupBox10, 1, 1);

        GroupBox6 = f.Group("GroupBox6", "HART address configuration");
        auto* g6 = new QGridLayout(GroupBox6);
        ComboBox27 = f.Selected("ComboBox27", Numbers(0, 8), 0);
        Button14 = f.Button("Button14", "set");
        Row(g6, 0, {Text("HART address:"), ComboBox27});
        g6->addWidget(Button14, 1, 0, 1, 2);
        g5->addWidget(GroupBox6, 1, 2);
        page->addWidget(GroupBox5);

        GroupBox20 = f.Group("GroupBox20", {});
        auto* g20 = new QGridLayout(GroupBox20);
        Edit10 = f.Edit("Edit10");
        Edit10->setMinimumWidth(480);
        Button20 = f.Button("Button20", "send");
        g20->addWidget(Text("HEX  (76 89 FD AD)"), 0, 1);
        g20->addWidget(Text("Manual HART commands:"), 1, 0);
        g20->addWidget(Edit10, 1, 1);
        g20->addWidget(Button20, 1, 2);
        g20->addWidget(Coloured(Text("(auto generate checksum)"), "fuchsia"), 2, 0);
        page->addWidget(GroupBox20);
        page->addStretch(1);
    }

    // ---- page 3
    {
        auto* page = new QGridLayout(TabSheet3);
        GroupBox3 = f.Group("GroupBox3", {});
        auto* g3 = new QGridLayout(GroupBox3);
        ComboBox41 = f.Shows("ComboBox41", Numbers(0, 8), "0");
        ComboBox41->setMaxVisibleItems(9);
        ComboBox6 = f.Shows("ComboBox6", {"Close", "open"}, "Close");
        ComboBox16 =
            f.Shows("ComboBox16", {"sub-master devices", "master devices"}, "master devices");
        ComboBox17 = f.Shows("ComboBox17", InstrumentTypes, "1)general instruments");
        ComboBox17->setMaxVisibleItems(16);
        ComboBox34 = f.Combo("ComboBox34", {"4", "5", "6", "7", "8", "9"});
        Edit1 = f.Edit("Edit1");
        Button10 = f.Button("Button10", "set");
        auto* row1 = new QHBoxLayout;
        for (QWidget* w : std::initializer_list<QWidget*>{
                 Text("Instrument Number:"), ComboBox41, Text("enabled:"), ComboBox6,
                 Text("HART mode:"), ComboBox16, Text("Instrument type:"), ComboBox17,
                 Text("Prefix length:"), ComboBox34, Text("Clear cache time:"), Edit1, Text("S"),
                 Button10})
            row1->addWidget(w);
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
        FAMOUT1 = f.Selected("FAMOUT1", FloatFormats, 0);
        FAMOUT3 = f.Selected("FAMOUT3", ValueFormats, 0);
        FAMOUT5 = f.Selected("FAMOUT5", ValueFormats, 0);
        FAMOUT7 = f.Selected("FAMOUT7", ValueFormats, 0);
        FAMOUT9 = f.Selected("FAMOUT9", ValueFormats, 0);
        Button21 = f.Button("Button21", "set");
        HLabel1 = Coloured(f.Label("HLabel1", "00000"), "aqua");
        HLabel2 = Coloured(f.Label("HLabel2", "00000"), "aqua");
        HLabel3 = Coloured(f.Label("HLabel3", "00000"), "aqua");
        HLabel4 = Coloured(f.Label("HLabel4", "00000"), "aqua");
        HLabel5 = Coloured(f.Label("HLabel5", "00000"), "aqua");
        Row(g3, 1, {Label68, Label69, Label70, Label71, Label72});
        Row(g3, 2, {Label19, Label24, Label27, Label28, Label29});
        Row(g3, 3, {FAMOUT1, FAMOUT3, FAMOUT5, FAMOUT7, FAMOUT9, Button21});
        Row(g3, 4, {HLabel1, HLabel2, HLabel3, HLabel4, HLabel5});
        page->addWidget(GroupBox3, 0, 0, 1, 2);

        auto* left = new QVBoxLayout;
        GroupBox13 = f.Group("GroupBox13", "Custom HART commands and parsing methods");
        auto* g13 = new QGridLayout(GroupBox13);
        ComboBox28 = f.Combo("ComboBox28", {"0 close", "1 open"});
        Edit4 = f.Edit("Edit4");
        Button17 = f.Button("Button17", "set");
        ComboBox29 = f.Combo("ComboBox29", {"0 close", "1 open"});
        Edit5 = f.Edit("Edit5");
        Button18 = f.Button("Button18", "set");
        Row(g13, 0, {Text("read instrument command 1:"), ComboBox28, Edit4, Button17});
        Row(g13, 1, {Text("read instrument command 2:"), ComboBox29, Edit5, Button18});
        GroupBox16 = f.Group("GroupBox16", "Customize the HART data parsing format");
        auto* g16 = new QGridLayout(GroupBox16);
        Row(g16, 0,
            {nullptr, Text("instrument command number"), Text("data start address"),
             Text("data length")});
        const QStringList sources = {"0 Not analytic", "1 read instrument command 1",
                                     "2 read instrument command 2"};
        TComboBox** commands[] = {&RADCOM1, &RADCOM3, &RADCOM5, &RADCOM7};
        QLineEdit** starts[] = {&READADR1, &READADR3, &READADR5, &READADR7};
        TComboBox** lengths[] = {&READLG1, &READLG3, &READLG5, &READLG7};
        for (int i = 0; i < 4; ++i) {
            const int n = i * 2 + 1;
            *commands[i] = f.Shows(QString("RADCOM%1").arg(n), sources, sources[0]);
            *starts[i] = f.Edit(QString("READADR%1").arg(n));
            *lengths[i] = f.Shows(QString("READLG%1").arg(n), {"4 byte", "8 byte"}, "4 byte");
            Row(g16, i + 1,
                {Text(QString("variable %1:").arg(i + 1)), *commands[i], *starts[i], *lengths[i]});
        }
        ComboBox15 = f.Selected("ComboBox15", Numbers(3, 9), 5);
        Button12 = f.Button("Button12", "set");
        Row(g16, 5, {Text("address bits:"), ComboBox15, nullptr, Button12});
        g13->addWidget(GroupBox16, 2, 0, 1, 4);
        left->addWidget(GroupBox13);

        GroupBox19 = f.Group("GroupBox19", "MODBUS Communication Test");
        auto* g19 = new QGridLayout(GroupBox19);
        Edit18 = f.Edit("Edit18", "001");
        Edit19 = f.Edit("Edit19", "00");
        Edit20 = f.Edit("Edit20", "10");
        Button4 = f.Button("Button4", "MODBUS Communication Test");
        Row(g19, 0,
            {Text("MODBUS slave address:"), Edit18, Text("data start address:"), Edit19,
             Text("data length:"), Edit20, Button4});
        left->addWidget(GroupBox19);
        left->addStretch(1);
        page->addLayout(left, 1, 0);

        auto* right = new QVBoxLayout;
        GroupBox11 = f.Group("GroupBox11", "Module operating mode");
        ComboBox14 = f.Combo("ComboBox14", OperatingModes);
        Button22 = f.Button("Button22", "set");
        auto* g11 = new QHBoxLayout(GroupBox11);
        g11->addWidget(ComboBox14, 1);
        g11->addWidget(Button22);
        right->addWidget(GroupBox11);

        GroupBox12 = f.Group("GroupBox12", "IEE754 Calculation");
        auto* g12 = new QGridLayout(GroupBox12);
        Edit7 = f.Edit("Edit7");
        Edit22 = f.Edit("Edit22");
        Button13 = f.Button("Button13", "Calculate");
        Row(g12, 0, {Text("data format HEX(FF FF FF FF):"), Edit7});
        Row(g12, 1, {Text("conversion value:"), Edit22});
        g12->addWidget(Button13, 2, 1);
        right->addWidget(GroupBox12);

        GroupBox17 = f.Group("GroupBox17", "Variable 1 coefficient");
        auto* g17 = new QGridLayout(GroupBox17);
        ComboBox18 = f.Shows("ComboBox18",
                             {"0 close", "1 M3/S-->M3/H", "2 variable 1 coefficient",
                              "3 Variable 1 coefficient*100 rounded to the nearest integer"},
                             "0 close");
        Beilv = f.Edit("Beilv", "0.001");
        Button2 = f.Button("Button2", "set");
        g17->addWidget(ComboBox18, 0, 0, 1, 3);
        Row(g17, 1, {Text(QString("coefficient") + QChar(0xFF1A)), Beilv, Button2});
        right->addWidget(GroupBox17);
        Button31 = f.Button("Button31", "MODBUS Parameter Query");
        right->addStretch(1);
        right->addWidget(Button31);
        page->addLayout(right, 1, 1);
    }

    // ---- page 4
    {
        auto* page = new QVBoxLayout(TabSheet4);
        Image3 = f.Named(new TPictureLabel(":/pictures/wiring.jpg", this), "Image3");
        Image3->setMinimumSize(945, 401);
        Image3->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        page->addWidget(Image3);
        page->addStretch(1);
    }

    // ---- bottom area
    auto* bottom = new QGridLayout;
    Label40 = f.Label("Label40", "send buffer:");
    Edit8 = f.Edit("Edit8");
    Label60 = f.Label("Label60", "Receive Buffer:");
    Memo10 = f.Named(new QPlainTextEdit(central), "Memo10");
    Memo10->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo10->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo10->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo10->setFixedHeight(80);
    Button26 = f.Button("Button26", "clear buffer");
    bottom->addWidget(Label40, 0, 0);
    bottom->addWidget(Edit8, 0, 1);
    bottom->addWidget(Label60, 1, 0, Qt::AlignTop);
    bottom->addWidget(Memo10, 1, 1, 2, 1);
    bottom->addWidget(Button26, 2, 0, Qt::AlignTop);
    outer->addLayout(bottom);

    setCentralWidget(central);
}
