// The module as the simulator starts it: the state file read, the command line's options
// over it, and the whole configuration saved back after every change.

#include "sim/SimLine.h"

#include "sim/ModuleState.h"
#include "sim/SimReport.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

bool SimLine::SetUpModule() {
    bool loaded = false;
    if (!options.statePath.empty()) {
        // A state file is a few KiB of setting frames: a device or a huge file is refused
        // rather than read without end.
        constexpr std::uintmax_t MaxStateBytes = std::uintmax_t{1024} * 1024;
        std::error_code status;
        const auto kind = std::filesystem::status(options.statePath, status).type();
        if (kind != std::filesystem::file_type::not_found &&
            (kind != std::filesystem::file_type::regular ||
             std::filesystem::file_size(options.statePath, status) > MaxStateBytes)) {
            std::fprintf(stderr, "talmire-sim: %s: not a regular file of at most 1 MiB\n",
                         options.statePath.c_str());
            return false;
        }
        std::ifstream file(options.statePath);
        if (file) {
            std::string text(MaxStateBytes + 1, '\0');
            file.read(text.data(), static_cast<std::streamsize>(text.size()));
            text.resize(static_cast<std::size_t>(file.gcount()));
            std::string error;
            if (text.size() > MaxStateBytes) {
                error = "larger than 1 MiB";
            }
            if (!error.empty() || !LoadModuleState(module, text, error)) {
                std::fprintf(stderr, "talmire-sim: %s: %s\n", options.statePath.c_str(),
                             error.c_str());
                return false;
            }
            loaded = true;
        }
    }
    ModuleSettings& s = module.MutableSettings();
    auto& side = options.rs485Side ? s.rs485 : s.rs232;
    // The state file's instrument count is known only now.
    const int instruments = options.instrumentCountIndex
                                ? InstrumentsForIndex(*options.instrumentCountIndex)
                                : module.InstrumentCount();
    if (options.hartAddress) {
        if (const auto refusal = HartAddressRefusal(*options.hartAddress, instruments)) {
            std::fprintf(stderr, "talmire-sim: %s (the instrument count of %s)\n", refusal->c_str(),
                         options.statePath.c_str());
            optionRefused = true;
            return false;
        }
    }
    if (loaded)
        SayStateOverrides(options, module);
    if (options.baudIndex)
        side[0] = *options.baudIndex;
    if (options.parityIndex)
        side[1] = *options.parityIndex;
    if (options.instrumentCountIndex)
        s.instrumentCount = *options.instrumentCountIndex;
    if (options.modbusSlave)
        s.address = *options.modbusSlave;
    if (options.hartAddress)
        for (int k = 0; k < TalmireModule::MaxInstruments; ++k)
            module.Instrument(k).SetPollAddress((*options.hartAddress + k) % 16);
    SaveState();
    return true;
}

void SimLine::SaveState() {
    if (options.statePath.empty())
        return;
    std::string state = SaveModuleState(module);
    if (state == savedState)
        return;
    // Written beside and renamed, so a reader never sees half a file.
    const std::string fresh = options.statePath + ".new";
    {
        std::ofstream file(fresh, std::ios::trunc);
        file << state;
        if (!file.flush()) {
            std::fprintf(stderr, "talmire-sim: cannot write %s\n", fresh.c_str());
            return;
        }
    }
    if (std::rename(fresh.c_str(), options.statePath.c_str()) != 0) {
        std::fprintf(stderr, "talmire-sim: cannot write %s: %s\n", options.statePath.c_str(),
                     std::strerror(errno));
        return;
    }
    savedState = std::move(state);
}
