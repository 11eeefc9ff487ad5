#include "ui/TForm1.h"

#include "ui/Messages.h"
#include "ui/ReplyView.h"
#include "ui/Translation.h"

// The pictures live in a static library: register them before the first use.
static void InitPictures() {
    Q_INIT_RESOURCE(pictures);
}

TForm1::TForm1(QWidget* parent) : QMainWindow(parent) {
    InitPictures();
    BuildLayout();
    BuildMenus();
    Timer5 = new TTimer("Timer5", 1000, false, this);
    ConnectLink();
    BuildStatusBar();
    ConnectTrafficLog();
    ConnectPages();
    FormCreate();
    // The pages are built in English; the installed translation, if any, replaces their
    // captions (menus and docks translate their own texts).
    TranslateCaptions(centralWidget());
    RestoreSession();
}

TForm1::~TForm1() {
    // The docks outlive this body (QWidget's destructor deletes them) and hide as they go;
    // the monitor's menu entry must not run its handler on a window already taken apart.
    if (ActionMonitor != nullptr)
        disconnect(ActionMonitor, nullptr, this, nullptr);
}

void TForm1::OnClick(QPushButton* button, std::function<void()> handler) {
    connect(button, &QPushButton::clicked, this,
            [this, handler = std::move(handler)] { RunGuarded(this, handler); });
}

void TForm1::OnUserChange(TComboBox* combo, std::function<void()> handler) {
    connect(combo, &TComboBox::UserChanged, this,
            [this, handler = std::move(handler)] { RunGuarded(this, handler); });
}

// The effects of one page's events on another page, all in one place.
void TForm1::ConnectPages() {
    OnClick(Button1, [this] { Button1Click(); });
    OnClick(Button6, [this] { Button6Click(); });
    OnClick(Button26, [this] { Button26Click(); });
    connect(Label8, &TDblClickLabel::DoubleClicked, this,
            [this] { RunGuarded(this, [this] { Label8DblClick(); }); });
    connect(PageControl1, &QTabWidget::currentChanged, this, [this] { PageControl1Change(); });
    SPREALCOM->BeforePopup = [this] { RefreshPortList(); };

    // The slave address typed on the system page is the read test's address.
    connect(systemPage->Edit14, &QLineEdit::textChanged, this, [this] { Edit14Change(); });
    // The HART address chosen on the transparent page picks the same instrument's channel.
    hartPage->AddressChosen = [this](int address) { modbusPage->ShowInstrument(address); };
    // Another channel: the module settings shown on the system page are no longer known.
    modbusPage->InstrumentChanged = [this] { systemPage->ClearSettings(); };
}

void TForm1::ConnectLink() {
    link.InstrumentType = [this] { return modbusPage->ComboBox17->ItemIndex(); };
    link.DecimalSeparator = [] { return ::DecimalSeparator(); };
    connect(&link, &ModuleLink::ChunkReceived, this,
            [this](RequestKind, const QByteArray&, const QString& shown) {
                Memo10->setPlainText(shown);
            });
    connect(&link, &ModuleLink::ReplyDecoded, this,
            [this](RequestKind kind, const DecodedReply& reply) {
                RunGuarded(this, [&] { ShowReply(kind, reply); });
            });
    connect(&link, &ModuleLink::TimedOut, this,
            [this](TimeoutReport report) { RunGuarded(this, [&] { ShowTimeout(report); }); });
    connect(&link, &ModuleLink::PortClosed, this, [this] {
        Button1->setText(tr("open"));
        Button6->setEnabled(false);
    });
    connect(&link, &ModuleLink::PortLost, this, [this] {
        WatchLostPort();
        ShowMessage(this, "The serial port was lost (unplugged?). It has been closed.");
    });
}

void TForm1::FormCreate() {
    Button6->setEnabled(true);
    link.Timer2->SetEnabled(false);
    link.Timer3->SetEnabled(false);
    link.Timer4->SetEnabled(false);
    Timer5->SetEnabled(true);
    modbusPage->FormCreate();
}
