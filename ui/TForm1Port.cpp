// Opening and closing the serial line, and the small conveniences of the first page.

#include "exchange/IntegerText.h"
#include "ui/Messages.h"
#include "ui/PortNames.h"
#include "ui/TForm1.h"

void TForm1::Button1Click() {
    if (PortIsOpen) {
        ShutPort();
        return;
    }
    // A parity typed by hand that names no item has no meaning on the line: refuse it
    // before touching the port.
    const int parity = ComboBox10->ListValue();
    if (parity < 0) {
        ShowMessage(this, "Please choose a value for \"parity:\" (None, Odd or Even).");
        return;
    }
    ShutPort();
    const int baud = StrToInt(ComboBox11->currentText().toStdString());
    if (baud <= 0) {
        ShowMessage(this, "Please choose a baud rate above 0 for \"baud:\".");
        return;
    }
    Comm1.SetBaudRate(static_cast<std::uint32_t>(baud));
    Comm1.SetParity(static_cast<TParity>(parity));
    Comm1.SetCommName(SPREALCOM->currentText().toStdString());
    Comm1.SetOutx_XonXoffFlow(false);
    Comm1.SetInx_XonXoffFlow(false);
    Comm1.OpenPort();
    Comm1.SetDtrControl(CheckBox2->isChecked() ? TDtrControl::DtrEnable : TDtrControl::DtrDisable);
    Comm1.SetRtsControl(CheckBox1->isChecked() ? TRtsControl::RtsEnable : TRtsControl::RtsDisable);
    PortIsOpen = true;
    Button1->setText("close");
    Button6->setEnabled(true);
}

void TForm1::Comm1RequestHangup(TComm*) {
    // The line went away under an open port (an unplugged adapter): close it as the
    // "close" button does, so the window never claims a port that is gone.
    if (!PortIsOpen && !Comm1.IsOpen())
        return;
    ShutPort();
    ShowMessage(this, "The serial port was lost (unplugged?). It has been closed.");
}

void TForm1::ShutPort() {
    Timer4->SetEnabled(false);
    PortIsOpen = false;
    Button1->setText("open");
    Button6->setEnabled(false);
    Comm1.ClosePort();
}

void TForm1::Button26Click() {
    Memo10->clear();
}

void TForm1::Edit14Change() {
    Edit18->setText(Edit14->text());
}

void TForm1::RefreshPortList() {
    const QString shown = SPREALCOM->currentText();
    const int selected = SPREALCOM->currentIndex();
    QStringList items;
    for (int i = 1; i <= 12; ++i)
        items << QString("COM%1").arg(i);
    items << AvailablePortNames();
    const QSignalBlocker blocker(SPREALCOM);
    SPREALCOM->clear();
    SPREALCOM->addItems(items);
    if (selected >= 0 && SPREALCOM->findText(shown) >= 0)
        SPREALCOM->SetItemIndex(SPREALCOM->findText(shown));
    else
        SPREALCOM->ShowText(shown);
}
