#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

// The engineering-unit lists of the four dynamic variables: 77 items, exactly as the
// window shows them (trailing spaces included), and the HART unit code each one stands
// for. Every code that no item stands for selects the last item, "other".
inline constexpr std::size_t UnitCount = 77;
inline constexpr int OtherUnitIndex = 76;

// The lists are equal but for item 14 ("R"): the third variable's list has four spaces
// after it, the others three.
enum class UnitList { Standard, ThirdVariable };

const std::array<std::string_view, UnitCount>& UnitItems(UnitList list = UnitList::Standard);

// Index of the list item for a HART unit code; OtherUnitIndex for a code without item.
int UnitIndexForCode(std::uint8_t code);

// HART unit code of each item but "other" (index 0 to 75).
const std::array<std::uint8_t, UnitCount - 1>& UnitCodes();
