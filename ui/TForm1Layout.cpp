// The window's frame: header, the four pages, the port row and the bottom send and receive
// area.

#include "config/ConfigLists.h"
#include "ui/ControlFactory.h"
#include "ui/JpegLoader.h"
#include "ui/TForm1.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QScrollArea>
#include <QVBoxLayout>

void TForm1::BuildLayout() {
    setObjectName("Form1");
    setWindowTitle("TALMIRE");
    resize(1100, 640);
    Paint(this, QPalette::Window, QColor(0xa0, 0xa0, 0xa0));
    ControlFactory f{this};

    auto* central = new QWidget(this);
    auto* outer = new QVBoxLayout(central);
    outer->setContentsMargins(4, 4, 4, 4);
    outer->setSpacing(4);

    outer->addWidget(BuildHeader(central));

    // ---- pages
    PageControl1 = f.Named(new QTabWidget(central), "PageControl1");
    // The grey belongs to the window's frame; the pages keep the ordinary background.
    Paint(PageControl1, QPalette::Window, QApplication::palette().color(QPalette::Window));
    TabSheet1 = f.Named(new QWidget, "TabSheet1");
    TabSheet2 = f.Named(new QWidget, "TabSheet2");
    TabSheet3 = f.Named(new QWidget, "TabSheet3");
    TabSheet4 = f.Named(new QWidget, "TabSheet4");
    // A page scrolls only when the window is made smaller than the page needs.
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

    systemPage = std::make_unique<SystemPage>(*this, TabSheet1, BuildPortRow());
    hartPage = std::make_unique<HartPage>(*this, TabSheet2);
    modbusPage = std::make_unique<ModbusPage>(*this, TabSheet3);
    wiringPage = std::make_unique<WiringPage>(TabSheet4);

    // ---- bottom area
    auto* bottom = new QGridLayout;
    bottom->setVerticalSpacing(2);
    Label40 = OnFixedBackground(f.Label("Label40", "send buffer:"), Qt::black);
    Edit8 = f.Edit("Edit8");
    Label60 = OnFixedBackground(f.Label("Label60", "Receive Buffer:"), Qt::black);
    Memo10 = f.Named(new QPlainTextEdit(central), "Memo10");
    Memo10->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo10->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo10->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Two lines of a reply (replies are one line; it does not wrap) and the horizontal
    // scroll bar; the pages get the rest.
    Memo10->setFixedHeight(Memo10->fontMetrics().lineSpacing() * 2 + 24);
    Button26 = f.Button("Button26", "clear buffer");
    // The status line sits at the bottom, in the status bar (BuildStatusBar).
    LinkStatus = OnFixedBackground(f.Label("LinkStatus", {}), Qt::black);
    LinkStatus->setTextInteractionFlags(Qt::TextSelectableByMouse);
    bottom->addWidget(Label40, 0, 0);
    bottom->addWidget(Edit8, 0, 1);
    bottom->addWidget(Label60, 1, 0, Qt::AlignTop);
    bottom->addWidget(Memo10, 1, 1, 2, 1);
    bottom->addWidget(Button26, 2, 0, Qt::AlignTop);
    outer->addLayout(bottom);

    setCentralWidget(central);

    // The hidden double-click target keeps its place in the window's client area (below the
    // menu bar) whatever the layouts do, over the header.
    Label8 = new TDblClickLabel(central);
    Label8->setObjectName("Label8");
    Label8->setAttribute(Qt::WA_TranslucentBackground);
    Label8->setGeometry(808, 8, 17, 33);
    Label8->raise();
}

QWidget* TForm1::BuildHeader(QWidget* parent) {
    ControlFactory f{this};
    auto* header = new QWidget(parent);
    header->setAutoFillBackground(true);
    // White whatever the theme, so its own text is dark whatever the theme too.
    Paint(header, QPalette::Window, Qt::white);
    Paint(header, QPalette::WindowText, Qt::black);
    auto* headerRow = new QHBoxLayout(header);
    // Tight margins: the menu bar above takes its share of the window's height.
    headerRow->setContentsMargins(8, 2, 8, 2);
    Image1 = f.Label("Image1", {});
    Image1->setFixedSize(98, 40);
    Image1->setPixmap(PicturePixmap(":/pictures/logo.jpg", devicePixelRatioF()));
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
    Label76 = f.Label("Label76", "www.example.com");
    Label82 = f.Label("Label82", "TEL:+00 000 0000000");
    Label83 = f.Label("Label83", "E-mail:support@example.com");
    auto* contacts = new QVBoxLayout;
    contacts->setSpacing(0);
    for (QLabel* l : {Label76, Label82, Label83}) {
        Paint(l, QPalette::WindowText, Qt::blue);
        contacts->addWidget(l);
    }
    headerRow->addWidget(Image1);
    headerRow->addLayout(titles);
    headerRow->addStretch(1);
    headerRow->addLayout(contacts);
    header->setFixedHeight(56);
    return header;
}

// The serial port row on top of the system parameters page.
QWidget* TForm1::BuildPortRow() {
    ControlFactory f{this};
    GroupBox1 = f.Group("GroupBox1", "serial parameters");
    SPREALCOM = f.Selected("SPREALCOM", {}, -1);
    for (int i = 1; i <= 12; ++i)
        SPREALCOM->addItem(QString("COM%1").arg(i));
    SPREALCOM->SetItemIndex(3);
    ComboBox11 = f.Selected(
        "ComboBox11", {"1200", "2400", "4800", "9600", "19200", "38400", "57600", "15200"}, 3);
    ComboBox10 = f.Selected("ComboBox10", ItemTexts(ParityItems), 0);
    Button1 = f.Button("Button1", "open");
    Button6 = f.Button("Button6", "communication query");
    ComboBox13 = f.Selected("ComboBox13", ItemTexts(InterfaceTypeItems), 0);
    const QStringList counts = ItemTexts(InstrumentCountItems);
    ComboBox1 = f.Shows("ComboBox1", counts, counts[0]);
    // The line's own settings, and under them the module's interface.
    auto* g1 = new QVBoxLayout(GroupBox1);
    g1->setSpacing(4);
    auto* line = new QHBoxLayout;
    AddAll(line, {Caption("serial port:"), SPREALCOM, Caption("baud:"), ComboBox11,
                  Caption("parity:"), ComboBox10, Button1, Button6});
    line->addStretch(1);
    auto* moduleSide = new QHBoxLayout;
    AddAll(moduleSide,
           {Caption("communication interface type:"), ComboBox13, Caption("+"), ComboBox1});
    moduleSide->addStretch(1);
    g1->addLayout(line);
    g1->addLayout(moduleSide);
    SPREALCOM->setMinimumContentsLength(8);
    SPREALCOM->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    return GroupBox1;
}
