// The simulator's command line: the options it takes and the values it refuses.

#include "sim/SimOptions.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(SimOptionsTest, ParsesAndRefuses) {
    struct Case {
        std::vector<const char*> args;
        bool ok;
    };
    const Case cases[] = {
        {{"sim", "--link", "/tmp/x", "--gap-ms", "150", "--verbose", "--version"}, true},
        {{"sim", "--gap-ms", "-1"}, false},
        {{"sim", "--gap-ms", "abc"}, false},
        {{"sim", "--turnaround-ms", "0", "--frame-gap-ms", "1"}, true},
        {{"sim", "--turnaround-ms", "1001"}, false},
        {{"sim", "--side", "rs232"}, true},
        {{"sim", "--device", "/dev/ttyUSB0", "--exit-on-hangup"}, true},
        {{"sim", "--baud", "57600", "--parity", "even", "--hart-address", "15"}, true},
        {{"sim", "--instruments", "8", "--modbus-slave", "247", "--state", "/tmp/s"}, true},
        {{"sim", "--baud", "9601"}, false},
        {{"sim", "--parity", "mark"}, false},
        {{"sim", "--hart-address", "16"}, false},
        {{"sim", "--instruments", "2"}, false},
        {{"sim", "--modbus-slave", "0"}, false},
        {{"sim", "--state"}, false},
        {{"sim", "--side", "usb"}, false},
        {{"sim", "--link"}, false},
        {{"sim", "--listen", "tcp://127.0.0.1:0", "--verbose"}, true},
        {{"sim", "--listen", "udp://127.0.0.1:4001"}, false},
        {{"sim", "--listen", "tcp://127.0.0.1:4001", "--device", "/dev/ttyUSB0"}, false},
        {{"sim", "--listen"}, false},
        {{"sim", "--bogus"}, false},
    };
    for (const Case& c : cases) {
        SimOptions options;
        bool help = false;
        std::vector<char*> argv;
        for (const char* a : c.args)
            argv.push_back(const_cast<char*>(a));
        EXPECT_EQ(ParseSimOptions(static_cast<int>(argv.size()), argv.data(), options, help), c.ok)
            << c.args.size();
    }
}

} // namespace
