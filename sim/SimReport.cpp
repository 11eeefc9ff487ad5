#include "sim/SimReport.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

const char* const ParityNames[] = {"none", "odd", "even"};

const char* ParityName(int parity) {
    return parity >= 0 && parity < 3 ? ParityNames[parity] : "?";
}

} // namespace

std::string LineText(std::uint32_t baud, int parity) {
    static constexpr char Letters[] = {'N', 'O', 'E'};
    const char letter = parity >= 0 && parity < 3 ? Letters[parity] : '?';
    return std::to_string(baud) + " 8" + letter + "1";
}

std::string HartAddressesText(const TalmireModule& module) {
    std::vector<int> addresses;
    addresses.reserve(static_cast<std::size_t>(std::max(module.InstrumentCount(), 0)));
    for (int k = 0; k < module.InstrumentCount(); ++k)
        addresses.push_back(module.Instrument(k).PollAddress());
    bool consecutive = addresses.size() > 2;
    for (std::size_t i = 1; i < addresses.size(); ++i)
        consecutive = consecutive && addresses[i] == addresses[i - 1] + 1;
    if (consecutive)
        return std::to_string(addresses.front()) + "-" + std::to_string(addresses.back());
    std::string text;
    for (const int address : addresses)
        text += (text.empty() ? "" : ", ") + std::to_string(address);
    return text;
}

std::string ReadyLine(const std::string& toolPath, const TalmireModule& module, bool rs485Side) {
    const ModuleSettings& s = module.Settings();
    const auto& side = rs485Side ? s.rs485 : s.rs232;
    // The path stays last, after the first " on ", where scripts take it from.
    return "talmire-sim: module ready (" + LineText(module.LineBaud(rs485Side), side[1]) +
           (rs485Side ? " RS485" : " RS232") + ", MODBUS slave " + std::to_string(s.address) +
           ", HART address" + (module.InstrumentCount() > 1 ? "es " : " ") +
           HartAddressesText(module) + ") on " + toolPath;
}

void SayStateOverrides(const SimOptions& options, const TalmireModule& saved) {
    const ModuleSettings& s = saved.Settings();
    const auto& side = options.rs485Side ? s.rs485 : s.rs232;
    auto say = [&](const char* option, const std::string& given, const std::string& held) {
        if (given != held)
            std::fprintf(stderr, "talmire-sim: %s %s overrides %s from %s\n", option, given.c_str(),
                         held.c_str(), options.statePath.c_str());
    };
    if (options.baudIndex)
        say("--baud", std::to_string(TalmireModule::BaudForIndex(*options.baudIndex)),
            std::to_string(TalmireModule::BaudForIndex(side[0])));
    if (options.parityIndex)
        say("--parity", ParityName(*options.parityIndex), ParityName(side[1]));
    if (options.modbusSlave)
        say("--modbus-slave", std::to_string(*options.modbusSlave), std::to_string(s.address));
    if (options.instrumentCountIndex)
        say("--instruments", std::to_string(InstrumentsForIndex(*options.instrumentCountIndex)),
            std::to_string(saved.InstrumentCount()));
    if (options.hartAddress)
        say("--hart-address", std::to_string(*options.hartAddress),
            std::to_string(saved.Instrument(0).PollAddress()));
}
