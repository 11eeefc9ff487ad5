#include "commission/FleetRun.h"

#include "commission/FleetLock.h"
#include "commission/ProfileFile.h"
#include "commission/ProfileSequence.h"
#include "config/ConfigLists.h"

#include <map>
#include <mutex>
#include <system_error>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

std::string LineText(const LineTry& line) {
    return std::to_string(line.baud) + " baud, parity " +
           std::string(ParityItems[static_cast<std::size_t>(line.parity)]);
}

std::string KeysText(const std::vector<ProfileDifference>& differences) {
    std::string text;
    for (const ProfileDifference& d : differences)
        text += (text.empty() ? "" : ", ") + d.key;
    return text;
}

// The steps of one module; each failure a ModuleFailure carrying its step.
class Commissioning {
public:
    Commissioning(const FleetModule& module, const FleetOptions& options, const FleetEvent& event,
                  FleetOutcome& outcome)
        : module(module), options(options), event(event), outcome(outcome),
          line(LineSettings{module.port, 9600, TParity::None}, options.timeout) {
        progress.cancel = options.cancel;
    }

    void Run() {
        FindLine();
        const Profile found = Identify();
        std::vector<ProfileDifference> differences = DiffProfiles(found, module.profile);
        Begin("diff");
        if (!differences.empty() && !options.write) {
            throw ModuleFailure(FailureDevice,
                                std::to_string(differences.size()) +
                                    " settings differ from the profile: " + KeysText(differences));
        }
        event(module.name, "diff",
              differences.empty() ? "matches the profile"
                                  : std::to_string(differences.size()) + " settings differ");
        if (!differences.empty()) {
            Write(found);
            Begin("verify");
            differences = DiffProfiles(ReadModule(line, progress), module.profile);
            if (!differences.empty())
                throw ModuleFailure(FailureDevice,
                                    "after the write, still different: " + KeysText(differences));
            event(module.name, "verify", "matches the profile");
        }
        Instruments();
    }

private:
    void Begin(const std::string& step) {
        outcome.step = step;
        progress.ThrowIfCancelled();
    }

    void FindLine() {
        Begin("line");
        if (module.line) {
            line.SetLine(module.line->baud, module.line->parity);
            outcome.line = module.line;
            return;
        }
        outcome.line = ::FindLine(line, AllLineTries(), {}, progress);
        if (!outcome.line)
            throw ModuleFailure(FailureNoAnswer, "no answer at any speed and parity");
        event(module.name, "line", "found at " + LineText(*outcome.line));
    }

    Profile Identify() {
        Begin("identify");
        const ModuleReplies replies = ReadModuleReplies(line, progress);
        Profile found = replies.ToProfile();
        const ProfileSetting* slave = Find(found, "slave-address");
        if (slave == nullptr || std::atoi(slave->value.c_str()) != module.slave) {
            throw ModuleFailure(FailureDevice,
                                "the module's slave address is " +
                                    (slave ? slave->label : std::string("not given")) +
                                    ", the inventory says " + std::to_string(module.slave));
        }
        event(module.name, "identify", "slave " + std::to_string(module.slave) + " answers");
        return found;
    }

    void Write(const Profile& found) {
        Begin("write");
        const std::vector<ProfileWrite> writes = WritesFor(found, module.profile);
        for (const ProfileWrite& write : writes) {
            if (!write.frame.ok())
                throw ModuleFailure(FailureUsage, "the profile's " + write.group +
                                                      " cannot be written: " + write.frame.message);
        }
        std::string error;
        std::optional<QString> kept;
        {
            // Picking a free name and saving under it is one step for the port threads.
            static std::mutex naming;
            const std::lock_guard<std::mutex> hold(naming);
            kept = SaveAsFound(found, module.port, error);
        }
        if (!kept)
            throw ModuleFailure(FailureFile, "nothing written: the configuration as found "
                                             "cannot be kept: " +
                                                 error);
        outcome.asFound = kept->toStdString();
        for (const ProfileWrite& write : writes) {
            progress.ThrowIfCancelled();
            for (const SettingCheck& check : WriteAndVerify(line, module.profile, write)) {
                if (!check.Verified()) {
                    outcome.step = "verify";
                    throw ModuleFailure(FailureDevice, check.key + " reads back as " +
                                                           check.held.value_or("nothing") +
                                                           " after writing " + check.wanted);
                }
            }
            outcome.written.push_back(write.group);
            event(module.name, "write", write.group + " written and read back");
        }
    }

    void Instruments() {
        Begin("instruments");
        bool tags = false;
        for (const FleetInstrument& instrument : module.instruments) {
            progress.ThrowIfCancelled();
            if (!ProbeHart(line, options.preambles, instrument.address))
                throw ModuleFailure(FailureNoAnswer, "no instrument answers at polling address " +
                                                         std::to_string(instrument.address));
            tags = tags || instrument.tag.has_value();
            event(module.name, "instruments",
                  "address " + std::to_string(instrument.address) + " answers");
        }
        // The tool reads no tag yet: say so rather than pass a check that was not made.
        outcome.tagCheck = tags ? "not available" : "none asked";
        event(module.name, "instruments", "tag check: " + outcome.tagCheck);
    }

    const FleetModule& module;
    const FleetOptions& options;
    const FleetEvent& event;
    FleetOutcome& outcome;
    ModuleLine line;
    Progress progress;
};

} // namespace

FleetOutcome CommissionModule(const FleetModule& module, const FleetOptions& options,
                              const FleetEvent& event) {
    FleetOutcome outcome;
    outcome.name = module.name;
    outcome.port = module.port;
    const Clock::time_point start = Clock::now();
    try {
        Commissioning(module, options, event, outcome).Run();
        outcome.passed = true;
        outcome.step.clear();
    } catch (const ModuleFailure& failure) {
        outcome.reason = failure.what();
        outcome.status = failure.status;
    } catch (const std::bad_alloc&) {
        outcome.reason = "out of memory";
        outcome.status = FailureInternal;
    } catch (const std::exception& error) {
        outcome.reason = std::string("internal error: ") + error.what();
        outcome.status = FailureInternal;
    }
    outcome.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return outcome;
}

std::vector<FleetOutcome> RunFleet(const std::vector<FleetModule>& modules,
                                   const FleetOptions& options, const std::set<std::string>& skip,
                                   const FleetEvent& event,
                                   const std::function<void(const FleetOutcome&)>& ended) {
    std::mutex calls;
    const FleetEvent told = [&](const std::string& name, const std::string& step,
                                const std::string& detail) {
        const std::lock_guard<std::mutex> hold(calls);
        if (event)
            event(name, step, detail);
    };
    // The modules of each bus, in the inventory's order.
    std::map<std::string, std::vector<std::size_t>> buses;
    for (std::size_t i = 0; i < modules.size(); ++i) {
        if (!skip.contains(modules[i].name))
            buses[PortKey(modules[i].port)].push_back(i);
    }
    std::vector<std::optional<FleetOutcome>> outcomes(modules.size());
    auto runBus = [&](const std::vector<std::size_t>& members) {
        const PortLock lock(modules[members.front()].port);
        const std::optional<std::string>& refused = lock.Refused();
        for (const std::size_t i : members) {
            FleetOutcome outcome;
            if (refused) {
                outcome.name = modules[i].name;
                outcome.port = modules[i].port;
                outcome.step = "lock";
                outcome.reason = *refused;
                outcome.status = FailurePort;
            } else {
                told(modules[i].name, "start", modules[i].port);
                outcome = CommissionModule(modules[i], options, told);
            }
            const std::lock_guard<std::mutex> hold(calls);
            outcomes[i] = outcome;
            if (ended)
                ended(outcome);
        }
    };
    std::vector<std::thread> threads;
    for (const auto& [key, members] : buses) {
        try {
            threads.emplace_back(runBus, std::cref(members));
        } catch (const std::system_error&) {
            runBus(members); // no thread to spare: this bus in turn, the others go on
        }
    }
    for (std::thread& thread : threads)
        thread.join();
    std::vector<FleetOutcome> list;
    for (std::optional<FleetOutcome>& outcome : outcomes) {
        if (outcome)
            list.push_back(std::move(*outcome));
    }
    return list;
}
