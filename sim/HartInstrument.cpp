#include "sim/HartInstrument.h"

#include <bit>
#include <cmath>

namespace {

void PutFloat(std::vector<std::uint8_t>& out, float value) {
    const auto bits = std::bit_cast<std::uint32_t>(value);
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(bits >> shift));
}

} // namespace

std::array<std::uint8_t, 3> HartInstrument::Id() const {
    return {DeviceId[0], DeviceId[1], static_cast<std::uint8_t>(DeviceId[2] + index)};
}

HartInstrumentValues HartInstrument::ValuesAt(double seconds) const {
    HartInstrumentValues values;
    const auto offset = static_cast<float>(index);
    values.current += offset;
    for (float& v : values.variables)
        v += offset;
    if (fixedValues)
        return values;
    const double wobble = std::sin(seconds / 5.0);
    values.current += static_cast<float>(2.0 * wobble);
    for (std::size_t i = 0; i < values.variables.size(); ++i)
        values.variables[i] += static_cast<float>((i + 1) * wobble);
    return values;
}

std::optional<std::vector<std::uint8_t>> HartInstrument::Handle(std::span<const std::uint8_t> frame,
                                                                double seconds) {
    std::size_t pos = 0;
    while (pos < frame.size() && frame[pos] == 0xFF)
        ++pos;
    if (pos == 0 || pos >= frame.size())
        return std::nullopt;
    const std::uint8_t delimiter = frame[pos];
    const bool longFrame = delimiter == 0x82;
    if (delimiter != 0x02 && !longFrame)
        return std::nullopt;
    const std::size_t addressLength = longFrame ? 5 : 1;
    const std::size_t header = 1 + addressLength + 2; // delimiter, address, command, count
    if (frame.size() < pos + header + 1)
        return std::nullopt;
    const auto address = frame.subspan(pos + 1, addressLength);
    const std::uint8_t command = frame[pos + 1 + addressLength];
    const std::uint8_t count = frame[pos + 2 + addressLength];
    if (frame.size() != pos + header + count + 1)
        return std::nullopt;
    std::uint8_t checksum = 0;
    for (std::size_t i = pos; i < frame.size() - 1; ++i)
        checksum ^= frame[i];
    if (checksum != frame.back())
        return std::nullopt;
    const auto data = frame.subspan(pos + header, count);

    if (longFrame) {
        if ((address[0] & 0x3F) != (ManufacturerId & 0x3F) || address[1] != DeviceType ||
            address[2] != Id()[0] || address[3] != Id()[1] || address[4] != Id()[2])
            return std::nullopt;
    } else if ((address[0] & 0x3F) != pollAddress || command != 0) {
        return std::nullopt; // a short frame carries only command 0
    }

    std::uint8_t responseCode = 0;
    std::vector<std::uint8_t> body;
    switch (command) {
    case 0:
        body = {254, ManufacturerId, DeviceType, RequestPreambles, 5, 1, 8, 0,
                0,   Id()[0],        Id()[1],    Id()[2]};
        break;
    case 3: {
        const HartInstrumentValues v = ValuesAt(seconds);
        PutFloat(body, v.current);
        for (std::size_t i = 0; i < 4; ++i) {
            body.push_back(v.units[i]);
            PutFloat(body, v.variables[i]);
        }
        break;
    }
    case 6:
        if (data.size() != 1 || data[0] > 15) {
            responseCode = 2; // invalid selection
            break;
        }
        pollAddress = data[0];
        body = {data[0]};
        break;
    default:
        responseCode = 64; // command not implemented
        break;
    }

    std::vector<std::uint8_t> reply(5, 0xFF);
    reply.push_back(longFrame ? 0x86 : 0x06);
    reply.insert(reply.end(), address.begin(), address.end());
    reply.push_back(command);
    reply.push_back(static_cast<std::uint8_t>(body.size() + 2));
    reply.push_back(responseCode);
    reply.push_back(0x00); // device status
    reply.insert(reply.end(), body.begin(), body.end());
    std::uint8_t sum = 0;
    for (std::size_t i = 5; i < reply.size(); ++i)
        sum ^= reply[i];
    reply.push_back(sum);
    return reply;
}
