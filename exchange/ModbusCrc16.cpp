#include "exchange/ModbusCrc16.h"

namespace {

constexpr std::uint16_t ReflectedEntry(unsigned index) {
    std::uint16_t value = static_cast<std::uint16_t>(index);
    for (int bit = 0; bit < 8; ++bit) {
        value = (value & 1U) != 0 ? static_cast<std::uint16_t>((value >> 1U) ^ 0xA001U)
                                  : static_cast<std::uint16_t>(value >> 1U);
    }
    return value;
}

// Entry i of the high table is the low byte of the reflected entry, entry i of the low
// table its high byte: this is how the classic MODBUS tables are laid out.
constexpr std::array<std::uint8_t, 256> MakeTable(bool lowByte) {
    std::array<std::uint8_t, 256> table{};
    for (unsigned i = 0; i < 256; ++i) {
        const std::uint16_t entry = ReflectedEntry(i);
        table[i] = static_cast<std::uint8_t>(lowByte ? entry & 0xFFU : entry >> 8U);
    }
    return table;
}

} // namespace

constexpr std::array<std::uint8_t, 256> kCrcHiTable = MakeTable(true);
constexpr std::array<std::uint8_t, 256> kCrcLoTable = MakeTable(false);
static_assert(kCrcHiTable[1] == 0xC1 && kCrcHiTable[2] == 0x81 && kCrcHiTable[3] == 0x40);
static_assert(kCrcLoTable[1] == 0xC0 && kCrcLoTable[2] == 0xC1 && kCrcLoTable[3] == 0x01);

const std::array<std::uint8_t, 256> CrcHiTable = kCrcHiTable;
const std::array<std::uint8_t, 256> CrcLoTable = kCrcLoTable;

ModbusCrc ModbusCrc16(std::span<const std::uint8_t> bytes) {
    ModbusCrc crc;
    for (const std::uint8_t byte : bytes) {
        const std::uint8_t index = static_cast<std::uint8_t>(byte ^ crc.CrcHi);
        crc.CrcHi = static_cast<std::uint8_t>(kCrcHiTable[index] ^ crc.CrcLo);
        crc.CrcLo = kCrcLoTable[index];
    }
    return crc;
}
