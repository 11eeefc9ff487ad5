// The monitor's sampling thread against talmire-sim: reads repeated at their interval with
// the instrument's values, a slave that never answers counted as failed reads, and a cancel
// that ends the reads after the one in progress.

#include "link/MonitorSampler.h"
#include "tests/e2e/SimProcess.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

using namespace std::chrono_literals;

namespace {

TEST(MonitorSampler, RepeatsTheReadAtItsIntervalAndCountsFailures) {
    SimProcess sim({"--modbus-slave", "7"});
    ASSERT_FALSE(sim.ready.empty()) << "talmire-sim did not start";
    MonitorRequest hart;
    hart.hartAddress = 0;
    MonitorRequest modbus;
    modbus.kind = MonitorRequest::Kind::Modbus;
    modbus.slave = 7;
    modbus.start = 2;
    modbus.count = 3;
    MonitorRequest absent = modbus;
    absent.slave = 8;
    struct Case {
        const char* what;
        MonitorRequest request;
        std::vector<std::string> names; // empty: every read fails
        double firstValue;
        std::chrono::milliseconds timeout;
    };
    const std::vector<Case> cases{
        {"HART command 3", hart, {"PV", "SV", "TV", "QV"}, 25.5, 1000ms},
        {"MODBUS u16", modbus, {"r2", "r3", "r4"}, -1, 1000ms},
        {"MODBUS slave that is not there", absent, {}, 0, 60ms},
    };
    for (const Case& c : cases) {
        MonitorSampler sampler;
        ASSERT_EQ(sampler.Start({sim.link, 9600, TParity::None}, c.request, 100ms, c.timeout),
                  std::nullopt)
            << c.what;
        std::this_thread::sleep_for(450ms);
        sampler.Stop();
        EXPECT_TRUE(sampler.Finished());
        const std::vector<MonitorSample> samples = sampler.Take();
        // Reads at 0, 100, 200, 300 and 400 ms; a loaded machine may lose one.
        EXPECT_GE(samples.size(), 4U) << c.what;
        EXPECT_LE(samples.size(), 6U) << c.what;
        // No read before its time: the n-th at n intervals after the first at the earliest.
        for (std::size_t i = 1; i < samples.size(); ++i)
            EXPECT_GE(samples[i].seconds, 0.0999 * static_cast<double>(i)) << c.what << " " << i;
        for (const MonitorSample& s : samples) {
            EXPECT_EQ(s.ok, !c.names.empty()) << c.what << ": " << s.failure;
            std::vector<std::string> names;
            for (const MonitorChannel& channel : s.channels)
                names.push_back(channel.name);
            EXPECT_EQ(names, c.names) << c.what;
            if (s.ok && c.firstValue >= 0) {
                EXPECT_EQ(s.values.at(0), c.firstValue) << c.what;
                EXPECT_FALSE(s.channels[0].unit.empty()) << c.what;
            }
            if (!s.ok) {
                EXPECT_EQ(s.failure, "no answer") << c.what;
            }
        }
        EXPECT_EQ(sampler.Ended(), "") << c.what;
    }
}

TEST(MonitorSampler, CancelEndsTheReadsAfterTheOneInProgress) {
    SimProcess sim;
    ASSERT_FALSE(sim.ready.empty()) << "talmire-sim did not start";
    MonitorRequest present;
    present.hartAddress = 0;
    MonitorRequest absent;
    absent.kind = MonitorRequest::Kind::Modbus;
    absent.slave = 99;
    struct Case {
        const char* what;
        MonitorRequest request;
        std::chrono::milliseconds interval;
        std::chrono::milliseconds timeout;
        bool afterFirstRead;                  // cancelled once the first read is in, else during it
        std::chrono::milliseconds endsWithin; // from the cancel to a closed port (closing a
                                              // port takes a few hundred ms)
    };
    const Case cases[] = {
        // Cancelled in a read that waits for its answer: the read runs to its time-out, and
        // no other read starts.
        {"waiting for an answer", absent, 0ms, 1000ms, false, 2s},
        // Cancelled between two reads of a long interval: the wait ends at once.
        {"between two reads", present, 10s, 1000ms, true, 2s},
    };
    for (const Case& c : cases) {
        MonitorSampler sampler;
        ASSERT_EQ(sampler.Start({sim.link, 9600, TParity::None}, c.request, c.interval, c.timeout),
                  std::nullopt)
            << c.what;
        // Between reads: once the first read is in; in a read: 50 ms into the first one.
        std::size_t before = 0;
        const auto started = std::chrono::steady_clock::now();
        do {
            std::this_thread::sleep_for(50ms);
            before += sampler.Take().size();
        } while (c.afterFirstRead && before == 0 &&
                 std::chrono::steady_clock::now() - started < 4s);
        ASSERT_EQ(before, c.afterFirstRead ? 1U : 0U) << c.what;
        const auto asked = std::chrono::steady_clock::now();
        sampler.Cancel();
        while (!sampler.Finished() && std::chrono::steady_clock::now() - asked < 4s)
            std::this_thread::sleep_for(5ms);
        EXPECT_TRUE(sampler.Finished()) << c.what;
        EXPECT_LT(std::chrono::steady_clock::now() - asked, c.endsWithin) << c.what;
        // At most the read that was in progress came in after the cancel.
        EXPECT_LE(sampler.Take().size(), c.afterFirstRead ? 0U : 1U) << c.what;
        sampler.Stop();
        // The port is free again: a second sampler opens it.
        MonitorSampler again;
        EXPECT_EQ(again.Start({sim.link, 9600, TParity::None}, absent, 0ms, 10ms), std::nullopt)
            << c.what;
    }
    MonitorSampler missing;
    EXPECT_NE(missing.Start({"/dev/ttyTALMIRE-none", 9600, TParity::None}, absent, 0ms, 10ms),
              std::nullopt);
}

} // namespace
