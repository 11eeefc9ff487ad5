#pragma once

// The simulator's side of the serial line: a pseudo-terminal published under a stable name,
// a real serial device, or a TCP connection; frames cut at the line's idle gap, replies paced at
// line speed.

#include "sim/LinkLock.h"
#include "sim/SimOptions.h"
#include "sim/TalmireModule.h"

#include <cstdint>
#include <optional>
#include <string>

class SimLine {
public:
    explicit SimLine(SimOptions options);
    ~SimLine();
    SimLine(const SimLine&) = delete;
    SimLine& operator=(const SimLine&) = delete;

    // Opens the line; false with a message on stderr when it cannot.
    bool Open();
    // After a failed Open: whether an option was refused (rather than the line or the
    // state file failing).
    bool OptionRefused() const { return optionRefused; }
    // The module as it starts or now is (the ready line describes it).
    const TalmireModule& Module() const { return module; }
    bool Rs485Side() const { return options.rs485Side; }
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
    // Serving over TCP: listens on the address of `options.listen`; waits for the next
    // client, which becomes the line (nothing), or the exit status once asked to stop.
    bool OpenListener();
    std::optional<int> AwaitClient(int stopFd);

    SimOptions options;
    TalmireModule module;
    int fd = -1;       // our end: the pty master, or the device
    int slaveFd = -1;  // the tool's end, kept open so the line survives the tool closing it
    int listenFd = -1; // serving over TCP: the listening socket; `fd` is the client
    std::string toolPath;
    std::string deviceNode; // the node the device path led to when it was opened
    bool linkMade = false;
    std::uint32_t lineBaud = 9600;
    int lineParity = 0;
    std::string savedState;
    LinkLock linkLock;
    bool optionRefused = false;
};
