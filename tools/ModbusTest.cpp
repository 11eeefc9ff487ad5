#include "tools/ModbusTest.h"

#include "exchange/IntegerText.h"
#include "exchange/ModbusCrc16.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr std::uint8_t ReadHoldingRegisters = 0x03;
constexpr int MaxFieldValue = 255;

struct Field {
    std::uint8_t value = 0;
    std::optional<FrameResult> failure;
};

Field ReadField(std::string_view text, std::string_view label) {
    const std::optional<int> value = TryStrToInt(text);
    if (!value) {
        return {0, FrameResult::ConversionError(ConversionMessage(text))};
    }
    if (*value < 0 || *value > MaxFieldValue) {
        return {0, FrameResult::Refuse(
                       RangeMessage("\"" + std::string(label) + "\"", 0, MaxFieldValue))};
    }
    return {static_cast<std::uint8_t>(*value), {}};
}

} // namespace

FrameResult ModbusReadRequest(std::string_view slaveAddressText, std::string_view startAddressText,
                              std::string_view lengthText) {
    const Field slave = ReadField(slaveAddressText, "MODBUS slave address");
    if (slave.failure) {
        return *slave.failure;
    }
    const Field start = ReadField(startAddressText, "data start address");
    if (start.failure) {
        return *start.failure;
    }
    const Field length = ReadField(lengthText, "data length");
    if (length.failure) {
        return *length.failure;
    }
    std::vector<std::uint8_t> frame = {slave.value, ReadHoldingRegisters, 0x00, start.value,
                                       0x00,        length.value};
    const ModbusCrc crc = ModbusCrc16(frame);
    frame.push_back(crc.CrcHi);
    frame.push_back(crc.CrcLo);
    return FrameResult::Bytes(std::move(frame));
}
