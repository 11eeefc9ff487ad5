#include "tools/ModbusRegisters.h"

#include "exchange/ModbusCrc16.h"

#include <gtest/gtest.h>

#include <array>

namespace {

// Places the value's bytes A B C D in two registers as a device of that order sends them.
std::array<std::uint16_t, 2> Arrange(std::uint32_t value, ByteOrder order) {
    const std::uint8_t a = value >> 24, b = value >> 16 & 0xFF, c = value >> 8 & 0xFF,
                       d = value & 0xFF;
    auto word = [](std::uint8_t hi, std::uint8_t lo) {
        return static_cast<std::uint16_t>(hi << 8 | lo);
    };
    switch (order) {
    case ByteOrder::ABCD:
        return {word(a, b), word(c, d)};
    case ByteOrder::CDAB:
        return {word(c, d), word(a, b)};
    case ByteOrder::BADC:
        return {word(b, a), word(d, c)};
    case ByteOrder::DCBA:
        return {word(d, c), word(b, a)};
    }
    return {};
}

TEST(ModbusRegisters, ThirtyTwoBitValuesInEveryByteOrder) {
    struct Case {
        RegisterType type;
        std::uint32_t bits;
        std::string text;
    };
    const std::array<Case, 4> cases{{
        {RegisterType::U32, 0x12345678, "305419896"},
        {RegisterType::S32, 0xFEDCBA98, "-19088744"},
        {RegisterType::U32, 0xFEDCBA98, "4275878552"},
        {RegisterType::F32, 0xC0700000, "-3.75"},
    }};
    for (const ByteOrder order :
         {ByteOrder::ABCD, ByteOrder::CDAB, ByteOrder::BADC, ByteOrder::DCBA}) {
        for (const Case& c : cases) {
            const auto registers = Arrange(c.bits, order);
            // A third register does not make a second value.
            const std::array<std::uint16_t, 3> read{registers[0], registers[1], 0xFFFF};
            const auto values = DecodeRegisters(read, 40, c.type, order);
            ASSERT_EQ(values.size(), 1U) << ByteOrderName(order);
            EXPECT_EQ(values[0].text, c.text) << ByteOrderName(order) << RegisterTypeName(c.type);
            EXPECT_EQ(values[0].address, 40);
        }
    }
}

TEST(ModbusRegisters, SixteenBitValuesSwapOnlyForByteSwappedOrders) {
    const std::array<std::uint16_t, 2> read{0xFF01, 0x0080};
    struct Case {
        RegisterType type;
        ByteOrder order;
        std::string first, second;
    };
    for (const Case& c : std::array<Case, 4>{{
             {RegisterType::U16, ByteOrder::ABCD, "65281", "128"},
             {RegisterType::S16, ByteOrder::CDAB, "-255", "128"},
             {RegisterType::U16, ByteOrder::BADC, "511", "32768"},
             {RegisterType::S16, ByteOrder::DCBA, "511", "-32768"},
         }}) {
        const auto values = DecodeRegisters(read, 0, c.type, c.order);
        ASSERT_EQ(values.size(), 2U);
        EXPECT_EQ(values[0].text, c.first) << ByteOrderName(c.order);
        EXPECT_EQ(values[1].text, c.second) << ByteOrderName(c.order);
        EXPECT_EQ(values[1].address, 1);
    }
}

TEST(ModbusRegisters, NamesRoundTripAndUnknownNamesAreRefused) {
    for (const char* name : {"u16", "s16", "u32", "s32", "f32"})
        EXPECT_EQ(RegisterTypeName(*RegisterTypeNamed(name)), name);
    for (const char* name : {"ABCD", "CDAB", "BADC", "DCBA"})
        EXPECT_EQ(ByteOrderName(*ByteOrderNamed(name)), name);
    EXPECT_FALSE(RegisterTypeNamed("f64"));
    EXPECT_FALSE(ByteOrderNamed("abcd"));
}

std::vector<std::uint8_t> WithCrc(std::vector<std::uint8_t> frame) {
    const ModbusCrc crc = ModbusCrc16(frame);
    frame.push_back(crc.CrcHi);
    frame.push_back(crc.CrcLo);
    return frame;
}

TEST(ModbusRegisters, RepliesAreCheckedBeforeTheirRegistersAreRead) {
    using Status = ModbusReadReply::Status;
    auto corrupt = WithCrc({1, 3, 2, 0x12, 0x34});
    corrupt[3] ^= 1;
    struct Case {
        const char* what;
        std::vector<std::uint8_t> reply;
        Status status;
        std::uint8_t exception;
    };
    const std::vector<Case> cases{
        {"two registers", WithCrc({1, 3, 4, 0x12, 0x34, 0xAB, 0xCD}), Status::Ok, 0},
        {"exception", WithCrc({1, 0x83, 2}), Status::Exception, 2},
        {"damaged", corrupt, Status::BadCrc, 0},
        {"another slave", WithCrc({2, 3, 4, 0, 0, 0, 0}), Status::Malformed, 0},
        {"fewer registers than asked", WithCrc({1, 3, 2, 0, 0}), Status::Malformed, 0},
        {"cut short", {1, 3, 4, 0x12}, Status::Malformed, 0},
        {"nothing", {}, Status::Malformed, 0},
    };
    for (const Case& c : cases) {
        const ModbusReadReply reply = ParseModbusReadReply(c.reply, 1, 2);
        EXPECT_EQ(reply.status, c.status) << c.what;
        EXPECT_EQ(reply.exceptionCode, c.exception) << c.what;
        if (c.status == Status::Ok) {
            EXPECT_EQ(reply.registers, (std::vector<std::uint16_t>{0x1234, 0xABCD}));
        }
    }
}

TEST(ModbusRegisters, ReadFrameCarriesSixteenBitFieldsAndTheReplyLengthIsKnownEarly) {
    EXPECT_EQ(ModbusReadFrame(17, 0x0102, 0x0304), WithCrc({17, 3, 0x01, 0x02, 0x03, 0x04}));
    EXPECT_FALSE(ModbusReplyLength(std::vector<std::uint8_t>{1, 3}));
    EXPECT_EQ(ModbusReplyLength(std::vector<std::uint8_t>{1, 3, 10}), 15U);
    EXPECT_EQ(ModbusReplyLength(std::vector<std::uint8_t>{1, 0x83}), 5U);
}

} // namespace
