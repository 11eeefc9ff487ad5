// Address scans against talmire-sim at 19200 baud: the MODBUS slaves 1 to 247 and the HART
// polling addresses 0 to 15, each as a full scan (the baseline, the time-out at every address)
// and as a fast one, through the same scan the command-line tool and the window run. A fast
// figure is -1 when it found other addresses than the full scan.

#include "bench/BenchUtil.h"
#include "commission/ModuleScans.h"
#include "tests/e2e/SimProcess.h"

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

namespace {

// The command-line tool's and the window's time-out for a scan's exchanges.
constexpr milliseconds Timeout{200};
constexpr std::uint32_t Baud = 19200;

struct Scanned {
    double seconds = 0;
    std::vector<int> found;
};

Scanned Scan(const std::string& port, bool hart, bool fast) {
    ModuleLine line({port, Baud, TParity::None}, Timeout);
    const ScanTiming timing{Timeout, fast, Baud, TParity::None};
    Scanned scanned;
    const auto start = Clock::now();
    try {
        ScanAddresses(
            hart ? 0 : 1, hart ? 15 : 247, timing,
            [&](int address, milliseconds wait) {
                std::optional<HartIdentity> id;
                return hart ? ProbeHart(line, "5", address, wait, id)
                            : ProbeModbus(line, address, wait);
            },
            [&](int address) { scanned.found.push_back(address); });
    } catch (const ModuleFailure& failure) {
        std::fprintf(stderr, "scan failed: %s\n", failure.what());
        scanned.found.clear();
    }
    scanned.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return scanned;
}

// The full scan `fullRuns` times and the fast one `fastRuns` times, medians of each.
void Measure(const std::vector<std::string>& simOptions, bool hart, int fullRuns, int fastRuns,
             const char* fullName, const char* fastName) {
    SimProcess sim(simOptions);
    std::vector<double> full, fast;
    std::vector<int> expected;
    bool same = true;
    for (int i = 0; i < fullRuns; ++i) {
        const Scanned run = Scan(sim.link, hart, false);
        full.push_back(run.seconds);
        same = same && !run.found.empty() && (i == 0 || run.found == expected);
        expected = run.found;
    }
    for (int i = 0; i < fastRuns; ++i) {
        const Scanned run = Scan(sim.link, hart, true);
        fast.push_back(run.seconds);
        same = same && run.found == expected;
    }
    if (fullName != nullptr)
        Report(fullName, Median(full), "s");
    Report(fastName, same ? Median(fast) : -1, "s");
}

} // namespace

int main() {
    // The simulator with its own turnaround (5 ms), ending a received frame after 2 ms of
    // silence as a MODBUS device does at 19200 baud (3.5 characters).
    const std::vector<std::string> device{"--baud", "19200", "--frame-gap-ms", "2"};
    // A full MODBUS scan takes 247 time-outs: it runs once.
    Measure(device, false, 1, 5, "scan_modbus_full_s", "scan_modbus_fast_s");
    std::vector<std::string> instruments = device;
    instruments.insert(instruments.end(), {"--instruments", "4"});
    Measure(instruments, true, 3, 5, "scan_hart_full_s", "scan_hart_fast_s");
    // With every simulator default, its 20 ms frame gap included, against one full scan.
    Measure({"--baud", "19200"}, false, 1, 3, "scan_modbus_full_sim_defaults_s",
            "scan_modbus_fast_sim_defaults_s");
    return 0;
}
