#include "tools/Ieee754Calculator.h"

#include "exchange/FloatText.h"
#include "exchange/HexText.h"
#include "exchange/Utf8Text.h"

#include <algorithm>
#include <bit>

namespace {

constexpr std::size_t ValueBytes = 4;

// A digit at `position`; a position past the end is illegal.
int DigitAt(std::string_view text, std::size_t position) {
    return position < text.size() ? HexDigitValue(text[position]) : -1;
}

} // namespace

Ieee754Result CalculateIeee754(std::string_view typed, std::string_view decimalSeparator,
                               std::size_t maxBytes) {
    const std::string characters = OneBytePerCharacter(typed);
    const std::string_view text = characters;
    Ieee754Result result;
    const std::size_t separators = text.size() / 3;
    for (std::size_t i = 0; i < separators; ++i) {
        if (text[3 * i + 2] != ' ') {
            result.status = Ieee754Status::NoSpaces;
            result.message = "Input data without spaces";
            return result;
        }
    }

    const std::size_t groups = separators + 1;
    const std::size_t kept = std::max(ValueBytes, std::min(groups, maxBytes));
    result.bytes.assign(kept, 0);
    bool illegal = false;
    for (std::size_t i = 0; i < groups; ++i) {
        const int high = DigitAt(text, 3 * i);
        const int low = DigitAt(text, 3 * i + 1);
        if (high < 0 || low < 0) {
            illegal = true;
        } else if (i < kept) {
            result.bytes[i] = static_cast<std::uint8_t>(high * 16 + low);
        }
    }
    if (illegal) {
        result.status = Ieee754Status::IllegalCharacters;
        result.bytes.clear();
        result.message = "There are illegal characters, please re-enter!";
        return result;
    }

    const std::uint32_t bits = static_cast<std::uint32_t>(result.bytes[0]) << 24U |
                               static_cast<std::uint32_t>(result.bytes[1]) << 16U |
                               static_cast<std::uint32_t>(result.bytes[2]) << 8U | result.bytes[3];
    const float value = std::bit_cast<float>(bits);
    result.text = std::string(FirstCharacters(
        GeneralFloatText(static_cast<long double>(value), decimalSeparator), Ieee754TextLength));
    return result;
}
