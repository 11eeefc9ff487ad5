#include "exchange/HexText.h"

#include "exchange/Utf8Text.h"

#include <algorithm>

std::string ByteToHex(int value) {
    static constexpr char digits[] = "0123456789ABCDEF";
    if (value < 0 || value > 255) {
        return ".";
    }
    return {digits[value / 16], digits[value % 16]};
}

std::string HexDump(std::span<const std::uint8_t> bytes) {
    std::string text;
    text.reserve(bytes.size() * 3);
    for (const std::uint8_t byte : bytes) {
        text += ByteToHex(byte);
        text += ' ';
    }
    return text;
}

std::string HexDumpHead(std::span<const std::uint8_t> bytes, std::size_t shown) {
    if (bytes.size() <= shown) {
        return HexDump(bytes);
    }
    return HexDump(bytes.first(shown)) + "... (" + std::to_string(bytes.size()) + " bytes)";
}

std::string TextHead(std::string_view text, std::size_t shown) {
    std::string head;
    for (const char c : text.substr(0, shown)) {
        const auto byte = static_cast<std::uint8_t>(c);
        head += byte >= 0x20 && byte < 0x7F ? std::string(1, c) : "\\x" + ByteToHex(byte);
    }
    if (text.size() > shown) {
        head += "... (" + std::to_string(text.size()) + " bytes)";
    }
    return head;
}

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

HexPairs ParseHexPairs(std::string_view typed, std::size_t maxPairs) {
    const std::string characters = OneBytePerCharacter(typed);
    const std::string_view text = characters;
    HexPairs result;
    std::size_t pairs = text.size() / 3 + (text.size() % 3 == 2 ? 1 : 0);
    pairs = std::min(pairs, maxPairs);
    if (pairs == 0) {
        result.status = HexPairsStatus::BadSeparator;
        return result;
    }
    for (std::size_t k = 0; k + 1 < pairs; ++k) {
        if (text[3 * k + 2] != ' ') {
            result.status = HexPairsStatus::BadSeparator;
            return result;
        }
    }
    bool bad = false;
    result.bytes.reserve(pairs);
    for (std::size_t k = 0; k < pairs; ++k) {
        const int high = HexDigitValue(text[3 * k]);
        const int low = HexDigitValue(text[3 * k + 1]);
        if (high < 0 || low < 0) {
            bad = true;
            continue;
        }
        result.bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
    }
    if (bad) {
        result.status = HexPairsStatus::BadDigit;
        result.bytes.clear();
    }
    return result;
}

const char* HexPairsRefusal(HexPairsStatus status) {
    switch (status) {
    case HexPairsStatus::BadSeparator:
        return "NO SPACK";
    case HexPairsStatus::BadDigit:
        return "Data eeore!";
    case HexPairsStatus::Ok:
        break;
    }
    return nullptr;
}
