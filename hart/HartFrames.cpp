#include "hart/HartFrames.h"

#include "exchange/HexText.h"
#include "exchange/IntegerText.h"

#include <optional>
#include <string>
#include <vector>

namespace {

constexpr std::uint8_t Preamble = 0xFF;
constexpr std::uint8_t ShortDelimiter = 0x02;
constexpr std::uint8_t LongDelimiter = 0x82;
constexpr std::uint8_t MasterBit = 0x80;
constexpr std::uint8_t ManufacturerMask = 0x3F;

constexpr std::uint8_t CommandReadIdentity = 0x00;
constexpr std::uint8_t CommandReadDynamicVariables = 0x03;
constexpr std::uint8_t CommandWritePollAddress = 0x06;

// The preambles, or the failure that stops the frame.
struct Preambles {
    std::vector<std::uint8_t> bytes;
    std::optional<FrameResult> failure;
};

Preambles ReadPreambles(std::string_view preambleText) {
    const std::optional<int> value = TryStrToInt(preambleText);
    if (!value) {
        return {{}, FrameResult::ConversionError(ConversionMessage(preambleText))};
    }
    if (*value < HartMinPreambleValue || *value > HartMaxPreambleValue) {
        return {{},
                FrameResult::Refuse(RangeMessage("\"preamble length\"", HartMinPreambleValue,
                                                 HartMaxPreambleValue))};
    }
    return {std::vector<std::uint8_t>(static_cast<std::size_t>(*value + 1), Preamble), {}};
}

bool HasValue(int index, int items) {
    return index >= 0 && index < items;
}

// `field` names the list as the window labels it.
FrameResult NoValue(std::string_view field) {
    return FrameResult::Refuse(NoItemMessage(field));
}

std::uint8_t MasterBitFor(int modeIndex) {
    return modeIndex == 0 ? MasterBit : 0x00;
}

// Appends the checksum over everything after the preambles.
FrameResult Finish(std::vector<std::uint8_t> frame, std::size_t preambleCount) {
    frame.push_back(HartChecksum(std::span(frame).subspan(preambleCount)));
    return FrameResult::Bytes(std::move(frame));
}

// The preambles and the working mode, read first by every built frame.
Preambles ReadPreamblesAndMode(std::string_view preambleText, int modeIndex) {
    Preambles preambles = ReadPreambles(preambleText);
    if (!preambles.failure && !HasValue(modeIndex, HartModeItems)) {
        preambles.failure = NoValue("\"HART command working mode\"");
    }
    return preambles;
}

// Long frame: delimiter, master bit with the low six bits of the manufacturer code, device
// type, device id, command, byte count, data.
FrameResult LongFrame(std::vector<std::uint8_t> frame, int modeIndex, const HartIdentity& identity,
                      std::uint8_t command, std::span<const std::uint8_t> data) {
    const std::size_t preambleCount = frame.size();
    frame.push_back(LongDelimiter);
    frame.push_back(static_cast<std::uint8_t>(MasterBitFor(modeIndex) |
                                              (identity.manufacturerId & ManufacturerMask)));
    frame.push_back(identity.deviceType);
    frame.insert(frame.end(), identity.deviceId.begin(), identity.deviceId.end());
    frame.push_back(command);
    frame.push_back(static_cast<std::uint8_t>(data.size()));
    frame.insert(frame.end(), data.begin(), data.end());
    return Finish(std::move(frame), preambleCount);
}

} // namespace

std::uint8_t HartChecksum(std::span<const std::uint8_t> bytes) {
    std::uint8_t sum = 0;
    for (const std::uint8_t byte : bytes) {
        sum ^= byte;
    }
    return sum;
}

FrameResult HartIdentityQuery(std::string_view preambleText, int modeIndex, int pollAddressIndex) {
    Preambles start = ReadPreamblesAndMode(preambleText, modeIndex);
    if (start.failure) {
        return *start.failure;
    }
    if (!HasValue(pollAddressIndex, HartPollAddressItems)) {
        return NoValue("\"HART address\"");
    }
    std::vector<std::uint8_t> frame = std::move(start.bytes);
    const std::size_t preambleCount = frame.size();
    frame.push_back(ShortDelimiter);
    frame.push_back(static_cast<std::uint8_t>(MasterBitFor(modeIndex) + pollAddressIndex));
    frame.push_back(CommandReadIdentity);
    frame.push_back(0x00);
    return Finish(std::move(frame), preambleCount);
}

FrameResult HartDynamicVariablesQuery(std::string_view preambleText, int modeIndex,
                                      const HartIdentity& identity) {
    Preambles start = ReadPreamblesAndMode(preambleText, modeIndex);
    if (start.failure) {
        return *start.failure;
    }
    return LongFrame(std::move(start.bytes), modeIndex, identity, CommandReadDynamicVariables, {});
}

FrameResult HartWriteAddress(std::string_view preambleText, int modeIndex,
                             const HartIdentity& identity, int newAddressIndex) {
    Preambles start = ReadPreamblesAndMode(preambleText, modeIndex);
    if (start.failure) {
        return *start.failure;
    }
    if (!HasValue(newAddressIndex, HartNewAddressItems)) {
        return NoValue("\"HART address\" of \"HART address configuration\"");
    }
    const std::uint8_t data[] = {static_cast<std::uint8_t>(newAddressIndex)};
    return LongFrame(std::move(start.bytes), modeIndex, identity, CommandWritePollAddress, data);
}

FrameResult HartManualFrame(std::string_view preambleText, std::string_view hexText) {
    const HexPairs typed = ParseHexPairs(hexText, HartManualMaxBytes);
    if (const char* refusal = HexPairsRefusal(typed.status)) {
        return FrameResult::Refuse(refusal);
    }
    Preambles preambles = ReadPreambles(preambleText);
    if (preambles.failure) {
        return *preambles.failure;
    }
    std::vector<std::uint8_t> frame = std::move(preambles.bytes);
    const std::size_t preambleCount = frame.size();
    frame.insert(frame.end(), typed.bytes.begin(), typed.bytes.end());
    return Finish(std::move(frame), preambleCount);
}
