#include "hart/HartReplyLength.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// The length is known as soon as the byte count arrives, and not one byte earlier.
TEST(HartReplyLength, KnownFromTheByteCountOnward) {
    struct Case {
        const char* what;
        std::vector<std::uint8_t> frame; // a whole frame
        std::size_t countAt;             // where its byte count lies
    };
    const std::vector<Case> cases{
        {"short answer, two preambles", {0xFF, 0xFF, 0x06, 0x80, 0x00, 0x02, 0x00, 0x00, 0x84}, 5},
        {"long answer", {0xFF, 0x86, 0xA6, 0x11, 0x00, 0x00, 0x01, 0x03, 0x01, 0x00, 0x32}, 8},
        {"one expansion byte", {0xFF, 0x26, 0x80, 0x07, 0x00, 0x00, 0xA1}, 5},
        {"no preamble, no data", {0x06, 0x80, 0x00, 0x00, 0x86}, 3},
    };
    for (const Case& c : cases) {
        for (std::size_t n = 0; n <= c.frame.size(); ++n) {
            const auto length = HartFrameLength(std::span(c.frame).first(n));
            if (n <= c.countAt) {
                EXPECT_FALSE(length) << c.what << " after " << n << " bytes";
            } else {
                EXPECT_EQ(length, c.frame.size()) << c.what << " after " << n << " bytes";
            }
        }
    }
    EXPECT_FALSE(HartFrameLength(std::vector<std::uint8_t>(300, 0xFF)));
}

} // namespace
