// Network ports of the serial component on the loopback address: against Debian's ser2net
// in front of a pseudo-terminal (RFC 2217), against a scripted Telnet server for what a
// pseudo-terminal cannot produce (line errors, modem changes), and against the simulator
// serving its module over TCP.

#include "config/ConfigFrames.h"
#include "config/ConfigReplies.h"
#include "serial/TComm.h"
#include "tests/e2e/SimProcess.h"
#include "tests/serial/CommOwner.h"
#include "tests/serial/HexBytes.h"
#include "tests/serial/PtyPair.h"
#include "tests/serial/ScriptedTelnetServer.h"
#include "tests/serial/Ser2net.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <poll.h>
#include <termios.h>
#include <thread>

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

// What a component raised, collected on the owner's thread.
struct Events {
    explicit Events(TComm& comm) {
        comm.OnReceiveData = [this](TComm*, const std::uint8_t* b, std::uint16_t n) {
            data.insert(data.end(), b, b + n);
            ++chunks;
        };
        comm.OnReceiveError = [this](TComm*, std::uint32_t flags) { errors.push_back(flags); };
        comm.SetOnModemStateChange([this](TComm*, std::uint32_t e) { modem.push_back(e); });
        comm.OnRequestHangup = [this](TComm*) { ++hangups; };
    }
    Bytes data;
    int chunks = 0;
    std::vector<std::uint32_t> errors;
    std::vector<std::uint32_t> modem;
    int hangups = 0;
};

std::size_t NotesNaming(const TComm& comm, const std::string& word) {
    return static_cast<std::size_t>(
        std::count_if(comm.PortNotes().begin(), comm.PortNotes().end(),
                      [&](const std::string& n) { return n.find(word) != std::string::npos; }));
}

class Rfc2217Test : public ::testing::Test {
protected:
    void SetUp() override {
        if (!Ser2netInstalled())
            GTEST_SKIP() << "ser2net is not installed (Debian package ser2net)";
        server = std::make_unique<Ser2net>(pty.path);
        ASSERT_FALSE(server->Url().empty()) << "ser2net did not come up";
        ConfigureLikeTheWindow(comm, server->Url());
    }
    void TearDown() override { comm.ClosePort(); }

    PtyPair pty;
    std::unique_ptr<Ser2net> server;
    TComm comm;
    Events events{comm};
};

TEST_F(Rfc2217Test, LineSettingsReachThePtyAndRefusedLinesAreNotedOnce) {
    struct Case {
        std::uint32_t baud;
        TParity parity;
        TByteSize size;
        TStopBits stop;
        speed_t speed;
        bool odd;
        bool twoStops;
    };
    // The first at opening, the rest as changes of an open port. A pseudo-terminal keeps
    // the speed, PARODD and CSTOPB; it forces CS8 and clears PARENB, so the data size and
    // even parity cannot be read back there.
    const Case cases[] = {
        {19200, TParity::None, TByteSize::_8, TStopBits::_1, B19200, false, false},
        {4800, TParity::Odd, TByteSize::_7, TStopBits::_2, B4800, true, true},
        {115200, TParity::Even, TByteSize::_8, TStopBits::_1, B115200, false, false},
        {9600, TParity::None, TByteSize::_8, TStopBits::_1, B9600, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.baud);
        comm.SetBaudRate(c.baud);
        comm.SetParity(c.parity);
        comm.SetByteSize(c.size);
        comm.SetStopBits(c.stop);
        if (!comm.IsOpen())
            ASSERT_NO_THROW(comm.OpenPort());
        else
            comm.SetParityCheck(!comm.ParityCheck()); // re-applies the whole line
        termios tio{};
        const bool reached = PumpNotifications(
            comm,
            [&] {
                return tcgetattr(pty.slave, &tio) == 0 && cfgetospeed(&tio) == c.speed &&
                       ((tio.c_cflag & PARODD) != 0) == c.odd &&
                       ((tio.c_cflag & CSTOPB) != 0) == c.twoStops;
            },
            2000ms);
        EXPECT_TRUE(reached) << "speed " << cfgetospeed(&tio) << " cflag " << std::hex
                             << tio.c_cflag;
    }
    // A server in front of a pseudo-terminal cannot set DTR or RTS: said once, not fatal.
    PumpNotifications(
        comm, [&] { return NotesNaming(comm, "RTS") > 0; }, 2000ms);
    EXPECT_EQ(NotesNaming(comm, "DTR"), 1u);
    EXPECT_EQ(NotesNaming(comm, "RTS"), 1u);
    EXPECT_EQ(NotesNaming(comm, "speed"), 0u);
    EXPECT_TRUE(comm.IsOpen());
}

TEST_F(Rfc2217Test, IacBytesPassUnchangedBothWays) {
    Bytes every(256);
    for (int i = 0; i < 256; ++i)
        every[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
    const Bytes cases[] = {{0xFF}, {0xFF, 0xFF, 0x00, 0xFF}, {0x0D, 0x00, 0x0D, 0x0A}, every};
    ASSERT_NO_THROW(comm.OpenPort());
    for (const Bytes& bytes : cases) {
        SCOPED_TRACE(Hex(bytes));
        ASSERT_TRUE(comm.WriteData(bytes.data(), static_cast<std::uint16_t>(bytes.size())));
        EXPECT_EQ(Hex(pty.Read(bytes.size(), 2000ms)), Hex(bytes));
        events.data.clear();
        ASSERT_TRUE(pty.Write(bytes));
        PumpNotifications(
            comm, [&] { return events.data.size() >= bytes.size(); }, 2000ms);
        EXPECT_EQ(Hex(events.data), Hex(bytes));
    }
}

TEST_F(Rfc2217Test, AServerKilledMidExchangeIsALostPortThatOpensAgainWhenBack) {
    ASSERT_NO_THROW(comm.OpenPort());
    const Bytes request = {'Q', 'Q', 'Q', '#', 'Q', 'V', '#'};
    ASSERT_TRUE(comm.WriteData(request.data(), static_cast<std::uint16_t>(request.size())));
    ASSERT_EQ(pty.Read(request.size(), 2000ms), request); // asked, not yet answered
    server->Stop(SIGKILL);
    EXPECT_TRUE(PumpNotifications(
        comm, [&] { return events.hangups > 0; }, 2000ms));
    comm.ClosePort();
    try {
        comm.OpenPort();
        ADD_FAILURE() << "opened with no server";
    } catch (const ECommsError& e) {
        EXPECT_EQ(e.SystemReason(), std::strerror(ECONNREFUSED));
    }
    Ser2net again(pty.path, server->port);
    ASSERT_FALSE(again.Url().empty());
    ASSERT_NO_THROW(comm.OpenPort());
    ASSERT_TRUE(pty.Write({'Q', 'V', ':', '1', '1'}));
    EXPECT_TRUE(PumpNotifications(
        comm, [&] { return events.data.size() >= 5; }, 2000ms));
}

TEST_F(Rfc2217Test, ABusyServerRefusesTheOpenInItsOwnWordsAndLeavesNoEvents) {
    ASSERT_NO_THROW(comm.OpenPort());
    TComm second;
    Events secondEvents(second);
    ConfigureLikeTheWindow(second, server->Url());
    const auto start = Clock::now();
    try {
        second.OpenPort();
        ADD_FAILURE() << "a second client opened the server's one line";
    } catch (const ECommsError& e) {
        EXPECT_EQ(e.Cause(), OpenFailure::InUse);
        EXPECT_NE(e.SystemReason().find("in use"), std::string::npos) << e.SystemReason();
    }
    EXPECT_LT(Clock::now() - start, 1000ms); // not the whole connect time-out
    EXPECT_FALSE(second.IsOpen());
    PumpNotifications(
        second, [] { return false; }, 200ms);
    EXPECT_EQ(secondEvents.hangups, 0);
    EXPECT_TRUE(secondEvents.data.empty()) << Hex(secondEvents.data);
}

TEST(NetPortNotificationTest, TheServersLineAndModemStatesBecomeTheComponentsEvents) {
    struct Case {
        const char* what;
        std::vector<Bytes> parts;
        std::vector<std::uint32_t> errors;
        std::vector<std::uint32_t> modem;
        Bytes data;
    };
    const Case cases[] = {
        {"a parity error, data, a carrier change",
         {{0xFF, 0xFA, 0x2C, 0x6A, 0x04, 0xFF, 0xF0, 'A', 0xFF, 0xFA, 0x2C, 0x6B, 0x88, 0xFF,
           0xF0}},
         {CommErrorParity},
         {ModemCarrierChanged},
         {'A'}},
        {"a framing error split across segments, a ring",
         {{0xFF, 0xFA, 0x2C, 0x6A},
          {0x08, 0xFF, 0xF0, 'B'},
          {0xFF, 0xFA, 0x2C, 0x6B, 0x44, 0xFF, 0xF0}},
         {CommErrorFrame},
         {ModemRingIndicator},
         {'B'}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptedServer server(c.parts);
        TComm comm;
        Events events(comm);
        ConfigureLikeTheWindow(comm, server.Url());
        ASSERT_NO_THROW(comm.OpenPort());
        PumpNotifications(
            comm,
            [&] {
                return events.errors.size() >= c.errors.size() &&
                       events.modem.size() >= c.modem.size() && events.data.size() >= c.data.size();
            },
            3000ms);
        EXPECT_EQ(events.errors, c.errors);
        EXPECT_EQ(events.modem, c.modem);
        EXPECT_EQ(Hex(events.data), Hex(c.data));
        EXPECT_TRUE(comm.LineErrorCountersAvailable());
    }
}

TEST(NetPortConnectTest, FailuresCarryTheSystemsReasonWithinTheConnectTimeOut) {
    // A listener whose queue is full (backlog 0 and one connection in it) drops the next
    // connection's handshake, as an unreachable server does: the connect times out.
    const int full = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof a;
    ASSERT_EQ(bind(full, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    ASSERT_EQ(listen(full, 0), 0);
    ASSERT_EQ(getsockname(full, reinterpret_cast<sockaddr*>(&a), &size), 0);
    const std::string fullPort = std::to_string(ntohs(a.sin_port));
    const int filler = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_EQ(connect(filler, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    // A listener that never speaks: the connection is made, the COM-PORT option unanswered.
    const int silent = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    a.sin_port = 0;
    ASSERT_EQ(bind(silent, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    ASSERT_EQ(listen(silent, 4), 0);
    ASSERT_EQ(getsockname(silent, reinterpret_cast<sockaddr*>(&a), &size), 0);
    const std::string silentPort = std::to_string(ntohs(a.sin_port));

    struct Case {
        std::string name;
        bool opens;
        OpenFailure cause;
        std::string reason; // part of the system's reason
        bool takesTheTimeOut;
    };
    const Case cases[] = {
        {"tcp://127.0.0.1:" + std::to_string(FreeLoopbackPort()), false, OpenFailure::Other,
         std::strerror(ECONNREFUSED), false},
        {"rfc2217://127.0.0.1:" + fullPort, false, OpenFailure::Other, std::strerror(ETIMEDOUT),
         true},
        {"tcp://127.0.0.1", false, OpenFailure::NoSuchDevice, "port", false},
        {"rfc2217://127.0.0.1:" + silentPort, true, OpenFailure::Other, "", true},
    };
    constexpr auto timeout = 400ms;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TComm comm;
        comm.SetCommName(c.name);
        comm.SetConnectTimeout(static_cast<std::uint32_t>(timeout.count()));
        const auto start = Clock::now();
        try {
            comm.OpenPort();
            EXPECT_TRUE(c.opens);
        } catch (const ECommsError& e) {
            EXPECT_FALSE(c.opens) << e.what();
            EXPECT_EQ(e.Cause(), c.cause);
            EXPECT_NE(e.SystemReason().find(c.reason), std::string::npos) << e.SystemReason();
            EXPECT_FALSE(OpenFailureText(e).empty());
        }
        const auto took = Clock::now() - start;
        EXPECT_EQ(took >= timeout, c.takesTheTimeOut);
        EXPECT_LT(took, timeout + 1000ms);
        if (c.opens) {
            PumpNotifications(
                comm, [&] { return !comm.PortNotes().empty(); }, 1000ms);
            EXPECT_EQ(NotesNaming(comm, "COM-PORT"), 1u);
        }
    }
    ::close(filler);
    ::close(full);
    ::close(silent);
}

// The exchange of the module's communication query: its reply and the chunks it came in.
struct Exchange {
    std::string reply;
    int chunks = 0;
};
Exchange AskCommunication(TComm& comm, Events& events) {
    const FrameResult query = CommunicationQuery();
    events.data.clear();
    events.chunks = 0;
    EXPECT_TRUE(comm.WriteData(query.bytes.data(), static_cast<std::uint16_t>(query.bytes.size())));
    // Until the reply is in and the line has been quiet for longer than the chunk gap.
    PumpNotifications(
        comm, [&] { return events.data.size() >= 5; }, 3000ms);
    PumpNotifications(
        comm, [] { return false; }, 400ms);
    return {{events.data.begin(), events.data.end()}, events.chunks};
}

std::string ServedAt(const std::string& ready) {
    const std::size_t at = ready.find(" on ");
    return at == std::string::npos ? std::string() : ready.substr(at + 4);
}

TEST(NetPortSimulatorTest, TheModuleAnswersOverTcpInChunksCutAtTheGap) {
    struct Case {
        int gapMs; // the simulator's pause in the middle of its reply
        int chunks;
    };
    const Case cases[] = {{0, 1}, {300, 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.gapMs);
        SimProcess sim({"--listen", "tcp://127.0.0.1:0", "--gap-ms", std::to_string(c.gapMs)});
        const std::string url = ServedAt(sim.ready);
        ASSERT_TRUE(url.starts_with("tcp://127.0.0.1:")) << sim.ready;
        // Two clients one after the other: the listener serves the next once one has gone.
        for (int client = 0; client < 2; ++client) {
            TComm comm;
            Events events(comm);
            ConfigureLikeTheWindow(comm, url);
            ASSERT_NO_THROW(comm.OpenPort());
            const Exchange e = AskCommunication(comm, events);
            EXPECT_TRUE(DecodeCommunicationReply(e.reply).Answered()) << e.reply;
            EXPECT_EQ(e.chunks, c.chunks);
        }
    }
}

TEST(NetPortSimulatorTest, TheModuleAnswersOverRfc2217ThroughSer2net) {
    if (!Ser2netInstalled())
        GTEST_SKIP() << "ser2net is not installed (Debian package ser2net)";
    SimProcess sim;
    Ser2net server(sim.link);
    ASSERT_FALSE(server.Url().empty());
    TComm comm;
    Events events(comm);
    ConfigureLikeTheWindow(comm, server.Url());
    ASSERT_NO_THROW(comm.OpenPort());
    const Exchange e = AskCommunication(comm, events);
    EXPECT_TRUE(DecodeCommunicationReply(e.reply).Answered()) << e.reply;
    EXPECT_EQ(e.chunks, 1);
}

} // namespace
