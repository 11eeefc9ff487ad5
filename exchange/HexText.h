#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// A byte as two upper-case hex digits; "." for a value above 255 (callers pass bytes).
std::string ByteToHex(int value);

// Raw bytes as the window shows them: two upper-case digits and one space per byte, so
// the text ends with a space.
std::string HexDump(std::span<const std::uint8_t> bytes);

// The first `shown` bytes as HexDump gives them, then "... (N bytes)" when there are more,
// so a message about an unexpected answer stays short whatever arrived.
std::string HexDumpHead(std::span<const std::uint8_t> bytes, std::size_t shown = 64);
// The same for an answer read as text: printable ASCII as it is, every other byte as \xNN.
std::string TextHead(std::string_view text, std::size_t shown = 64);

// Typed byte text: pairs of upper-case hex digits, one space between pairs ("01 02 0A").
// Of a text of length L the first n = L/3 pairs are read, one more when L mod 3 is 2,
// at most maxPairs; the rest of the text is ignored. The separators between the pairs read
// must be spaces; the one after the last pair read is not looked at. The text is UTF-8 and
// measured in characters; a character outside ASCII is neither a digit nor a space.
enum class HexPairsStatus {
    Ok,
    BadSeparator, // no pair at all, or a separator that is not a space
    BadDigit,     // a digit that is not 0-9 or A-F (lower case included)
};

struct HexPairs {
    HexPairsStatus status = HexPairsStatus::Ok;
    std::vector<std::uint8_t> bytes;
};

HexPairs ParseHexPairs(std::string_view typed, std::size_t maxPairs);

// The refusal a frame builder gives for typed byte text that did not parse: "NO SPACK" for
// a bad separator, "Data eeore!" for a bad digit; nullptr for Ok.
const char* HexPairsRefusal(HexPairsStatus status);

// The value of one upper-case hex digit, or -1.
int HexDigitValue(char c);
