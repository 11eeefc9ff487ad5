#include "tools/ModbusRegisters.h"

#include "exchange/FloatText.h"
#include "exchange/ModbusCrc16.h"

#include <array>
#include <bit>

namespace {

constexpr std::array<std::string_view, 5> TypeNames{"u16", "s16", "u32", "s32", "f32"};
constexpr std::array<std::string_view, 4> OrderNames{"ABCD", "CDAB", "BADC", "DCBA"};
constexpr std::uint8_t ReadHoldingRegisters = 0x03;
constexpr std::size_t ExceptionLength = 5;
constexpr std::size_t ReadOverhead = 5; // slave, function, byte count, CRC

template <typename Enum, std::size_t N>
std::optional<Enum> Named(const std::array<std::string_view, N>& names, std::string_view name) {
    for (std::size_t i = 0; i < N; ++i) {
        if (names[i] == name) {
            return static_cast<Enum>(i);
        }
    }
    return std::nullopt;
}

std::uint16_t SwapBytes(std::uint16_t word) {
    return static_cast<std::uint16_t>(word << 8 | word >> 8);
}

// The 32 bits of a value from its two registers as they arrived.
std::uint32_t Combine(std::uint16_t first, std::uint16_t second, ByteOrder order) {
    if (order == ByteOrder::BADC || order == ByteOrder::DCBA) {
        first = SwapBytes(first);
        second = SwapBytes(second);
    }
    const bool highFirst = order == ByteOrder::ABCD || order == ByteOrder::BADC;
    const std::uint16_t high = highFirst ? first : second;
    const std::uint16_t low = highFirst ? second : first;
    return static_cast<std::uint32_t>(high) << 16 | low;
}

} // namespace

std::optional<RegisterType> RegisterTypeNamed(std::string_view name) {
    return Named<RegisterType>(TypeNames, name);
}

std::optional<ByteOrder> ByteOrderNamed(std::string_view name) {
    return Named<ByteOrder>(OrderNames, name);
}

std::string_view RegisterTypeName(RegisterType type) {
    return TypeNames.at(static_cast<std::size_t>(type));
}

std::string_view ByteOrderName(ByteOrder order) {
    return OrderNames.at(static_cast<std::size_t>(order));
}

int RegistersPerValue(RegisterType type) {
    return type == RegisterType::U16 || type == RegisterType::S16 ? 1 : 2;
}

std::vector<RegisterValue> DecodeRegisters(std::span<const std::uint16_t> registers,
                                           int startAddress, RegisterType type, ByteOrder order) {
    std::vector<RegisterValue> values;
    const std::size_t step = static_cast<std::size_t>(RegistersPerValue(type));
    for (std::size_t i = 0; i + step <= registers.size(); i += step) {
        RegisterValue value;
        value.address = startAddress + static_cast<int>(i);
        std::uint16_t word = registers[i];
        if (step == 1 && (order == ByteOrder::BADC || order == ByteOrder::DCBA)) {
            word = SwapBytes(word);
        }
        const std::uint32_t bits = step == 2 ? Combine(registers[i], registers[i + 1], order) : 0;
        switch (type) {
        case RegisterType::U16:
            value.number = word;
            break;
        case RegisterType::S16:
            value.number = static_cast<std::int16_t>(word);
            break;
        case RegisterType::U32:
            value.number = bits;
            break;
        case RegisterType::S32:
            value.number = static_cast<std::int32_t>(bits);
            break;
        case RegisterType::F32:
            value.number = std::bit_cast<float>(bits);
            break;
        }
        value.text = type == RegisterType::F32
                         ? GeneralFloatText(std::bit_cast<float>(bits))
                         : std::to_string(static_cast<long long>(value.number));
        values.push_back(std::move(value));
    }
    return values;
}

std::vector<std::uint8_t> ModbusReadFrame(std::uint8_t slave, std::uint16_t start,
                                          std::uint16_t count) {
    std::vector<std::uint8_t> frame{slave,
                                    ReadHoldingRegisters,
                                    static_cast<std::uint8_t>(start >> 8),
                                    static_cast<std::uint8_t>(start),
                                    static_cast<std::uint8_t>(count >> 8),
                                    static_cast<std::uint8_t>(count)};
    const ModbusCrc crc = ModbusCrc16(frame);
    frame.push_back(crc.CrcHi);
    frame.push_back(crc.CrcLo);
    return frame;
}

std::optional<std::size_t> ModbusReplyLength(std::span<const std::uint8_t> received) {
    if (received.size() >= 2 && (received[1] & 0x80) != 0) {
        return ExceptionLength;
    }
    if (received.size() >= 3) {
        return ReadOverhead + received[2];
    }
    return std::nullopt;
}

ModbusReadReply ParseModbusReadReply(std::span<const std::uint8_t> reply, std::uint8_t slave,
                                     std::uint16_t count) {
    ModbusReadReply result;
    const std::optional<std::size_t> length = ModbusReplyLength(reply);
    if (!length || reply.size() != *length || reply[0] != slave) {
        return result;
    }
    const ModbusCrc crc = ModbusCrc16(reply.first(reply.size() - 2));
    if (crc.CrcHi != reply[reply.size() - 2] || crc.CrcLo != reply[reply.size() - 1]) {
        result.status = ModbusReadReply::Status::BadCrc;
        return result;
    }
    if (reply[1] == (ReadHoldingRegisters | 0x80)) {
        result.status = ModbusReadReply::Status::Exception;
        result.exceptionCode = reply[2];
        return result;
    }
    if (reply[1] != ReadHoldingRegisters || reply[2] != 2 * count) {
        return result;
    }
    for (std::size_t i = 0; i < count; ++i) {
        result.registers.push_back(
            static_cast<std::uint16_t>(reply[3 + 2 * i] << 8 | reply[4 + 2 * i]));
    }
    result.status = ModbusReadReply::Status::Ok;
    return result;
}
