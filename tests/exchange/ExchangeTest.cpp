#include "exchange/FrameBuffer.h"
#include "exchange/HexText.h"
#include "exchange/IntegerText.h"
#include "exchange/ModbusCrc16.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

// CRC-16/MODBUS the slow way, bit by bit, as a reference for the table-driven one.
std::uint16_t BitwiseCrc(const Bytes& bytes) {
    std::uint16_t crc = 0xFFFF;
    for (const std::uint8_t byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 1U) != 0 ? static_cast<std::uint16_t>((crc >> 1U) ^ 0xA001U)
                                  : static_cast<std::uint16_t>(crc >> 1U);
        }
    }
    return crc;
}

TEST(ModbusCrc16, WorkedExamples) {
    struct Case {
        Bytes bytes;
        std::uint8_t hi;
        std::uint8_t lo;
    };
    const std::string check = "123456789";
    const std::vector<Case> cases = {
        {{0x01, 0x03, 0x00, 0x00, 0x00, 0x01}, 0x84, 0x0A},
        {Bytes(check.begin(), check.end()), 0x37, 0x4B},
        {{0x01, 0x03, 0x00, 0x00, 0x00, 0x0A}, 0xC5, 0xCD},
        {{0xF7, 0x03, 0x00, 0x00, 0x00, 0x0A}, 0xD1, 0x5B},
        {{}, 0xFF, 0xFF},
    };
    for (const Case& c : cases) {
        const ModbusCrc crc = ModbusCrc16(c.bytes);
        EXPECT_EQ(crc.CrcHi, c.hi);
        EXPECT_EQ(crc.CrcLo, c.lo);
    }
}

TEST(ModbusCrc16, TablesStartAsTheClassicOnes) {
    EXPECT_EQ((Bytes{CrcHiTable[0], CrcHiTable[1], CrcHiTable[2], CrcHiTable[3]}),
              (Bytes{0x00, 0xC1, 0x81, 0x40}));
    EXPECT_EQ((Bytes{CrcLoTable[0], CrcLoTable[1], CrcLoTable[2], CrcLoTable[3]}),
              (Bytes{0x00, 0xC0, 0xC1, 0x01}));
    EXPECT_EQ(CrcHiTable[255], 0x40);
    EXPECT_EQ(CrcLoTable[255], 0x40);
}

TEST(ModbusCrc16, MatchesBitwiseCrcOnRandomFrames) {
    std::mt19937 random(20261209);
    for (int frame = 0; frame < 5000; ++frame) {
        Bytes bytes(random() % 300);
        for (std::uint8_t& byte : bytes) {
            byte = static_cast<std::uint8_t>(random());
        }
        const ModbusCrc crc = ModbusCrc16(bytes);
        const std::uint16_t expected = BitwiseCrc(bytes);
        ASSERT_EQ(crc.CrcHi, expected & 0xFF) << "frame " << frame;
        ASSERT_EQ(crc.CrcLo, expected >> 8) << "frame " << frame;
    }
}

TEST(HexText, ByteToHexAndDump) {
    EXPECT_EQ(ByteToHex(0), "00");
    EXPECT_EQ(ByteToHex(0x0A), "0A");
    EXPECT_EQ(ByteToHex(255), "FF");
    EXPECT_EQ(ByteToHex(256), ".");
    EXPECT_EQ(ByteToHex(-1), ".");
    EXPECT_EQ(HexDump(Bytes{0xFF, 0x06, 0x0A}), "FF 06 0A ");
    EXPECT_EQ(HexDump(Bytes{}), "");
}

TEST(HexText, ParseHexPairs) {
    struct Case {
        std::string text;
        std::size_t maxPairs;
        HexPairsStatus status;
        Bytes bytes;
    };
    const std::vector<Case> cases = {
        {"01 02 03", 14, HexPairsStatus::Ok, {1, 2, 3}},
        {"01 02 03 ", 14, HexPairsStatus::Ok, {1, 2, 3}},
        {"01 02 0", 14, HexPairsStatus::Ok, {1, 2}},
        {"7F", 14, HexPairsStatus::Ok, {0x7F}},
        {"00 FF", 14, HexPairsStatus::Ok, {0x00, 0xFF}},
        {"0280", 15, HexPairsStatus::Ok, {0x02}},
        {"02-80", 15, HexPairsStatus::BadSeparator, {}},
        {"010203", 14, HexPairsStatus::BadSeparator, {}},
        {"01,02", 14, HexPairsStatus::BadSeparator, {}},
        {"", 14, HexPairsStatus::BadSeparator, {}},
        {"7", 14, HexPairsStatus::BadSeparator, {}},
        {"0a 01", 14, HexPairsStatus::BadDigit, {}},
        {"G1", 14, HexPairsStatus::BadDigit, {}},
        {"02 8 ", 15, HexPairsStatus::BadDigit, {}},
    };
    for (const Case& c : cases) {
        const HexPairs pairs = ParseHexPairs(c.text, c.maxPairs);
        EXPECT_EQ(pairs.status, c.status) << '"' << c.text << '"';
        EXPECT_EQ(pairs.bytes, c.bytes) << '"' << c.text << '"';
    }
}

TEST(HexText, PairsBeyondTheCapAreIgnored) {
    std::string text;
    for (int i = 0; i < 20; ++i) {
        text += ByteToHex(i) + " ";
    }
    EXPECT_EQ(ParseHexPairs(text, 14).bytes.size(), 14U);
    EXPECT_EQ(ParseHexPairs(text, 15).bytes.size(), 15U);
    // What lies beyond the cap is not checked either.
    EXPECT_EQ(ParseHexPairs(text.substr(0, 42) + "zz-zz", 14).status, HexPairsStatus::Ok);
}

TEST(IntegerText, ConvertsOnlyDecimalIntegers) {
    struct Case {
        std::string text;
        std::optional<int> value;
    };
    const std::vector<Case> cases = {
        {"0", 0},
        {"5", 5},
        {"005", 5},
        {"-1", -1},
        {"+7", 7},
        {"2147483647", 2147483647},
        {"-2147483648", -2147483647 - 1},
        {"", {}},
        {"-", {}},
        {"2147483648", {}},
        {"-2147483649", {}},
        {" 5", {}},
        {"5 ", {}},
        {"$1F", {}},
        {"0x10", {}},
        {"1.5", {}},
        {"abc", {}},
        {"99999999999999999999", {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TryStrToInt(c.text), c.value) << '"' << c.text << '"';
    }
}

TEST(IntegerText, ConversionMessageNamesTheText) {
    EXPECT_EQ(ConversionMessage(""), "'' is not a valid integer value");
    try {
        StrToInt("abc");
        FAIL() << "no error raised";
    } catch (const EConvertError& error) {
        EXPECT_STREQ(error.what(), "'abc' is not a valid integer value");
    }
    EXPECT_EQ(StrToInt("247"), 247);
}

TEST(FrameBuffer, ReceiveBounds) {
    struct Case {
        std::size_t chunk;
        std::size_t text;
        std::size_t kept;
    };
    for (const Case& c : std::vector<Case>{{1, 1, 1},
                                           {255, 255, 255},
                                           {300, 255, 300},
                                           {404, 255, 404},
                                           {405, 255, 404},
                                           {2048, 255, 404}}) {
        FrameBuffer buffer;
        Bytes chunk(c.chunk);
        for (std::size_t i = 0; i < chunk.size(); ++i) {
            chunk[i] = static_cast<std::uint8_t>(i * 7 + 1);
        }
        const std::string text = buffer.StoreChunk(chunk.data(), chunk.size());
        EXPECT_EQ(text.size(), c.text);
        EXPECT_EQ(text, std::string(chunk.begin(), chunk.begin() + static_cast<long>(c.text)));
        ASSERT_EQ(buffer.Received().size(), c.kept);
        EXPECT_TRUE(std::equal(chunk.begin(), chunk.begin() + static_cast<long>(c.kept),
                               buffer.Received().begin()));
    }
}

TEST(FrameBuffer, ANewChunkLeavesNothingOfTheLastOne) {
    FrameBuffer buffer;
    const Bytes first(300, 0xFF);
    buffer.StoreChunk(first.data(), first.size());
    const Bytes second{0x41, 0x42};
    EXPECT_EQ(buffer.StoreChunk(second.data(), second.size()), "AB");
    EXPECT_EQ(buffer.Received().size(), 2U);
    EXPECT_EQ(buffer[FrameBuffer::ReceiveBegin + 2], 0);
    EXPECT_EQ(buffer[FrameBuffer::ReceiveBegin + 299], 0);
}

TEST(FrameBuffer, ChunksLeaveThePollAddressAndIndexesAreBounded) {
    FrameBuffer buffer;
    buffer[FrameBuffer::PollAddressIndex] = 0x0C;
    const Bytes chunk(2048, 0xAA);
    buffer.StoreChunk(chunk.data(), chunk.size());
    EXPECT_EQ(buffer[FrameBuffer::PollAddressIndex], 0x0C);
    EXPECT_EQ(buffer[511], 0x00);
    EXPECT_EQ(buffer[512], 0xAA);
    EXPECT_THROW(buffer[916], std::out_of_range);
}

} // namespace
