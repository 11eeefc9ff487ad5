// The link library without a window: every request kind against talmire-sim, the time-out
// reports and their intervals, and a reply that arrives in two chunks.

#include "link/ModuleLink.h"
#include "config/ConfigFrames.h"
#include "hart/HartFrames.h"
#include "tests/EventWait.h"
#include "tests/e2e/SimProcess.h"
#include "tools/ModbusTest.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <variant>

namespace {

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
    using Identity = std::optional<HartIdentity>;
    const auto identity =
        Ask<Identity>(*this, RequestKind::HartIdentity, HartIdentityQuery("5", 0, 0),
                      [](const Identity& i) { return i.has_value(); });
    ASSERT_TRUE(identity);
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
        // The instrument keeps its poll address 0.
        {RequestKind::HartWriteAddress, HartWriteAddress("5", 0, *identity, 0), "FF ",
         RequestKind::HartWriteAddress},
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

// Every request left unanswered: the report it gets, and whether it waits the interval last
// set (the HART queries) or a fresh 3000 ms.
struct TimeoutCase {
    RequestKind kind;
    TimeoutReport report;
    bool keepsInterval;
};
using R = RequestKind;
using T = TimeoutReport;

std::vector<TimeoutCase> EveryKind() {
    struct Group {
        TimeoutReport report;
        bool keepsInterval;
        std::vector<RequestKind> kinds;
    };
    const Group groups[] = {
        {T::Setting, true, {R::HartIdentity, R::HartDynamicVariables, R::HartManual}},
        {T::Setting, false, {R::HartWriteAddress, R::Setting, R::DisplaySetting}},
        {T::DisplayTest, false, {R::DisplayTest}},
        {T::Connection, false, {R::Communication, R::ModbusTest}},
        {T::ParameterQuery, false, {R::SystemParameters, R::ChannelParameters}},
        // A kind outside the enum is handled as nothing pending.
        {T::None, false, {R::None, static_cast<RequestKind>(200)}},
    };
    std::vector<TimeoutCase> cases;
    for (const Group& g : groups)
        for (const RequestKind kind : g.kinds)
            cases.push_back({kind, g.report, g.keepsInterval});
    return cases;
}

TimeoutCase CaseOf(RequestKind kind) {
    const std::vector<TimeoutCase> cases = EveryKind();
    return *std::find_if(cases.begin(), cases.end(),
                         [kind](const TimeoutCase& c) { return c.kind == kind; });
}

TEST_F(LinkFixture, TimeoutReportsByKind) {
    // No port: every request goes unanswered. The first request runs on the initial 1000 ms;
    // after it the HART queries keep the 3000 ms the others set.
    int interval = 1000;
    for (const RequestKind kind : {R::HartIdentity, R::Communication, R::HartDynamicVariables,
                                   R::SystemParameters, R::DisplayTest}) {
        SCOPED_TRACE(RuleOf(kind).name);
        const TimeoutCase c = CaseOf(kind);
        if (!c.keepsInterval)
            interval = 3000;
        link.Send(kind, {0x51});
        EXPECT_EQ(link.Timer3->Interval(), interval);
        EXPECT_EQ(link.TimeoutKind, c.report);
        EXPECT_EQ(sent.back(), kind);
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

TEST(ModuleLinkTimeout, EveryKindReportsAfterItsOwnInterval) {
    // Each request on a link of its own, all at once, no port: the HART queries run on the
    // interval last set (the initial 1000 ms here), every other request on a fresh 3000 ms.
    const std::vector<TimeoutCase> cases = EveryKind();
    struct Seen {
        std::vector<TimeoutReport> reports;
        qint64 atMs = -1;
    };
    const std::size_t count = cases.size();
    std::vector<std::unique_ptr<ModuleLink>> links;
    std::vector<Seen> seen(count);
    QElapsedTimer clock;
    clock.start();
    for (std::size_t i = 0; i < count; ++i) {
        links.push_back(std::make_unique<ModuleLink>());
        QObject::connect(links.back().get(), &ModuleLink::TimedOut, links.back().get(),
                         [&seen, &clock, i](TimeoutReport report) {
                             seen[i].reports.push_back(report);
                             seen[i].atMs = clock.elapsed();
                         });
        links.back()->Send(cases[i].kind, {0x51});
    }
    WaitFor(
        [&] {
            return std::all_of(seen.begin(), seen.end(), [](const Seen& s) { return s.atMs >= 0; });
        },
        5000);
    WaitFor([] { return false; }, 300); // a second report would have come by now
    for (std::size_t i = 0; i < count; ++i) {
        SCOPED_TRACE(RuleOf(cases[i].kind).name);
        EXPECT_EQ(seen[i].reports, std::vector<TimeoutReport>{cases[i].report});
        const int intervalMs = cases[i].keepsInterval ? 1000 : 3000;
        EXPECT_GE(seen[i].atMs, intervalMs - 50);
        EXPECT_LT(seen[i].atMs, intervalMs + 700);
    }
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
