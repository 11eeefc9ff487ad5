#include "hart/HartIdentityText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The identity's numbers read as the HART page shows them, with the frame's bytes beside.
TEST(HartIdentityText, DecimalAsThePageShowsWithTheFrameHexBeside) {
    struct Case {
        HartIdentity identity;
        std::uint32_t number;
        std::string text;
    };
    const std::vector<Case> cases = {
        {{0x26, 0x06, 5, {0x12, 0x34, 0x56}},
         1193046,
         "manufacturer 38 (0x26), device type 6 (0x06), device id 1193046 (0x123456)"},
        // The first byte is the most significant; leading zero bytes keep their hex digits.
        {{0x01, 0x0A, 5, {0x00, 0x12, 0x34}},
         4660,
         "manufacturer 1 (0x01), device type 10 (0x0A), device id 4660 (0x001234)"},
        {{0x00, 0x00, 0, {0x00, 0x00, 0x00}},
         0,
         "manufacturer 0 (0x00), device type 0 (0x00), device id 0 (0x000000)"},
        {{0xFF, 0xFE, 20, {0xFF, 0xFF, 0xFF}},
         16777215,
         "manufacturer 255 (0xFF), device type 254 (0xFE), device id 16777215 (0xFFFFFF)"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DeviceIdNumber(c.identity), c.number) << c.text;
        EXPECT_EQ(IdentityText(c.identity), c.text);
    }
}

} // namespace
