#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Text typed into the window or shown by it arrives as UTF-8. These count it in characters,
// as the user sees it, not in bytes. A byte that does not start a well-formed sequence
// counts as one character.

// The byte length of the character that starts at `position` (1 to 4; 0 at the end).
std::size_t Utf8CharacterLength(std::string_view text, std::size_t position);

// The text with each character as one byte: ASCII characters as they are, every other
// character as NonAsciiCharacter, which is neither a digit, a letter nor a space, so a
// parser of typed ASCII rejects it where it stands.
inline constexpr char NonAsciiCharacter = '\x7F';
std::string OneBytePerCharacter(std::string_view text);

// The first `count` characters of the text (all of it when it is shorter).
std::string_view FirstCharacters(std::string_view text, std::size_t count);
