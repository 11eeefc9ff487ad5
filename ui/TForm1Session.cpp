// What the window keeps between runs, and a lost port brought back when its device
// returns.

#include "ui/PortNames.h"
#include "ui/TForm1.h"
#include "ui/WindowSession.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QTime>

void TForm1::RestoreSession() {
    const QByteArray geometry = SavedWindowGeometry();
    if (!geometry.isEmpty())
        restoreGeometry(geometry);
}

void TForm1::closeEvent(QCloseEvent* event) {
    SaveWindowGeometry(saveGeometry());
    QMainWindow::closeEvent(event);
}

void TForm1::ShowLinkStatus(const QString& text) {
    LinkStatus->setText(text);
}

static QString Now() {
    return QTime::currentTime().toString("HH:mm:ss");
}

// The port the component held went away, or could not be opened again after a loan
// (`why`): wait for the same device to come back (where devices are files in folders that
// can be watched).
void TForm1::WatchLostPort(const QString& why) {
    const QString name = QString::fromStdString(link.Comm1.CommName());
    const QString what = why.isEmpty() ? tr("%1 was lost at %2").arg(name, Now()) : why;
#if defined(Q_OS_UNIX)
    ShowLinkStatus(tr("%1; waiting for it to come back").arg(what));
    // Made at the first loss: most sessions never need it.
    if (lostPort == nullptr) {
        lostPort = new PortWatch(this);
        connect(lostPort, &PortWatch::Appeared, this, [this] { ReopenLostPort(); });
    }
    lostPort->Watch(PortDevicePath(name));
#else
    ShowLinkStatus(what);
#endif
}

// The device is there again: open it with the port row's speed and parity and the system
// page's RTS and DTR, as the "open" button does. A device that cannot be opened yet (its
// permissions not set) is tried again at the next change of its folder. While a tool holds
// the port nothing is opened: the end of the loan tries again.
void TForm1::ReopenLostPort() {
    if (loan.Held())
        return;
    if (link.PortIsOpen) {
        lostPort->Stop();
        return;
    }
    const QString name = QString::fromStdString(link.Comm1.CommName());
    try {
        if (!OpenPortWithPageSettings(name))
            return;
    } catch (const std::exception&) {
        return;
    }
    lostPort->Stop();
    ShowLinkStatus(tr("reconnected to %1 at %2").arg(name, Now()));
}

void TForm1::RetryLostPort() {
    if (lostPort != nullptr && lostPort->Watching() && QFileInfo::exists(lostPort->Path()))
        ReopenLostPort();
}
