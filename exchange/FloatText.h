#pragma once

#include <string>
#include <string_view>

// A number in general format with 15 significant digits: rounded to 15 digits, trailing
// zeros dropped; fixed notation for 0.0001 <= |value| < 1e15, otherwise one digit, the
// fraction, "E", "-" for a negative exponent and the exponent without leading zeros.
// Zero of either sign is "0"; infinities are "INF" and NaNs "NAN", behind a "-" when the
// sign bit is set. `decimalSeparator` is the locale's, as UTF-8 text: in some locales it is
// not a Latin-1 character (U+066B in Arabic and Persian).
std::string GeneralFloatText(long double value, std::string_view decimalSeparator = ".");
