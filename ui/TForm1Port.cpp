// The port row: opening and closing the serial line, the communication query, the hidden
// interface setting, and the port list.

#include "config/ConfigFrames.h"
#include "exchange/IntegerText.h"
#include "ui/Messages.h"
#include "ui/PortNames.h"
#include "ui/TForm1.h"
#include "ui/TrafficDock.h"
#include "ui/WindowSession.h"

#include <QFileInfo>

void TForm1::Button1Click() {
    if (link.PortIsOpen) {
        link.ClosePort();
        return;
    }
    // A parity typed by hand that names no item has no meaning on the line: refuse it
    // before touching the port.
    if (ComboBox10->ListValue() < 0) {
        ShowMessage(this, QString::fromStdString(NoItemMessage("\"parity:\" (None, Odd or Even)")));
        return;
    }
    // The engineer's own choice ends the wait for a lost port.
    if (lostPort != nullptr)
        lostPort->Stop();
    if (OpenPortWithPageSettings(SPREALCOM->currentText()))
        RememberPort(SPREALCOM->currentText());
}

bool TForm1::OpenPortWithPageSettings(const QString& name) {
    const int parity = ComboBox10->ListValue();
    if (parity < 0) {
        ShowMessage(this, QString::fromStdString(NoItemMessage("\"parity:\" (None, Odd or Even)")));
        return false;
    }
    // Whatever was open closes first, with its pending auto-close.
    link.ClosePort();
    const int baud = StrToInt(ComboBox11->currentText().toStdString());
    if (baud <= 0) {
        ShowMessage(this, "Please choose a baud rate above 0 for \"baud:\".");
        return false;
    }
    TComm& comm = link.Comm1;
    comm.SetBaudRate(static_cast<std::uint32_t>(baud));
    comm.SetParity(static_cast<TParity>(parity));
    comm.SetCommName(name.toStdString());
    comm.SetOutx_XonXoffFlow(false);
    comm.SetInx_XonXoffFlow(false);
    try {
        link.OpenPort();
    } catch (const ECommsError& error) {
        ReportOpenFailure(name, error);
        throw;
    }
    comm.SetDtrControl(systemPage->CheckBox2->isChecked() ? TDtrControl::DtrEnable
                                                          : TDtrControl::DtrDisable);
    comm.SetRtsControl(systemPage->CheckBox1->isChecked() ? TRtsControl::RtsEnable
                                                          : TRtsControl::RtsDisable);
    Button1->setText(tr("close"));
    Button6->setEnabled(true);
    portFailure.clear();
    ShowLinkStatus({});
    RefreshStatusBar();
    return true;
}

void TForm1::ReportOpenFailure(const QString& name, const ECommsError& error) {
    portFailure = QString::fromStdString(OpenFailureText(error));
    ShowLinkStatus(tr("%1 cannot be opened: %2").arg(name, portFailure));
    trafficDock->AppendNote(QStringLiteral("%1 cannot be opened: %2").arg(name, portFailure));
}

void TForm1::Button6Click() {
    ClearExchange();
    Send(RequestKind::Communication, CommunicationQuery());
}

void TForm1::Label8DblClick() {
    ClearExchange();
    // This hidden setting is sent without showing its frame.
    Send(RequestKind::Setting, InterfaceSetting(ComboBox13->ListValue(), ComboBox1->ListValue()),
         Shown::Hidden);
}

void TForm1::Button26Click() {
    Memo10->clear();
}

void TForm1::Edit14Change() {
    modbusPage->Edit18->setText(systemPage->Edit14->text());
}

void TForm1::RefreshPortList() {
    const QString shown = SPREALCOM->currentText();
    const int selected = SPREALCOM->currentIndex();
    // Recent ports that are paths are offered while they exist (the adapter is plugged in).
    QStringList recent = RecentPorts();
    recent.removeIf(
        [](const QString& name) { return name.startsWith('/') && !QFileInfo::exists(name); });
    const QStringList items = PortListItems(recent, AvailablePortNames());
    const QSignalBlocker blocker(SPREALCOM);
    SPREALCOM->clear();
    SPREALCOM->addItems(items);
    if (selected >= 0 && SPREALCOM->findText(shown) >= 0)
        SPREALCOM->SetItemIndex(SPREALCOM->findText(shown));
    else
        SPREALCOM->ShowText(shown);
}
