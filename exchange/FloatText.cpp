#include "exchange/FloatText.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

std::string GeneralFloatText(long double value, std::string_view decimalSeparator) {
    const std::string sign = std::signbit(value) ? "-" : "";
    if (std::isnan(value)) {
        return sign + "NAN";
    }
    if (std::isinf(value)) {
        return sign + "INF";
    }
    if (value == 0) {
        return "0";
    }
    // d.dddddddddddddde+XX: fifteen significant digits, correctly rounded.
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.14Le", std::fabs(value));
    std::string digits;
    const char* p = buffer;
    for (; *p != 'e' && *p != '\0'; ++p) {
        if (*p >= '0' && *p <= '9') {
            digits += *p;
        }
    }
    const int exponent = *p == 'e' ? std::atoi(p + 1) : 0;
    while (digits.size() > 1 && digits.back() == '0') {
        digits.pop_back();
    }

    std::string text = sign;
    if (exponent >= -4 && exponent < 15) {
        if (exponent >= 0) {
            const auto integerDigits = static_cast<std::size_t>(exponent) + 1;
            if (digits.size() <= integerDigits) {
                text += digits + std::string(integerDigits - digits.size(), '0');
            } else {
                text += digits.substr(0, integerDigits);
                text += decimalSeparator;
                text += digits.substr(integerDigits);
            }
        } else {
            text += '0';
            text += decimalSeparator;
            text += std::string(static_cast<std::size_t>(-exponent - 1), '0') + digits;
        }
        return text;
    }
    text += digits[0];
    if (digits.size() > 1) {
        text += decimalSeparator;
        text += digits.substr(1);
    }
    text += 'E';
    if (exponent < 0) {
        text += '-';
    }
    text += std::to_string(std::abs(exponent));
    return text;
}
