#pragma once

// The machine's serial ports as the kernel lists them: each tty with a device behind it, its
// stable names under /dev/serial/by-id, and what the system knows of the adapter. The roots
// are parameters, so that a copy of the trees can stand in for the machine's. No Qt.

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

struct SerialPortInfo {
    std::string device;            // "/dev/ttyUSB0"
    std::vector<std::string> byId; // "/dev/serial/by-id/usb-FTDI_...-if00-port0", sorted
    std::string driver;            // "ftdi_sio"; empty when the system names none
    std::string vendorId;          // "0403", for a USB adapter
    std::string productId;         // "6001"
    std::string vendor;            // "FTDI", where the adapter says
    std::string product;           // "FT232R USB UART"
    std::string serial;            // the adapter's serial number
    bool free = false;             // nobody holds the port
    std::string state;             // "free", or why it cannot be opened
};

// Whether the port at `device` can be opened, and if not why: {free, state}.
struct PortState {
    bool free = false;
    std::string state;
};
using PortProbe = std::function<PortState(const std::string& device)>;

// The ports under `sysRoot`/class/tty ("/sys"), by name, their device files and links under
// `devRoot` ("/dev"), each probed. A tty without a device (a console, a pseudo-terminal) and
// the placeholders the platform's 8250 driver registers for ports that may not exist are not
// serial ports of the machine.
std::vector<SerialPortInfo> ListSerialPorts(const std::filesystem::path& sysRoot,
                                            const std::filesystem::path& devRoot,
                                            const PortProbe& probe);

// "/dev/ttyUSB0  free  FTDI FT232R USB UART (0403:6001, serial A1234, ftdi_sio)" and a line
// per by-id name beneath it; "no serial ports" when there are none.
std::string PortsText(const std::vector<SerialPortInfo>& ports);
