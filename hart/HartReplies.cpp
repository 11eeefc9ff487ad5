#include "hart/HartReplies.h"

#include "exchange/FloatText.h"
#include "hart/HartUnits.h"

#include <algorithm>
#include <bit>
#include <limits>

namespace {

constexpr std::uint8_t Preamble = 0xFF;
constexpr std::uint8_t IdentityDelimiter = 0x06;
constexpr std::uint8_t DynamicVariablesDelimiter = 0x86;

// A pair is only looked for where at least five bytes remain.
constexpr std::size_t MinReplyBytes = 5;

// Identity reply, offsets from the last preamble byte.
constexpr std::size_t ManufacturerOffset = 8;
constexpr std::size_t DeviceTypeOffset = 9;
constexpr std::size_t PreambleCountOffset = 10;
constexpr std::size_t DeviceIdOffset = 16;
constexpr std::size_t IdentityEnd = DeviceIdOffset + 3;

// Dynamic variables reply: byte count, then per variable a unit code and four value
// bytes, the primary one at 15.
constexpr std::size_t ByteCountOffset = 8;
constexpr std::size_t PrimaryUnitOffset = 15;
constexpr std::size_t VariableStride = 5;
constexpr std::size_t MaxVariables = 4;
// Byte count from which the secondary, tertiary and quaternary variables are present.
constexpr std::size_t BytesBeforeVariables = 11;

constexpr std::size_t ValueTextLength = 9;

} // namespace

std::optional<std::size_t> FindHartReply(std::span<const std::uint8_t> received,
                                         std::uint8_t delimiter) {
    const std::size_t searched = std::min(received.size(), HartSearchLimit);
    for (std::size_t i = 0; i + MinReplyBytes <= searched; ++i) {
        if (received[i] == Preamble && received[i + 1] == delimiter) {
            return i;
        }
    }
    return std::nullopt;
}

std::optional<HartIdentity> DecodeIdentityReply(std::span<const std::uint8_t> received) {
    const std::optional<std::size_t> found = FindHartReply(received, IdentityDelimiter);
    if (!found || *found + IdentityEnd > received.size()) {
        return std::nullopt;
    }
    const std::span<const std::uint8_t> reply = received.subspan(*found);
    HartIdentity identity;
    identity.manufacturerId = reply[ManufacturerOffset];
    identity.deviceType = reply[DeviceTypeOffset];
    identity.preambleCount = reply[PreambleCountOffset];
    std::copy_n(reply.begin() + DeviceIdOffset, identity.deviceId.size(),
                identity.deviceId.begin());
    return identity;
}

std::optional<DynamicVariablesReply>
DecodeDynamicVariablesReply(std::span<const std::uint8_t> received,
                            std::string_view decimalSeparator) {
    const std::optional<std::size_t> found = FindHartReply(received, DynamicVariablesDelimiter);
    if (!found || *found + ByteCountOffset >= received.size()) {
        return std::nullopt;
    }
    const std::span<const std::uint8_t> reply = received.subspan(*found);
    // The walk over the further variables advances by five while below count - 11: the
    // secondary needs a count of 12, the tertiary 17, the quaternary 22.
    const std::size_t byteCount = reply[ByteCountOffset];
    std::size_t variables = 1;
    for (std::size_t step = 0; step + BytesBeforeVariables < byteCount && variables < MaxVariables;
         step += VariableStride) {
        ++variables;
    }
    const std::size_t end = PrimaryUnitOffset + variables * VariableStride;
    if (end > reply.size()) {
        return std::nullopt;
    }
    DynamicVariablesReply result;
    for (std::size_t k = 0; k < variables; ++k) {
        const std::size_t unit = PrimaryUnitOffset + k * VariableStride;
        const std::span<const std::uint8_t, 4> bytes = reply.subspan(unit + 1).first<4>();
        result.variables.push_back(
            {HartValueText(bytes, decimalSeparator), UnitIndexForCode(reply[unit])});
        result.numbers.push_back(HartValueNumber(bytes));
    }
    return result;
}

float HartValueNumber(std::span<const std::uint8_t, 4> bytes) {
    if (bytes[0] == 0x7F) {
        return std::numeric_limits<float>::quiet_NaN();
    }
    return std::bit_cast<float>(static_cast<std::uint32_t>(bytes[0]) << 24 |
                                static_cast<std::uint32_t>(bytes[1]) << 16 |
                                static_cast<std::uint32_t>(bytes[2]) << 8 | bytes[3]);
}

std::string HartValueText(std::span<const std::uint8_t, 4> bytes,
                          std::string_view decimalSeparator) {
    if (bytes[0] == 0x7F) {
        return "00000000";
    }
    return BigEndianFloatText(bytes, decimalSeparator, ValueTextLength);
}
