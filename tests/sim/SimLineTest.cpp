// The simulator's line: a published pseudo-terminal, paced replies, a pause inside a reply,
// and a module that stops answering when the tool's line speed differs from its own.

#include "sim/SimLine.h"
#include "exchange/ModbusCrc16.h"
#include "sim/ModuleState.h"

#include <gtest/gtest.h>

#include <atomic>
#include <bit>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <pthread.h>
#include <sstream>
#include <sys/stat.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// The options a command line gives, as talmire-sim's main reads them.
SimOptions Parsed(std::vector<const char*> args) {
    args.insert(args.begin(), "talmire-sim");
    SimOptions options;
    bool help = false;
    EXPECT_TRUE(ParseSimOptions(static_cast<int>(args.size()), const_cast<char**>(args.data()),
                                options, help));
    return options;
}

std::string HartFrame(std::vector<std::uint8_t> body) {
    std::uint8_t sum = 0;
    for (std::uint8_t b : body)
        sum ^= b;
    body.push_back(sum);
    return std::string(5, '\xFF') + std::string(body.begin(), body.end());
}

std::string ModbusRead(std::uint8_t slave, std::uint8_t start, std::uint8_t count) {
    std::vector<std::uint8_t> frame{slave, 0x03, 0x00, start, 0x00, count};
    const ModbusCrc crc = ModbusCrc16(frame);
    frame.push_back(crc.CrcHi);
    frame.push_back(crc.CrcLo);
    return {frame.begin(), frame.end()};
}

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
    void SetSpeed(speed_t speed, tcflag_t parity = 0) {
        termios tio{};
        tcgetattr(tool, &tio);
        cfmakeraw(&tio);
        tio.c_cflag &= ~static_cast<tcflag_t>(PARENB | PARODD | CMSPAR);
        tio.c_cflag |= parity;
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
    SetSpeed(B57600, PARENB);
    Send("QQQ#QV#");
    EXPECT_EQ(Joined(Receive(300)), "QV:10");
}

TEST_F(SimLineTest, BaudAndParityOptionsSetTheLineItListensAt) {
    Start(Parsed({"--baud", "19200", "--parity", "odd"}));
    struct Case {
        speed_t speed;
        tcflag_t parity;
        const char* reply;
    };
    const Case cases[] = {{B9600, PARENB | PARODD, ""},
                          {B19200, 0, ""},
                          {B19200, PARENB, ""},
                          {B19200, PARENB | PARODD | CMSPAR, ""},
                          {B19200, PARENB | PARODD, "QV:10"}};
    for (const Case& c : cases) {
        SetSpeed(c.speed, c.parity);
        Send("QQQ#QV#");
        EXPECT_EQ(Joined(Receive(300)), c.reply) << c.speed << " " << c.parity;
    }
}

TEST_F(SimLineTest, HartAddressOptionMovesTheInstrument) {
    Start(Parsed({"--hart-address", "5"}));
    Send(HartFrame({0x02, 0x80, 0x00, 0x00}));
    EXPECT_EQ(Joined(Receive(300)), "");
    Send(HartFrame({0x02, 0x85, 0x00, 0x00}));
    const std::string reply = Joined(Receive(300));
    ASSERT_GE(reply.size(), 8u);
    EXPECT_EQ(reply.substr(5, 3), std::string("\x06\x85\x00", 3));
}

TEST_F(SimLineTest, InstrumentsOptionPutsSeveralDistinctInstrumentsOnTheBus) {
    Start(Parsed({"--instruments", "4", "--fixed-values"}));
    for (std::uint8_t address = 0; address < 5; ++address) {
        Send(HartFrame({0x02, static_cast<std::uint8_t>(0x80 | address), 0x00, 0x00}));
        const std::string reply = Joined(Receive(300));
        if (address == 4) {
            EXPECT_EQ(reply, "") << "only four instruments";
            continue;
        }
        // Preambles, six header bytes, twelve of identity, the checksum.
        ASSERT_EQ(reply.size(), 5u + 6 + 12 + 1) << int{address};
        const auto id = static_cast<std::uint8_t>(reply[5 + 6 + 11]);
        EXPECT_EQ(id, HartInstrument::DeviceId[2] + address);
        // Its own values: command 3 at its long address gives its loop current.
        Send(HartFrame({0x82, 0xA6, HartInstrument::DeviceType, HartInstrument::DeviceId[0],
                        HartInstrument::DeviceId[1], id, 0x03, 0x00}));
        const std::string values = Joined(Receive(300));
        constexpr std::size_t body = 5 + 10; // preambles, delimiter, long address, four more
        ASSERT_GE(values.size(), body + 4);
        std::uint32_t bits = 0;
        for (std::size_t k = 0; k < 4; ++k)
            bits = bits << 8 | static_cast<std::uint8_t>(values[body + k]);
        EXPECT_EQ(std::bit_cast<float>(bits), 12.0f + address);
    }
}

TEST_F(SimLineTest, ModbusSlaveOptionSetsTheAddressItAnswers) {
    Start(Parsed({"--modbus-slave", "17"}));
    Send(ModbusRead(1, 0, 2));
    EXPECT_EQ(Joined(Receive(300)), "");
    Send(ModbusRead(17, 0, 2));
    const std::string reply = Joined(Receive(300));
    ASSERT_EQ(reply.size(), 3u + 4 + 2);
    EXPECT_EQ(reply.substr(0, 3), std::string("\x11\x03\x04", 3));
}

TEST_F(SimLineTest, StateOptionLoadsTheModuleAndSavesWhatWasWritten) {
    const std::string path = "/tmp/talmire-sim-state-" + std::to_string(getpid());
    // A module set up with a custom instrument's read command and a moved instrument.
    TalmireModule prepared;
    ASSERT_EQ(
        prepared
            .Handle(std::vector<std::uint8_t>{'Q', 'Q', 'S', '#', 'C', 'A', 'M', 'D', '3', '2', ':',
                                              '1', '<', '0', '3', ',', 0x0A, 0x00, 0x23},
                    0)
            .size(),
        6u);
    prepared.MutableSettings().address = 5;
    prepared.Instrument().SetPollAddress(7);
    std::ofstream(path) << SaveModuleState(prepared);

    Start(Parsed({"--state", path.c_str()}));
    Send("QQQ#QX#");
    EXPECT_NE(Joined(Receive(300)).find(" ADR:005 "), std::string::npos);
    Send(HartFrame({0x02, 0x87, 0x00, 0x00}));
    EXPECT_FALSE(Joined(Receive(300)).empty()) << "the instrument is at 7";
    Send("QQS#JTM:120#");
    EXPECT_EQ(Joined(Receive(300)), "QQS OK");

    std::stringstream saved;
    saved << std::ifstream(path).rdbuf();
    EXPECT_NE(saved.str().find("\nQQS#JTM:120#\n"), std::string::npos) << saved.str();
    // The file holds the whole module: loaded into a fresh one it gives the same state.
    prepared.MutableSettings().interval = 120;
    EXPECT_EQ(saved.str(), SaveModuleState(prepared));
    TalmireModule reloaded;
    std::string error;
    EXPECT_TRUE(LoadModuleState(reloaded, saved.str(), error)) << error;
    EXPECT_EQ(SaveModuleState(reloaded), saved.str());
    std::remove(path.c_str());
}

TEST(SimLineState, AStateThatIsNoSmallRegularFileIsRefused) {
    const std::string large = "/tmp/talmire-sim-large-" + std::to_string(getpid());
    std::ofstream(large) << std::string(2 << 20, '\n');
    for (const std::string path : {"/dev/full", "/dev/zero", "/tmp", large.c_str()}) {
        SCOPED_TRACE(path);
        SimOptions options = Parsed({"--state", path.c_str()});
        options.link = "/tmp/ttyTALMIRE-state-" + std::to_string(getpid());
        SimLine line(options);
        EXPECT_FALSE(line.Open());
    }
    struct stat info {};
    EXPECT_EQ(stat("/dev/full", &info), 0);
    EXPECT_TRUE(S_ISCHR(info.st_mode)) << "the device is left as it was";
    std::remove(large.c_str());
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
        // udev removes the adapter's link with it; a link left behind would point at a
        // pseudo-terminal number the kernel hands to the next program that asks for one.
        ASSERT_EQ(::unlink(device.c_str()), 0);
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
            for (int attempt = 0; attempt < 30 && reply.empty(); ++attempt)
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

} // namespace
