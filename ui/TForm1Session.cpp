// What the window keeps between runs, and a lost port brought back when its device
// returns.

#include "ui/PortNames.h"
#include "ui/TForm1.h"
#include "ui/WindowSession.h"

#include <QCloseEvent>
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

// The port the component held went away: wait for the same device to come back (where
// devices are files in folders that can be watched).
void TForm1::WatchLostPort() {
    const QString name = QString::fromStdString(link.Comm1.CommName());
#if defined(Q_OS_UNIX)
    ShowLinkStatus(tr("%1 was lost at %2; waiting for it to come back").arg(name, Now()));
    // Made at the first loss: most sessions never need it.
    if (lostPort == nullptr) {
        lostPort = new PortWatch(this);
        connect(lostPort, &PortWatch::Appeared, this, [this] { ReopenLostPort(); });
    }
    lostPort->Watch(PortDevicePath(name));
#else
    ShowLinkStatus(tr("%1 was lost at %2").arg(name, Now()));
#endif
}

// The device is there again: open it with the settings the component still holds (speed,
// parity, the RTS and DTR lines). A device that cannot be opened yet (its permissions not
// set) is tried again at the next change of its folder.
void TForm1::ReopenLostPort() {
    if (link.PortIsOpen) {
        lostPort->Stop();
        return;
    }
    try {
        link.OpenPort();
    } catch (const ECommsError&) {
        return;
    }
    lostPort->Stop();
    Button1->setText(tr("close"));
    Button6->setEnabled(true);
    ShowLinkStatus(
        tr("reconnected to %1 at %2").arg(QString::fromStdString(link.Comm1.CommName()), Now()));
}
