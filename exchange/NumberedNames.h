#pragma once

#include <span>
#include <string_view>
#include <utility>

// A protocol's numbers and their names (HART commands, MODBUS functions and exceptions).
using NumberedName = std::pair<int, std::string_view>;

// The name listed for `number`, or "" when it has none.
constexpr std::string_view NameOfNumber(std::span<const NumberedName> names, int number) {
    for (const auto& [n, name] : names)
        if (n == number)
            return name;
    return {};
}
