// Network port names and the Telnet COM-PORT layer, byte for byte: the frames are worked
// out by hand from the Telnet protocol (IAC 255, SB 250, SE 240, WILL 251, WONT 252, DO 253,
// DONT 254) and the COM-PORT option (44; the server answers a command with its code + 100).

#include "serial/TComm.h"
#include "serial/net/NetPortName.h"
#include "serial/net/Rfc2217Client.h"
#include "serial/net/TelnetCodec.h"
#include "tests/serial/HexBytes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using telnet::Event;

TEST(NetPortNameTest, NamesSplitIntoKindHostAndPortOrAreRefused) {
    using Kind = NetPortName::Kind;
    struct Case {
        std::string name;
        bool network; // taken for a network port at all
        bool valid;
        Kind kind;
        std::string host;
        int port;
    };
    const Case cases[] = {
        {"rfc2217://127.0.0.1:2000", true, true, Kind::Rfc2217, "127.0.0.1", 2000},
        {"TCP://localhost:1", true, true, Kind::Tcp, "localhost", 1},
        {"tcp://[::1]:65535", true, true, Kind::Tcp, "::1", 65535},
        {"tcp://127.0.0.1", true, false, Kind::Tcp, "", 0},
        {"tcp://:2000", true, false, Kind::Tcp, "", 0},
        {"tcp://127.0.0.1:0", true, false, Kind::Tcp, "", 0},
        {"tcp://127.0.0.1:65536", true, false, Kind::Tcp, "", 0},
        {"tcp://127.0.0.1:99999999999999999999", true, false, Kind::Tcp, "", 0},
        {"tcp://127.0.0.1:20x0", true, false, Kind::Tcp, "", 0},
        {"tcp://127.0.0.1:2000/line", true, false, Kind::Tcp, "", 0},
        {"rfc2217://[::1:2000", true, false, Kind::Tcp, "", 0},
        {"rfc2217://[]:2000", true, false, Kind::Tcp, "", 0},
        {"tcp://my host:2000", true, false, Kind::Tcp, "", 0},
        {"/dev/ttyUSB0", false, false, Kind::Tcp, "", 0},
        {"COM3", false, false, Kind::Tcp, "", 0},
        {"rfc2217:/127.0.0.1:2000", false, false, Kind::Tcp, "", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(IsNetPortName(c.name), c.network);
        std::string error;
        const auto parsed = ParseNetPortName(c.name, error);
        ASSERT_EQ(parsed.has_value(), c.valid);
        if (!c.valid) {
            EXPECT_FALSE(error.empty());
            continue;
        }
        EXPECT_EQ(parsed->kind, c.kind);
        EXPECT_EQ(parsed->host, c.host);
        EXPECT_EQ(parsed->port, c.port);
    }
}

std::string Describe(const std::vector<Event>& events) {
    std::string text;
    for (const Event& e : events)
        text +=
            std::to_string(e.verb) + "/" + std::to_string(e.option) + ":" + Hex(e.payload) + ";";
    return text;
}

TEST(TelnetCodecTest, ReadsSplitAnywhereGiveTheDataAndTheCommandsWhole) {
    constexpr std::uint8_t Sb = telnet::Sb;
    struct Case {
        const char* what;
        std::vector<Bytes> reads;
        Bytes data;
        std::vector<Event> events;
    };
    Bytes overlong = {0xFF, 0xFA, 0x2C};
    overlong.insert(overlong.end(), telnet::Decoder::MaxSubnegotiation + 1, 0x01);
    overlong.insert(overlong.end(), {0xFF, 0xF0, 0x07});
    const Case cases[] = {
        {"a doubled IAC is one data byte", {{0x01, 0xFF, 0xFF, 0x02}}, {0x01, 0xFF, 0x02}, {}},
        {"a doubled IAC split across reads", {{0x01, 0xFF}, {0xFF, 0x02}}, {0x01, 0xFF, 0x02}, {}},
        {"a negotiation split in three",
         {{0x41, 0xFF}, {0xFD}, {0x2C, 0x42}},
         {0x41, 0x42},
         {{Event::Kind::Negotiation, telnet::Do, 44, {}}}},
        {"a subnegotiation split, its IAC doubled",
         {{0xFF, 0xFA, 0x2C, 0x6A}, {0xFF, 0xFF}, {0xFF, 0xF0, 0x33}},
         {0x33},
         {{Event::Kind::Subnegotiation, Sb, 44, {0x6A, 0xFF}}}},
        {"NOP and GA carry nothing", {{0x01, 0xFF, 0xF1, 0x02, 0xFF, 0xF9, 0x03}}, {1, 2, 3}, {}},
        {"an overlong subnegotiation is dropped, the stream goes on", {overlong}, {0x07}, {}},
        {"a command inside a subnegotiation ends it",
         {{0xFF, 0xFA, 0x2C, 0x6A, 0xFF, 0xFB, 0x03, 0x09}},
         {0x09},
         {{Event::Kind::Negotiation, telnet::Will, 3, {}}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        telnet::Decoder decoder;
        Bytes data;
        std::vector<Event> events;
        for (Bytes read : c.reads) {
            const std::size_t kept = decoder.Decode(read.data(), read.size(), events);
            data.insert(data.end(), read.begin(), read.begin() + static_cast<long>(kept));
        }
        EXPECT_EQ(Hex(data), Hex(c.data));
        EXPECT_EQ(Describe(events), Describe(c.events));
    }
}

TEST(TelnetCodecTest, IacIsDoubledInDataAndInCommands) {
    struct Case {
        Bytes data;
        Bytes escaped;
    };
    const Case cases[] = {
        {{}, {}},
        {{0x01, 0xFF, 0x02}, {0x01, 0xFF, 0xFF, 0x02}},
        {{0xFF, 0xFF}, {0xFF, 0xFF, 0xFF, 0xFF}},
    };
    for (const Case& c : cases) {
        Bytes out;
        telnet::AppendEscaped(out, c.data);
        EXPECT_EQ(Hex(out), Hex(c.escaped));
    }
    // SET-BAUDRATE 65280 (0x0000FF00): the speed's FF byte is doubled too.
    Bytes command;
    telnet::AppendSubnegotiation(command, 44, Bytes{0x01, 0x00, 0x00, 0xFF, 0x00});
    EXPECT_EQ(Hex(command),
              Hex({0xFF, 0xFA, 0x2C, 0x01, 0x00, 0x00, 0xFF, 0xFF, 0x00, 0xFF, 0xF0}));
}

TEST(Rfc2217ClientTest, TheLineIsSentAsTheOptionStatesIt) {
    rfc2217::Line line;
    line.baudRate = 19200;
    line.dataSize = 7;
    line.parity = 3;   // even
    line.stopSize = 2; // two
    line.dtr = false;
    line.rts = true;
    rfc2217::Client client;
    const Bytes expected = {
        0xFF, 0xFA, 0x2C, 0x01, 0x00, 0x00, 0x4B, 0x00, 0xFF, 0xF0, // speed 19200
        0xFF, 0xFA, 0x2C, 0x02, 0x07, 0xFF, 0xF0,                   // 7 data bits
        0xFF, 0xFA, 0x2C, 0x03, 0x03, 0xFF, 0xF0,                   // even parity
        0xFF, 0xFA, 0x2C, 0x04, 0x02, 0xFF, 0xF0,                   // two stop bits
        0xFF, 0xFA, 0x2C, 0x05, 0x01, 0xFF, 0xF0,                   // no flow control
        0xFF, 0xFA, 0x2C, 0x05, 0x09, 0xFF, 0xF0,                   // DTR off
        0xFF, 0xFA, 0x2C, 0x05, 0x0B, 0xFF, 0xF0,                   // RTS on
        0xFF, 0xFA, 0x2C, 0x0A, 0x1E, 0xFF, 0xF0, // line state: break, frame, parity, overrun
        0xFF, 0xFA, 0x2C, 0x0B, 0x0C, 0xFF, 0xF0, // modem state: carrier change, ring end
        0xFF, 0xFA, 0x2C, 0x01, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xF0, // which speed now?
    };
    EXPECT_EQ(Hex(client.LineSettings(line)), Hex(expected));
    EXPECT_EQ(Hex(client.Greeting()), Hex({0xFF, 0xFB, 0x2C, 0xFF, 0xFB, 0x00, 0xFF, 0xFD, 0x00}));
    EXPECT_EQ(Hex(client.Purge()), Hex({0xFF, 0xFA, 0x2C, 0x0C, 0x03, 0xFF, 0xF0}));
}

Event Answer(Bytes payload) {
    return {Event::Kind::Subnegotiation, telnet::Sb, 44, std::move(payload)};
}
Event Negotiation(std::uint8_t verb, std::uint8_t option) {
    return {Event::Kind::Negotiation, verb, option, {}};
}

TEST(Rfc2217ClientTest, ServerEventsBecomeEventsRepliesAndNotesReportedOnce) {
    // Each case: after the option was taken and the line sent (19200, DTR and RTS on),
    // the server's events, given twice over when `twice`.
    const std::vector<Event> ordinaryAnswers = {Answer({101, 0x00, 0x00, 0x4B, 0x00}),
                                                Answer({102, 8}), Answer({103, 1}),
                                                Answer({104, 1}), Answer({105, 1})};
    std::vector<Event> dtrRtsUnanswered = ordinaryAnswers;
    dtrRtsUnanswered.push_back(Answer({101, 0x00, 0x00, 0x4B, 0x00}));
    std::vector<Event> allAnswered = ordinaryAnswers;
    allAnswered.insert(allAnswered.end(), {Answer({105, 8}), Answer({105, 11}),
                                           Answer({101, 0x00, 0x00, 0x4B, 0x00})});
    // A server that keeps its line at 9600 baud and says so.
    std::vector<Event> speedKept = allAnswered;
    speedKept.front() = Answer({101, 0x00, 0x00, 0x25, 0x80});
    speedKept.back() = speedKept.front();
    struct Case {
        const char* what;
        std::vector<Event> events;
        bool twice;
        Bytes reply;
        std::uint32_t lineErrors;
        std::uint32_t modemEvents;
        std::vector<std::string> notes;
    };
    const Case cases[] = {
        {"parity error", {Answer({106, 0x04})}, false, {}, CommErrorParity, 0, {}},
        {"framing error", {Answer({106, 0x08})}, false, {}, CommErrorFrame, 0, {}},
        {"overrun", {Answer({106, 0x02})}, false, {}, CommErrorOverrun, 0, {}},
        {"break", {Answer({106, 0x10})}, false, {}, CommErrorBreak, 0, {}},
        {"data ready and empty registers are no error", {Answer({106, 0x61})}, false, {}, 0, 0, {}},
        {"carrier changed", {Answer({107, 0x88})}, false, {}, 0, ModemCarrierChanged, {}},
        {"a ring ended", {Answer({107, 0x44})}, false, {}, 0, ModemRingIndicator, {}},
        {"lines up without a change", {Answer({107, 0xB0})}, false, {}, 0, 0, {}},
        {"every setting answered as asked", allAnswered, false, {}, 0, 0, {}},
        {"DTR and RTS unanswered before a later answer",
         dtrRtsUnanswered,
         true,
         {},
         0,
         0,
         {"the server refused DTR on", "the server refused RTS on"}},
        {"another speed answered",
         speedKept,
         true,
         {},
         0,
         0,
         {"the server refused the speed of 19200 baud"}},
        {"the option refused",
         {Negotiation(telnet::Dont, 44)},
         true,
         {},
         0,
         0,
         {"the server refused the COM-PORT option: the line is set on the server"}},
        {"options we do not use are declined once, go-ahead suppression taken",
         {Negotiation(telnet::Will, 1), Negotiation(telnet::Do, 24), Negotiation(telnet::Will, 3)},
         true,
         {0xFF, 0xFE, 0x01, 0xFF, 0xFC, 0x18, 0xFF, 0xFD, 0x03},
         0,
         0,
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        rfc2217::Client client;
        rfc2217::Findings findings;
        client.Handle(Negotiation(telnet::Do, 44), findings);
        ASSERT_EQ(client.ComPortState(), rfc2217::Client::ComPort::Accepted);
        rfc2217::Line line;
        line.baudRate = 19200;
        for (int round = 0; round < (c.twice ? 2 : 1); ++round) {
            (void)client.LineSettings(line);
            for (const Event& event : c.events)
                client.Handle(event, findings);
        }
        EXPECT_EQ(Hex(findings.reply), Hex(c.reply));
        EXPECT_EQ(findings.lineErrors, c.lineErrors);
        EXPECT_EQ(findings.modemEvents, c.modemEvents);
        EXPECT_EQ(findings.notes, c.notes);
    }
}

} // namespace
