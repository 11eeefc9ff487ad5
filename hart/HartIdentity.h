#pragma once

#include <array>
#include <cstdint>

// What the instrument's answer to command 0 tells about it. The long-frame requests
// address the instrument by the manufacturer code, the device type and the device id;
// the number of preambles it asks for is only shown. All zero until a reply was read.
struct HartIdentity {
    std::uint8_t manufacturerId = 0;
    std::uint8_t deviceType = 0;
    std::uint8_t preambleCount = 0;
    // Device identification number, most significant byte first.
    std::array<std::uint8_t, 3> deviceId{};

    bool operator==(const HartIdentity&) const = default;
};
