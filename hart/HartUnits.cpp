#include "hart/HartUnits.h"

namespace {

// clang-format off
constexpr std::array<std::string_view, UnitCount> StandardItems = {
    "inH20 ", "inhg  ", "FtH20  ", "mmH20 ", "mmHg   ", "psi   ", "bar    ", "mbar   ",
    "Pa     ", "KPa   ", "ATM    ", "MPa    ",
    "\u2103  ", "\u2109  ", "R   ", "Kelvin ",
    "CuFt_min ", "gal_min  ", "l_min   ", "CuMtr_hr ", "l_s      ", "Cuft_s  ", "CuMtr_s  ",
    "CuMtr_min ", "gal_hr    ", "l_hr      ",
    "ft_s      ", "mtr_s    ", "in_s      ", "in_min    ", "ft_min   ", "mtr_hr    ",
    "gal      ", "liter    ", "CuMtr       ", "bbl      ", "CuYd     ", "CuFt      ", "CuIn",
    "bbl_liq      ",
    "ft        ", "M    ", "in         ", "cm       ", "mm       ",
    "gram     ", "kg        ", "MetTon    ", "lb       ", "ounce     ",
    "g_s       ", "g_min     ", "g_hr     ", "kg_s     ", "kg_min   ", "metTOM_min ",
    "metton_hr  ", "lb_s       ", "lb_min     ", "lb_hr      ",
    "g_CuCM     ", "KG_CuMtr   ", "lb_gal    ", "lb_Cuft    ", "g_ml      ", "kb_l       ",
    "g_l        ",
    "centi_stokes ", "cpoise       ",
    "mewtom_meter  ", "deka_therm    ", "foot_pound_force ", "kilo_watt_hour    ",
    "mega_joule       ", "british_thermal_unit ",
    "%", "other",
};

// Same order as the items.
constexpr std::array<std::uint8_t, UnitCount - 1> Codes = {
    1, 2, 3, 4, 5, 6, 7, 8, 11, 12, 14, 237,   // pressure
    32, 33, 34, 35,                            // temperature
    15, 16, 17, 19, 24, 26, 28, 131, 136, 138, // volume flow
    20, 21, 114, 115, 116, 120,                // velocity
    40, 41, 43, 46, 111, 112, 113, 124,        // volume
    44, 45, 47, 48, 49,                        // length
    60, 61, 62, 63, 125,                       // mass
    70, 71, 72, 73, 74, 77, 78, 80, 81, 82,    // mass flow
    91, 92, 93, 94, 95, 96, 97,                // density
    54, 55,                                    // viscosity
    69, 89, 126, 128, 164, 165,                // torque, energy
    57,                                        // percent
};
// clang-format on

constexpr std::size_t WideRIndex = 14;

constexpr std::array<std::string_view, UnitCount> ThirdVariableItems = [] {
    std::array<std::string_view, UnitCount> items = StandardItems;
    items[WideRIndex] = "R    ";
    return items;
}();

constexpr std::array<std::int8_t, 256> IndexByCode = [] {
    std::array<std::int8_t, 256> table{};
    table.fill(static_cast<std::int8_t>(OtherUnitIndex));
    for (std::size_t i = 0; i < Codes.size(); ++i) {
        table[Codes[i]] = static_cast<std::int8_t>(i);
    }
    return table;
}();

} // namespace

const std::array<std::string_view, UnitCount>& UnitItems(UnitList list) {
    return list == UnitList::ThirdVariable ? ThirdVariableItems : StandardItems;
}

int UnitIndexForCode(std::uint8_t code) {
    return IndexByCode[code];
}

const std::array<std::uint8_t, UnitCount - 1>& UnitCodes() {
    return Codes;
}
