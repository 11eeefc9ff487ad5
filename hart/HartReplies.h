#pragma once

#include "hart/HartIdentity.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Replies of the HART instrument, located in the last received chunk rather than parsed
// from its start: the first 0xFF directly followed by the delimiter marks the reply, and
// fields are read at fixed offsets from that 0xFF (the last preamble byte). Only the
// first 255 bytes of a chunk are searched, and a reply is found only when every field
// read lies within the chunk. Checksum, address, command and status are not checked.

// The searched area: the pair may start at 0 to n - 5, n being the chunk's length capped
// at this many bytes.
inline constexpr std::size_t HartSearchLimit = 255;

// Position of the 0xFF in front of the first `delimiter` that may start a reply.
std::optional<std::size_t> FindHartReply(std::span<const std::uint8_t> received,
                                         std::uint8_t delimiter);

// Command 0 answer (delimiter 0x06): manufacturer code, device type, request preambles
// and device id.
std::optional<HartIdentity> DecodeIdentityReply(std::span<const std::uint8_t> received);

// One dynamic variable as the window shows it.
struct HartVariable {
    std::string text; // HartValueText of its four bytes
    int unitIndex;    // item of the unit list
    bool operator==(const HartVariable&) const = default;
};

// Command 3 answer (delimiter 0x86): the primary variable always, the secondary,
// tertiary and quaternary ones as far as the byte count reaches (12, 17 and 22 bytes).
struct DynamicVariablesReply {
    std::vector<HartVariable> variables; // primary first, one to four
    // The same variables as numbers, for plotting: NaN where the text shows "00000000".
    std::vector<float> numbers;
};

std::optional<DynamicVariablesReply>
DecodeDynamicVariablesReply(std::span<const std::uint8_t> received,
                            std::string_view decimalSeparator = ".");

// A variable's four bytes (most significant first) as text: "00000000" when the first
// byte is 0x7F (HART's not-a-number and everything near it), otherwise the general float
// text of the single-precision value, cut to 9 characters. `decimalSeparator` is UTF-8 text.
std::string HartValueText(std::span<const std::uint8_t, 4> bytes,
                          std::string_view decimalSeparator = ".");

// The number a variable's four bytes hold; NaN where HartValueText shows "00000000".
float HartValueNumber(std::span<const std::uint8_t, 4> bytes);
