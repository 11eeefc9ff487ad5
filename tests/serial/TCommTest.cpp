#include "serial/TComm.h"
#include "tests/serial/CommOwner.h"
#include "tests/serial/PtyPair.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <numeric>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

std::vector<std::uint8_t> Pattern(std::size_t n, std::uint8_t seed = 0) {
    std::vector<std::uint8_t> v(n);
    for (std::size_t i = 0; i < n; ++i)
        v[i] = static_cast<std::uint8_t>(seed + i * 7 + i / 251);
    return v;
}

class TCommTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(pty.path.empty());
        ConfigureLikeTheWindow(comm, pty.path);
        comm.OnReceiveData = [this](TComm*, const std::uint8_t* b, std::uint16_t n) {
            chunks.emplace_back(b, b + n);
        };
        comm.OnSendDataEmpty = [this](TComm*) { ++sendEmpty; };
        comm.OnRequestHangup = [this](TComm*) { ++hangups; };
    }

    // Runs the owner's side of the notification queue until `done` or the time-out.
    bool Pump(const std::function<bool()>& done, std::chrono::milliseconds timeout = 5000ms) {
        return PumpNotifications(comm, done, timeout);
    }
    std::size_t Received() const {
        return std::accumulate(chunks.begin(), chunks.end(), std::size_t{0},
                               [](std::size_t a, const auto& c) { return a + c.size(); });
    }

    PtyPair pty;
    TComm comm;
    std::vector<std::vector<std::uint8_t>> chunks;
    int sendEmpty = 0;
    int hangups = 0;
};

TEST_F(TCommTest, BurstWithoutGapArrivesAsOneChunk) {
    comm.OpenPort();
    for (std::size_t size : {1u, 100u, 2048u}) {
        chunks.clear();
        const auto data = Pattern(size, static_cast<std::uint8_t>(size));
        ASSERT_TRUE(pty.Write(data));
        ASSERT_TRUE(Pump([&] { return Received() >= size; })) << size;
        std::this_thread::sleep_for(250ms); // nothing else may follow
        comm.DispatchNotifications();
        ASSERT_EQ(chunks.size(), 1u) << size;
        EXPECT_EQ(chunks[0], data) << size;
    }
}

TEST_F(TCommTest, LongStreamIsCutAt2048InOrderWithNothingLost) {
    comm.OpenPort();
    // Shorter than one read of the component, and longer than one and two of them.
    for (std::size_t size : {5000u, 20000u, 40000u}) {
        chunks.clear();
        const auto data = Pattern(size, static_cast<std::uint8_t>(size));
        ASSERT_TRUE(pty.Write(data));
        ASSERT_TRUE(Pump([&] { return Received() >= data.size(); })) << size;
        std::vector<std::uint8_t> joined;
        for (const auto& c : chunks)
            joined.insert(joined.end(), c.begin(), c.end());
        EXPECT_EQ(joined, data) << size;
        // The line never paused, so every chunk but the last is a full one.
        ASSERT_EQ(chunks.size(), (size + 2047) / 2048) << size;
        for (std::size_t i = 0; i + 1 < chunks.size(); ++i)
            EXPECT_EQ(chunks[i].size(), 2048u) << size << " chunk " << i;
    }
}

TEST_F(TCommTest, GapLongerThanIntervalSplitsShorterGapsDoNot) {
    comm.OpenPort();
    struct Case {
        std::chrono::milliseconds gap;
        std::size_t chunks;
    };
    for (const Case c : {Case{30ms, 1}, Case{250ms, 2}}) {
        chunks.clear();
        ASSERT_TRUE(pty.Write(Pattern(10)));
        std::this_thread::sleep_for(c.gap);
        ASSERT_TRUE(pty.Write(Pattern(10, 1)));
        ASSERT_TRUE(Pump([&] { return Received() >= 20; }));
        std::this_thread::sleep_for(250ms);
        comm.DispatchNotifications();
        EXPECT_EQ(chunks.size(), c.chunks) << c.gap.count() << " ms";
    }
}

TEST_F(TCommTest, WritesArriveWholeAndInOrderThenTheWriterFallsQuiet) {
    comm.OpenPort();
    ASSERT_TRUE(Pump([&] { return sendEmpty == 1; })); // the writer's first idle moment
    const auto first = Pattern(3000, 1);
    const auto second = Pattern(500, 2);
    ASSERT_TRUE(comm.WriteData(first.data(), static_cast<std::uint16_t>(first.size())));
    ASSERT_TRUE(comm.WriteData(second.data(), static_cast<std::uint16_t>(second.size())));
    auto got = pty.Read(first.size() + second.size(), 5000ms);
    auto expected = first;
    expected.insert(expected.end(), second.begin(), second.end());
    EXPECT_EQ(got, expected);
    ASSERT_TRUE(Pump([&] { return comm.SendDataEmpty() && sendEmpty >= 2; }));
    // The writer may go idle between the two posts (one more event) but never raises
    // the event again once it stays idle.
    std::this_thread::sleep_for(100ms);
    comm.DispatchNotifications();
    const int settled = sendEmpty;
    EXPECT_GE(settled, 2);
    EXPECT_LE(settled, 3);
    std::this_thread::sleep_for(100ms);
    comm.DispatchNotifications();
    EXPECT_EQ(sendEmpty, settled);
}

TEST_F(TCommTest, WriteRefusedWhenEmptyOrClosed) {
    const std::uint8_t byte = 0x55;
    EXPECT_FALSE(comm.WriteData(&byte, 1)); // closed
    comm.OpenPort();
    EXPECT_FALSE(comm.WriteData(&byte, 0));
    EXPECT_FALSE(comm.WriteData(nullptr, 1));
    comm.ClosePort();
    EXPECT_FALSE(comm.WriteData(&byte, 1));
    EXPECT_TRUE(pty.Read(1, 200ms).empty());
}

TEST_F(TCommTest, OpenFailuresCarryTheirMessages) {
    auto message = [](TComm& c) -> std::string {
        try {
            c.OpenPort();
        } catch (const ECommsError& e) {
            return e.what();
        }
        return "opened";
    };
    comm.OpenPort();
    EXPECT_EQ(message(comm), "This serial port already opened");
    EXPECT_TRUE(comm.IsOpen());

    TComm second;
    second.SetCommName(pty.path);
    EXPECT_EQ(message(second), "Error opening serial port");
    EXPECT_FALSE(second.IsOpen());

    char file[] = "/tmp/talmire-notatty-XXXXXX";
    const int fd = mkstemp(file);
    ASSERT_GE(fd, 0);
    ::close(fd);
    struct Case {
        std::string name;
        std::string message;
    };
    for (const Case& c : {Case{"/dev/talmire-no-such-port", "Error opening serial port"},
                          Case{file, "File handle is not a comm handle "}}) {
        TComm other;
        other.SetCommName(c.name);
        EXPECT_EQ(message(other), c.message) << c.name;
        EXPECT_FALSE(other.IsOpen());
    }
    std::remove(file);

    // The open port still works after the refused second open.
    const std::uint8_t byte = 0x42;
    ASSERT_TRUE(comm.WriteData(&byte, 1));
    EXPECT_EQ(pty.Read(1, 2000ms), std::vector<std::uint8_t>{0x42});
}

TEST_F(TCommTest, PortWithoutPermissionIsRefused) {
    // The device node readable by nobody but its owner, opened by another user (root
    // would pass any permission, so the attempt runs in a child that gives root up).
    ASSERT_EQ(::chmod(pty.path.c_str(), 0600), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (getuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
            _exit(2);
        TComm other;
        other.SetCommName(pty.path);
        try {
            other.OpenPort();
        } catch (const ECommsError& e) {
            _exit(std::string(e.what()) == "Error opening serial port" && !other.IsOpen() ? 0 : 3);
        }
        _exit(4); // opened
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST_F(TCommTest, CloseTwiceIsHarmlessAndReopenWorks) {
    comm.OpenPort();
    comm.ClosePort();
    comm.ClosePort();
    EXPECT_FALSE(comm.IsOpen());
    comm.OpenPort();
    ASSERT_TRUE(pty.Write({1, 2, 3}));
    ASSERT_TRUE(Pump([&] { return Received() == 3; }));
}

TEST_F(TCommTest, ClosingTheOtherEndRaisesHangup) {
    comm.OpenPort();
    ASSERT_TRUE(pty.Write(Pattern(40)));
    pty.CloseMaster();
    ASSERT_TRUE(Pump([&] { return hangups == 1; }));
    EXPECT_TRUE(comm.IsOpen()); // the owner decides what a lost line means
    comm.ClosePort();
}

TEST_F(TCommTest, LineSettingsReappliedOnlyOnChange) {
    comm.OpenPort();
    const auto base = comm.LineSettingApplications();
    comm.SetBaudRate(9600);
    comm.SetRtsControl(comm.RtsControl());
    EXPECT_EQ(comm.LineSettingApplications(), base);
    comm.SetParity(TParity::Even); // a plain store
    comm.SetCommName("/dev/null");
    EXPECT_EQ(comm.LineSettingApplications(), base);
    comm.SetBaudRate(15200); // non-standard rates are accepted
    EXPECT_EQ(comm.LineSettingApplications(), base + 1);
    comm.SetStopBits(TStopBits::_2);
    EXPECT_EQ(comm.LineSettingApplications(), base + 2);
    termios tio{};
    ASSERT_EQ(tcgetattr(pty.slave, &tio), 0);
    EXPECT_NE(tio.c_cflag & CSTOPB, 0u); // the whole block reached the device
    // The open port is still the pty, not /dev/null.
    ASSERT_TRUE(pty.Write({9}));
    ASSERT_TRUE(Pump([&] { return Received() == 1; }));
}

TEST_F(TCommTest, BufferIsReleasedWithOrWithoutHandler) {
    comm.OnReceiveData = nullptr;
    comm.OpenPort();
    ASSERT_TRUE(pty.Write(Pattern(64)));
    ASSERT_TRUE(Pump([&] { return comm.QueuedNotifications() == 0 && sendEmpty == 1; }));
    std::this_thread::sleep_for(250ms);
    comm.DispatchNotifications();
    EXPECT_EQ(comm.QueuedNotifications(), 0u); // under ASan a kept block would leak
}

TEST_F(TCommTest, BoundedBacklogKeepsTheNewestChunks) {
    comm.SetMaxQueuedChunks(2);
    comm.SetReadIntervalTimeout(10);
    comm.OpenPort();
    for (std::uint8_t i = 0; i < 5; ++i) {
        ASSERT_TRUE(pty.Write({i}));
        std::this_thread::sleep_for(80ms); // each byte its own chunk, none dispatched
    }
    ASSERT_TRUE(Pump([&] { return Received() >= 2 && comm.QueuedNotifications() == 0; }));
    ASSERT_EQ(chunks.size(), 2u);
    EXPECT_EQ(chunks[0], std::vector<std::uint8_t>{3});
    EXPECT_EQ(chunks[1], std::vector<std::uint8_t>{4});
    EXPECT_EQ(comm.DroppedChunks(), 3u);
}

TEST_F(TCommTest, BatchOfChunksIsBoundedInOrderAndWakesOnce) {
    struct Case {
        std::size_t bound, posted, kept;
    };
    for (const Case c : {Case{0, 8, 8}, Case{2, 8, 2}, Case{2, 1, 1}, Case{3, 3, 3}}) {
        TComm owner;
        owner.SetMaxQueuedChunks(c.bound);
        std::vector<std::uint8_t> seen;
        owner.OnReceiveData = [&](TComm*, const std::uint8_t* b, std::uint16_t n) {
            seen.insert(seen.end(), b, b + n);
        };
        std::vector<TCommNotification> batch;
        for (std::size_t i = 0; i < c.posted; ++i)
            batch.push_back({MSG_RECEIVE_DATA, 1, {static_cast<std::uint8_t>(i), 0}});
        owner.PostNotifications(batch);
        EXPECT_EQ(owner.QueuedNotifications(), c.kept) << c.bound << "/" << c.posted;
        EXPECT_EQ(owner.DroppedChunks(), c.posted - c.kept) << c.bound << "/" << c.posted;
        // One wake-up for the whole batch: the descriptor counts one signal.
        std::uint64_t signals = 0;
        ASSERT_EQ(::read(owner.NotificationDescriptor(), &signals, sizeof signals),
                  static_cast<ssize_t>(sizeof signals));
        EXPECT_EQ(signals, 1u);
        owner.DispatchNotifications();
        std::vector<std::uint8_t> newest;
        for (std::size_t i = c.posted - c.kept; i < c.posted; ++i)
            newest.push_back(static_cast<std::uint8_t>(i));
        EXPECT_EQ(seen, newest) << c.bound << "/" << c.posted;
    }
}

TEST_F(TCommTest, OneEventPerDispatchLeavesTheRestSignalled) {
    comm.SetReadIntervalTimeout(10);
    comm.OpenPort();
    ASSERT_TRUE(Pump([&] { return sendEmpty == 1; }));
    for (std::uint8_t i = 0; i < 3; ++i) {
        ASSERT_TRUE(pty.Write({i}));
        std::this_thread::sleep_for(80ms);
    }
    ASSERT_TRUE(Pump([&] { return comm.QueuedNotifications() == 3; }, 2000ms) ||
                comm.QueuedNotifications() == 3);
    comm.DispatchNotifications(1);
    EXPECT_EQ(chunks.size(), 1u);
    pollfd p{comm.NotificationDescriptor(), POLLIN, 0};
    EXPECT_EQ(poll(&p, 1, 0), 1);
}

TEST(TCommNames, ComNamesMapToTtyS) {
    TComm comm;
    comm.SetCommName("COM200"); // /dev/ttyS199 exists nowhere
    try {
        comm.OpenPort();
        FAIL() << "opened";
    } catch (const ECommsError& e) {
        EXPECT_STREQ(e.what(), "Error opening serial port");
    }
}

TEST(TCommLifetime, DestroyingAnOpenComponentClosesThePort) {
    PtyPair pty;
    {
        TComm comm;
        comm.SetCommName(pty.path);
        comm.OpenPort();
    }
    TComm again;
    again.SetCommName(pty.path);
    EXPECT_NO_THROW(again.OpenPort()); // the lock went with the first component
}

} // namespace
