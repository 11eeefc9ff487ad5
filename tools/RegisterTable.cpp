#include "tools/RegisterTable.h"

#include "exchange/HexText.h"

#include <array>

namespace {

constexpr std::size_t ReadFrameLength = 8;

} // namespace

RegisterTable MakeRegisterTable(std::span<const std::uint8_t> request,
                                std::span<const std::uint8_t> reply, RegisterType type,
                                ByteOrder order) {
    RegisterTable table;
    if (request.size() != ReadFrameLength || request[1] != 0x03) {
        table.problem = "not a read request";
        return table;
    }
    const std::uint8_t slave = request[0];
    const int start = request[2] << 8 | request[3];
    const auto count = static_cast<std::uint16_t>(request[4] << 8 | request[5]);
    const ModbusReadReply parsed = ParseModbusReadReply(reply, slave, count);
    switch (parsed.status) {
    case ModbusReadReply::Status::Ok:
        break;
    case ModbusReadReply::Status::Exception:
        table.problem = "exception " + std::to_string(parsed.exceptionCode);
        return table;
    case ModbusReadReply::Status::BadCrc:
        table.problem = "bad CRC";
        return table;
    case ModbusReadReply::Status::Malformed:
        table.problem = "not an answer to the request";
        return table;
    }
    const std::size_t step = static_cast<std::size_t>(RegistersPerValue(type));
    std::size_t first = 0;
    for (const RegisterValue& value : DecodeRegisters(parsed.registers, start, type, order)) {
        // The answer's register bytes start after slave, function and byte count.
        RegisterRow row;
        row.address = value.address;
        row.raw = HexDump(reply.subspan(3 + 2 * first, 2 * step));
        while (!row.raw.empty() && row.raw.back() == ' ')
            row.raw.pop_back();
        row.number = value.number;
        row.value = value.text;
        table.rows.push_back(std::move(row));
        first += step;
    }
    return table;
}

RegisterValue FloatInOrder(std::span<const std::uint8_t, 4> bytes, ByteOrder order) {
    const std::array<std::uint16_t, 2> registers{
        static_cast<std::uint16_t>(bytes[0] << 8 | bytes[1]),
        static_cast<std::uint16_t>(bytes[2] << 8 | bytes[3])};
    return DecodeRegisters(registers, 0, RegisterType::F32, order).front();
}
