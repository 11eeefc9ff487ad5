#include "tools/RegisterTable.h"

#include "exchange/ModbusCrc16.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cstdio>

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes WithCrc(Bytes frame) {
    const ModbusCrc crc = ModbusCrc16(frame);
    frame.push_back(crc.CrcHi);
    frame.push_back(crc.CrcLo);
    return frame;
}

// Where the value's bytes A, B, C, D (most significant first) lie among the bytes of its
// registers as they arrive.
std::array<std::size_t, 4> Positions(ByteOrder order) {
    switch (order) {
    case ByteOrder::ABCD:
        return {0, 1, 2, 3};
    case ByteOrder::CDAB:
        return {2, 3, 0, 1};
    case ByteOrder::BADC:
        return {1, 0, 3, 2};
    case ByteOrder::DCBA:
        return {3, 2, 1, 0};
    }
    return {};
}

double Expected(const std::uint8_t* raw, RegisterType type, ByteOrder order) {
    const auto p = Positions(order);
    if (type == RegisterType::U16 || type == RegisterType::S16) {
        // Of a single register only the swap within it counts.
        const bool swapped = p[0] % 2 == 1;
        const std::uint16_t word =
            static_cast<std::uint16_t>(swapped ? raw[1] << 8 | raw[0] : raw[0] << 8 | raw[1]);
        return type == RegisterType::U16 ? word : static_cast<std::int16_t>(word);
    }
    std::uint32_t bits = 0;
    for (const std::size_t at : p)
        bits = bits << 8 | raw[at];
    switch (type) {
    case RegisterType::U32:
        return bits;
    case RegisterType::S32:
        return static_cast<std::int32_t>(bits);
    default:
        return std::bit_cast<float>(bits);
    }
}

TEST(RegisterTable, EveryTypeAndByteOrderReadsTheAnswersRegisters) {
    // Slave 5, registers 100 to 104; a 32-bit type leaves the fifth register out.
    const Bytes request = WithCrc({5, 3, 0, 100, 0, 5});
    const Bytes data{0x40, 0x49, 0x0F, 0xDB, 0xC0, 0xA0, 0x00, 0x01, 0x80, 0x01};
    Bytes answer{5, 3, 10};
    answer.insert(answer.end(), data.begin(), data.end());
    answer = WithCrc(answer);
    for (int t = 0; t < 5; ++t) {
        for (int o = 0; o < 4; ++o) {
            const auto type = static_cast<RegisterType>(t);
            const auto order = static_cast<ByteOrder>(o);
            const std::string what =
                std::string(RegisterTypeName(type)) + " " + std::string(ByteOrderName(order));
            const RegisterTable table = MakeRegisterTable(request, answer, type, order);
            EXPECT_EQ(table.problem, "") << what;
            const std::size_t width =
                type == RegisterType::U16 || type == RegisterType::S16 ? 2 : 4;
            ASSERT_EQ(table.rows.size(), data.size() / width) << what;
            for (std::size_t i = 0; i < table.rows.size(); ++i) {
                const RegisterRow& row = table.rows[i];
                const std::uint8_t* raw = data.data() + i * width;
                std::string hex;
                for (std::size_t k = 0; k < width; ++k) {
                    char pair[4];
                    std::snprintf(pair, sizeof pair, k ? " %02X" : "%02X", raw[k]);
                    hex += pair;
                }
                EXPECT_EQ(row.address, 100 + static_cast<int>(i * width / 2)) << what;
                EXPECT_EQ(row.raw, hex) << what;
                EXPECT_EQ(row.number, Expected(raw, type, order)) << what << " row " << i;
                EXPECT_FALSE(row.value.empty()) << what;
            }
        }
    }
}

TEST(RegisterTable, AnAnswerThatDoesNotFitTheRequestGivesNoRows) {
    const Bytes request = WithCrc({5, 3, 0, 0, 0, 1});
    Bytes damaged = WithCrc({5, 3, 2, 0x12, 0x34});
    damaged[4] ^= 0x01;
    struct Case {
        const char* what;
        Bytes request, reply;
        std::string problem;
    };
    const std::vector<Case> cases{
        {"exception", request, WithCrc({5, 0x83, 2}), "exception 2"},
        {"damaged", request, damaged, "bad CRC"},
        {"another slave", request, WithCrc({6, 3, 2, 0x12, 0x34}), "not an answer to the request"},
        {"two registers for one", request, WithCrc({5, 3, 4, 1, 2, 3, 4}),
         "not an answer to the request"},
        {"cut short", request, {5, 3, 2, 0x12}, "not an answer to the request"},
        {"not a read", WithCrc({5, 6, 0, 0, 0, 1}), WithCrc({5, 3, 2, 0x12, 0x34}),
         "not a read request"},
        {"request cut short", {5, 3, 0}, WithCrc({5, 3, 2, 0x12, 0x34}), "not a read request"},
    };
    for (const Case& c : cases) {
        const RegisterTable table =
            MakeRegisterTable(c.request, c.reply, RegisterType::U16, ByteOrder::ABCD);
        EXPECT_EQ(table.problem, c.problem) << c.what;
        EXPECT_TRUE(table.rows.empty()) << c.what;
    }
}

TEST(RegisterTable, TheCalculatorsBytesInEachOrder) {
    // 10.0 is 41 20 00 00; each row types it as a device of that order sends it.
    struct Case {
        ByteOrder order;
        std::array<std::uint8_t, 4> bytes;
    };
    for (const Case& c : std::array<Case, 4>{{{ByteOrder::ABCD, {0x41, 0x20, 0x00, 0x00}},
                                              {ByteOrder::CDAB, {0x00, 0x00, 0x41, 0x20}},
                                              {ByteOrder::BADC, {0x20, 0x41, 0x00, 0x00}},
                                              {ByteOrder::DCBA, {0x00, 0x00, 0x20, 0x41}}}}) {
        const RegisterValue value = FloatInOrder(c.bytes, c.order);
        EXPECT_EQ(value.number, 10.0) << ByteOrderName(c.order);
        EXPECT_EQ(value.text, "10") << ByteOrderName(c.order);
    }
}

} // namespace
