// The simulator's line: a published pseudo-terminal, paced replies, a pause inside a reply,
// and a module that stops answering when the tool's line speed differs from its own.

#include "sim/SimLine.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <poll.h>
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
