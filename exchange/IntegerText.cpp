#include "exchange/IntegerText.h"

#include <charconv>
#include <climits>

std::string ConversionMessage(std::string_view text) {
    return "'" + std::string(text) + "' is not a valid integer value";
}

std::optional<int> TryStrToInt(std::string_view text) {
    std::string_view digits = text;
    bool negative = false;
    if (!digits.empty() && (digits.front() == '+' || digits.front() == '-')) {
        negative = digits.front() == '-';
        digits.remove_prefix(1);
    }
    if (digits.empty()) {
        return std::nullopt;
    }
    for (const char c : digits) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
    }
    long long magnitude = 0;
    const auto [end, error] =
        std::from_chars(digits.data(), digits.data() + digits.size(), magnitude);
    if (error != std::errc() || end != digits.data() + digits.size()) {
        return std::nullopt;
    }
    const long long value = negative ? -magnitude : magnitude;
    if (value < INT_MIN || value > INT_MAX) {
        return std::nullopt;
    }
    return static_cast<int>(value);
}

int StrToInt(std::string_view text) {
    const std::optional<int> value = TryStrToInt(text);
    if (!value) {
        throw EConvertError(ConversionMessage(text));
    }
    return *value;
}
