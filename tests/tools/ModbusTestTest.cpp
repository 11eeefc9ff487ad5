#include "tools/ModbusTest.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(ModbusReadRequest, FramesWithTheirCrc) {
    struct Case {
        std::string slave, start, length;
        Bytes frame;
    };
    const std::vector<Case> cases = {
        {"001", "00", "10", {0x01, 0x03, 0x00, 0x00, 0x00, 0x0A, 0xC5, 0xCD}},
        {"001", "10", "10", {0x01, 0x03, 0x00, 0x0A, 0x00, 0x0A, 0xE5, 0xCF}},
        {"247", "00", "10", {0xF7, 0x03, 0x00, 0x00, 0x00, 0x0A, 0xD1, 0x5B}},
        {"1", "0", "1", {0x01, 0x03, 0x00, 0x00, 0x00, 0x01, 0x84, 0x0A}},
        {"+1", "-0", "01", {0x01, 0x03, 0x00, 0x00, 0x00, 0x01, 0x84, 0x0A}},
    };
    for (const Case& c : cases) {
        const FrameResult result = ModbusReadRequest(c.slave, c.start, c.length);
        EXPECT_TRUE(result.ok()) << c.slave << ' ' << c.start << ' ' << c.length;
        EXPECT_EQ(result.bytes, c.frame) << c.slave << ' ' << c.start << ' ' << c.length;
    }
}

TEST(ModbusReadRequest, FieldsAreCheckedInOrder) {
    struct Case {
        std::string slave, start, length;
        FrameFailure failure;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"abc", "00", "10", FrameFailure::Conversion, "'abc' is not a valid integer value"},
        {"abc", "x", "y", FrameFailure::Conversion, "'abc' is not a valid integer value"},
        {"1", "x", "y", FrameFailure::Conversion, "'x' is not a valid integer value"},
        {"1", "0", "1 0", FrameFailure::Conversion, "'1 0' is not a valid integer value"},
        {"", "0", "10", FrameFailure::Conversion, "'' is not a valid integer value"},
        {"0x10", "0", "10", FrameFailure::Conversion, "'0x10' is not a valid integer value"},
        {"300", "x", "10", FrameFailure::Refused, "\"MODBUS slave address\""},
        {"-1", "0", "10", FrameFailure::Refused, "\"MODBUS slave address\""},
        {"1", "300", "10", FrameFailure::Refused, "\"data start address\""},
        {"1", "256", "x", FrameFailure::Refused, "\"data start address\""},
        {"1", "0", "256", FrameFailure::Refused, "\"data length\""},
        {"1", "0", "-5", FrameFailure::Refused, "\"data length\""},
    };
    for (const Case& c : cases) {
        const FrameResult result = ModbusReadRequest(c.slave, c.start, c.length);
        EXPECT_EQ(result.failure, c.failure) << c.slave << ' ' << c.start << ' ' << c.length;
        EXPECT_TRUE(result.bytes.empty());
        EXPECT_NE(result.message.find(c.message), std::string::npos) << result.message;
    }
    // The boundaries themselves are sent.
    EXPECT_TRUE(ModbusReadRequest("0", "0", "0").ok());
    EXPECT_TRUE(ModbusReadRequest("255", "255", "255").ok());
}

} // namespace
