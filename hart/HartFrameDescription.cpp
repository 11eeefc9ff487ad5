#include "hart/HartFrameDescription.h"

#include "hart/HartIdentityText.h"

#include "exchange/HexText.h"
#include "exchange/NumberedNames.h"

#include <cstddef>
#include <utility>

namespace {

// Frame type in the delimiter's low three bits.
constexpr std::uint8_t BurstFrame = 0x01;
constexpr std::uint8_t MasterFrame = 0x02;
constexpr std::uint8_t SlaveFrame = 0x06;
constexpr std::uint8_t LongAddressBit = 0x80;
// Bits 3 and 4 name the physical layer; only the asynchronous one (0) is sent here.
constexpr std::uint8_t PhysicalLayerBits = 0x18;

constexpr NumberedName CommandNames[] = {
    {0, "read unique identifier"},
    {1, "read primary variable"},
    {2, "read loop current and percent of range"},
    {3, "read dynamic variables"},
    {6, "write polling address"},
    {7, "read loop configuration"},
    {8, "read dynamic variable classifications"},
    {9, "read device variables with status"},
    {11, "read unique identifier associated with tag"},
    {12, "read message"},
    {13, "read tag, descriptor, date"},
    {14, "read primary variable transducer information"},
    {15, "read device information"},
    {16, "read final assembly number"},
    {17, "write message"},
    {18, "write tag, descriptor, date"},
    {19, "write final assembly number"},
    {20, "read long tag"},
    {21, "read unique identifier associated with long tag"},
    {22, "write long tag"},
    {33, "read device variables"},
    {34, "write primary variable damping value"},
    {35, "write primary variable range values"},
    {38, "reset configuration changed flag"},
    {40, "enter or exit fixed current mode"},
    {42, "perform device reset"},
    {44, "write primary variable units"},
    {48, "read additional device status"},
    {59, "write number of response preambles"},
};

bool IsDelimiter(std::uint8_t d) {
    const std::uint8_t type = d & 0x07;
    return (d & PhysicalLayerBits) == 0 &&
           (type == BurstFrame || type == MasterFrame || type == SlaveFrame);
}

std::string Hex(std::uint8_t byte) {
    return ByteToHex(byte);
}

std::string Truncated(std::size_t have, std::size_t need, bool exact) {
    return ", truncated (" + std::to_string(have) + " bytes of " + (exact ? "" : "at least ") +
           std::to_string(need) + ")";
}

std::string Address(std::span<const std::uint8_t> address) {
    std::string text = "address";
    for (const std::uint8_t b : address)
        text += ' ' + Hex(b);
    text += (address[0] & 0x80) ? " (primary master" : " (secondary master";
    if (address.size() == 1)
        text += ", poll address " + std::to_string(address[0] & 0x3F);
    return text + ")";
}

} // namespace

std::string HartCommandName(int command) {
    if (const std::string_view name = NameOfNumber(CommandNames, command); !name.empty())
        return std::string(name);
    return "command " + std::to_string(command);
}

std::optional<std::string> DescribeHartFrame(std::span<const std::uint8_t> chunk) {
    std::size_t start = 0;
    while (start < chunk.size() && chunk[start] == 0xFF)
        ++start;
    if (start == chunk.size() || !IsDelimiter(chunk[start]))
        return std::nullopt;
    const std::span<const std::uint8_t> frame = chunk.subspan(start);
    const std::uint8_t delimiter = frame[0];
    const bool longAddress = (delimiter & LongAddressBit) != 0;
    const std::size_t addressSize = longAddress ? 5 : 1;
    const std::size_t expansion = (delimiter >> 5) & 0x03;
    // Delimiter, address, expansion bytes, command, byte count.
    const std::size_t header = 1 + addressSize + expansion + 2;
    const std::uint8_t type = delimiter & 0x07;

    if (start == 0) {
        // Without preambles only an exact, checksummed frame counts as HART.
        if (frame.size() < header + 1 || frame.size() != header + frame[header - 1] + 1)
            return std::nullopt;
        std::uint8_t sum = 0;
        for (std::size_t i = 0; i + 1 < frame.size(); ++i)
            sum ^= frame[i];
        if (sum != frame.back())
            return std::nullopt;
    }

    std::string text = "HART ";
    text += longAddress ? "long " : "short ";
    text += type == MasterFrame  ? "master-to-slave"
            : type == SlaveFrame ? "slave-to-master"
                                 : "burst";
    if (frame.size() < 1 + addressSize)
        return text + Truncated(frame.size(), header + 1, false);
    text += ", " + Address(frame.subspan(1, addressSize));
    if (frame.size() < header)
        return text + Truncated(frame.size(), header + 1, false);
    const int command = frame[header - 2];
    const std::size_t count = frame[header - 1];
    text += ", command " + std::to_string(command);
    if (const std::string_view name = NameOfNumber(CommandNames, command); !name.empty())
        text += ' ' + std::string(name);
    text += ", byte count " + std::to_string(count);
    const std::size_t total = header + count + 1;
    if (type != MasterFrame && count >= 1 && frame.size() > header)
        text += ", response " + std::to_string(frame[header]);
    if (type != MasterFrame && count >= 2 && frame.size() > header + 1)
        text += ", device status " + Hex(frame[header + 1]);
    // Command 0's answer names the instrument: response, status, 254, manufacturer, device
    // type, preambles, five revision and flag bytes, then the three bytes of the device id.
    constexpr std::size_t IdentityBytes = 14;
    if (type != MasterFrame && command == 0 && count >= IdentityBytes &&
        frame.size() >= header + IdentityBytes) {
        HartIdentity identity;
        identity.manufacturerId = frame[header + 3];
        identity.deviceType = frame[header + 4];
        identity.preambleCount = frame[header + 5];
        for (std::size_t i = 0; i < identity.deviceId.size(); ++i)
            identity.deviceId[i] = frame[header + 11 + i];
        text += ", " + IdentityText(identity);
    }
    if (frame.size() < total)
        return text + Truncated(frame.size(), total, true);
    std::uint8_t sum = 0;
    for (std::size_t i = 0; i + 1 < total; ++i)
        sum ^= frame[i];
    text += sum == frame[total - 1] ? ", checksum ok" : ", checksum bad";
    if (frame.size() > total)
        text += ", then " + std::to_string(frame.size() - total) + " more bytes";
    return text;
}
