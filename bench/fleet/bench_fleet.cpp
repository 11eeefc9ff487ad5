// A fleet run's wall time for 1, 4 and 16 simulated modules, each on a port of its own, and
// how well the port threads overlap: T(1) / T(16), 1 when sixteen modules take no longer than
// one. The work is waiting on lines, so two cores carry sixteen ports.

#include "bench/BenchUtil.h"
#include "commission/FleetRun.h"
#include "commission/ProfileSequence.h"
#include "tests/e2e/SimProcess.h"

#include <QTemporaryDir>

#include <chrono>
#include <cstdlib>
#include <memory>

namespace {

using Clock = std::chrono::steady_clock;

double FleetSeconds(const std::vector<FleetModule>& modules) {
    const Clock::time_point start = Clock::now();
    const std::vector<FleetOutcome> outcomes = RunFleet(modules, {}, {}, {}, {});
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    for (const FleetOutcome& outcome : outcomes) {
        if (!outcome.passed) {
            std::fprintf(stderr, "bench_fleet: %s failed at %s: %s\n", outcome.name.c_str(),
                         outcome.step.c_str(), outcome.reason.c_str());
            std::exit(1);
        }
    }
    return seconds;
}

} // namespace

int main() {
    QTemporaryDir folder;
    if (!folder.isValid())
        return 1;
    // The port locks in a folder of the run's own.
    setenv("XDG_RUNTIME_DIR", folder.path().toLocal8Bit().constData(), 1);
    constexpr int Most = 16;
    std::vector<std::unique_ptr<SimProcess>> sims;
    std::vector<FleetModule> modules;
    for (int i = 0; i < Most; ++i) {
        const std::string link = folder.filePath("tty" + QString::number(i)).toStdString();
        sims.push_back(std::make_unique<SimProcess>(std::vector<std::string>{"--link", link}));
        FleetModule module;
        module.name = "module" + std::to_string(i);
        module.port = link;
        module.line = LineTry{};
        modules.push_back(module);
    }
    ModuleLine first(LineSettings{modules[0].port, 9600, TParity::None},
                     std::chrono::milliseconds(1000));
    const Profile profile = ReadModule(first);
    first.Close();
    for (FleetModule& module : modules)
        module.profile = profile;

    std::vector<double> wall;
    for (const int count : {1, 4, 16}) {
        const std::vector<FleetModule> some(modules.begin(), modules.begin() + count);
        wall.push_back(FleetSeconds(some));
        Report(("fleet_wall_" + std::to_string(count) + "_s").c_str(), wall.back(), "s");
    }
    Report("fleet_parallel_efficiency", wall[0] / wall[2], "ratio");
    return 0;
}
