#pragma once

// A HART instrument wired behind the module: answers commands 0, 3 and 6 (and response
// code 64 for any other command) at its polling address or its long address. Instrument
// `index` of several on the bus has its own device id (the last byte plus the index) and
// its own values (the first instrument's plus the index).

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

struct HartInstrumentValues {
    float current = 12.0f; // loop current, mA
    std::array<float, 4> variables{25.5f, 1.25f, -3.75f, 100.0f};
    std::array<std::uint8_t, 4> units{32, 7, 12, 39}; // degC, bar, kPa, mA
};

class HartInstrument {
public:
    static constexpr std::uint8_t ManufacturerId = 0x26;
    static constexpr std::uint8_t DeviceType = 0x06;
    static constexpr std::uint8_t RequestPreambles = 5;
    static constexpr std::array<std::uint8_t, 3> DeviceId{0x12, 0x34, 0x56};

    explicit HartInstrument(bool fixedValues, int index = 0)
        : fixedValues(fixedValues), index(index) {}

    // A whole master frame, preambles included. Nothing when it is not for this instrument,
    // is malformed or fails its checksum.
    std::optional<std::vector<std::uint8_t>> Handle(std::span<const std::uint8_t> frame,
                                                    double seconds);

    int PollAddress() const { return pollAddress; }
    void SetPollAddress(int address) { pollAddress = address; }
    // The values at a given time: fixed, or slowly changing around the fixed ones.
    HartInstrumentValues ValuesAt(double seconds) const;
    std::array<std::uint8_t, 3> Id() const;

private:
    bool fixedValues;
    int index;
    int pollAddress = 0;
};
