#include "sim/SimOptions.h"

#include "sim/TalmireModule.h"

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

std::string SimUsage() {
    return "usage: talmire-sim [options]\n"
           "A TALMIRE module with a HART instrument behind it, on a pseudo-terminal.\n"
           "  --link PATH       publish the tool's end of the line as PATH\n"
           "                    (default /tmp/ttyTALMIRE)\n"
           "  --device PATH     serve a real serial port instead of a pseudo-terminal\n"
           "  --listen tcp://ADDRESS:PORT  serve the module over TCP instead, one client\n"
           "                    at a time (port 0: any free port; the one taken is printed)\n"
           "  --exit-on-hangup  exit when the device hangs up (adapter unplugged) instead\n"
           "                    of waiting for it to come back\n"
           "  --side rs232|rs485  the module side the tool is wired to (default rs485)\n"
           "  --baud N          the speed of that side: 1200 2400 4800 9600 19200, and on\n"
           "                    RS485 38400 57600 (default 9600); bytes sent at another\n"
           "                    speed or parity get no answer\n"
           "  --parity none|odd|even  the parity of that side (default none; on a\n"
           "                    pseudo-terminal none and even cannot be told apart)\n"
           "  --hart-address A  polling address 0-15 of the first HART instrument (the\n"
           "                    others follow it: A+1, A+2 ..., up to 15; default 0)\n"
           "  --instruments 1|4|8  instruments behind the module, each with its own\n"
           "                    channel settings, device id and values (default 1)\n"
           "  --modbus-slave S  the module's MODBUS slave address 1-247 (default 1)\n"
           "  --state FILE      start from the configuration saved in FILE (when it\n"
           "                    exists; the options above override it, and say so) and\n"
           "                    save the whole configuration there after every change,\n"
           "                    one setting frame a line\n"
           "  --gap-ms N        pause N ms in the middle of every reply (splits replies\n"
           "                    into two chunks when N is above 100)\n"
           "  --frame-gap-ms N  silence that ends a received frame (default 20; a MODBUS\n"
           "                    device waits 3.5 characters, 4 ms at 9600 baud)\n"
           "  --turnaround-ms N from a request's end to the reply's first byte (default 5;\n"
           "                    0 to measure a master's own overhead)\n"
           "  --fixed-values    instrument values that do not change over time\n"
           "  --verbose         log every frame and reply on stderr\n"
           "  --version         the version\n"
           "  --help            this text\n";
}

int InstrumentsForIndex(int index) {
    static constexpr int Counts[] = {1, 4, 8};
    return index >= 0 && index < 3 ? Counts[index] : 1;
}

std::optional<std::string> HartAddressRefusal(int first, int count) {
    if (first + count - 1 <= 15)
        return std::nullopt;
    return "--hart-address " + std::to_string(first) + " leaves no room for " +
           std::to_string(count) + " instruments: with " + std::to_string(count) +
           " the first polling address is at most " + std::to_string(16 - count);
}

namespace {

// Values each valid alone that the module cannot take together.
bool CheckCombination(const SimOptions& options) {
    if (!options.listen.empty() && !options.device.empty()) {
        std::fprintf(stderr, "talmire-sim: --listen and --device exclude each other\n");
        return false;
    }
    if (!options.rs485Side && options.baudIndex && *options.baudIndex > 4) {
        std::fprintf(stderr, "talmire-sim: the RS232 side runs at most at 19200 baud\n");
        return false;
    }
    if (options.hartAddress && options.instrumentCountIndex) {
        if (const auto refusal = HartAddressRefusal(
                *options.hartAddress, InstrumentsForIndex(*options.instrumentCountIndex))) {
            std::fprintf(stderr, "talmire-sim: %s\n", refusal->c_str());
            return false;
        }
    }
    return true;
}

} // namespace

bool ParseSimOptions(int argc, char** argv, SimOptions& options, bool& help) {
    help = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "talmire-sim: %s needs a value\n", arg.c_str());
                return false;
            }
            out = argv[++i];
            return true;
        };
        std::string text;
        auto number = [&](long low, long high, int& out) {
            if (!value(text))
                return false;
            char* end = nullptr;
            const long n = std::strtol(text.c_str(), &end, 10);
            if (end == text.c_str() || *end != '\0' || n < low || n > high) {
                std::fprintf(stderr, "talmire-sim: %s takes %ld to %ld\n", arg.c_str(), low, high);
                return false;
            }
            out = static_cast<int>(n);
            return true;
        };
        auto choice = [&](std::initializer_list<const char*> names, std::optional<int>& out) {
            if (!value(text))
                return false;
            int index = 0;
            for (const char* name : names) {
                if (text == name) {
                    out = index;
                    return true;
                }
                ++index;
            }
            std::string all;
            for (const char* name : names)
                all += std::string(all.empty() ? "" : " or ") + name;
            std::fprintf(stderr, "talmire-sim: %s takes %s\n", arg.c_str(), all.c_str());
            return false;
        };
        if (arg == "--help" || arg == "-h") {
            help = true;
        } else if (arg == "--link") {
            if (!value(options.link))
                return false;
        } else if (arg == "--device") {
            if (!value(options.device))
                return false;
        } else if (arg == "--listen") {
            if (!value(options.listen))
                return false;
            if (!options.listen.starts_with("tcp://")) {
                std::fprintf(stderr, "talmire-sim: --listen takes tcp://ADDRESS:PORT\n");
                return false;
            }
        } else if (arg == "--gap-ms") {
            if (!number(0, 60000, options.gapMs))
                return false;
        } else if (arg == "--frame-gap-ms") {
            if (!number(1, 1000, options.frameGapMs))
                return false;
        } else if (arg == "--turnaround-ms") {
            if (!number(0, 1000, options.turnaroundMs))
                return false;
        } else if (arg == "--baud") {
            int baud = 0;
            if (!number(1200, 57600, baud))
                return false;
            int index = 0;
            while (index < 7 &&
                   TalmireModule::BaudForIndex(index) != static_cast<std::uint32_t>(baud))
                ++index;
            if (index == 7) {
                std::fprintf(stderr, "talmire-sim: --baud takes 1200 2400 4800 9600 19200 "
                                     "38400 or 57600\n");
                return false;
            }
            options.baudIndex = index;
        } else if (arg == "--parity") {
            if (!choice({"none", "odd", "even"}, options.parityIndex))
                return false;
        } else if (arg == "--hart-address") {
            if (!number(0, 15, options.hartAddress.emplace()))
                return false;
        } else if (arg == "--instruments") {
            if (!choice({"1", "4", "8"}, options.instrumentCountIndex))
                return false;
        } else if (arg == "--modbus-slave") {
            if (!number(1, 247, options.modbusSlave.emplace()))
                return false;
        } else if (arg == "--state") {
            if (!value(options.statePath))
                return false;
        } else if (arg == "--side") {
            std::optional<int> side;
            if (!choice({"rs232", "rs485"}, side))
                return false;
            options.rs485Side = *side == 1;
        } else if (arg == "--exit-on-hangup") {
            options.exitOnHangup = true;
        } else if (arg == "--fixed-values") {
            options.fixedValues = true;
        } else if (arg == "--verbose") {
            options.verbose = true;
        } else if (arg == "--version") {
            options.version = true;
        } else {
            std::fprintf(stderr, "talmire-sim: unknown option %s\n%s", arg.c_str(),
                         SimUsage().c_str());
            return false;
        }
    }
    return CheckCombination(options);
}
