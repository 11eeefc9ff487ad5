#include "hart/HartUnits.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

// The HART common unit codes the lists stand for, with the unit's name in the HART
// common table and the item the window shows for it (without its trailing blanks).
struct Reference {
    int code;
    std::string hartUnit;
    std::string item;
};

const std::vector<Reference> HartCommonUnits = {
    {1, "inches of water at 68 degF", "inH20"},
    {2, "inches of mercury at 0 degC", "inhg"},
    {3, "feet of water at 68 degF", "FtH20"},
    {4, "millimetres of water at 68 degF", "mmH20"},
    {5, "millimetres of mercury at 0 degC", "mmHg"},
    {6, "pounds per square inch", "psi"},
    {7, "bar", "bar"},
    {8, "millibar", "mbar"},
    {11, "pascal", "Pa"},
    {12, "kilopascal", "KPa"},
    {14, "atmosphere", "ATM"},
    {15, "cubic feet per minute", "CuFt_min"},
    {16, "gallons per minute", "gal_min"},
    {17, "litres per minute", "l_min"},
    {19, "cubic metres per hour", "CuMtr_hr"},
    {20, "feet per second", "ft_s"},
    {21, "metres per second", "mtr_s"},
    {24, "litres per second", "l_s"},
    {26, "cubic feet per second", "Cuft_s"},
    {28, "cubic metres per second", "CuMtr_s"},
    {32, "degrees Celsius", "\u2103"},
    {33, "degrees Fahrenheit", "\u2109"},
    {34, "degrees Rankine", "R"},
    {35, "kelvin", "Kelvin"},
    {40, "gallons", "gal"},
    {41, "litres", "liter"},
    {43, "cubic metres", "CuMtr"},
    {44, "feet", "ft"},
    {45, "metres", "M"},
    {46, "barrels", "bbl"},
    {47, "inches", "in"},
    {48, "centimetres", "cm"},
    {49, "millimetres", "mm"},
    {54, "centistokes", "centi_stokes"},
    {55, "centipoise", "cpoise"},
    {57, "percent", "%"},
    {60, "grams", "gram"},
    {61, "kilograms", "kg"},
    {62, "metric tons", "MetTon"},
    {63, "pounds", "lb"},
    {69, "newton metres", "mewtom_meter"},
    {70, "grams per second", "g_s"},
    {71, "grams per minute", "g_min"},
    {72, "grams per hour", "g_hr"},
    {73, "kilograms per second", "kg_s"},
    {74, "kilograms per minute", "kg_min"},
    {77, "metric tons per minute", "metTOM_min"},
    {78, "metric tons per hour", "metton_hr"},
    {80, "pounds per second", "lb_s"},
    {81, "pounds per minute", "lb_min"},
    {82, "pounds per hour", "lb_hr"},
    {89, "deka therm", "deka_therm"},
    {91, "grams per cubic centimetre", "g_CuCM"},
    {92, "kilograms per cubic metre", "KG_CuMtr"},
    {93, "pounds per gallon", "lb_gal"},
    {94, "pounds per cubic foot", "lb_Cuft"},
    {95, "grams per millilitre", "g_ml"},
    {96, "kilograms per litre", "kb_l"},
    {97, "grams per litre", "g_l"},
    {111, "cubic yards", "CuYd"},
    {112, "cubic feet", "CuFt"},
    {113, "cubic inches", "CuIn"},
    {114, "inches per second", "in_s"},
    {115, "inches per minute", "in_min"},
    {116, "feet per minute", "ft_min"},
    {120, "metres per hour", "mtr_hr"},
    {124, "liquid barrels", "bbl_liq"},
    {125, "ounces", "ounce"},
    {126, "foot pound force", "foot_pound_force"},
    {128, "kilowatt hours", "kilo_watt_hour"},
    {131, "cubic metres per minute", "CuMtr_min"},
    {136, "gallons per hour", "gal_hr"},
    {138, "litres per hour", "l_hr"},
    {164, "megajoules", "mega_joule"},
    {165, "British thermal units", "british_thermal_unit"},
    {237, "megapascal", "MPa"},
};

std::string Trimmed(std::string_view item) {
    std::string text(item);
    while (!text.empty() && text.back() == ' ') {
        text.pop_back();
    }
    return text;
}

TEST(HartUnits, EveryCodeOfTheCommonTableSelectsItsItem) {
    ASSERT_EQ(HartCommonUnits.size(), UnitCount - 1);
    std::map<int, std::string> itemByCode;
    for (const Reference& unit : HartCommonUnits) {
        itemByCode[unit.code] = unit.item;
        const int index = UnitIndexForCode(static_cast<std::uint8_t>(unit.code));
        ASSERT_GE(index, 0) << unit.hartUnit;
        ASSERT_LT(index, OtherUnitIndex) << unit.hartUnit;
        EXPECT_EQ(Trimmed(UnitItems()[static_cast<std::size_t>(index)]), unit.item)
            << "code " << unit.code << " (" << unit.hartUnit << ")";
    }
    for (int code = 0; code < 256; ++code) {
        if (!itemByCode.contains(code)) {
            EXPECT_EQ(UnitIndexForCode(static_cast<std::uint8_t>(code)), OtherUnitIndex)
                << "code " << code;
        }
    }
}

TEST(HartUnits, ExamplesOfSelection) {
    const std::vector<std::pair<int, int>> cases = {{61, 46},  {62, 47}, {77, 55},  {75, 76},
                                                    {250, 76}, {1, 0},   {237, 11}, {57, 75},
                                                    {0, 76},   {255, 76}};
    for (const auto& [code, index] : cases) {
        EXPECT_EQ(UnitIndexForCode(static_cast<std::uint8_t>(code)), index) << code;
    }
}

TEST(HartUnits, ItemsAsTheWindowShowsThem) {
    const auto& standard = UnitItems();
    const auto& third = UnitItems(UnitList::ThirdVariable);
    ASSERT_EQ(standard.size(), 77U);
    EXPECT_EQ(standard[0], "inH20 ");
    EXPECT_EQ(standard[12], "\u2103  ");
    EXPECT_EQ(standard[13], "\u2109  ");
    EXPECT_EQ(standard[14], "R   ");
    EXPECT_EQ(third[14], "R    ");
    EXPECT_EQ(standard[38], "CuIn");
    EXPECT_EQ(standard[74], "british_thermal_unit ");
    EXPECT_EQ(standard[75], "%");
    EXPECT_EQ(standard[76], "other");
    std::set<std::string> distinct;
    for (std::size_t i = 0; i < UnitCount; ++i) {
        distinct.insert(Trimmed(standard[i]));
        if (i != 14) {
            EXPECT_EQ(standard[i], third[i]) << i;
        }
    }
    EXPECT_EQ(distinct.size(), UnitCount);
}

} // namespace
