// The simulated module, frame in and reply out: its replies must satisfy the layouts the
// tool reads, its settings must round-trip, and its HART and MODBUS answers must be exact.

#include "config/ConfigReplies.h"
#include "exchange/ModbusCrc16.h"
#include "sim/TalmireModule.h"
#include "tests/config/ReplyFields.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstring>

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes B(std::string_view text) {
    return {text.begin(), text.end()};
}
std::string S(const Bytes& bytes) {
    return {bytes.begin(), bytes.end()};
}

std::string Ask(TalmireModule& m, std::string_view frame) {
    return S(m.Handle(B(frame), 0));
}

// What the tool's decoder makes of a reply: field -> index or text.
template <typename Reply> std::map<std::string, std::string> Decoded(const Reply& d) {
    std::map<std::string, std::string> out;
    for (const auto& u : FieldsOf(d)) {
        if (u.kind == FieldKind::Select)
            out[u.name] = std::to_string(u.index);
        else if (u.kind == FieldKind::Text)
            out[u.name] = u.text;
        else if (u.kind == FieldKind::Show)
            out[u.name] = u.on ? "shown" : "hidden";
    }
    EXPECT_FALSE(d.error) << *d.error;
    return out;
}

TEST(SimModule, SettingsRoundTripThroughTheToolsDecoders) {
    struct Case {
        const char* setting;
        const char* query;
        const char* control;
        const char* value;
    };
    const Case cases[] = {
        {"QQS#ADR:005#", "QQQ#QX#", "slaveAddress", "005"},
        {"QQS#JTM:120#", "QQQ#QX#", "pollInterval", "120"},
        {"QQS#MD:1#", "QQQ#QX#", "operatingMode", "1"},
        {"QQS#BA1:42#", "QQQ#QX#", "rs232.parity", "2"},
        {"QQS#DPS3:07,1#", "QQQ#QX#", "display3.value", "7"},
        {"QQS#DPS3:07,1#", "QQQ#QX#", "display3.format", "1"},
        {"QQS#YB:22#", "QQQ#QV#", "instrumentCount", "2"},
        {"QQS#HART4:0,0,07,9,250#", "QQQ#QQ4#", "prefixLength", "5"},
        {"QQS#HART4:0,0,07,9,250#", "QQQ#QQ4#", "cacheTime", "250"},
        {"QQS#DFOT2:13213#", "QQQ#QQ2#", "format4", "1"},
        {"QQS#FMW:3,12.50#", "QQQ#QQ0#", "coefficient", "12.50"},
    };
    for (const Case& c : cases) {
        TalmireModule m;
        ASSERT_EQ(Ask(m, c.setting), "QQS OK") << c.setting;
        const std::string reply = Ask(m, c.query);
        std::map<std::string, std::string> d;
        if (std::string_view(c.query) == "QQQ#QV#")
            d = Decoded(DecodeCommunicationReply(reply));
        else if (std::string_view(c.query) == "QQQ#QX#")
            d = Decoded(DecodeSystemParameterReply(reply));
        else
            d = Decoded(DecodeChannelReply(reply, -1));
        EXPECT_EQ(d[c.control], c.value) << c.setting << " -> " << reply;
    }
}

TEST(SimModule, CustomInstrumentGroupsRoundTrip) {
    TalmireModule m;
    ASSERT_EQ(Ask(m, "QQS#HART0:1,1,00,5,010#"), "QQS OK");
    ASSERT_EQ(Ask(m, "QQS#MDBS0:8,1030,1070,0000,0000#"), "QQS OK");
    ASSERT_EQ(Ask(m, std::string("QQS#CAMD01:1<03,\x01\x02\xFF", 19)), "QQS OK");
    const auto fields = Decoded(DecodeChannelReply(Ask(m, "QQQ#QQ0#"), 1));
    EXPECT_EQ(fields.at("custom"), "shown");
    EXPECT_EQ(fields.at("command1.bytes"), "01 02 FF");
    EXPECT_EQ(fields.at("command1.enabled"), "1");
    EXPECT_EQ(fields.at("command2.bytes"), "");
    EXPECT_EQ(fields.at("variable2.start"), "07");
    EXPECT_EQ(fields.at("addressBits"), "5");
    EXPECT_EQ(fields.at("operatingMode"), "0");
}

TEST(SimModule, InvalidSettingsAreRefusedAndChangeNothing) {
    for (const char* frame :
         {"QQS#ADR:/01#", "QQS#ADR:000#", "QQS#BA1:52#", "QQS#BA2:73#", "QQS#MD:2#",
          "QQS#HART9:1,1,01,5,010#", "QQS#DFOT0:20000#", "QQS#DPS5:00,0#", "QQS#JTM:05#",
          "QQS#UNKNOWN#", "QQS#MD:1", "QQS#CAMD01:1<03,\x01", "QQS#FMW:0,0.0\n1#"}) {
        TalmireModule m;
        const std::string before = Ask(m, "QQQ#QX#") + Ask(m, "QQQ#QQ0#");
        EXPECT_EQ(Ask(m, frame), "QQS ERROR") << frame;
        EXPECT_EQ(Ask(m, "QQQ#QX#") + Ask(m, "QQQ#QQ0#"), before) << frame;
    }
}

TEST(SimModule, ResetRestoresTheDefaults) {
    TalmireModule m;
    const std::string defaults = Ask(m, "QQQ#QX#");
    Ask(m, "QQS#ADR:009#");
    Ask(m, "QQS#BA2:61#");
    ASSERT_NE(Ask(m, "QQQ#QX#"), defaults);
    EXPECT_EQ(m.LineBaud(true), 57600u);
    EXPECT_EQ(Ask(m, "QQS#RESET#"), "QQS OK");
    EXPECT_EQ(Ask(m, "QQQ#QX#"), defaults);
    EXPECT_EQ(m.LineBaud(true), 9600u);
}

Bytes WithXor(Bytes frame, std::size_t from) {
    std::uint8_t sum = 0;
    for (std::size_t i = from; i < frame.size(); ++i)
        sum ^= frame[i];
    frame.push_back(sum);
    return frame;
}

Bytes Preambles(const Bytes& body) {
    Bytes frame;
    frame.reserve(body.size() + 6);
    for (int i = 0; i < 5; ++i)
        frame.push_back(0xFF);
    for (std::uint8_t b : body)
        frame.push_back(b);
    return WithXor(frame, 5);
}

TEST(SimHart, IdentityReplyByteForByte) {
    TalmireModule m(true);
    const Bytes reply = m.Handle(Preambles({0x02, 0x80, 0x00, 0x00}), 0);
    const Bytes expected = Preambles(
        {0x06, 0x80, 0x00, 14, 0x00, 0x00, 254, 0x26, 0x06, 5, 5, 1, 8, 0, 0, 0x12, 0x34, 0x56});
    EXPECT_EQ(reply, expected);
}

TEST(SimHart, DynamicVariablesAndAddressWrite) {
    TalmireModule m(true);
    const Bytes reply = m.Handle(Preambles({0x82, 0xA6, 0x06, 0x12, 0x34, 0x56, 0x03, 0x00}), 0);
    ASSERT_EQ(reply.size(), 5u + 1 + 5 + 2 + 26 + 1);
    EXPECT_EQ(reply[5], 0x86);
    EXPECT_EQ(reply[5 + 7], 26); // byte count at the spot the tool reads it (i + 8)
    std::uint8_t sum = 0;
    for (std::size_t i = 5; i + 1 < reply.size(); ++i)
        sum ^= reply[i];
    EXPECT_EQ(sum, reply.back());
    // Primary variable: unit at i + 15, value at i + 16, i being the last preamble.
    const std::size_t i = 4;
    EXPECT_EQ(reply[i + 15], 32);
    std::uint32_t bits = 0;
    for (int k = 0; k < 4; ++k)
        bits = bits << 8 | reply[i + 16 + static_cast<std::size_t>(k)];
    EXPECT_EQ(std::bit_cast<float>(bits), 25.5f);

    const Bytes write = {0x82, 0xA6, 0x06, 0x12, 0x34, 0x56, 0x06, 0x01, 0x07};
    ASSERT_FALSE(m.Handle(Preambles(write), 0).empty());
    EXPECT_EQ(m.Instrument().PollAddress(), 7);
    EXPECT_TRUE(m.Handle(Preambles({0x02, 0x80, 0x00, 0x00}), 0).empty()); // old address
    EXPECT_FALSE(m.Handle(Preambles({0x02, 0x87, 0x00, 0x00}), 0).empty());
}

TEST(SimHart, SilenceAndRefusals) {
    TalmireModule m(true);
    Bytes bad = Preambles({0x02, 0x80, 0x00, 0x00});
    bad.back() ^= 1;
    EXPECT_TRUE(m.Handle(bad, 0).empty());                                 // checksum
    EXPECT_TRUE(m.Handle(Preambles({0x02, 0x81, 0x00, 0x00}), 0).empty()); // address
    EXPECT_TRUE(m.Handle(Preambles({0x82, 0xA6, 0x06, 0, 0, 0, 3, 0}), 0).empty());
    EXPECT_TRUE(m.Handle(Bytes{0xFF, 0xFF}, 0).empty());
    const Bytes other = m.Handle(Preambles({0x82, 0xA6, 0x06, 0x12, 0x34, 0x56, 48, 0x00}), 0);
    ASSERT_GT(other.size(), 14u);
    EXPECT_EQ(other[5 + 8], 64); // command not implemented
    ASSERT_EQ(Ask(m, "QQS#MD:1#"), "QQS OK");
    EXPECT_TRUE(m.Handle(Preambles({0x02, 0x80, 0x00, 0x00}), 0).empty()); // not transparent
}

Bytes Rtu(Bytes frame) {
    const ModbusCrc crc = ModbusCrc16(frame);
    frame.push_back(crc.CrcHi);
    frame.push_back(crc.CrcLo);
    return frame;
}

TEST(SimModbus, ReadsExceptionsAndSilence) {
    TalmireModule m(true);
    struct Case {
        const char* name;
        Bytes request;
        Bytes reply; // without CRC; empty: silence
    };
    const Case cases[] = {
        {"current of instrument 0", Rtu({1, 3, 0, 0, 0, 2}), {1, 3, 4, 0x41, 0x40, 0, 0}},
        {"unknown function", Rtu({1, 4, 0, 0, 0, 2}), {1, 0x84, 1}},
        {"outside the map", Rtu({1, 3, 0, 89, 0, 2}), {1, 0x83, 2}},
        {"count zero", Rtu({1, 3, 0, 0, 0, 0}), {1, 0x83, 3}},
        {"other slave", Rtu({2, 3, 0, 0, 0, 2}), {}},
    };
    for (const Case& c : cases) {
        const Bytes expected = c.reply.empty() ? Bytes{} : Rtu(c.reply);
        EXPECT_EQ(m.Handle(c.request, 0), expected) << c.name;
    }
    Bytes damaged = Rtu({1, 3, 0, 0, 0, 2});
    damaged[6] ^= 0xFF;
    EXPECT_TRUE(m.Handle(damaged, 0).empty());
}

TEST(SimModbus, DataFormatsFollowTheChannelSetting) {
    TalmireModule m(true);
    // Instrument 1: current low word first, variable 1 unsigned high word first,
    // variable 2 unsigned low word first.
    ASSERT_EQ(Ask(m, "QQS#DFOT1:12300#"), "QQS OK");
    const auto r = m.Registers(0);
    const auto bits = std::bit_cast<std::uint32_t>(13.0f); // 12 + instrument number
    EXPECT_EQ(r[10], bits & 0xFFFF);
    EXPECT_EQ(r[11], bits >> 16);
    EXPECT_EQ((r[12] << 16 | r[13]), 27u); // 25.5 + 1 rounded
    EXPECT_EQ((r[15] << 16 | r[14]), 2u);  // 1.25 + 1 rounded
}

} // namespace
