#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// MODBUS holding registers as values: a read request, its answer, and the registers read as
// numbers of a chosen type and byte order. A value of 32 bits spans two registers; the
// byte order names where the value's bytes A (most significant) to D lie in the registers'
// bytes as they arrive: ABCD high word first, CDAB low word first, BADC and DCBA the same
// with the two bytes of each register swapped.

enum class RegisterType { U16, S16, U32, S32, F32 };
enum class ByteOrder { ABCD, CDAB, BADC, DCBA };

std::optional<RegisterType> RegisterTypeNamed(std::string_view name);
std::optional<ByteOrder> ByteOrderNamed(std::string_view name);
std::string_view RegisterTypeName(RegisterType type);
std::string_view ByteOrderName(ByteOrder order);
// How many registers one value of the type takes: 1 or 2.
int RegistersPerValue(RegisterType type);

struct RegisterValue {
    int address = 0; // of its first register
    double number = 0;
    std::string text; // integers in decimal, floats in general format
};

// The values of `registers`, the first at `startAddress`; a last register that does not
// fill a 32-bit value is left out.
std::vector<RegisterValue> DecodeRegisters(std::span<const std::uint16_t> registers,
                                           int startAddress, RegisterType type, ByteOrder order);

// Read holding registers (function 03): slave, 0x03, start and count high byte first, CRC.
std::vector<std::uint8_t> ModbusReadFrame(std::uint8_t slave, std::uint16_t start,
                                          std::uint16_t count);

// The whole length of a reply whose first bytes are `received`, once they tell it: five
// bytes for an exception, 5 + n for a read answer with byte count n. Empty while too few
// bytes arrived to know.
std::optional<std::size_t> ModbusReplyLength(std::span<const std::uint8_t> received);

struct ModbusReadReply {
    enum class Status { Ok, Exception, BadCrc, Malformed };
    Status status = Status::Malformed;
    std::uint8_t exceptionCode = 0;
    std::vector<std::uint16_t> registers;
};

// Checks an answer to a read request of `slave` for `count` registers.
ModbusReadReply ParseModbusReadReply(std::span<const std::uint8_t> reply, std::uint8_t slave,
                                     std::uint16_t count);
