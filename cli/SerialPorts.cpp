#include "cli/SerialPorts.h"

#include <algorithm>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

// A sysfs attribute's text without its line end; empty when the file is not there.
std::string Attribute(const fs::path& file) {
    std::ifstream in(file);
    std::string text;
    std::getline(in, text);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\r')) {
        text.pop_back();
    }
    return text;
}

// The last part of the path a link points to ("ftdi_sio" for .../drivers/ftdi_sio).
std::string LinkName(const fs::path& link) {
    std::error_code error;
    const fs::path target = fs::read_symlink(link, error);
    return error ? std::string() : target.filename().string();
}

// The USB device the port belongs to: its attributes sit a level or two above the tty's own
// device (the interface, then the device), below the tree's root.
void ReadUsbAttributes(const fs::path& device, const fs::path& sysRoot, SerialPortInfo& port) {
    std::error_code error;
    fs::path at = fs::canonical(device, error);
    const fs::path root = fs::canonical(sysRoot, error);
    for (int level = 0; !error && level < 4 && at != root && at.has_relative_path(); ++level) {
        if (fs::exists(at / "idVendor")) {
            port.vendorId = Attribute(at / "idVendor");
            port.productId = Attribute(at / "idProduct");
            port.vendor = Attribute(at / "manufacturer");
            port.product = Attribute(at / "product");
            port.serial = Attribute(at / "serial");
            return;
        }
        at = at.parent_path();
    }
}

// The device of the port's hardware: past the kernel's serial-base layer (a port and its
// controller), which newer kernels put between a UART and its tty.
fs::path Hardware(const fs::path& device) {
    std::error_code error;
    fs::path at = fs::canonical(device, error);
    for (int level = 0; !error && level < 3 && LinkName(at / "subsystem") == "serial-base";
         ++level) {
        at = at.parent_path();
    }
    return error ? fs::path() : at;
}

} // namespace

std::vector<SerialPortInfo> ListSerialPorts(const fs::path& sysRoot, const fs::path& devRoot,
                                            const PortProbe& probe) {
    std::vector<std::string> names;
    std::error_code error;
    for (const fs::directory_entry& entry :
         fs::directory_iterator(sysRoot / "class" / "tty", error)) {
        const fs::path device = entry.path() / "device";
        std::error_code missing;
        if (!fs::exists(device, missing)) {
            continue; // a console, a virtual terminal, a pseudo-terminal
        }
        if (Hardware(device).filename() == "serial8250") {
            continue; // a place the 8250 driver keeps for a port that may not be there
        }
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    std::vector<SerialPortInfo> ports;
    for (const std::string& name : names) {
        SerialPortInfo port;
        port.device = (devRoot / name).string();
        const fs::path device = sysRoot / "class" / "tty" / name / "device";
        port.driver = LinkName(Hardware(device) / "driver");
        ReadUsbAttributes(device, sysRoot, port);
        for (const fs::directory_entry& link :
             fs::directory_iterator(devRoot / "serial" / "by-id", error)) {
            if (LinkName(link.path()) == name) {
                port.byId.push_back(link.path().string());
            }
        }
        error.clear();
        std::sort(port.byId.begin(), port.byId.end());
        if (probe) {
            const PortState state = probe(port.device);
            port.free = state.free;
            port.state = state.state;
        }
        ports.push_back(std::move(port));
    }
    return ports;
}

std::string PortsText(const std::vector<SerialPortInfo>& ports) {
    if (ports.empty()) {
        return "no serial ports\n";
    }
    std::ostringstream out;
    for (const SerialPortInfo& port : ports) {
        out << port.device << "  " << port.state;
        std::string adapter = port.vendor;
        if (!port.product.empty()) {
            adapter += (adapter.empty() ? "" : " ") + port.product;
        }
        std::vector<std::string> details;
        if (!port.vendorId.empty()) {
            details.push_back(port.vendorId + ":" + port.productId);
        }
        if (!port.serial.empty()) {
            details.push_back("serial " + port.serial);
        }
        if (!port.driver.empty()) {
            details.push_back(port.driver);
        }
        if (!adapter.empty()) {
            out << "  " << adapter;
        }
        for (std::size_t i = 0; i < details.size(); ++i) {
            out << (i == 0 ? (adapter.empty() ? "  (" : " (") : ", ") << details[i];
        }
        out << (details.empty() ? "" : ")") << "\n";
        for (const std::string& link : port.byId) {
            out << "  " << link << "\n";
        }
    }
    return out.str();
}
