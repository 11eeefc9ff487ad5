#include "commission/ModuleScans.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <utility>
#include <vector>

using std::chrono::microseconds;
using std::chrono::milliseconds;

namespace {

struct WaitCase {
    const char* name;
    microseconds turnaround;
    std::size_t lineBytes;
    std::uint32_t baud;
    TParity parity;
    milliseconds timeout;
    milliseconds expected;
};

TEST(FastScanWait, TurnaroundTimesPlusWireTimeWithinFloorAndTimeout) {
    const WaitCase cases[] = {
        {"a few times the turnaround", microseconds{6000}, 0, 19200, TParity::None,
         milliseconds{200}, milliseconds{18}},
        {"plus the frames' time at 10 bits a byte", microseconds{6000}, 15, 19200, TParity::None,
         milliseconds{200}, milliseconds{26}},
        {"a parity bit makes 11 bits a byte", microseconds{6000}, 15, 19200, TParity::Odd,
         milliseconds{200}, milliseconds{27}},
        {"slow lines weigh in", microseconds{6000}, 15, 1200, TParity::None, milliseconds{200},
         milliseconds{143}},
        {"a module that answers at once: the floor", microseconds{0}, 0, 115200, TParity::None,
         milliseconds{200}, FastScanFloor},
        {"no turnaround below nothing", microseconds{-5000}, 0, 19200, TParity::None,
         milliseconds{200}, FastScanFloor},
        {"a slow module: never beyond the full time-out", microseconds{90000}, 15, 19200,
         TParity::None, milliseconds{200}, milliseconds{200}},
        {"a time-out below the floor is kept", microseconds{0}, 0, 19200, TParity::None,
         milliseconds{5}, milliseconds{5}},
    };
    for (const WaitCase& c : cases) {
        EXPECT_EQ(FastScanWait(c.turnaround, WireTime(c.lineBytes, c.baud, c.parity), c.timeout),
                  c.expected)
            << c.name;
    }
}

// A bus of modules, each answering `latency` after the request; an answer later than the wait
// arrives during the next probe. One may answer only its first request (noise that looked
// like an answer).
struct Module {
    int latencyMs;
    bool answersOnce = false;
};

struct ScanCase {
    const char* name;
    bool fast;
    std::map<int, Module> modules;
    std::vector<int> found;
    std::vector<std::pair<int, int>> probes; // address and wait in ms, in order
    std::optional<int> first{};
};

TEST(ScanAddresses, FastScanConfirmsWhatItFindsAndFollowsLateAnswers) {
    const int t = 200; // the full time-out
    const ScanCase cases[] = {
        {"a full scan waits the time-out everywhere",
         false,
         {{1, {5}}, {3, {5}}},
         {1, 3},
         {{1, t}, {2, t}, {3, t}, {4, t}}},
        {"the full time-out until the first answer, then its turnaround; a find asked again",
         true,
         {{2, {5}}, {3, {5}}},
         {2, 3},
         {{1, t}, {2, t}, {3, 15}, {3, t}, {4, 15}}},
        {"a late answer names its address, which is asked again and the wait grows",
         true,
         {{1, {5}}, {2, {40}}},
         {1, 2},
         {{1, t}, {2, 15}, {3, 15}, {2, t}, {4, 120}}},
        {"what answers a fast probe only is not reported",
         true,
         {{1, {5}}, {3, {5, true}}},
         {1},
         {{1, t}, {2, 15}, {3, 15}, {3, t}, {4, 15}}},
        {"the expected address first, then the range at the fast pace",
         true,
         {{3, {5}}},
         {3},
         {{3, t}, {1, 15}, {2, 15}, {4, 15}},
         3},
        {"an expected address outside the range is not asked",
         true,
         {{3, {5}}},
         {3},
         {{1, t}, {2, t}, {3, t}, {4, 15}},
         9},
    };
    for (const ScanCase& c : cases) {
        std::map<int, int> asked;
        std::optional<int> pending; // a late answer still on its way
        std::vector<std::pair<int, int>> probes;
        std::vector<int> found;
        const auto probe = [&](int address, milliseconds wait) {
            probes.emplace_back(address, static_cast<int>(wait.count()));
            ProbeAnswer answer;
            answer.lateFrom = std::exchange(pending, std::nullopt);
            const auto module = c.modules.find(address);
            if (module == c.modules.end() || (module->second.answersOnce && asked[address]++ > 0))
                return answer;
            if (module->second.latencyMs > wait.count()) {
                pending = address;
                return answer;
            }
            answer.answered = !answer.lateFrom;
            answer.elapsed = milliseconds{module->second.latencyMs};
            return answer;
        };
        ScanAddresses(1, 4, ScanTiming{milliseconds{t}, c.fast, 0, TParity::None, c.first}, probe,
                      [&](int address) { found.push_back(address); });
        EXPECT_EQ(found, c.found) << c.name;
        EXPECT_EQ(probes, c.probes) << c.name;
    }
}

} // namespace
