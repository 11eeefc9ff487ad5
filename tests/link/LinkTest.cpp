// The serial component, the frame builders and the reply decoders against talmire-sim
// running as its own process: the whole exchange without the window, so that the reader
// and writer threads can be checked end to end under ThreadSanitizer.

#include "config/ConfigFrames.h"
#include "config/ConfigReplies.h"
#include "hart/HartFrames.h"
#include "hart/HartReplies.h"
#include "serial/TComm.h"
#include "tests/e2e/SimProcess.h"
#include "tests/serial/CommOwner.h"
#include "tools/ModbusTest.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <span>
#include <string>
#include <thread>

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Bytes = std::vector<std::uint8_t>;

namespace {

class Link : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(sim.ready.empty()) << "talmire-sim did not start";
        ConfigureLikeTheWindow(comm, sim.link);
        comm.OnReceiveData = [this](TComm*, const std::uint8_t* b, std::uint16_t n) {
            received.insert(received.end(), b, b + n);
            ++chunks;
        };
        comm.OpenPort();
    }

    // Sends a frame and collects what comes back until `done` holds for it.
    Bytes Exchange(const FrameResult& frame, const std::function<bool(const Bytes&)>& done,
                   std::chrono::milliseconds timeout = 10000ms) {
        EXPECT_TRUE(frame.ok()) << frame.message;
        received.clear();
        EXPECT_TRUE(
            comm.WriteData(frame.bytes.data(), static_cast<std::uint16_t>(frame.bytes.size())));
        PumpNotifications(
            comm, [&] { return done(received); }, timeout);
        return received;
    }
    std::string Text(const FrameResult& frame, std::string_view until) {
        const Bytes reply = Exchange(frame, [&](const Bytes& r) {
            return std::string(r.begin(), r.end()).find(until) != std::string::npos;
        });
        return {reply.begin(), reply.end()};
    }

    SimProcess sim;
    TComm comm;
    Bytes received;
    int chunks = 0;
};

TEST_F(Link, ConfigurationQueriesAndASettingRoundTrip) {
    const CommunicationReply link = DecodeCommunicationReply(Text(CommunicationQuery(), "QV:"));
    EXPECT_TRUE(link.Answered());
    EXPECT_FALSE(link.error);

    const std::string before = Text(SystemParameterQuery(), "JTM:");
    EXPECT_EQ(DecodeSystemParameterReply(before).pollInterval, "050");

    EXPECT_EQ(Text(SlaveAddressSetting("123"), "QQS"), "QQS OK");
    const SystemParameterReply after =
        DecodeSystemParameterReply(Text(SystemParameterQuery(), "JTM:"));
    EXPECT_FALSE(after.error);
    EXPECT_EQ(after.slaveAddress, "123");
}

TEST_F(Link, HartIdentityThenDynamicVariables) {
    auto complete = [](const Bytes& r) { return r.size() >= 20; };
    Bytes reply;
    std::optional<HartIdentity> identity;
    const auto end = Clock::now() + 3000ms;
    while (!identity && Clock::now() < end) {
        reply = Exchange(HartIdentityQuery("5", 0, 0), [&](const Bytes& r) {
            return complete(r) && DecodeIdentityReply(r).has_value();
        });
        identity = DecodeIdentityReply(reply);
    }
    ASSERT_TRUE(identity);
    EXPECT_EQ(identity->deviceId, (std::array<std::uint8_t, 3>{0x12, 0x34, 0x56}));

    const Bytes values = Exchange(HartDynamicVariablesQuery("5", 0, *identity), [](const Bytes& r) {
        return DecodeDynamicVariablesReply(r).has_value() &&
               DecodeDynamicVariablesReply(r)->variables.size() == 4;
    });
    const auto decoded = DecodeDynamicVariablesReply(values);
    ASSERT_TRUE(decoded);
    ASSERT_EQ(decoded->variables.size(), 4u);
    EXPECT_EQ(decoded->variables[0].text, "25.5");
    EXPECT_EQ(decoded->variables[3].text, "100");
}

// CRC-16/MODBUS computed bit by bit from its definition (reflected polynomial 0xA001,
// initial value 0xFFFF), independent of the table the tool and the simulator use.
std::uint16_t ReferenceModbusCrc(std::span<const std::uint8_t> bytes) {
    std::uint16_t crc = 0xFFFF;
    for (const std::uint8_t byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1U) != 0 ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001)
                                  : static_cast<std::uint16_t>(crc >> 1);
    }
    return crc;
}

TEST(ReferenceCrc, GivesTheCatalogueCheckValue) {
    const std::string check = "123456789";
    const Bytes bytes(check.begin(), check.end());
    EXPECT_EQ(ReferenceModbusCrc(bytes), 0x4B37);
}

TEST_F(Link, ModbusReadAnswersWithAValidCrc) {
    // Read holding registers: address, function, byte count, data, CRC.
    const Bytes reply =
        Exchange(ModbusReadRequest("1", "0", "10"), [](const Bytes& r) { return r.size() >= 25; });
    ASSERT_EQ(reply.size(), 25u);
    EXPECT_EQ(reply[0], 1);
    EXPECT_EQ(reply[1], 3);
    EXPECT_EQ(reply[2], 20);
    // The CRC goes out low byte first.
    const std::uint16_t crc = ReferenceModbusCrc(std::span(reply).first(23));
    EXPECT_EQ(reply[23], crc & 0xFFU);
    EXPECT_EQ(reply[24], crc >> 8);
}

TEST_F(Link, ManyExchangesInARowLoseNothing) {
    // The writer and the reader run while the owner keeps sending and receiving.
    for (int i = 0; i < 20; ++i) {
        const std::string reply = Text(CommunicationQuery(), "QV:");
        ASSERT_EQ(reply.substr(0, 3), "QV:") << "exchange " << i;
        ASSERT_EQ(reply.size(), 5u) << "exchange " << i;
    }
    EXPECT_TRUE(comm.SendDataEmpty());
}

} // namespace
