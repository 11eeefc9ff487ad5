#pragma once

// The MODBUS read test's answer as a table of values: each row the address of its first
// register, the raw bytes of its registers as they arrived and the value they hold as the
// chosen type and byte order. The request gives the slave, the first address and the count
// the answer is checked against.

#include "tools/ModbusRegisters.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

struct RegisterRow {
    int address = 0;
    std::string raw; // "12 34" or "12 34 56 78"
    double number = 0;
    std::string value;
};

struct RegisterTable {
    std::vector<RegisterRow> rows;
    // Why the answer gives no rows: an exception, a bad CRC, an answer that does not fit the
    // request; empty when the rows are there.
    std::string problem;
};

// `request` is the eight-byte read frame that was sent, `reply` what came back.
RegisterTable MakeRegisterTable(std::span<const std::uint8_t> request,
                                std::span<const std::uint8_t> reply, RegisterType type,
                                ByteOrder order);

// The single-precision number four bytes typed as the calculator takes them (as they arrive
// in two registers) hold in `order`.
RegisterValue FloatInOrder(std::span<const std::uint8_t, 4> bytes, ByteOrder order);
