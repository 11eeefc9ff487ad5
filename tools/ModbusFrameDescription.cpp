#include "tools/ModbusFrameDescription.h"

#include "exchange/HexText.h"
#include "exchange/ModbusCrc16.h"
#include "exchange/NumberedNames.h"

#include <cstddef>
#include <string_view>

namespace {

constexpr std::uint8_t ExceptionBit = 0x80;
constexpr std::size_t CrcSize = 2;

constexpr NumberedName FunctionNames[] = {
    {1, "read coils"},
    {2, "read discrete inputs"},
    {3, "read holding registers"},
    {4, "read input registers"},
    {5, "write single coil"},
    {6, "write single register"},
    {15, "write multiple coils"},
    {16, "write multiple registers"},
};

constexpr NumberedName ExceptionNames[] = {
    {1, "illegal function"},
    {2, "illegal data address"},
    {3, "illegal data value"},
    {4, "slave device failure"},
    {5, "acknowledge"},
    {6, "slave device busy"},
    {8, "memory parity error"},
    {10, "gateway path unavailable"},
    {11, "gateway target device failed to respond"},
};

int Word(std::span<const std::uint8_t> frame, std::size_t at) {
    return frame[at] << 8 | frame[at + 1];
}

std::string HexWord(int value) {
    return "0x" + ByteToHex(value >> 8) + ByteToHex(value & 0xFF);
}

// The frame's length from what the chunk shows, or 0 when the chunk ends before it says.
std::size_t FrameLength(std::span<const std::uint8_t> frame, int function, bool exception,
                        ModbusFrameRole role) {
    if (exception)
        return 3 + CrcSize;
    const bool request = role == ModbusFrameRole::Request;
    if (function <= 6 && (request || function >= 5))
        return 6 + CrcSize; // address or start, then count or value
    if (request) {          // 15, 16: start, count, byte count, data
        return frame.size() > 6 ? 7 + frame[6] + CrcSize : 0;
    }
    if (function <= 4) // byte count, data
        return frame.size() > 2 ? 3 + frame[2] + CrcSize : 0;
    return 6 + CrcSize; // 15, 16 replies: start and count
}

std::string Fields(std::span<const std::uint8_t> frame, int function, ModbusFrameRole role) {
    const bool request = role == ModbusFrameRole::Request;
    if (function == 5 || function == 6)
        return ", register " + std::to_string(Word(frame, 2)) + ", value " +
               HexWord(Word(frame, 4));
    if (request || function >= 15) {
        std::string text = ", start " + std::to_string(Word(frame, 2)) + ", count " +
                           std::to_string(Word(frame, 4));
        if (request && function >= 15)
            text += ", byte count " + std::to_string(frame[6]);
        return text;
    }
    const std::size_t count = frame[2];
    std::string text = ", byte count " + std::to_string(count);
    if (count == 0)
        return text;
    if (function <= 2) {
        text += ", bits";
        for (std::size_t i = 0; i < count; ++i)
            text += ' ' + ByteToHex(frame[3 + i]);
        return text;
    }
    text += ", values";
    for (std::size_t i = 0; i + 1 < count; i += 2)
        text += ' ' + HexWord(Word(frame, 3 + i));
    if (count % 2)
        text += ", odd byte " + ByteToHex(frame[2 + count]);
    return text;
}

} // namespace

std::string ModbusExceptionName(int code) {
    return std::string(NameOfNumber(ExceptionNames, code));
}

std::optional<std::string> DescribeModbusFrame(std::span<const std::uint8_t> chunk,
                                               ModbusFrameRole role) {
    if (chunk.size() < 2)
        return std::nullopt;
    const bool exception = (chunk[1] & ExceptionBit) != 0;
    const int function = chunk[1] & ~ExceptionBit;
    const std::string_view name = NameOfNumber(FunctionNames, function);
    if (name.empty())
        return std::nullopt;
    std::string text = "MODBUS slave " + std::to_string(chunk[0]) + ", " + std::string(name) +
                       " (" + std::to_string(function) + ")";
    const std::size_t length = FrameLength(chunk, function, exception, role);
    if (length == 0 || chunk.size() < length) {
        text += ", truncated (" + std::to_string(chunk.size()) + " bytes of ";
        return text + (length == 0 ? "more)" : std::to_string(length) + ")");
    }
    if (exception) {
        text += ", exception " + std::to_string(chunk[2]);
        if (const std::string exceptionName = ModbusExceptionName(chunk[2]); !exceptionName.empty())
            text += ' ' + exceptionName;
    } else {
        text += Fields(chunk, function, role);
    }
    const ModbusCrc crc = ModbusCrc16(chunk.first(length - CrcSize));
    const bool crcOk = chunk[length - 2] == crc.CrcHi && chunk[length - 1] == crc.CrcLo;
    text += crcOk ? ", CRC ok" : ", CRC bad";
    if (chunk.size() > length)
        text += ", then " + std::to_string(chunk.size() - length) + " more bytes";
    return text;
}
