#pragma once

// The simulator's command line: what it serves, on which line, and how the module starts.

#include <optional>
#include <string>

struct SimOptions {
    std::string link = "/tmp/ttyTALMIRE";
    std::string device;   // a real serial port instead of a pseudo-terminal
    std::string listen;   // "tcp://ADDRESS:PORT": serve the module over TCP instead
    int gapMs = 0;        // pause in the middle of every reply
    bool verbose = false; // traffic log on stderr
    bool version = false; // print the version instead of running
    bool fixedValues = false;
    bool rs485Side = true;     // which of the module's two serial sides the tool is wired to
    int frameGapMs = 20;       // silence that ends a received frame
    int turnaroundMs = 5;      // from a request's end to the reply's first byte
    bool exitOnHangup = false; // a device that hangs up ends the simulator instead of being
                               // waited for
    // The module as it starts (unset: as the state file or the module's defaults say).
    std::optional<int> baudIndex;   // the side's speed, an index of TalmireModule::BaudForIndex
    std::optional<int> parityIndex; // 0 none, 1 odd, 2 even
    std::optional<int> hartAddress; // polling address of the first instrument
    std::optional<int> instrumentCountIndex; // 1, 4 or 8 instruments as 0, 1, 2
    std::optional<int> modbusSlave;
    std::string statePath; // loaded at start when it exists, saved after every change
};

// Parses the command line; false (with a message on stderr) on a bad option. `help` is set
// when the usage text was asked for.
bool ParseSimOptions(int argc, char** argv, SimOptions& options, bool& help);
std::string SimUsage();
// The instruments behind the module for an index of `instrumentCountIndex`: 1, 4 or 8.
int InstrumentsForIndex(int index);
// Why `count` instruments cannot follow one another from the polling address `first`
// (they would run past 15); empty when they can.
std::optional<std::string> HartAddressRefusal(int first, int count);
