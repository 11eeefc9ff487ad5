#pragma once

// Finding the module's line, and the HART instruments and MODBUS slaves that answer on it.

#include "commission/ModuleLine.h"
#include "commission/Progress.h"
#include "hart/HartReplies.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// A line's speed and parity to try.
struct LineTry {
    std::uint32_t baud = 9600;
    TParity parity = TParity::None;
};

// The speeds of the window's lists, 9600 (the most common) first, each with every parity.
std::vector<LineTry> AllLineTries();

// Asks the interface at each try in turn, `tried` told after each (true: answered), and stops
// at the first that answers: `line` is left open there. nullopt when none answered.
std::optional<LineTry> FindLine(ModuleLine& line, const std::vector<LineTry>& tries,
                                const std::function<void(const LineTry&, bool answered)>& tried,
                                const Progress& progress = {});

// Probes every address from `from` to `to`, reporting a step before each; `found` is told of
// each that answered. An address that does not answer, or answers wrongly, is passed over; a
// lost port or a request that cannot be built ends the scan (ModuleFailure).
void ScanAddresses(int from, int to, const std::function<bool(int address)>& probe,
                   const std::function<void(int address)>& found, const Progress& progress = {});

// The identity of the HART instrument at polling address `address`, through the module in
// master mode with the preambles of `preambles`.
std::optional<HartIdentity> ProbeHart(ModuleLine& line, const std::string& preambles, int address);
// Whether slave `slave` answers a read of one register, even with an exception.
bool ProbeModbus(ModuleLine& line, int slave);
