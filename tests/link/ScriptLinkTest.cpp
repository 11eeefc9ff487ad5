// The script link against a pseudo-terminal that answers with more than any answer holds:
// what an exchange keeps stays bounded whatever the line sends, and the rest is counted.
// And the monitor's CSV: the rows of reads that failed before the first answer.

#include "link/ScriptLink.h"
#include "link/MonitorSampler.h"
#include "tests/serial/PtyPair.h"

#include <gtest/gtest.h>

#include <limits>
#include <thread>

using namespace std::chrono_literals;

namespace {

TEST(ScriptLink, KeepsABoundedAnswerOfAFloodAndCountsTheRest) {
    struct Case {
        const char* what;
        std::size_t sent;
    };
    const std::vector<Case> cases{
        {"an answer of 100 bytes", 100},
        {"as much as is kept", ScriptLink::KeptBytes},
        {"one byte more", ScriptLink::KeptBytes + 1},
        {"a flood of 2 MiB", 2U << 20},
    };
    for (const Case& c : cases) {
        PtyPair pty;
        ASSERT_FALSE(pty.path.empty());
        ScriptLink link;
        std::size_t traced = 0;
        link.OnTraffic = [&](bool sent, std::span<const std::uint8_t> bytes) {
            if (!sent)
                traced += bytes.size();
        };
        ASSERT_EQ(link.Open({pty.path, 9600, TParity::None}), std::nullopt) << c.what;
        std::thread module([&] {
            if (pty.Read(1, 2000ms).empty())
                return;
            std::vector<std::uint8_t> answer(c.sent);
            for (std::size_t i = 0; i < answer.size(); ++i)
                answer[i] = static_cast<std::uint8_t>(i);
            pty.Write(answer);
        });
        const std::vector<std::uint8_t> request{0x51};
        const ExchangeResult result = link.Exchange(request, ReplyEnd::Gap, 3000ms);
        module.join();
        const std::size_t kept = std::min(c.sent, ScriptLink::KeptBytes);
        EXPECT_EQ(result.status, ExchangeStatus::Complete) << c.what;
        EXPECT_EQ(result.reply.size(), kept) << c.what;
        EXPECT_EQ(traced, kept) << c.what << ": the trace shows what was kept";
        // Chunks the port's queue dropped unread are counted apart, without their size.
        if (result.droppedChunks == 0)
            EXPECT_EQ(result.droppedBytes, c.sent - kept) << c.what;
        else
            EXPECT_LT(result.droppedBytes, c.sent - kept) << c.what;
        EXPECT_EQ(DroppedText(result).empty(), c.sent == kept) << c.what;
    }
}

MonitorSample Read(double seconds, bool ok) {
    MonitorSample sample;
    sample.seconds = seconds;
    sample.ok = ok;
    if (ok) {
        sample.channels = {{"PV", "mA"}, {"SV", ""}};
        sample.values = {4.5, std::numeric_limits<double>::quiet_NaN()};
    } else {
        sample.failure = "command 3: no answer, \"late\"";
    }
    return sample;
}

TEST(MonitorCsv, FailedReadsBeforeTheFirstAnswerWaitForTheHeader) {
    const std::string failure = ",\"command 3: no answer, \"\"late\"\"\"\n";
    const std::string header = "time_s,time,PV [mA],SV,failure\n";
    const std::string epoch = "1970-01-01T00:00:00.000Z";
    struct Case {
        const char* what;
        std::vector<bool> reads; // ok or failed, in order
        bool finish;
        std::string csv;
    };
    const std::vector<Case> cases{
        {"answers",
         {true, true},
         false,
         header + "0.000," + epoch + ",4.5,,\n1.000," + epoch + ",4.5,,\n"},
        {"a failure first, then an answer",
         {false, true},
         false,
         header + "0.000," + epoch + ",," + failure + "1.000," + epoch + ",4.5,,\n"},
        {"failures only, held until the end", {false, false}, false, ""},
        {"failures only, at the end",
         {false, false},
         true,
         "time_s,time,failure\n0.000," + epoch + failure + "1.000," + epoch + failure},
    };
    for (const Case& c : cases) {
        MonitorCsv csv;
        std::string text;
        for (std::size_t i = 0; i < c.reads.size(); ++i) {
            const MonitorSample sample = Read(static_cast<double>(i), c.reads[i]);
            text += csv.Add({&sample, 1});
        }
        if (c.finish)
            text += csv.Finish();
        EXPECT_EQ(text, c.csv) << c.what;
    }
}

} // namespace
