#include "traffic/ChunkDescription.h"

#include "hart/HartFrameDescription.h"
#include "tools/ModbusFrameDescription.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

// `count` preamble bytes in front of a frame.
Bytes Preambled(std::size_t count, Bytes frame) {
    frame.insert(frame.begin(), count, 0xFF);
    return frame;
}

Bytes Text(std::string_view text) {
    return {text.begin(), text.end()};
}

// A command 0 reply: manufacturer 0x26, device type 0x06, 5 preambles, device id 12 34 56.
const Bytes IdentityReply = {0x06, 0x80, 0x00, 0x0E, 0x00, 0x00, 0xFE, 0x26, 0x06, 0x05,
                             0x07, 0x01, 0x01, 0x01, 0x08, 0x12, 0x34, 0x56, 0x2D};
Bytes BadChecksum(Bytes frame) {
    frame.back() ^= 0x01;
    return frame;
}

const std::string IdentityRequestText = "HART short master-to-slave, address 80 (primary "
                                        "master, poll address 0), command 0 read unique "
                                        "identifier, byte count 0";
const std::string IdentityReplyText =
    "HART short slave-to-master, address 80 (primary master, poll address 0), command 0 read "
    "unique identifier, byte count 14, response 0, device status 00";
// The instrument the whole answer names, in the HART page's decimal with the frame's hex.
const std::string IdentityFields =
    ", manufacturer 38 (0x26), device type 6 (0x06), device id 1193046 (0x123456)";

TEST(HartFrameDescription, DescribesEveryField) {
    struct Case {
        std::string name;
        Bytes chunk;
        std::optional<std::string> expected;
    };
    const std::vector<Case> cases = {
        {"identity request", Preambled(5, {0x02, 0x80, 0x00, 0x00, 0x82}),
         IdentityRequestText + ", checksum ok"},
        {"identity request, bad checksum", Preambled(5, {0x02, 0x80, 0x00, 0x00, 0x83}),
         IdentityRequestText + ", checksum bad"},
        {"identity reply", Preambled(5, IdentityReply),
         IdentityReplyText + IdentityFields + ", checksum ok"},
        {"identity reply, bad checksum", Preambled(5, BadChecksum(IdentityReply)),
         IdentityReplyText + IdentityFields + ", checksum bad"},
        {"secondary master, poll address 5", Preambled(2, {0x02, 0x05, 0x00, 0x00, 0x07}),
         "HART short master-to-slave, address 05 (secondary master, poll address 5), command 0 "
         "read unique identifier, byte count 0, checksum ok"},
        {"long frame, command 3",
         Preambled(7, {0x82, 0xA6, 0x06, 0x12, 0x34, 0x56, 0x03, 0x00, 0x51}),
         "HART long master-to-slave, address A6 06 12 34 56 (primary master), command 3 read "
         "dynamic variables, byte count 0, checksum ok"},
        {"long frame, command 6, new address 2",
         Preambled(7, {0x82, 0xA6, 0x06, 0x12, 0x34, 0x56, 0x06, 0x01, 0x02, 0x57}),
         "HART long master-to-slave, address A6 06 12 34 56 (primary master), command 6 write "
         "polling address, byte count 1, checksum ok"},
        {"burst frame, response code 5, unnamed command",
         Preambled(3, {0x01, 0x80, 0x7B, 0x02, 0x05, 0x40, 0xBD}),
         "HART short burst, address 80 (primary master, poll address 0), command 123, byte "
         "count 2, response 5, device status 40, checksum ok"},
        {"truncated in the data",
         Preambled(5, Bytes(IdentityReply.begin(), IdentityReply.begin() + 10)),
         IdentityReplyText + ", truncated (10 bytes of 19)"},
        {"truncated before the byte count", Preambled(5, {0x82, 0xA6, 0x06}),
         "HART long master-to-slave, truncated (3 bytes of at least 9)"},
        {"truncated in the header", Preambled(5, {0x02, 0x80, 0x00}),
         "HART short master-to-slave, address 80 (primary master, poll address 0), truncated "
         "(3 bytes of at least 5)"},
        {"reply cut after the response code", Preambled(5, {0x06, 0x80, 0x00, 0x0E, 0x00}),
         "HART short slave-to-master, address 80 (primary master, poll address 0), command 0 "
         "read unique identifier, byte count 14, response 0, truncated (5 bytes of 19)"},
        {"bytes after the checksum", Preambled(5, {0x02, 0x80, 0x00, 0x00, 0x82, 0x00, 0x00}),
         IdentityRequestText + ", checksum ok, then 2 more bytes"},
        {"no preamble, exact and checksummed",
         {0x02, 0x80, 0x00, 0x00, 0x82},
         IdentityRequestText + ", checksum ok"},
        {"no preamble, bad checksum: not HART", {0x02, 0x80, 0x00, 0x00, 0x83}, std::nullopt},
        {"no preamble, a MODBUS frame: not HART",
         {0x02, 0x03, 0x00, 0x00, 0x00, 0x0A, 0xC4, 0x3E},
         std::nullopt},
        {"preambles only", Bytes(5, 0xFF), std::nullopt},
        {"not a delimiter", Preambled(5, {0x03, 0x80}), std::nullopt},
        {"empty", {}, std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DescribeHartFrame(c.chunk), c.expected) << c.name;
}

TEST(ModbusFrameDescription, DescribesRequestsRepliesAndExceptions) {
    constexpr auto Request = ModbusFrameRole::Request;
    constexpr auto Reply = ModbusFrameRole::Reply;
    struct Case {
        std::string name;
        Bytes chunk;
        ModbusFrameRole role;
        std::optional<std::string> expected;
    };
    const std::vector<Case> cases = {
        {"read request",
         {0x01, 0x03, 0x00, 0x1E, 0x00, 0x0A, 0xA5, 0xCB},
         Request,
         "MODBUS slave 1, read holding registers (3), start 30, count 10, CRC ok"},
        {"read request, bad CRC",
         {0x01, 0x03, 0x00, 0x1E, 0x00, 0x0A, 0xA5, 0xCC},
         Request,
         "MODBUS slave 1, read holding registers (3), start 30, count 10, CRC bad"},
        {"read reply",
         {0x01, 0x03, 0x04, 0x41, 0xC8, 0x00, 0x00, 0x6F, 0xF1},
         Reply,
         "MODBUS slave 1, read holding registers (3), byte count 4, values 0x41C8 0x0000, CRC "
         "ok"},
        {"read reply, bad CRC",
         {0x01, 0x03, 0x04, 0x41, 0xC8, 0x00, 0x00, 0x6F, 0xF2},
         Reply,
         "MODBUS slave 1, read holding registers (3), byte count 4, values 0x41C8 0x0000, CRC "
         "bad"},
        {"read reply, truncated",
         {0x01, 0x03, 0x04, 0x41, 0xC8},
         Reply,
         "MODBUS slave 1, read holding registers (3), truncated (5 bytes of 9)"},
        {"read reply, before its byte count",
         {0x01, 0x03},
         Reply,
         "MODBUS slave 1, read holding registers (3), truncated (2 bytes of more)"},
        {"exception 2",
         {0x01, 0x83, 0x02, 0xC0, 0xF1},
         Reply,
         "MODBUS slave 1, read holding registers (3), exception 2 illegal data address, CRC ok"},
        {"exception 11",
         {0x01, 0x83, 0x0B, 0x00, 0xF7},
         Reply,
         "MODBUS slave 1, read holding registers (3), exception 11 gateway target device failed "
         "to respond, CRC ok"},
        {"exception, bad CRC",
         {0x01, 0x83, 0x02, 0xC0, 0xF0},
         Reply,
         "MODBUS slave 1, read holding registers (3), exception 2 illegal data address, CRC bad"},
        {"write single register",
         {0xF7, 0x06, 0x00, 0x01, 0x12, 0x34, 0xC1, 0xEB},
         Request,
         "MODBUS slave 247, write single register (6), register 1, value 0x1234, CRC ok"},
        {"write multiple registers",
         {0x01, 0x10, 0x00, 0x00, 0x00, 0x02, 0x04, 0x00, 0x01, 0x00, 0x02, 0x23, 0xAE},
         Request,
         "MODBUS slave 1, write multiple registers (16), start 0, count 2, byte count 4, CRC ok"},
        {"write multiple registers reply",
         {0x01, 0x10, 0x00, 0x00, 0x00, 0x02, 0x41, 0xC8},
         Reply,
         "MODBUS slave 1, write multiple registers (16), start 0, count 2, CRC ok"},
        {"request with trailing bytes",
         {0x01, 0x03, 0x00, 0x00, 0x00, 0x0A, 0xC5, 0xCD, 0x00},
         Request,
         "MODBUS slave 1, read holding registers (3), start 0, count 10, CRC ok, then 1 more "
         "bytes"},
        {"unknown function", {0x01, 0x41, 0x00, 0x00, 0x00}, Reply, std::nullopt},
        {"one byte", {0x01}, Reply, std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DescribeModbusFrame(c.chunk, c.role), c.expected) << c.name;
}

TEST(ConfigFrameDescription, NamesEveryRequest) {
    struct Case {
        std::string frame;
        std::optional<std::string> expected;
    };
    const std::vector<Case> cases = {
        {"QQQ#QV#", "communication query"},
        {"QQQ#QX#", "system parameter query"},
        {"QQQ#QQ3#", "MODBUS parameter query, instrument 3"},
        {"QQQ#QZ#", "query, unknown command QZ"},
        {"QQS#BA1:32#", "setting BA1 32, RS232 speed and parity"},
        {"QQS#BA2:62#", "setting BA2 62, RS485 speed and parity"},
        {"QQS#MD:1#", "setting MD 1, operating mode"},
        {"QQS#ADR:007#", "setting ADR 007, MODBUS slave address"},
        {"QQS#JTM:050#", "setting JTM 050, instrument polling interval"},
        {"QQS#RESET#", "setting RESET, parameter initialisation"},
        {"QQS#YB:22#", "setting YB 22, interface type and instrument count"},
        {"QQS#HART0:1,1,01,5,010#", "setting HART0 1,1,01,5,010, HART link of instrument 0"},
        {"QQS#DFOT2:00300#", "setting DFOT2 00300, register formats of instrument 2"},
        {"QQS#FMW:2,0.001#", "setting FMW 2,0.001, variable 1 coefficient"},
        {"QQS#MDBS0:8,1030,1070,0000,0000#",
         "setting MDBS0 8,1030,1070,0000,0000, parsing format of instrument 0"},
        {std::string("QQS#CAMD01:1<03,\x01\x02\xFF", 19),
         "setting CAMD 01:1<03, custom read command of instrument 0, bytes 01 02 FF"},
        {"QQS#CAMD01:1<00,",
         "setting CAMD 01:1<00, custom read command of instrument 0, bytes none"},
        {"QQS#DPS4:02,1#", "setting DPS4 02,1, display, lower row right"},
        {"QQS#DPS1:0-1,-1#", "setting DPS1 0-1,-1, display, upper row left"},
        {"PPPPPP#QA#", "display test 1"},
        {"PPPPPP#QB#", "display test 2"},
        {std::string("PPPPPP#\0 ", 9), "display test, unknown . "},
        {"QQS#ADR:007", "setting ADR 007, MODBUS slave address, no terminator"},
        {"QQS#ADR:\x01\x7F#", "setting ADR .., MODBUS slave address"},
        {"QQS#XYZ#", "setting, unknown command XYZ"},
        {"QQQ#", "query, unknown command, no terminator"},
        {"QQS#", "setting, unknown command, no terminator"},
        {"QQ", std::nullopt},
        {"hello", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DescribeConfigRequest(c.frame), c.expected) << c.frame;
}

// Fields as the link's typed decoders would give them.
class FakeFormatter : public ConfigReplyFormatter {
public:
    std::vector<ConfigReplyField> Fields(ConfigQuery query, std::string_view) const override {
        if (query == ConfigQuery::Communication)
            return {{"interface", "RS485"}, {"instruments", "1"}};
        return {};
    }
};

TEST(DescribeChunk, TriesConfigurationThenHartThenModbus) {
    const FakeFormatter formatter;
    constexpr auto Tx = TrafficDirection::Tx;
    constexpr auto Rx = TrafficDirection::Rx;
    struct Case {
        std::string name;
        TrafficDirection direction;
        Bytes chunk;
        const ConfigReplyFormatter* formatter;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"query", Tx, Text("QQQ#QV#"), nullptr, "communication query"},
        {"reply, no formatter", Rx, Text("QV:11"), nullptr, "reply to communication query"},
        {"reply with fields", Rx, Text("QV:11"), &formatter,
         "reply to communication query: interface RS485, instruments 1"},
        {"system reply", Rx, Text("QX DIS1:01,0"), &formatter, "reply to system parameter query"},
        {"channel reply", Rx, Text("QQ3 FMW:2,0.001"), nullptr, "reply to MODBUS parameter query"},
        {"other text", Rx, Text("QQS OK"), nullptr, "text reply"},
        {"setting text received is no request", Rx, Text("JTM:050"), nullptr, "text reply"},
        {"HART reply", Rx, Preambled(5, IdentityReply), nullptr,
         IdentityReplyText + IdentityFields + ", checksum ok"},
        {"MODBUS request",
         Tx,
         {0x01, 0x03, 0x00, 0x00, 0x00, 0x0A, 0xC5, 0xCD},
         nullptr,
         "MODBUS slave 1, read holding registers (3), start 0, count 10, CRC ok"},
        {"MODBUS exception",
         Rx,
         {0x01, 0x83, 0x02, 0xC0, 0xF1},
         nullptr,
         "MODBUS slave 1, read holding registers (3), exception 2 illegal data address, CRC ok"},
        {"noise", Rx, {0x00, 0x41, 0x7F}, nullptr, "unrecognised"},
        {"text sent that is no request", Tx, Text("hello"), nullptr, "unrecognised"},
        {"nothing", Rx, {}, nullptr, "unrecognised"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DescribeChunk(c.direction, c.chunk, c.formatter), c.expected) << c.name;
}

} // namespace
