// ports: the machine's serial ports, their stable names, their adapters, whether they are free.

#include "cli/Commands.h"
#include "cli/SerialPorts.h"
#include "serial/TComm.h"

#include <QJsonArray>

namespace {

// Opens the port as the tool would, DTR and RTS left low so that nothing behind it resets,
// and closes it again at once.
PortState TryOpen(const std::string& device) {
    TComm comm;
    comm.SetCommName(device);
    comm.SetDtrControl(TDtrControl::DtrDisable);
    comm.SetRtsControl(TRtsControl::RtsDisable);
    try {
        comm.OpenPort();
    } catch (const ECommsError& error) {
        return {false, OpenFailureText(error)};
    }
    comm.ClosePort();
    return {true, "free"};
}

QJsonValue Text(const std::string& text) {
    return text.empty() ? QJsonValue(QJsonValue::Null) : QJsonValue(QString::fromStdString(text));
}

} // namespace

int RunPorts(CommandContext& c) {
    const std::vector<SerialPortInfo> ports = ListSerialPorts("/sys", "/dev", TryOpen);
    QJsonArray list;
    for (const SerialPortInfo& port : ports) {
        QJsonArray byId;
        for (const std::string& link : port.byId) {
            byId.append(QString::fromStdString(link));
        }
        list.append(QJsonObject{{"device", QString::fromStdString(port.device)},
                                {"byId", byId},
                                {"driver", Text(port.driver)},
                                {"vendorId", Text(port.vendorId)},
                                {"productId", Text(port.productId)},
                                {"vendor", Text(port.vendor)},
                                {"product", Text(port.product)},
                                {"serial", Text(port.serial)},
                                {"free", port.free},
                                {"state", QString::fromStdString(port.state)}});
    }
    c.session.Print(QJsonObject{{"ports", list}}, PortsText(ports));
    return ExitOk;
}
