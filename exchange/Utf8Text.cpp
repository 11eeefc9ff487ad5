#include "exchange/Utf8Text.h"

namespace {

bool IsContinuation(std::string_view text, std::size_t position) {
    return position < text.size() && (static_cast<unsigned char>(text[position]) & 0xC0U) == 0x80U;
}

} // namespace

std::size_t Utf8CharacterLength(std::string_view text, std::size_t position) {
    if (position >= text.size()) {
        return 0;
    }
    const auto lead = static_cast<unsigned char>(text[position]);
    std::size_t length = 1;
    if (lead >= 0xC2U && lead <= 0xDFU) {
        length = 2;
    } else if (lead >= 0xE0U && lead <= 0xEFU) {
        length = 3;
    } else if (lead >= 0xF0U && lead <= 0xF4U) {
        length = 4;
    }
    for (std::size_t k = 1; k < length; ++k) {
        if (!IsContinuation(text, position + k)) {
            return 1;
        }
    }
    return length;
}

std::string OneBytePerCharacter(std::string_view text) {
    std::string characters;
    characters.reserve(text.size());
    for (std::size_t position = 0; position < text.size();) {
        const auto byte = static_cast<unsigned char>(text[position]);
        characters += byte < 0x80U ? text[position] : NonAsciiCharacter;
        position += Utf8CharacterLength(text, position);
    }
    return characters;
}

std::string_view FirstCharacters(std::string_view text, std::size_t count) {
    std::size_t position = 0;
    for (std::size_t k = 0; k < count && position < text.size(); ++k) {
        position += Utf8CharacterLength(text, position);
    }
    return text.substr(0, position);
}
