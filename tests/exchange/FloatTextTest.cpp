#include "exchange/FloatText.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace {

long double FromBits(std::uint32_t bits) {
    return static_cast<long double>(std::bit_cast<float>(bits));
}

TEST(GeneralFloatText, FifteenSignificantDigits) {
    struct Case {
        std::uint32_t bits;
        std::string text;
    };
    const std::vector<Case> cases = {
        {0x41200000, "10"},
        {0x3FC00000, "1.5"},
        {0xC2F6E979, "-123.456001281738"},
        {0x3DCCCCCD, "0.100000001490116"},
        {0x00000000, "0"},
        {0x80000000, "0"},
        {0x4E6E6B28, "1000000000"},
        {0x501502F9, "10000000000"},
        {0x2EDBE6FF, "1.00000001335143E-10"},
        {0x7F800000, "INF"},
        {0xFF800000, "-INF"},
        {0x7FC00000, "NAN"},
        {0xFFC00000, "-NAN"},
        {0x41458 << 12 | 0x7E6, "12.3456783294678"},
        {0x40800000, "4"},
        {0xC0700000, "-3.75"},
        {0x47F12065, "123456.7890625"},
        {0x38D1B717, "9.99999974737875E-5"},
        {0x38D1B718, "0.000100000004749745"},
        {0x5A5E0B6B, "1.5624999754793E16"},
        {0x7F7FFFFF, "3.40282346638529E38"},
        {0x00000001, "1.40129846432482E-45"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(GeneralFloatText(FromBits(c.bits)), c.text) << std::hex << c.bits;
    }
}

TEST(GeneralFloatText, BoundariesOfFixedNotation) {
    EXPECT_EQ(GeneralFloatText(1e15L), "1E15");
    EXPECT_EQ(GeneralFloatText(999999999999999.0L), "999999999999999");
    EXPECT_EQ(GeneralFloatText(0.0001L), "0.0001");
    EXPECT_EQ(GeneralFloatText(-0.00001L), "-1E-5");
    EXPECT_EQ(GeneralFloatText(123e20L), "1.23E22");
}

TEST(GeneralFloatText, LocaleDecimalSeparator) {
    EXPECT_EQ(GeneralFloatText(1.5L, ","), "1,5");
    EXPECT_EQ(GeneralFloatText(1.5e-7L, ","), "1,5E-7");
    EXPECT_EQ(GeneralFloatText(-0.25L, ","), "-0,25");
}

} // namespace
