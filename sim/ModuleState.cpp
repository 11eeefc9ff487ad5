#include "sim/ModuleState.h"

#include "exchange/HexText.h"

#include <cstdio>

namespace {

std::string Format(const char* pattern, auto... values) {
    char line[128];
    std::snprintf(line, sizeof line, pattern, values...);
    return line;
}

constexpr std::string_view ReadCommandPrefix = "QQS#CAMD";
constexpr std::size_t ReadCommandHeader = 16; // "QQS#CAMD" i c ":" e "<" nn ","
constexpr std::string_view AddressPrefix = "HART-ADDRESS ";

} // namespace

std::string SaveModuleState(const TalmireModule& module) {
    const ModuleSettings& s = module.Settings();
    std::string text = "# talmire-sim module state\n";
    text += Format("QQS#YB:%d%d#\n", s.interfaceType, s.instrumentCount);
    for (std::size_t k = 0; k < s.displays.size(); ++k)
        text += Format("QQS#DPS%zu:%02d,%d#\n", k + 1, s.displays[k][0], s.displays[k][1]);
    text += Format("QQS#BA1:%d%d#\n", s.rs232[0], s.rs232[1]);
    text += Format("QQS#BA2:%d%d#\n", s.rs485[0], s.rs485[1]);
    text += Format("QQS#MD:%d#\n", s.mode);
    text += Format("QQS#ADR:%03d#\n", s.address);
    text += Format("QQS#JTM:%03d#\n", s.interval);
    text += Format("QQS#FMW:%d,", s.coefficientMode) + s.coefficient + "#\n";
    for (std::size_t i = 0; i < s.channels.size(); ++i) {
        const ModuleChannel& c = s.channels[i];
        text += Format("QQS#HART%zu:%d,%d,%02d,%d,%03d#\n", i, c.enabled, c.hartMode, c.type,
                       c.prefix, c.cacheTime);
        text += Format("QQS#DFOT%zu:", i);
        for (int f : c.formats)
            text += std::to_string(f);
        text += "#\n";
        text += Format("QQS#MDBS%zu:%d", i, c.addressBits);
        for (const auto& v : c.variables)
            text += Format(",%d%02d%d", v.source, v.start, v.length);
        text += "#\n";
        for (std::size_t k = 0; k < c.commands.size(); ++k) {
            const auto& command = c.commands[k];
            std::string pairs = HexDump(command.bytes);
            if (!pairs.empty())
                pairs.pop_back(); // the dump's closing space
            text += Format("QQS#CAMD%zu%zu:%d<%02zu,", i, k + 1, command.enabled,
                           command.bytes.size()) +
                    pairs + "\n";
        }
    }
    for (int k = 0; k < TalmireModule::MaxInstruments; ++k)
        text += Format("HART-ADDRESS %d %d\n", k, module.Instrument(k).PollAddress());
    return text;
}

bool LoadModuleState(TalmireModule& module, std::string_view text, std::string& error) {
    int number = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string line(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        ++number;
        while (!line.empty() && (line.back() == ' ' || line.back() == '\r'))
            line.pop_back();
        if (line.empty() || line[0] == '#')
            continue;
        auto refuse = [&] {
            error = "line " + std::to_string(number) + " refused: " + line;
            return false;
        };
        if (line.starts_with(AddressPrefix)) {
            int k = -1, address = -1;
            char rest = 0;
            if (std::sscanf(line.c_str() + AddressPrefix.size(), "%d %d %c", &k, &address, &rest) !=
                    2 ||
                k < 0 || k >= TalmireModule::MaxInstruments || address < 0 || address > 15)
                return refuse();
            module.Instrument(k).SetPollAddress(address);
            continue;
        }
        std::vector<std::uint8_t> frame(line.begin(), line.end());
        if (line.starts_with(ReadCommandPrefix) && line.size() >= ReadCommandHeader) {
            // The read command's bytes are kept as hex pairs in the file.
            const std::string_view pairs = std::string_view(line).substr(ReadCommandHeader);
            const HexPairs bytes = ParseHexPairs(pairs, 99);
            if (!pairs.empty() && bytes.status != HexPairsStatus::Ok)
                return refuse();
            frame.resize(ReadCommandHeader);
            frame.insert(frame.end(), bytes.bytes.begin(), bytes.bytes.end());
        }
        const std::vector<std::uint8_t> reply = module.Handle(frame, 0);
        if (std::string(reply.begin(), reply.end()) != "QQS OK")
            return refuse();
    }
    return true;
}
