#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The IEEE 754 calculator: four bytes typed as hex pairs ("41 20 00 00", first byte most
// significant) turned into the single-precision number they encode.
//
// Text of length L: the separators at 3i + 2 (i < L div 3) must be spaces, else
// "Input data without spaces"; then L div 3 + 1 pairs at 3i, 3i + 1 are read, each
// character 0-9 or A-F, a position past the end counting as illegal, else "There are
// illegal characters, please re-enter!". Together the two checks look at every character.
// Bytes after the fourth are checked but not used; missing ones are 0.

enum class Ieee754Status { Ok, NoSpaces, IllegalCharacters };

struct Ieee754Result {
    Ieee754Status status = Ieee754Status::Ok;
    // The converted bytes, at least four (missing ones 0), at most `maxBytes`.
    std::vector<std::uint8_t> bytes;
    // The number: general format with 15 significant digits, cut to 10 characters.
    std::string text;
    // The message for a failure, empty on success.
    std::string message;
};

inline constexpr std::size_t Ieee754TextLength = 10;

// `maxBytes` bounds how many converted bytes are kept (every character is still checked).
// `decimalSeparator` is the locale's, as UTF-8 text. The typed text is UTF-8 and measured in
// characters; a character outside ASCII is an illegal character.
Ieee754Result CalculateIeee754(std::string_view typed, std::string_view decimalSeparator,
                               std::size_t maxBytes);
