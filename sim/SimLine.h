#pragma once

// The simulator's side of the serial line: a pseudo-terminal published under a stable name,
// or a real serial device; frames cut at the line's idle gap, replies paced at line speed.

#include "sim/TalmireModule.h"

#include <cstdint>
#include <optional>
#include <string>

struct SimOptions {
    std::string link = "/tmp/ttyTALMIRE";
    std::string device;   // a real serial port instead of a pseudo-terminal
    int gapMs = 0;        // pause in the middle of every reply
    bool verbose = false; // traffic log on stderr
    bool version = false; // print the version instead of running
    bool fixedValues = false;
    bool rs485Side = true;     // which of the module's two serial sides the tool is wired to
    int frameGapMs = 20;       // silence that ends a received frame
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

class SimLine {
public:
    explicit SimLine(SimOptions options);
    ~SimLine();
    SimLine(const SimLine&) = delete;
    SimLine& operator=(const SimLine&) = delete;

    // Opens the line; false with a message on stderr when it cannot.
    bool Open();
    // The path the tool opens.
    const std::string& ToolPath() const { return toolPath; }
    // Serves frames until `stopFd` becomes readable (0) or, with `exitOnHangup`, until the
    // device hangs up (1). A device that hangs up otherwise is waited for and re-opened.
    int Run(int stopFd);

private:
    void Serve(const std::vector<std::uint8_t>& frame);
    bool ToolSpeedMatches() const;
    void SendPaced(const std::vector<std::uint8_t>& reply);
    void SetOwnSpeed(std::uint32_t baud, int parity);
    int LineParity() const;
    bool OpenDevice();
    bool SetUpModule();
    void SaveState();
    // After the device hung up: nothing once it is open again, else the simulator's exit
    // status (0 asked to stop, 1 told to exit on a hang-up or unable to wait).
    std::optional<int> AwaitDevice(int stopFd);

    SimOptions options;
    TalmireModule module;
    int fd = -1;      // our end: the pty master, or the device
    int slaveFd = -1; // the tool's end, kept open so the line survives the tool closing it
    std::string toolPath;
    std::string deviceNode; // the node the device path led to when it was opened
    bool linkMade = false;
    std::uint32_t lineBaud = 9600;
    int lineParity = 0;
    std::string savedState;
};
