// The link library without a window: the request table, every request kind against
// talmire-sim, the time-out reports and a reply that arrives in two chunks.

#include "link/ModuleLink.h"
#include "config/ConfigFrames.h"
#include "hart/HartFrames.h"
#include "tests/EventWait.h"
#include "tests/e2e/SimProcess.h"
#include "tools/ModbusTest.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <gtest/gtest.h>

#include <functional>
#include <variant>

namespace {

TEST(RequestTable, EveryKindItsCodeReportRouteAndDecoder) {
    using R = RequestKind;
    using T = TimeoutReport;
    using D = ReplyDecoder;
    constexpr auto Keep = TimeoutStart::KeepInterval;
    constexpr auto Fresh = TimeoutStart::FreshInterval;
    constexpr auto Start = DecodeAction::Start;
    constexpr auto Leave = DecodeAction::Leave;
    struct Case {
        RequestKind kind;
        int code;
        TimeoutReport report;
        TimeoutStart start;
        ReceiveRoute route;
        ReplyDecoder decoder;
        bool decodeEnds;
    };
    // Chunk routes: shown as text or hex, what happens to the decode, whether the
    // request ends.
    const ReceiveRoute textDecoded{false, Start, false};
    const ReceiveRoute hexDecoded{true, Start, false};
    const ReceiveRoute hexShown{true, Leave, false};
    const ReceiveRoute textEnds{false, Leave, true};
    const ReceiveRoute textStops{false, DecodeAction::Stop, false};
    const Case cases[] = {
        {R::DisplaySetting, 1000, T::Setting, Fresh, textStops, D::None, false},
        {R::Communication, 201, T::Connection, Fresh, textDecoded, D::Communication, true},
        {R::SystemParameters, 202, T::ParameterQuery, Fresh, textDecoded, D::SystemParameters,
         false},
        {R::ChannelParameters, 301, T::ParameterQuery, Fresh, textDecoded, D::ChannelParameters,
         false},
        {R::HartIdentity, 100, T::Setting, Keep, hexDecoded, D::HartIdentity, false},
        // Same code as the identity query: the same route and decode, its own report.
        {R::DisplayTest, 100, T::DisplayTest, Fresh, hexDecoded, D::HartIdentity, false},
        {R::HartDynamicVariables, 103, T::Setting, Keep, hexDecoded, D::HartDynamicVariables,
         false},
        {R::HartManual, 104, T::Setting, Keep, hexShown, D::None, false},
        {R::HartWriteAddress, 106, T::Setting, Fresh, hexShown, D::None, false},
        {R::ModbusTest, 302, T::Connection, Fresh, hexShown, D::None, false},
        {R::Setting, 200, T::Setting, Fresh, textEnds, D::None, false},
        {R::None, 0, T::None, Fresh, textEnds, D::None, false},
        // Anything outside the enum is handled as nothing pending.
        {static_cast<RequestKind>(200), 0, T::None, Fresh, textEnds, D::None, false},
    };
    for (const Case& c : cases) {
        const RequestRule& rule = RuleOf(c.kind);
        SCOPED_TRACE(rule.name);
        EXPECT_EQ(rule.code, c.code);
        EXPECT_EQ(rule.timeout, c.report);
        EXPECT_EQ(rule.timeoutStart, c.start);
        EXPECT_EQ(rule.route, c.route);
        EXPECT_EQ(rule.decoder, c.decoder);
        EXPECT_EQ(rule.decodeEndsRequest, c.decodeEnds);
    }
}

bool WaitFor(const std::function<bool()>& done, int ms = 4000) {
    return WaitForEvents(done, ms);
}

// A link with everything it tells recorded.
class LinkFixture : public ::testing::Test {
public:
    void Open(SimProcess& simulator) {
        ASSERT_FALSE(simulator.ready.empty()) << "talmire-sim did not start";
        link.Comm1.SetCommName(simulator.link);
        link.OpenPort();
        ASSERT_TRUE(link.Comm1.IsOpen());
    }
    void SetUp() override {
        QObject::connect(&link, &ModuleLink::ChunkReceived, &link,
                         [this](RequestKind kind, const QByteArray& bytes, const QString& shown) {
                             chunks.push_back({kind, bytes, shown});
                         });
        QObject::connect(&link, &ModuleLink::ReplyDecoded, &link,
                         [this](RequestKind kind, const DecodedReply& reply) {
                             decoded.push_back({kind, reply});
                         });
        QObject::connect(&link, &ModuleLink::TimedOut, &link,
                         [this](TimeoutReport report) { timeouts.push_back(report); });
        QObject::connect(&link, &ModuleLink::FrameSent, &link,
                         [this](RequestKind kind, const QByteArray&) { sent.push_back(kind); });
    }
    void Send(RequestKind kind, const FrameResult& frame) {
        ASSERT_TRUE(frame.ok()) << frame.message;
        chunks.clear();
        decoded.clear();
        link.Send(kind, frame.bytes);
    }

    struct Chunk {
        RequestKind kind;
        QByteArray bytes;
        QString shown;
    };
    struct Decoded {
        RequestKind kind;
        DecodedReply reply;
    };
    ModuleLink link;
    std::vector<Chunk> chunks;
    std::vector<Decoded> decoded;
    std::vector<TimeoutReport> timeouts;
    std::vector<RequestKind> sent;
};

class SimLink : public LinkFixture {
protected:
    void SetUp() override {
        LinkFixture::SetUp();
        Open(sim);
    }
    SimProcess sim;
};

// Sends a request and waits for its decoded answer; the HART instrument may need a retry.
template <typename Reply>
Reply Ask(LinkFixture& f, RequestKind kind, const FrameResult& frame,
          const std::function<bool(const Reply&)>& complete = {}) {
    for (int attempt = 0; attempt < 3; ++attempt) {
        f.decoded.clear();
        f.link.Send(kind, frame.bytes);
        if (!WaitFor([&] { return !f.decoded.empty(); }))
            continue;
        EXPECT_EQ(f.decoded.back().kind, kind);
        const Reply* reply = std::get_if<Reply>(&f.decoded.back().reply);
        if (reply != nullptr && (!complete || complete(*reply)))
            return *reply;
    }
    ADD_FAILURE() << "no decoded answer for " << RuleOf(kind).name;
    return {};
}

TEST_F(SimLink, DecodedKindsGiveTypedReplies) {
    const auto link =
        Ask<CommunicationReply>(*this, RequestKind::Communication, CommunicationQuery());
    EXPECT_TRUE(link.Answered());
    EXPECT_EQ(link.interfaceType, 1);   // RS485
    EXPECT_EQ(link.instrumentCount, 0); // one instrument
    // The communication answer ends the request; the other queries keep it for more chunks.
    EXPECT_EQ(this->link.PendingRequest, RequestKind::None);
    EXPECT_EQ(this->link.TimeoutKind, TimeoutReport::None);

    const auto system =
        Ask<SystemParameterReply>(*this, RequestKind::SystemParameters, SystemParameterQuery());
    EXPECT_EQ(system.pollInterval, "050");
    EXPECT_FALSE(system.error);
    EXPECT_EQ(this->link.PendingRequest, RequestKind::SystemParameters);

    this->link.InstrumentType = [] { return -1; };
    const auto channel =
        Ask<ChannelReply>(*this, RequestKind::ChannelParameters, ModbusParameterQuery(0));
    EXPECT_FALSE(channel.error);
    EXPECT_TRUE(channel.instrumentType.has_value());
    EXPECT_TRUE(channel.custom.has_value());

    using Identity = std::optional<HartIdentity>;
    const auto identity =
        Ask<Identity>(*this, RequestKind::HartIdentity, HartIdentityQuery("5", 0, 0),
                      [](const Identity& i) { return i.has_value(); });
    ASSERT_TRUE(identity);
    EXPECT_EQ(identity->deviceId, (std::array<std::uint8_t, 3>{0x12, 0x34, 0x56}));
    EXPECT_EQ(this->link.PendingRequest, RequestKind::None);

    using Variables = std::optional<DynamicVariablesReply>;
    const auto variables = Ask<Variables>(
        *this, RequestKind::HartDynamicVariables, HartDynamicVariablesQuery("5", 0, *identity),
        [](const Variables& v) { return v && v->variables.size() == 4; });
    ASSERT_TRUE(variables);
    EXPECT_EQ(variables->variables[0].text, "25.5");

    // A display test's answer goes through the identity decode and finds no identity.
    const auto test = Ask<Identity>(*this, RequestKind::DisplayTest, DisplayTest(1));
    EXPECT_FALSE(test.has_value());
}

TEST_F(SimLink, UndecodedKindsAreShownByTheirRoute) {
    HartIdentity identity;
    identity.deviceId = {0x12, 0x34, 0x56};
    struct Case {
        RequestKind kind;
        FrameResult frame;
        const char* shownStart; // how the first chunk is shown
        RequestKind pendingAfter;
    };
    const Case cases[] = {
        {RequestKind::Setting, SlaveAddressSetting("001"), "QQS OK", RequestKind::None},
        {RequestKind::DisplaySetting, DisplaySetting(1, 1, 0), "QQS OK",
         RequestKind::DisplaySetting},
        {RequestKind::ModbusTest, ModbusReadRequest("1", "0", "10"), "01 03 14 ",
         RequestKind::ModbusTest},
        {RequestKind::HartManual, HartManualFrame("5", "02 80 00 00"), "FF ",
         RequestKind::HartManual},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(RuleOf(c.kind).name);
        Send(c.kind, c.frame);
        ASSERT_TRUE(WaitFor([&] { return !chunks.empty(); }));
        EXPECT_EQ(chunks[0].kind, c.kind);
        EXPECT_TRUE(chunks[0].shown.startsWith(c.shownStart)) << chunks[0].shown.toStdString();
        EXPECT_FALSE(link.Timer3->Enabled());
        EXPECT_EQ(link.PendingRequest, c.pendingAfter);
        WaitFor([] { return false; }, 700); // anything decoded would have come by now
        EXPECT_TRUE(decoded.empty());
    }
    EXPECT_TRUE(timeouts.empty());
}

TEST_F(LinkFixture, TimeoutReportsByKind) {
    // No port: every request goes unanswered.
    struct Case {
        RequestKind kind;
        TimeoutReport report;
        int intervalMs;
    };
    // The HART queries keep the interval last set; the first request runs on the initial one.
    const Case cases[] = {
        {RequestKind::HartIdentity, TimeoutReport::Setting, 1000},
        {RequestKind::Communication, TimeoutReport::Connection, 3000},
        {RequestKind::HartDynamicVariables, TimeoutReport::Setting, 3000},
        {RequestKind::SystemParameters, TimeoutReport::ParameterQuery, 3000},
        {RequestKind::DisplayTest, TimeoutReport::DisplayTest, 3000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(RuleOf(c.kind).name);
        link.Send(c.kind, {0x51});
        EXPECT_EQ(link.Timer3->Interval(), c.intervalMs);
        EXPECT_EQ(link.TimeoutKind, c.report);
        EXPECT_EQ(sent.back(), c.kind);
    }
    // The last request replaced the others: one report, after its own interval, and the
    // request is still the pending one.
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(WaitFor([&] { return !timeouts.empty(); }, 5000));
    EXPECT_GE(clock.elapsed(), 2950);
    EXPECT_EQ(timeouts, std::vector<TimeoutReport>{TimeoutReport::DisplayTest});
    EXPECT_EQ(link.PendingRequest, RequestKind::DisplayTest);
}

TEST_F(LinkFixture, LineSettingClosesThePortLater) {
    SimProcess sim;
    Open(sim);
    int closed = 0;
    QObject::connect(&link, &ModuleLink::PortClosed, &link, [&] { ++closed; });
    link.ScheduleClose();
    EXPECT_TRUE(link.PortIsOpen);
    ASSERT_TRUE(WaitFor([&] { return closed == 1; }, 3000));
    EXPECT_FALSE(link.PortIsOpen);
    EXPECT_FALSE(link.Comm1.IsOpen());
    EXPECT_FALSE(link.Timer4->Enabled());
}

TEST_F(LinkFixture, AReplyInTwoChunksIsDecodedFromTheLastChunk) {
    SimProcess sim({"--gap-ms", "250"});
    Open(sim);
    Send(RequestKind::SystemParameters, SystemParameterQuery());
    ASSERT_TRUE(WaitFor([&] { return !decoded.empty(); }));
    WaitFor([] { return false; }, 500);
    ASSERT_EQ(chunks.size(), 2u);
    const QByteArray whole = chunks[0].bytes + chunks[1].bytes;
    EXPECT_TRUE(whole.startsWith("QX")) << whole.toStdString();
    EXPECT_TRUE(whole.contains("JTM:050"));
    // Both chunks took the route of the pending query; the decode saw only the second.
    EXPECT_EQ(chunks[1].kind, RequestKind::SystemParameters);
    EXPECT_EQ(chunks[1].shown.toLatin1(), chunks[1].bytes);
    EXPECT_EQ(link.RxText, chunks[1].bytes.toStdString());
    ASSERT_EQ(decoded.size(), 1u);
    const auto* reply = std::get_if<SystemParameterReply>(&decoded[0].reply);
    ASSERT_NE(reply, nullptr);
    EXPECT_FALSE(reply->display[0].value); // "QX" and the display groups were in chunk one
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
