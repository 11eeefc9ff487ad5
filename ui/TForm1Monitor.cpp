// The live monitor and the MODBUS values dock: the monitor borrows the port from the pages
// while it reads; the values dock follows the read test's exchanges and the calculator.

#include "tools/ModbusRegisters.h"
#include "ui/MonitorDock.h"
#include "ui/RegisterDock.h"
#include "ui/TForm1.h"

#include <span>

void TForm1::BuildMonitor() {
    // The monitor's dock, with its chart, is made when first asked for: most sessions never
    // open it, and the window starts faster and smaller without it.
    ActionMonitor =
        AddAction(MenuTools, "ActionMonitor", tr("&Monitor"), QKeySequence(Qt::CTRL | Qt::Key_M));
    ActionMonitor->setCheckable(true);
    connect(ActionMonitor, &QAction::toggled, this, [this](bool on) {
        if (monitorDock == nullptr && on)
            CreateMonitorDock();
        if (monitorDock != nullptr)
            monitorDock->setVisible(on);
    });

    registerDock = new RegisterDock(this);
    ActionModbusValues = AddDock(registerDock, Qt::RightDockWidgetArea, MenuView,
                                 "ActionModbusValues", tr("MODBUS &values"));

    // The read test's answer may come in several chunks; the table shows it once its own
    // length says it is whole.
    connect(&link, &ModuleLink::FrameSent, this, [this](RequestKind kind, const QByteArray& frame) {
        if (kind != RequestKind::ModbusTest)
            return;
        modbusTestRequest = frame;
        modbusTestReply.clear();
    });
    connect(&link, &ModuleLink::ChunkReceived, this,
            [this](RequestKind kind, const QByteArray& chunk, const QString&) {
                if (kind != RequestKind::ModbusTest || modbusTestRequest.isEmpty())
                    return;
                modbusTestReply += chunk;
                const std::span<const std::uint8_t> bytes(
                    reinterpret_cast<const std::uint8_t*>(modbusTestReply.constData()),
                    static_cast<std::size_t>(modbusTestReply.size()));
                const std::optional<std::size_t> length = ModbusReplyLength(bytes);
                if (length && bytes.size() >= *length) {
                    registerDock->ShowExchange(
                        modbusTestRequest, modbusTestReply.left(static_cast<qsizetype>(*length)));
                    modbusTestRequest.clear();
                }
            });
    registerDock->SetCalculatorHex(modbusPage->Edit7->text());
    connect(modbusPage->Edit7, &QLineEdit::textChanged, registerDock,
            &RegisterDock::SetCalculatorHex);
}

void TForm1::CreateMonitorDock() {
    monitorDock = new MonitorDock(
        [this]() -> std::optional<LineSettings> {
            if (RefuseWhileLent())
                return std::nullopt;
            const std::optional<LineSettings> line = PortRowLine();
            if (!line || !LendPort(tr("the monitor"), *line))
                return std::nullopt;
            return line;
        },
        [this] { ReturnPort(); }, this);
    // Shown by the menu's entry once placed, so that it is fitted to the screen as it opens.
    monitorDock->hide();
    addDockWidget(Qt::BottomDockWidgetArea, monitorDock);
    FitDock(monitorDock);
    // Closing the dock by its own button unticks the menu's entry.
    connect(monitorDock->toggleViewAction(), &QAction::toggled, ActionMonitor,
            &QAction::setChecked);
}
