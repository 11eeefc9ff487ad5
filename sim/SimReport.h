#pragma once

// What the simulator says about the module it plays: the ready line (the path, the line it
// serves, the addresses it answers) and, at start, each value the command line took over
// from a state file.

#include "sim/SimOptions.h"
#include "sim/TalmireModule.h"

#include <cstdint>
#include <string>

// "9600 8N1"; parity 0 none, 1 odd, 2 even.
std::string LineText(std::uint32_t baud, int parity);
// The polling addresses of the instruments that answer: "0", "2-5", "0, 3, 7".
std::string HartAddressesText(const TalmireModule& module);
// "talmire-sim: module ready (9600 8N1 RS485, MODBUS slave 1, HART address 0) on PATH"
std::string ReadyLine(const std::string& toolPath, const TalmireModule& module, bool rs485Side);
// One line on stderr for each option that differs from what the state file at `statePath`
// held (`saved`, the module as the file left it): the command line wins.
void SayStateOverrides(const SimOptions& options, const TalmireModule& saved);
