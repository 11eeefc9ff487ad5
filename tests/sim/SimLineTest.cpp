// The simulator's line: a published pseudo-terminal, paced replies, a pause inside a reply,
// and a module that stops answering when the tool's line speed differs from its own.

#include "sim/SimLine.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sys/stat.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

class SimLineTest : public ::testing::Test {
protected:
    void Start(SimOptions options) {
        options.link = "/tmp/ttyTALMIRE-test-" + std::to_string(getpid());
        link = options.link;
        line = std::make_unique<SimLine>(options);
        ASSERT_TRUE(line->Open());
        ASSERT_EQ(pipe(stop), 0);
        server = std::thread([this] { line->Run(stop[0]); });
        tool = ::open(link.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        ASSERT_GE(tool, 0);
        SetSpeed(B9600);
    }
    void TearDown() override {
        if (server.joinable()) {
            (void)!::write(stop[1], "x", 1);
            server.join();
        }
        if (tool >= 0)
            ::close(tool);
        line.reset();
        EXPECT_NE(::access(link.c_str(), F_OK), 0); // the link goes with the simulator
        for (int fd : stop)
            if (fd >= 0)
                ::close(fd);
    }
    void SetSpeed(speed_t speed) {
        termios tio{};
        tcgetattr(tool, &tio);
        cfmakeraw(&tio);
        cfsetispeed(&tio, speed);
        cfsetospeed(&tio, speed);
        tcsetattr(tool, TCSANOW, &tio);
    }
    void Send(const std::string& frame) {
        ASSERT_EQ(::write(tool, frame.data(), frame.size()), static_cast<ssize_t>(frame.size()));
    }
    // Pieces of the reply as the tool's reads see them, with their arrival times.
    std::vector<std::pair<Clock::time_point, std::string>> Receive(int quietMs) {
        std::vector<std::pair<Clock::time_point, std::string>> pieces;
        for (;;) {
            pollfd p{tool, POLLIN, 0};
            if (poll(&p, 1, quietMs) <= 0)
                return pieces;
            char buffer[512];
            const ssize_t n = ::read(tool, buffer, sizeof buffer);
            if (n > 0)
                pieces.emplace_back(Clock::now(), std::string(buffer, static_cast<std::size_t>(n)));
        }
    }
    static std::string Joined(const std::vector<std::pair<Clock::time_point, std::string>>& p) {
        std::string out;
        for (const auto& piece : p)
            out += piece.second;
        return out;
    }

    std::string link;
    std::unique_ptr<SimLine> line;
    std::thread server;
    int stop[2] = {-1, -1};
    int tool = -1;
};

TEST_F(SimLineTest, RepliesArePacedAtLineSpeed) {
    Start({});
    const auto sent = Clock::now();
    Send("QQQ#QX#");
    const auto pieces = Receive(300);
    const std::string reply = Joined(pieces);
    ASSERT_EQ(reply.substr(0, 3), "QX ");
    // About a millisecond a byte at 9600 baud.
    const auto span =
        std::chrono::duration_cast<std::chrono::milliseconds>(pieces.back().first - sent);
    EXPECT_GE(span.count(), static_cast<long>(reply.size()) * 8 / 10);
}

TEST_F(SimLineTest, GapInsideAReplySplitsItAsARealLineWould) {
    SimOptions options;
    options.gapMs = 250;
    Start(options);
    Send("QQQ#QX#");
    const auto pieces = Receive(600);
    ASSERT_GE(pieces.size(), 2u);
    long longest = 0;
    for (std::size_t i = 1; i < pieces.size(); ++i)
        longest = std::max<long>(longest, std::chrono::duration_cast<std::chrono::milliseconds>(
                                              pieces[i].first - pieces[i - 1].first)
                                              .count());
    EXPECT_GE(longest, 200);
    EXPECT_EQ(Joined(pieces).substr(0, 3), "QX ");
}

TEST_F(SimLineTest, LineSettingTakesEffectAfterTheAcknowledgement) {
    Start({});
    Send("QQS#BA2:62#");
    EXPECT_EQ(Joined(Receive(300)), "QQS OK");
    Send("QQQ#QV#");
    EXPECT_EQ(Joined(Receive(300)), ""); // the tool still talks at 9600
    SetSpeed(B57600);
    Send("QQQ#QV#");
    EXPECT_EQ(Joined(Receive(300)), "QV:10");
}

// A pseudo-terminal standing in for a USB adapter: the master is the far end of the cable,
// the slave the device node the simulator serves; closing the master unplugs it.
struct Adapter {
    int master = -1;
    std::string node;
    Adapter() {
        master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0)
            return;
        node = ptsname(master);
        termios tio{};
        tcgetattr(master, &tio);
        cfmakeraw(&tio);
        tcsetattr(master, TCSANOW, &tio);
    }
    void Unplug() {
        ::close(master);
        master = -1;
    }
    ~Adapter() {
        if (master >= 0)
            ::close(master);
    }
    std::string Ask(const std::string& frame) const {
        if (::write(master, frame.data(), frame.size()) != static_cast<ssize_t>(frame.size()))
            return "(write failed)";
        std::string reply;
        for (;;) {
            pollfd p{master, POLLIN, 0};
            if (poll(&p, 1, 400) <= 0)
                return reply;
            char buffer[256];
            const ssize_t n = ::read(master, buffer, sizeof buffer);
            if (n <= 0)
                return reply;
            reply.append(buffer, static_cast<std::size_t>(n));
        }
    }
};

double ThreadCpuSeconds(std::thread& thread) {
    clockid_t clock{};
    timespec now{};
    if (pthread_getcpuclockid(thread.native_handle(), &clock) != 0 ||
        clock_gettime(clock, &now) != 0)
        return -1;
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// Points `link` at `target` in one step, as udev replaces a by-id link.
void Relink(const std::string& target, const std::string& link) {
    const std::string fresh = link + ".new";
    ASSERT_EQ(symlink(target.c_str(), fresh.c_str()), 0);
    ASSERT_EQ(rename(fresh.c_str(), link.c_str()), 0);
}

TEST(SimDeviceTest, UnpluggedDeviceIsWaitedForWithoutSpinningOrEndsTheSimulator) {
    for (const bool exitOnHangup : {false, true}) {
        SCOPED_TRACE(exitOnHangup ? "--exit-on-hangup" : "waiting");
        char folder[] = "/tmp/talmire-device-XXXXXX";
        ASSERT_NE(mkdtemp(folder), nullptr);
        const std::string device = std::string(folder) + "/ttyUSB0";
        auto adapter = std::make_unique<Adapter>();
        ASSERT_GE(adapter->master, 0);
        Relink(adapter->node, device);

        SimOptions options;
        options.device = device;
        options.exitOnHangup = exitOnHangup;
        SimLine line(options);
        ASSERT_TRUE(line.Open());
        int stop[2];
        ASSERT_EQ(pipe(stop), 0);
        std::atomic<int> status{-1};
        testing::internal::CaptureStderr();
        std::thread server([&] { status = line.Run(stop[0]); });
        EXPECT_EQ(adapter->Ask("QQQ#QV#"), "QV:10");

        adapter->Unplug();
        std::this_thread::sleep_for(200ms);
        const double cpuBefore = ThreadCpuSeconds(server);
        std::this_thread::sleep_for(500ms);
        const double cpuSpent = ThreadCpuSeconds(server) - cpuBefore;
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_NE(said.find("talmire-sim: " + device + " hung up"), std::string::npos) << said;
        if (exitOnHangup) {
            EXPECT_EQ(status, 1);
            EXPECT_NE(said.find("exiting"), std::string::npos) << said;
        } else {
            EXPECT_EQ(status, -1) << "the simulator stopped while its device was unplugged";
            EXPECT_LT(cpuSpent, 0.05) << "busy while the device is gone";
            EXPECT_NE(said.find("waiting for it to come back"), std::string::npos) << said;
            // Plugged in again (the kernel may hand out another node): served again.
            adapter = std::make_unique<Adapter>();
            Relink(adapter->node, device);
            std::string reply;
            for (int attempt = 0; attempt < 10 && reply.empty(); ++attempt)
                reply = adapter->Ask("QQQ#QV#");
            EXPECT_EQ(reply, "QV:10");
        }
        (void)!::write(stop[1], "x", 1);
        server.join();
        for (int fd : stop)
            ::close(fd);
        ::unlink(device.c_str());
        ::rmdir(folder);
    }
}

TEST(SimOptionsTest, ParsesAndRefuses) {
    struct Case {
        std::vector<const char*> args;
        bool ok;
    };
    const Case cases[] = {
        {{"sim", "--link", "/tmp/x", "--gap-ms", "150", "--verbose"}, true},
        {{"sim", "--gap-ms", "-1"}, false},
        {{"sim", "--gap-ms", "abc"}, false},
        {{"sim", "--side", "rs232"}, true},
        {{"sim", "--device", "/dev/ttyUSB0", "--exit-on-hangup"}, true},
        {{"sim", "--side", "usb"}, false},
        {{"sim", "--link"}, false},
        {{"sim", "--bogus"}, false},
    };
    for (const Case& c : cases) {
        SimOptions options;
        bool help = false;
        std::vector<char*> argv;
        for (const char* a : c.args)
            argv.push_back(const_cast<char*>(a));
        EXPECT_EQ(ParseSimOptions(static_cast<int>(argv.size()), argv.data(), options, help), c.ok)
            << c.args.size();
    }
}

} // namespace
