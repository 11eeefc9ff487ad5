// What the component does to the port itself: the line state it finds at open and puts back
// at close, the RS-485 mode, the names it maps to device paths, the reader's wait and the
// port released with the component.

#include "serial/TComm.h"
#include "serial/posix/PosixLine.h"
#include "serial/posix/TCommThreads.h"
#include "tests/serial/PtyPair.h"
#include "tests/serial/TCommTest.h"

#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <fstream>
#include <string>
#include <termios.h>
#include <unistd.h>

namespace {

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

// Each way an opening fails keeps its cause, so the window and the command line can say what
// to do rather than only "Error opening serial port".
TEST(TCommOpenFailure, EachFailureNamesItsCause) {
    PtyPair pty;
    TComm holder;
    holder.SetCommName(pty.path);
    holder.OpenPort();
    const std::string regular = "/tmp/talmire-regular-" + std::to_string(getpid());
    { std::ofstream(regular) << "x"; }
    struct Case {
        std::string name;
        OpenFailure cause;
        std::string text;
    };
    for (const Case& c : {Case{"/dev/talmire-missing", OpenFailure::NoSuchDevice, "no such device"},
                          Case{pty.path, OpenFailure::InUse, "in use by another program"},
                          Case{regular, OpenFailure::NotSerial, "not a serial port"}}) {
        TComm comm;
        comm.SetCommName(c.name);
        try {
            comm.OpenPort();
            ADD_FAILURE() << c.name << " opened";
        } catch (const ECommsError& e) {
            EXPECT_EQ(e.Cause(), c.cause) << c.name;
            EXPECT_EQ(OpenFailureText(e), c.text) << c.name;
        }
        EXPECT_FALSE(comm.IsOpen()) << c.name;
    }
    ::unlink(regular.c_str());
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
