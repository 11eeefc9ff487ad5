#pragma once

// Finding the module's line, and the HART instruments and MODBUS slaves that answer on it.

#include "commission/ModuleLine.h"
#include "commission/Progress.h"
#include "hart/HartReplies.h"

#include <chrono>
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

// What one probe gave: whether the address answered, how long the exchange took from the
// request to the answer's end, how many bytes the request and the answer put on the line, and
// the address another answer named (one that came late for an earlier probe).
struct ProbeAnswer {
    bool answered = false;
    std::chrono::microseconds elapsed{0};
    std::size_t lineBytes = 0;
    std::optional<int> lateFrom;
};
// Probes one address, waiting up to `wait` for its answer.
using AddressProbe = std::function<ProbeAnswer(int address, std::chrono::milliseconds wait)>;

// How a scan waits. A full scan waits `timeout` at every address. A fast one does so until an
// address answers; from then on it waits what FastScanWait gives for the slowest answer seen,
// and probes every address that answers, or that a late answer names, once more with the full
// time-out before telling `found` of it. `found` is told right after the probe whose answer
// counts, so the prober may keep what that answer carried for it.
struct ScanTiming {
    std::chrono::milliseconds timeout{200};
    bool fast = false;
    std::uint32_t baud = 9600;
    TParity parity = TParity::None;
    // An address asked before the others, where a module is expected: when it answers, the
    // whole range goes at the fast pace.
    std::optional<int> first{};
};

void ScanAddresses(int from, int to, const ScanTiming& timing, const AddressProbe& probe,
                   const std::function<void(int address)>& found, const Progress& progress = {});

// The time `bytes` take on the line: a start bit, eight data bits, the parity bit when there
// is one and a stop bit each.
std::chrono::microseconds WireTime(std::size_t bytes, std::uint32_t baud, TParity parity);

// How long a fast scan waits at an address: FastScanFactor times the `turnaround` (from the
// request's end on the line to the answer's start) of the slowest module that answered, plus
// the wire time of the request and its answer; at least FastScanFloor (scheduling and adapter
// latency), at most the full `timeout`.
inline constexpr double FastScanFactor = 3.0;
inline constexpr std::chrono::milliseconds FastScanFloor{10};
std::chrono::milliseconds FastScanWait(std::chrono::microseconds turnaround,
                                       std::chrono::microseconds wire,
                                       std::chrono::milliseconds timeout);

// The identity of the HART instrument at polling address `address`, through the module in
// master mode with the preambles of `preambles`.
std::optional<HartIdentity> ProbeHart(ModuleLine& line, const std::string& preambles, int address);
// The same within `wait`; `identity` is set when the instrument at `address` answered.
ProbeAnswer ProbeHart(ModuleLine& line, const std::string& preambles, int address,
                      std::chrono::milliseconds wait, std::optional<HartIdentity>& identity);
// Whether slave `slave` answers a read of one register, even with an exception.
bool ProbeModbus(ModuleLine& line, int slave);
ProbeAnswer ProbeModbus(ModuleLine& line, int slave, std::chrono::milliseconds wait);
