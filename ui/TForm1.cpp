#include "ui/TForm1.h"

#include "ui/Messages.h"
#include "ui/PortNames.h"

#include <QSocketNotifier>

// The pictures live in a static library: register them before the first use.
static void InitPictures() {
    Q_INIT_RESOURCE(pictures);
}

TForm1::TForm1(QWidget* parent) : QMainWindow(parent) {
    InitPictures();
    BuildLayout();
    // The serial port component as the window's layout sets it up.
    Comm1.SetCommName("COM2");
    Comm1.SetBaudRate(9600);
    Comm1.SetDtrControl(TDtrControl::DtrDisable);
    Comm1.SetRtsControl(TRtsControl::RtsDisable);
    Comm1.SetOutx_XonXoffFlow(false);
    Comm1.SetInx_XonXoffFlow(false);
    Comm1.SetReadIntervalTimeout(100);
    // Each chunk costs the receive path a 300 ms pause; a peer that never pauses would
    // otherwise pile up chunks without end. Only the newest ones matter, as each chunk
    // replaces the one before it on the window.
    Comm1.SetMaxQueuedChunks(2);
    Timer2 = new TTimer("Timer2", 300, true, this);
    Timer3 = new TTimer("Timer3", 1000, true, this);
    Timer4 = new TTimer("Timer4", 1000, true, this);
    Timer5 = new TTimer("Timer5", 1000, false, this);
    WireEvents();
    FormCreate();
}

TForm1::~TForm1() {
    Comm1.OnReceiveData = nullptr;
    Comm1.OnRequestHangup = nullptr;
    Comm1.ClosePort();
}

void TForm1::WireEvents() {
    auto click = [this](QPushButton* button, void (TForm1::*handler)()) {
        connect(button, &QPushButton::clicked, this,
                [this, handler] { RunGuarded(this, [this, handler] { (this->*handler)(); }); });
    };
    auto userChange = [this](TComboBox* combo, void (TForm1::*handler)()) {
        connect(combo, &TComboBox::UserChanged, this,
                [this, handler] { RunGuarded(this, [this, handler] { (this->*handler)(); }); });
    };
    click(Button1, &TForm1::Button1Click);
    click(Button26, &TForm1::Button26Click);
    click(Button6, &TForm1::Button6Click);
    click(Button23, &TForm1::Button23Click);
    click(Button31, &TForm1::Button31Click);
    click(Button5, &TForm1::Button5Click);
    click(Button9, &TForm1::Button9Click);
    click(Button24, &TForm1::Button24Click);
    click(Button22, &TForm1::Button22Click);
    click(Button29, &TForm1::Button29Click);
    click(Button27, &TForm1::Button27Click);
    click(Button30, &TForm1::Button30Click);
    click(Button10, &TForm1::Button10Click);
    click(Button21, &TForm1::Button21Click);
    click(Button2, &TForm1::Button2Click);
    click(Button34, &TForm1::Button34Click);
    click(Button28, &TForm1::Button28Click);
    click(Button25, &TForm1::Button25Click);
    click(Button32, &TForm1::Button32Click);
    click(Button8, &TForm1::Button8Click);
    click(Button100, &TForm1::Button100Click);
    click(Button17, &TForm1::Button17Click);
    click(Button18, &TForm1::Button18Click);
    click(Button12, &TForm1::Button12Click);
    click(Button7, &TForm1::Button7Click);
    click(Button16, &TForm1::Button16Click);
    click(Button14, &TForm1::Button14Click);
    click(Button20, &TForm1::Button20Click);
    click(Button4, &TForm1::Button4Click);
    click(Button13, &TForm1::Button13Click);
    userChange(ComboBox41, &TForm1::ComboBox41Change);
    userChange(ComboBox17, &TForm1::ComboBox17Change);
    userChange(ComboBox30, &TForm1::ComboBox30Change);
    connect(Label8, &TDblClickLabel::DoubleClicked, this,
            [this] { RunGuarded(this, [this] { Label8DblClick(); }); });
    connect(Edit14, &QLineEdit::textChanged, this, [this] { Edit14Change(); });
    connect(PageControl1, &QTabWidget::currentChanged, this, [this] { PageControl1Change(); });
    SPREALCOM->BeforePopup = [this] { RefreshPortList(); };

    Timer2->OnTimer = [this] { RunGuarded(this, [this] { Timer2Timer(); }); };
    Timer3->OnTimer = [this] { RunGuarded(this, [this] { Timer3Timer(); }); };
    Timer4->OnTimer = [this] { RunGuarded(this, [this] { Timer4Timer(); }); };

    Comm1.OnReceiveData = [this](TComm* sender, const std::uint8_t* buffer, std::uint16_t n) {
        RunGuarded(this, [&] { Comm1ReceiveData(sender, buffer, n); });
    };
    Comm1.OnRequestHangup = [this](TComm* sender) {
        RunGuarded(this, [&] { Comm1RequestHangup(sender); });
    };
#if defined(Q_OS_UNIX)
    // One notification per turn of the event loop, so painting and input go on between
    // chunks even while a peer floods the line.
    notifier = new QSocketNotifier(Comm1.NotificationDescriptor(), QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this,
            [this] { Comm1.DispatchNotifications(1); });
#endif
}

void TForm1::FormCreate() {
    Button6->setEnabled(true);
    Timer2->SetEnabled(false);
    Timer3->SetEnabled(false);
    Timer4->SetEnabled(false);
    Timer5->SetEnabled(true);
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
