#include "serial/TComm.h"
#include "serial/posix/PosixLine.h"
#include "serial/posix/TCommThreads.h"
#include "tests/serial/CommOwner.h"
#include "tests/serial/PtyPair.h"

#include <gtest/gtest.h>

#include <chrono>
#include <climits>
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
    // Waits, without dispatching anything, until `count` notifications wait in the queue.
    bool WaitQueued(std::size_t count, std::chrono::milliseconds timeout = 5000ms) const {
        const auto end = Clock::now() + timeout;
        while (comm.QueuedNotifications() < count) {
            if (Clock::now() >= end)
                return false;
            std::this_thread::sleep_for(5ms);
        }
        return true;
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
    // A device node nobody may open: the owner is refused by its mode, and root, who passes
    // any mode, gives root up in the child before trying.
    ASSERT_EQ(::chmod(pty.path.c_str(), 0000), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (getuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
            _exit(2);
        if (::access(pty.path.c_str(), R_OK | W_OK) == 0)
            _exit(5); // the child could open it: the refusal would prove nothing
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
    // With its mode back the same port opens: the refusal came from the permission.
    ASSERT_EQ(::chmod(pty.path.c_str(), 0600), 0);
    EXPECT_NO_THROW(comm.OpenPort());
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
    EXPECT_EQ(ReadBaudRate(pty.slave), 9600u);
    comm.SetBaudRate(15200); // non-standard rates are accepted
    EXPECT_EQ(comm.LineSettingApplications(), base + 1);
    EXPECT_EQ(ReadBaudRate(pty.slave), 15200u);
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
    comm.OpenPort();
    ASSERT_TRUE(Pump([&] { return sendEmpty == 1 && comm.QueuedNotifications() == 0; }));
    // A chunk raised with no handler is released (under ASan a kept block would leak) and
    // leaves nothing behind for the next chunk; with a handler the chunk arrives whole.
    for (const bool handler : {false, true, false}) {
        auto received = [this](TComm*, const std::uint8_t* b, std::uint16_t n) {
            chunks.emplace_back(b, b + n);
        };
        comm.OnReceiveData = handler ? TComm::TReceiveDataEvent(received) : nullptr;
        chunks.clear();
        const auto data = Pattern(64, handler ? 1 : 2);
        ASSERT_TRUE(pty.Write(data));
        ASSERT_TRUE(WaitQueued(1)) << handler; // the chunk, cut by the interval
        comm.DispatchNotifications();
        EXPECT_EQ(comm.QueuedNotifications(), 0u) << handler;
        if (handler) {
            ASSERT_EQ(chunks.size(), 1u);
            EXPECT_EQ(chunks[0], data);
        } else {
            EXPECT_TRUE(chunks.empty());
        }
    }
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
    // `lowered`: a bound set after the batch waits (0: none), then one more chunk arrives.
    struct Case {
        std::size_t bound, posted, lowered, kept;
    };
    for (const Case c : {Case{0, 8, 0, 8}, Case{2, 8, 0, 2}, Case{2, 1, 0, 1}, Case{3, 3, 0, 3},
                         Case{0, 8, 3, 3}, Case{5, 5, 2, 2}, Case{4, 2, 1, 1}}) {
        TComm owner;
        owner.SetMaxQueuedChunks(c.bound);
        std::vector<std::uint8_t> seen;
        owner.OnReceiveData = [&](TComm*, const std::uint8_t* b, std::uint16_t n) {
            seen.insert(seen.end(), b, b + n);
        };
        auto chunk = [](std::size_t i) {
            return TCommNotification{MSG_RECEIVE_DATA, 1, {static_cast<std::uint8_t>(i), 0}};
        };
        std::vector<TCommNotification> batch;
        for (std::size_t i = 0; i < c.posted; ++i)
            batch.push_back(chunk(i));
        owner.PostNotifications(batch);
        std::size_t posted = c.posted;
        if (c.lowered > 0) {
            owner.SetMaxQueuedChunks(c.lowered);
            EXPECT_LE(owner.QueuedNotifications(), c.lowered) << c.bound << "/" << c.posted;
            owner.PostNotification(chunk(posted++));
        }
        const std::string label = std::to_string(c.bound) + "/" + std::to_string(c.posted) + "/" +
                                  std::to_string(c.lowered);
        EXPECT_EQ(owner.QueuedNotifications(), c.kept) << label;
        EXPECT_EQ(owner.DroppedChunks(), posted - c.kept) << label;
        // One wake-up for the whole batch: the descriptor counts one signal.
        std::uint64_t signals = 0;
        ASSERT_EQ(::read(owner.NotificationDescriptor(), &signals, sizeof signals),
                  static_cast<ssize_t>(sizeof signals));
        EXPECT_EQ(signals, 1u);
        owner.DispatchNotifications();
        std::vector<std::uint8_t> newest;
        for (std::size_t i = posted - c.kept; i < posted; ++i)
            newest.push_back(static_cast<std::uint8_t>(i));
        EXPECT_EQ(seen, newest) << label;
    }
}

TEST_F(TCommTest, OneEventPerDispatchLeavesTheRestSignalled) {
    comm.SetReadIntervalTimeout(10);
    comm.OpenPort();
    ASSERT_TRUE(Pump([&] { return sendEmpty == 1 && comm.QueuedNotifications() == 0; }));
    for (std::uint8_t i = 0; i < 3; ++i) {
        ASSERT_TRUE(pty.Write({i}));
        ASSERT_TRUE(WaitQueued(i + 1u)); // each byte its own chunk, none dispatched
    }
    // The descriptor stays readable exactly while events wait.
    for (std::size_t handled = 1; handled <= 3; ++handled) {
        comm.DispatchNotifications(1);
        ASSERT_EQ(chunks.size(), handled);
        EXPECT_EQ(chunks.back(), std::vector<std::uint8_t>{static_cast<std::uint8_t>(handled - 1)});
        pollfd p{comm.NotificationDescriptor(), POLLIN, 0};
        EXPECT_EQ(poll(&p, 1, 0), handled < 3 ? 1 : 0) << handled;
    }
}

TEST_F(TCommTest, LineStateFoundAtOpenComesBackAtClose) {
    // What another program left on the port: a cooked line at 57600, and a raw one at a
    // non-standard speed with two stop bits and software flow control.
    struct Case {
        bool raw;
        speed_t speed;
        std::uint32_t customBaud; // set after the speed when above 0
    };
    for (const Case c : {Case{false, B57600, 0}, Case{true, B9600, 31250}}) {
        termios found{};
        ASSERT_EQ(tcgetattr(pty.slave, &found), 0);
        if (c.raw) {
            cfmakeraw(&found);
            found.c_cflag |= CSTOPB;
            found.c_iflag |= IXON | IXOFF;
        } else {
            found.c_lflag |= ICANON | ECHO | ISIG;
            found.c_iflag |= ICRNL;
            found.c_oflag |= OPOST | ONLCR;
        }
        cfsetspeed(&found, c.speed);
        ASSERT_EQ(tcsetattr(pty.slave, TCSANOW, &found), 0);
        if (c.customBaud > 0) {
            ASSERT_TRUE(SetArbitraryBaudRate(pty.slave, c.customBaud));
        }
        ASSERT_EQ(tcgetattr(pty.slave, &found), 0);
        const std::uint32_t foundBaud = ReadBaudRate(pty.slave);

        comm.SetBaudRate(c.raw ? 15200 : 115200);
        comm.OpenPort();
        comm.SetStopBits(c.raw ? TStopBits::_1 : TStopBits::_2);
        termios during{};
        ASSERT_EQ(tcgetattr(pty.slave, &during), 0);
        EXPECT_NE(during.c_cflag, found.c_cflag); // the component's own settings took over
        comm.ClosePort();

        termios after{};
        ASSERT_EQ(tcgetattr(pty.slave, &after), 0);
        EXPECT_EQ(after.c_cflag, found.c_cflag) << c.raw;
        EXPECT_EQ(after.c_iflag, found.c_iflag) << c.raw;
        EXPECT_EQ(after.c_oflag, found.c_oflag) << c.raw;
        EXPECT_EQ(after.c_lflag, found.c_lflag) << c.raw;
        EXPECT_EQ(std::vector<cc_t>(after.c_cc, after.c_cc + NCCS),
                  std::vector<cc_t>(found.c_cc, found.c_cc + NCCS))
            << c.raw;
        EXPECT_EQ(ReadBaudRate(pty.slave), foundBaud) << c.raw;
        comm.SetStopBits(TStopBits::_1);
    }
}

// A pseudo-terminal has no RS-485 settings: a recording driver stands in for a UART's.
struct FakeRs485 {
    static inline PosixRs485 state;
    static inline int writes = 0;
    static bool Get(int, PosixRs485& s) {
        s = state;
        return true;
    }
    static bool Set(int, const PosixRs485& s) {
        state = s;
        ++writes;
        return true;
    }
};

TEST_F(TCommTest, Rs485ModeIsTouchedOnlyForTogglingAndRestoredAtClose) {
    const PosixRs485Driver kernel = Rs485Driver();
    Rs485Driver() = {FakeRs485::Get, FakeRs485::Set};
    const std::uint32_t board = Rs485Enabled | Rs485RtsAfterSend; // a transceiver set up
    const std::uint32_t toggling = Rs485Enabled | Rs485RtsOnSend;
    struct Case {
        std::uint32_t found;
        std::vector<TRtsControl> modes; // the first at open, the rest set while open
        std::uint32_t whileOpen;        // flags after the last mode
        int writesWhileOpen;
    };
    const Case cases[] = {
        {board, {TRtsControl::RtsDisable}, board, 0},
        {board, {TRtsControl::RtsEnable, TRtsControl::RtsHandshake}, board, 0},
        {0, {TRtsControl::RtsDisable}, 0, 0},
        {toggling, {TRtsControl::RtsTransmissionAvailable}, toggling, 0},
        {0, {TRtsControl::RtsTransmissionAvailable}, toggling, 1},
        {board, {TRtsControl::RtsTransmissionAvailable}, toggling, 1},
        {board, {TRtsControl::RtsTransmissionAvailable, TRtsControl::RtsEnable}, board, 2},
        {0, {TRtsControl::RtsDisable, TRtsControl::RtsTransmissionAvailable}, toggling, 1},
    };
    for (const Case& c : cases) {
        const std::string label = std::to_string(c.found) + " " + std::to_string(c.modes.size());
        FakeRs485::state = {c.found, 3, 7};
        FakeRs485::writes = 0;
        comm.SetRtsControl(c.modes.front());
        comm.OpenPort();
        for (std::size_t i = 1; i < c.modes.size(); ++i)
            comm.SetRtsControl(c.modes[i]);
        EXPECT_EQ(FakeRs485::state.flags, c.whileOpen) << label;
        EXPECT_EQ(FakeRs485::writes, c.writesWhileOpen) << label;
        comm.ClosePort();
        EXPECT_EQ(FakeRs485::state.flags, c.found) << label;
        EXPECT_EQ(FakeRs485::state.delayRtsBeforeSend, 3u) << label;
        EXPECT_EQ(FakeRs485::state.delayRtsAfterSend, 7u) << label;
        // Nothing written when nothing had changed.
        EXPECT_EQ(FakeRs485::writes == 0, c.writesWhileOpen == 0) << label;
    }
    Rs485Driver() = kernel;
}

TEST(TCommNames, ComNamesMapToTtySOthersArePaths) {
    PtyPair pty;
    const std::string link = "/tmp/talmire-link-" + std::to_string(getpid());
    ASSERT_EQ(::symlink(pty.path.c_str(), link.c_str()), 0);
    struct Case {
        std::string name, path;
    };
    for (const Case& c : {Case{"COM1", "/dev/ttyS0"}, Case{"COM200", "/dev/ttyS199"},
                          Case{"COM999", "/dev/ttyS998"}, Case{"COM0", "COM0"}, Case{"COM", "COM"},
                          Case{"COM2a", "COM2a"}, Case{"COM1000", "COM1000"}, Case{"com3", "com3"},
                          Case{link, pty.path}, Case{pty.path, pty.path}})
        EXPECT_EQ(ResolvePortPath(c.name), c.path) << c.name;
    ::unlink(link.c_str());

    // The name the component opens is the mapped one: COM200 fails as /dev/ttyS199 does.
    TComm comm;
    comm.SetCommName("COM200");
    EXPECT_THROW(comm.OpenPort(), ECommsError);
    EXPECT_FALSE(comm.IsOpen());
}

TEST(TCommReader, IntervalWaitIsExactAndBounded) {
    struct Case {
        std::uint32_t ms;
        time_t sec;
        long nsec;
    };
    for (const Case c :
         {Case{0, 0, 0}, Case{1, 0, 1000000}, Case{100, 0, 100000000}, Case{1999, 1, 999000000},
          Case{MaxReadInterval, 3600, 0}, Case{INT_MAX, 3600, 0}, Case{INT_MAX + 1u, 3600, 0},
          Case{UINT32_MAX, 3600, 0}}) {
        const timespec t = IntervalTimespec(c.ms);
        EXPECT_EQ(t.tv_sec, c.sec) << c.ms;
        EXPECT_EQ(t.tv_nsec, c.nsec) << c.ms;
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
