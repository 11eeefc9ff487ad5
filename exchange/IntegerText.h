#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

// Raised when a number field does not hold an integer. The window reports it like any
// other error leaving a handler.
class EConvertError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// "'<text>' is not a valid integer value"
std::string ConversionMessage(std::string_view text);

// An optionally signed decimal integer in 32-bit range, nothing else (no blanks, no hex
// prefix, not empty).
std::optional<int> TryStrToInt(std::string_view text);

// As TryStrToInt, raising EConvertError with ConversionMessage(text) on failure.
int StrToInt(std::string_view text);
