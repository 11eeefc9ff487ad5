#pragma once

// The TALMIRE module as the tool sees it on its line: the ASCII configuration protocol, the
// HART instrument behind it in transparent mode, and its MODBUS RTU slave side. Pure: one
// received frame in, the reply bytes out (empty: no reply), with the module's state kept
// between frames.

#include "sim/HartInstrument.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

struct ModuleChannel {
    int enabled = 1;
    int hartMode = 1;
    int type = 1; // "01" general instrument
    int prefix = 5;
    int cacheTime = 10;
    std::array<int, 5> formats{0, 0, 0, 0, 0};
    int addressBits = 8;
    struct Variable {
        int source = 0;
        int start = 0;
        int length = 0;
    };
    std::array<Variable, 4> variables{};
    struct Command {
        int enabled = 0;
        std::vector<std::uint8_t> bytes;
    };
    std::array<Command, 2> commands{};
};

struct ModuleSettings {
    int interfaceType = 1; // RS485
    int instrumentCount = 0;
    std::array<std::array<int, 2>, 4> displays{}; // value, format
    std::array<int, 2> rs232{3, 0};               // 9600, none
    std::array<int, 2> rs485{3, 0};
    int mode = 0; // transparent
    int address = 1;
    int interval = 50;
    int coefficientMode = 0;
    std::string coefficient = "0.001";
    std::array<ModuleChannel, 9> channels{};
};

class TalmireModule {
public:
    static constexpr int RegisterCount = 90; // ten per instrument, instruments 0 to 8

    static constexpr int MaxInstruments = 9;

    explicit TalmireModule(bool fixedValues = false);

    std::vector<std::uint8_t> Handle(std::span<const std::uint8_t> frame, double seconds);

    const ModuleSettings& Settings() const { return settings; }
    ModuleSettings& MutableSettings() { return settings; }
    // Instrument k (0 to 8); the first InstrumentCount() of them answer on the HART bus,
    // instrument k at polling address k until readdressed.
    HartInstrument& Instrument(int k = 0) { return instruments.at(static_cast<std::size_t>(k)); }
    const HartInstrument& Instrument(int k = 0) const {
        return instruments.at(static_cast<std::size_t>(k));
    }
    // How many instruments the module's count setting names: 1, 4 or 8.
    int InstrumentCount() const;
    // Baud rate of the side of the module the tool is wired to.
    std::uint32_t LineBaud(bool rs485Side) const;
    static std::uint32_t BaudForIndex(int index);

    // The sixteen-bit registers of the map at a time (for tests and peers).
    std::array<std::uint16_t, RegisterCount> Registers(double seconds) const;

private:
    std::vector<std::uint8_t> Text(const std::string& text) const;
    std::vector<std::uint8_t> Query(const std::string& frame) const;
    std::vector<std::uint8_t> Setting(std::span<const std::uint8_t> frame);
    std::vector<std::uint8_t> Modbus(std::span<const std::uint8_t> frame, double seconds) const;
    std::string ChannelReply(int instrument) const;

    ModuleSettings settings;
    std::vector<HartInstrument> instruments;
};
