#pragma once

// A fleet run: every module of an inventory brought to its profile and checked. Modules on
// different ports run at once, a thread per port; modules on one port (one bus) one after the
// other, the port's lock held throughout.

#include "commission/FleetInventory.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

struct FleetOptions {
    bool write = false; // write the differences and verify them; otherwise only compare
    std::chrono::milliseconds timeout{1000};
    std::string preambles = "5";
    const std::atomic<bool>* cancel = nullptr;
};

// How one module's commissioning ended.
struct FleetOutcome {
    std::string name;
    std::string port;
    bool passed = false;
    std::string step;   // the step it failed at (empty when it passed)
    std::string reason; // why
    int status = 0;     // the failure's status (ModuleFailure), 0 when it passed
    double seconds = 0;
    std::optional<LineTry> line; // the line it answered on
    std::vector<std::string> written;
    std::string asFound;  // the configuration kept before a write
    std::string tagCheck; // what became of the instruments' tags
    bool earlier = false; // passed in an earlier run and skipped in this one
};

// A step begun or ended: the module, the step, what it found or does.
using FleetEvent =
    std::function<void(const std::string& module, const std::string& step, const std::string&)>;

// One module from its line to its instruments, on its own line (the caller holds the lock).
FleetOutcome CommissionModule(const FleetModule& module, const FleetOptions& options,
                              const FleetEvent& event);

// Every module not in `skip`, outcomes in the inventory's order. `event` and `ended` are
// called one at a time (from the port threads), `ended` as each module ends.
std::vector<FleetOutcome> RunFleet(const std::vector<FleetModule>& modules,
                                   const FleetOptions& options, const std::set<std::string>& skip,
                                   const FleetEvent& event,
                                   const std::function<void(const FleetOutcome&)>& ended);
