// talmire-cli fleet run: every module of an inventory, one progress line per module and step,
// a report at the end and a state file for a resumed run.

#include "cli/Commands.h"
#include "commission/FleetReport.h"
#include "commission/ProfileFile.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>

#include <csignal>
#include <cstdio>
#include <map>

namespace {

std::atomic<bool> Interrupted{false};

extern "C" void StopFleet(int) {
    Interrupted.store(true);
}

void Save(const QString& path, const std::string& bytes) {
    if (const std::optional<std::string> failed = SaveFileWhole(path, bytes))
        throw CliFailure(ExitFile, *failed);
}

// The outcomes so far in the inventory's order: this run's, and the earlier run's passes.
std::vector<FleetOutcome> Ordered(const std::vector<FleetModule>& modules,
                                  const std::map<std::string, FleetOutcome>& known) {
    std::vector<FleetOutcome> list;
    for (const FleetModule& module : modules) {
        const auto found = known.find(module.name);
        if (found != known.end())
            list.push_back(found->second);
    }
    return list;
}

} // namespace

int RunFleetRun(CommandContext& c) {
    std::string error;
    bool fileError = false;
    const std::optional<std::vector<FleetModule>> modules =
        LoadInventory(c.arguments[0], error, fileError);
    if (!modules)
        throw CliFailure(fileError ? ExitFile : ExitUsage, "the inventory: " + error);
    const QString folder = c.parser.isSet("report-dir") ? c.parser.value("report-dir") : ".";
    if (!QDir().mkpath(folder))
        throw CliFailure(ExitFile, "the report folder " + folder.toStdString() + " cannot be made");
    const QString state = folder + "/fleet-state.json";
    std::map<std::string, FleetOutcome> known;
    std::set<std::string> skip;
    if (c.parser.isSet("resume") && QFileInfo::exists(state)) {
        const std::optional<std::string> text = ReadRegularFile(state, error);
        if (!text)
            throw CliFailure(ExitFile, "the state file " + state.toStdString() + ": " + error);
        const std::optional<std::vector<FleetOutcome>> passed = PassedInReport(*text, error);
        if (!passed)
            throw CliFailure(ExitFile, "the state file " + state.toStdString() + ": " + error);
        std::set<std::string> listed;
        for (const FleetModule& module : *modules)
            listed.insert(module.name);
        for (const FleetOutcome& outcome : *passed) {
            if (!listed.contains(outcome.name))
                continue; // no longer in the inventory
            known[outcome.name] = outcome;
            skip.insert(outcome.name);
        }
    }

    const bool json = c.session.Options().json;
    auto tell = [&](const std::string& module, const std::string& step, const std::string& detail) {
        if (json) {
            c.session.Print(QJsonObject{{"module", QString::fromStdString(module)},
                                        {"step", QString::fromStdString(step)},
                                        {"detail", QString::fromStdString(detail)}},
                            {});
        } else {
            std::fputs(Printable(module + ": " + step + ": " + detail + "\n").c_str(), stderr);
        }
    };
    for (const std::string& name : skip)
        tell(name, "skipped", "passed in an earlier run");
    // The state file as each module ends; a failure to save it ends the run's saving, not
    // the modules already on their lines.
    std::optional<std::string> stateFailure;
    auto ended = [&](const FleetOutcome& outcome) {
        known[outcome.name] = outcome;
        tell(outcome.name, outcome.passed ? "passed" : "failed",
             outcome.passed ? "in " + QString::number(outcome.seconds, 'f', 1).toStdString() + " s"
                            : "at " + outcome.step + ": " + outcome.reason);
        if (!stateFailure)
            stateFailure = SaveFileWhole(state, FleetReportJson(Ordered(*modules, known)));
    };

    FleetOptions options;
    options.write = c.parser.isSet("write");
    options.timeout = c.session.Options().timeout;
    options.cancel = &Interrupted;
    Interrupted.store(false);
    std::signal(SIGINT, StopFleet);
    std::signal(SIGTERM, StopFleet);
    RunFleet(*modules, options, skip, tell, ended);
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    if (stateFailure)
        throw CliFailure(ExitFile, "the state file " + state.toStdString() + ": " + *stateFailure);

    const std::vector<FleetOutcome> all = Ordered(*modules, known);
    const QString report = folder + "/fleet-report.json";
    const QString junit = folder + "/fleet-report.xml";
    Save(report, FleetReportJson(all));
    Save(junit, FleetJUnitXml(all));
    int passed = 0;
    for (const FleetOutcome& outcome : all)
        passed += outcome.passed ? 1 : 0;
    const int failed = static_cast<int>(modules->size()) - passed;
    c.session.Print(
        QJsonObject{{"passed", passed}, {"failed", failed}, {"report", report}, {"junit", junit}},
        std::to_string(passed) + " passed, " + std::to_string(failed) + " failed; report " +
            report.toStdString() + ", " + junit.toStdString() + "\n");
    return failed == 0 ? ExitOk : ExitDeviceError;
}
