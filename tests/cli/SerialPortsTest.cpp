// The ports listing read from a tree laid out as sysfs and /dev lay out a machine with a USB
// adapter, a modem-class USB device, a UART on the main board, the 8250 driver's placeholders
// (as older and newer kernels register them) and a console.

#include "cli/SerialPorts.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>

namespace fs = std::filesystem;

namespace {

class FakeMachine {
public:
    FakeMachine() {
        char folder[] = "/tmp/talmire-ports-XXXXXX";
        root = mkdtemp(folder);
        sys = root / "sys";
        dev = root / "dev";
        fs::create_directories(sys / "class" / "tty");
        fs::create_directories(dev / "serial" / "by-id");
        for (const char* driver :
             {"usb-serial/drivers/ftdi_sio", "usb/drivers/cdc_acm", "pnp/drivers/serial",
              "serial-base/drivers/port", "platform/drivers/serial8250"}) {
            fs::create_directories(sys / "bus" / driver);
        }
    }
    ~FakeMachine() { fs::remove_all(root); }

    // A tty whose device is `device` (below sys/devices), the tty's own folder beneath it.
    void Tty(const std::string& name, const std::string& device) {
        const fs::path at = sys / "devices" / device;
        fs::create_directories(at / "tty" / name);
        fs::create_directory_symlink(at / "tty" / name / "", sys / "class" / "tty" / name);
        fs::create_directory_symlink(at, at / "tty" / name / "device");
    }
    void Link(const std::string& device, const std::string& name, const std::string& bus) {
        fs::create_directory_symlink(sys / "bus" / bus, sys / "devices" / device / name);
    }
    void Attributes(const std::string& device, const std::map<std::string, std::string>& values) {
        for (const auto& [name, value] : values) {
            std::ofstream(sys / "devices" / device / name) << value << "\n";
        }
    }
    void ById(const std::string& name, const std::string& tty) {
        fs::create_symlink("../../" + tty, dev / "serial" / "by-id" / name);
    }

    fs::path root, sys, dev;
};

} // namespace

TEST(SerialPortsTest, ListsTheMachinesPortsWithTheirAdaptersAndStableNames) {
    FakeMachine m;
    const std::string ftdi = "pci0000:00/usb1/1-1/1-1:1.0/ttyUSB0";
    m.Tty("ttyUSB0", ftdi);
    m.Link(ftdi, "driver", "usb-serial/drivers/ftdi_sio");
    m.Attributes("pci0000:00/usb1/1-1", {{"idVendor", "0403"},
                                         {"idProduct", "6001"},
                                         {"manufacturer", "FTDI"},
                                         {"product", "FT232R USB UART"},
                                         {"serial", "A1234"}});
    m.ById("usb-FTDI_FT232R_USB_UART_A1234-if00-port0", "ttyUSB0");
    const std::string acm = "pci0000:00/usb1/1-2/1-2:1.0";
    m.Tty("ttyACM0", acm);
    m.Link(acm, "driver", "usb/drivers/cdc_acm");
    m.Attributes("pci0000:00/usb1/1-2", {{"idVendor", "2341"}, {"idProduct", "0043"}});
    m.ById("usb-2341_0043-if00", "ttyACM0");
    m.ById("usb-2341_0043-if00-alias", "ttyACM0");
    // A board UART behind the serial-base layer of newer kernels.
    m.Tty("ttyS0", "pnp0/00:00/00:00:0/00:00:0.0");
    m.Link("pnp0/00:00/00:00:0/00:00:0.0", "subsystem", "serial-base");
    m.Link("pnp0/00:00/00:00:0", "subsystem", "serial-base");
    m.Link("pnp0/00:00", "driver", "pnp/drivers/serial");
    // The 8250 driver's placeholders: directly (older kernels) and behind serial-base.
    m.Tty("ttyS1", "platform/serial8250");
    m.Tty("ttyS2", "platform/serial8250/serial8250:0/serial8250:0.2");
    m.Link("platform/serial8250/serial8250:0/serial8250:0.2", "subsystem", "serial-base");
    m.Link("platform/serial8250/serial8250:0", "subsystem", "serial-base");
    fs::create_directories(m.sys / "devices" / "virtual" / "tty" / "console");
    fs::create_directory_symlink(m.sys / "devices" / "virtual" / "tty" / "console",
                                 m.sys / "class" / "tty" / "console");

    std::vector<std::string> probed;
    const std::vector<SerialPortInfo> ports =
        ListSerialPorts(m.sys, m.dev, [&](const std::string& device) {
            probed.push_back(device);
            return device.ends_with("ACM0") ? PortState{false, "in use by another program"}
                                            : PortState{true, "free"};
        });

    const std::string byId = (m.dev / "serial" / "by-id" / "").string();
    struct Expected {
        std::string name, driver, vendorId, productId, vendor, product, serial;
        std::vector<std::string> byId;
        bool free;
    };
    const std::vector<Expected> expected{
        {"ttyACM0",
         "cdc_acm",
         "2341",
         "0043",
         "",
         "",
         "",
         {"usb-2341_0043-if00", "usb-2341_0043-if00-alias"},
         false},
        {"ttyS0", "serial", "", "", "", "", "", {}, true},
        {"ttyUSB0",
         "ftdi_sio",
         "0403",
         "6001",
         "FTDI",
         "FT232R USB UART",
         "A1234",
         {"usb-FTDI_FT232R_USB_UART_A1234-if00-port0"},
         true},
    };
    ASSERT_EQ(ports.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const Expected& e = expected[i];
        const SerialPortInfo& p = ports[i];
        EXPECT_EQ(p.device, (m.dev / e.name).string());
        EXPECT_EQ(p.driver, e.driver) << e.name;
        EXPECT_EQ(p.vendorId + ":" + p.productId, e.vendorId + ":" + e.productId) << e.name;
        EXPECT_EQ(p.vendor + "|" + p.product + "|" + p.serial,
                  e.vendor + "|" + e.product + "|" + e.serial)
            << e.name;
        std::vector<std::string> links;
        for (const std::string& link : e.byId) {
            links.push_back(byId + link);
        }
        EXPECT_EQ(p.byId, links) << e.name;
        EXPECT_EQ(p.free, e.free) << e.name;
    }
    EXPECT_EQ(probed.size(), expected.size()) << "only the listed ports are opened";

    const std::string dev = m.dev.string();
    EXPECT_EQ(PortsText(ports),
              dev + "/ttyACM0  in use by another program  (2341:0043, cdc_acm)\n" + "  " + byId +
                  "usb-2341_0043-if00\n" + "  " + byId + "usb-2341_0043-if00-alias\n" + dev +
                  "/ttyS0  free  (serial)\n" + dev +
                  "/ttyUSB0  free  FTDI FT232R USB UART (0403:6001, serial A1234, ftdi_sio)\n" +
                  "  " + byId + "usb-FTDI_FT232R_USB_UART_A1234-if00-port0\n");
    EXPECT_EQ(PortsText({}), "no serial ports\n");
}
