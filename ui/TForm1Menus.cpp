// The menu bar over the pages, the docks beside them, and the lending of the port to the
// tools that run their own exchanges. The pages themselves know nothing of these.

#include "ui/Messages.h"
#include "ui/TForm1.h"
#include "ui/TrafficDock.h"

#include <QApplication>
#include <QMenuBar>
#include <QMessageBox>

QAction* TForm1::AddAction(QMenu* menu, const char* objectName, const QString& text,
                           const QKeySequence& shortcut) {
    auto* action = new QAction(text, this);
    action->setObjectName(QString::fromLatin1(objectName));
    if (!shortcut.isEmpty())
        action->setShortcut(shortcut);
    menu->addAction(action);
    return action;
}

QAction* TForm1::AddDock(QDockWidget* dock, Qt::DockWidgetArea area, QMenu* menu,
                         const char* objectName, const QString& text,
                         const QKeySequence& shortcut) {
    addDockWidget(area, dock);
    dock->hide();
    FitDock(dock);
    QAction* action = dock->toggleViewAction();
    action->setObjectName(QString::fromLatin1(objectName));
    action->setText(text);
    if (!shortcut.isEmpty())
        action->setShortcut(shortcut);
    menu->addAction(action);
    return action;
}

void TForm1::BuildMenus() {
    QMenuBar* bar = menuBar();
    MenuFile = bar->addMenu(tr("&File"));
    MenuFile->setObjectName("MenuFile");
    MenuModule = bar->addMenu(tr("&Module"));
    MenuModule->setObjectName("MenuModule");
    MenuTools = bar->addMenu(tr("&Tools"));
    MenuTools->setObjectName("MenuTools");
    MenuView = bar->addMenu(tr("&View"));
    MenuView->setObjectName("MenuView");
    MenuHelp = bar->addMenu(tr("&Help"));
    MenuHelp->setObjectName("MenuHelp");

    trafficDock = new TrafficDock(this);
    ActionTrafficLog = AddDock(trafficDock, Qt::BottomDockWidgetArea, MenuView, "ActionTrafficLog",
                               tr("&Traffic log"), QKeySequence(Qt::CTRL | Qt::Key_L));

    QAction* quit = AddAction(MenuFile, "ActionQuit", tr("&Quit"), QKeySequence::Quit);
    connect(quit, &QAction::triggered, this, &QWidget::close);

    BuildCommissionActions();

    ActionAbout = AddAction(MenuHelp, "ActionAbout", tr("&About TALMIRE..."));
    connect(ActionAbout, &QAction::triggered, this, [this] { ShowAbout(); });

    BuildMonitor();
}

QString TForm1::AboutText() {
    return tr("<h3>TALMIRE Configuration Software</h3>"
              "<p>Version %1, built with Qt %2, running on Qt %3.</p>"
              "<p>Configures and tests the TALMIRE HART to MODBUS RTU module over a serial "
              "port: the module's settings, the HART instrument behind it, a MODBUS read "
              "test and an IEEE 754 calculator.</p>"
              "<p>Licence: proprietary; see the copyright file shipped with the package.</p>")
        .arg(QStringLiteral(TALMIRE_VERSION), QStringLiteral(QT_VERSION_STR),
             QString::fromLatin1(qVersion()));
}

void TForm1::ShowAbout() {
    QMessageBox box(this);
    box.setObjectName("AboutBox");
    box.setWindowTitle(tr("About TALMIRE"));
    box.setIconPixmap(QApplication::windowIcon().pixmap(64, 64));
    box.setTextFormat(Qt::RichText);
    box.setText(AboutText());
    box.exec();
}

std::optional<LineSettings> TForm1::PortRowLine() {
    const int parity = ComboBox10->ListValue();
    const int baud = ComboBox11->currentText().toInt();
    if (parity < 0 || baud <= 0) {
        ShowMessage(this, tr("Please choose a baud rate above 0 and a parity (None, Odd or "
                             "Even) in the port row first."));
        return std::nullopt;
    }
    LineSettings line;
    line.port = SPREALCOM->currentText().toStdString();
    line.baud = static_cast<std::uint32_t>(baud);
    line.parity = static_cast<TParity>(parity);
    return line;
}

bool TForm1::RefuseWhileLent() {
    if (!loan.Held())
        return false;
    ShowMessage(this, tr("The port is in use by %1. Stop it, or wait until it gives the port "
                         "back.")
                          .arg(loan.Holder()));
    return true;
}

bool TForm1::LendPort(const QString& user, const LineSettings& line) {
    if (RefuseWhileLent())
        return false;
    loan.Begin(user, link.PortIsOpen, line);
    link.ClosePort();
    PageControl1->setEnabled(false);
    GroupBox1->setEnabled(false);
    ShowLinkStatus(
        tr("The port is in use by %1; the pages wait until it is given back.").arg(user));
    RefreshStatusBar();
    return true;
}

bool TForm1::ReturnPort(const std::optional<LineSettings>& reopenAt) {
    if (!loan.Held())
        return link.PortIsOpen;
    loan.End();
    RefreshStatusBar();
    PageControl1->setEnabled(true);
    GroupBox1->setEnabled(true);
    ShowLinkStatus({});
    if (!reopenAt) {
        RetryLostPort();
        return link.PortIsOpen;
    }
    ShowLine(*reopenAt);
    const QString name = QString::fromStdString(reopenAt->port);
    try {
        if (OpenPortWithPageSettings(name) && lostPort != nullptr)
            lostPort->Stop();
    } catch (const ECommsError& error) {
        // The status line names the cause; a device that went away is waited for.
        if (error.Cause() == OpenFailure::NoSuchDevice)
            WatchLostPort(tr("%1 cannot be opened: %2").arg(name, portFailure));
    } catch (const std::exception& error) {
        ShowLinkStatus(QString::fromStdString(error.what()));
    }
    return link.PortIsOpen;
}

void TForm1::ShowLine(const LineSettings& line) {
    const QString port = QString::fromStdString(line.port);
    if (SPREALCOM->findText(port) >= 0)
        SPREALCOM->SetItemIndex(SPREALCOM->findText(port));
    else
        SPREALCOM->ShowText(port);
    const QString baud = QString::number(line.baud);
    if (ComboBox11->findText(baud) >= 0)
        ComboBox11->SetItemIndex(ComboBox11->findText(baud));
    else
        ComboBox11->ShowText(baud);
    ComboBox10->SetItemIndex(static_cast<int>(line.parity));
}
