#pragma once

#include <array>
#include <cstdint>
#include <span>

// MODBUS RTU CRC-16 (reflected polynomial 0xA001, initial 0xFFFF, no final XOR), computed
// with the two classic 256-entry tables. CrcHi ends as the low-order byte of the CRC and
// CrcLo as its high-order byte; a frame carries CrcHi first, then CrcLo.
struct ModbusCrc {
    std::uint8_t CrcHi = 0xFF;
    std::uint8_t CrcLo = 0xFF;
    bool operator==(const ModbusCrc&) const = default;
};

extern const std::array<std::uint8_t, 256> CrcHiTable;
extern const std::array<std::uint8_t, 256> CrcLoTable;

ModbusCrc ModbusCrc16(std::span<const std::uint8_t> bytes);
