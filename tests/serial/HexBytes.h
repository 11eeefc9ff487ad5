#pragma once

// Bytes as hexadecimal text for failure messages.

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

inline std::string Hex(const Bytes& bytes) {
    std::ostringstream out;
    out << std::hex;
    for (const std::uint8_t b : bytes)
        out << static_cast<int>(b) << ' ';
    return out.str();
}
