// Line errors, modem lines and the input settings of the POSIX serial component. A
// pseudo-terminal carries neither line errors nor modem lines, so a fake line stands in for
// the driver's counters and its modem-line wait; the settings are read back from the device.

#include "serial/TComm.h"
#include "serial/posix/PosixLine.h"
#include "serial/posix/ReceiveFilter.h"
#include "tests/serial/CommOwner.h"
#include "tests/serial/PtyPair.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <poll.h>
#include <sstream>
#include <string>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <thread>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

using Bytes = std::vector<std::uint8_t>;

std::string Hex(const Bytes& bytes) {
    std::ostringstream out;
    out << std::hex;
    for (const std::uint8_t b : bytes)
        out << static_cast<int>(b) << ' ';
    return out.str();
}

TEST(ReceiveFilter, UndoesMarksReplacesAndDropsWhereverReadsSplitTheBytes) {
    ReceiveFilter::Mode keep;
    keep.marked = true;
    ReceiveFilter::Mode replace = keep;
    replace.replace = true;
    replace.replacement = '?';
    ReceiveFilter::Mode dropNul;
    dropNul.dropNul = true;
    ReceiveFilter::Mode keepDrop = keep;
    keepDrop.dropNul = true;
    ReceiveFilter::Mode replaceNulDrop = keepDrop;
    replaceNulDrop.replace = true;
    replaceNulDrop.replacement = 0;
    struct Case {
        const char* label;
        ReceiveFilter::Mode mode;
        Bytes in, out;
    };
    const Case cases[] = {
        {"nothing to do", {}, {0xFF, 0x00, 0x41, 0x00, 0xFF}, {0xFF, 0x00, 0x41, 0x00, 0xFF}},
        {"received 0xFF", keep, {0x41, 0xFF, 0xFF, 0x42}, {0x41, 0xFF, 0x42}},
        {"bad byte kept", keep, {0x31, 0xFF, 0x00, 0x41, 0x32}, {0x31, 0x41, 0x32}},
        {"bad 0xFF kept", keep, {0xFF, 0x00, 0xFF, 0x07}, {0xFF, 0x07}},
        {"bad byte replaced", replace, {0x31, 0xFF, 0x00, 0x41, 0x32}, {0x31, '?', 0x32}},
        {"0xFF runs", replace, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x05}, {0xFF, 0xFF, '?'}},
        {"bad NUL replaced", replace, {0xFF, 0x00, 0x00, 0x00}, {'?', 0x00}},
        {"NULs dropped", dropNul, {0x00, 0x01, 0x00, 0x00, 0x02, 0xFF, 0x00}, {0x01, 0x02, 0xFF}},
        {"bad NUL dropped", keepDrop, {0xFF, 0x00, 0x00, 0x00, 0x41}, {0x41}},
        {"replacement NUL kept", replaceNulDrop, {0x00, 0xFF, 0x00, 0x41, 0x00}, {0x00}},
        {"stray 0xFF", keep, {0x41, 0xFF, 0x42, 0x43}, {0x41, 0x42, 0x43}},
        {"mark left open", keep, {0x41, 0xFF, 0x00}, {0x41}},
    };
    for (const Case& c : cases) {
        // Every split into two reads, and one byte per read, give the same bytes.
        const ReceiveFilter::Mode mode = ReceiveFilter::Unpack(ReceiveFilter::Pack(c.mode));
        ASSERT_EQ(mode, c.mode) << c.label;
        for (std::size_t split = 0; split <= c.in.size() + 1; ++split) {
            ReceiveFilter filter;
            filter.SetMode(mode);
            Bytes buffer = c.in;
            Bytes out;
            auto apply = [&](std::size_t from, std::size_t to) {
                const std::size_t kept = filter.Apply(buffer.data() + from, to - from);
                ASSERT_LE(kept, to - from);
                out.insert(out.end(), buffer.begin() + static_cast<std::ptrdiff_t>(from),
                           buffer.begin() + static_cast<std::ptrdiff_t>(from + kept));
            };
            if (split <= c.in.size()) {
                apply(0, split);
                apply(split, c.in.size());
            } else {
                for (std::size_t i = 0; i < c.in.size(); ++i)
                    apply(i, i + 1);
            }
            EXPECT_EQ(out, c.out) << c.label << ", split at " << split << ": " << Hex(out);
        }
    }
}

// The driver's interrupt counters and modem lines, played by the test. The modem-line wait
// blocks in poll() on an event descriptor, so it is interrupted by a signal as the kernel's
// wait is.
struct FakeLine {
    static inline std::mutex mutex;
    static inline PosixLineCounters counters;
    static inline bool haveCounters = true;
    static inline int lines = 0;
    static inline bool haveLines = true;
    static inline int changed = -1; // readable: the wait ends
    static inline std::atomic<int> waiting{0};

    static bool Counters(int, PosixLineCounters& c) {
        std::lock_guard lock(mutex);
        if (!haveCounters) {
            errno = EINVAL;
            return false;
        }
        c = counters;
        return true;
    }
    static bool Lines(int, int& bits) {
        std::lock_guard lock(mutex);
        bits = lines;
        return haveLines;
    }
    static bool Wait(int) {
        ++waiting;
        pollfd p{changed, POLLIN, 0};
        const int ready = poll(&p, 1, -1);
        const int error = errno;
        --waiting;
        if (ready < 0) {
            errno = error;
            return false;
        }
        std::uint64_t n = 0;
        (void)!::read(changed, &n, sizeof n);
        return true;
    }
    static void Change(const std::function<void(PosixLineCounters&, int&)>& change) {
        {
            std::lock_guard lock(mutex);
            change(counters, lines);
        }
        const std::uint64_t one = 1;
        (void)!::write(changed, &one, sizeof one);
    }
};

class TCommLineTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(pty.path.empty());
        kernel = LineEventDriver();
        FakeLine::counters = {};
        FakeLine::haveCounters = true;
        FakeLine::lines = 0;
        FakeLine::haveLines = true;
        FakeLine::changed = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
        ASSERT_GE(FakeLine::changed, 0);
        LineEventDriver() = {FakeLine::Counters, FakeLine::Wait, FakeLine::Lines};
        ConfigureLikeTheWindow(comm, pty.path);
        comm.OnReceiveData = [this](TComm*, const std::uint8_t* b, std::uint16_t n) {
            received.insert(received.end(), b, b + n);
        };
        comm.OnReceiveError = [this](TComm*, std::uint32_t flags) { errors.push_back(flags); };
    }
    void TearDown() override {
        comm.ClosePort();
        LineEventDriver() = kernel;
        ::close(FakeLine::changed);
    }
    bool Pump(const std::function<bool()>& done) { return PumpNotifications(comm, done, 5000ms); }
    bool WaitUntil(const std::function<bool()>& done) const {
        const auto end = std::chrono::steady_clock::now() + 5s;
        while (!done()) {
            if (std::chrono::steady_clock::now() >= end)
                return false;
            std::this_thread::sleep_for(2ms);
        }
        return true;
    }
    termios Terminal() const {
        termios tio{};
        EXPECT_EQ(tcgetattr(pty.slave, &tio), 0);
        return tio;
    }

    PosixLineEventDriver kernel{};
    PtyPair pty;
    TComm comm;
    Bytes received;
    std::vector<std::uint32_t> errors;
};

TEST_F(TCommLineTest, EachReadWithNewLineErrorsRaisesTheirFlagsAndReceptionGoesOn) {
    comm.OpenPort();
    EXPECT_TRUE(comm.LineErrorCountersAvailable());
    struct Case {
        const char* label;
        std::function<void(PosixLineCounters&)> count; // what the driver counted meanwhile
        std::uint32_t flags;                           // 0: no error event
    };
    const Case cases[] = {
        {"framing", [](PosixLineCounters& c) { ++c.frame; }, CommErrorFrame},
        {"nothing new", [](PosixLineCounters&) {}, 0},
        {"parity x3", [](PosixLineCounters& c) { c.parity += 3; }, CommErrorParity},
        {"parity and framing", [](PosixLineCounters& c) { ++c.parity, ++c.frame; },
         CommErrorParity | CommErrorFrame},
        {"overrun", [](PosixLineCounters& c) { ++c.overrun; }, CommErrorOverrun},
        {"buffer overflow", [](PosixLineCounters& c) { ++c.bufOverrun; }, CommErrorRxOver},
        {"break", [](PosixLineCounters& c) { ++c.brk; }, CommErrorBreak},
        {"modem lines only", [](PosixLineCounters& c) { ++c.dcd, ++c.rng; }, 0},
        {"counter wraps", [](PosixLineCounters& c) { c.frame = 0, c.parity = UINT32_MAX; },
         CommErrorFrame | CommErrorParity},
    };
    std::uint8_t next = 1;
    for (const Case& c : cases) {
        errors.clear();
        received.clear();
        FakeLine::Change([&](PosixLineCounters& counters, int&) { c.count(counters); });
        ASSERT_TRUE(pty.Write({next}));
        ASSERT_TRUE(Pump([&] { return !received.empty(); })) << c.label;
        EXPECT_EQ(received, Bytes{next}) << c.label;
        ++next;
        if (c.flags == 0) {
            EXPECT_TRUE(errors.empty()) << c.label;
        } else {
            ASSERT_EQ(errors.size(), 1u) << c.label;
            EXPECT_EQ(errors[0], c.flags) << c.label;
        }
    }
}

TEST_F(TCommLineTest, WithoutCountersThePortSaysSoAndWorks) {
    EXPECT_FALSE(comm.LineErrorCountersAvailable()); // closed
    // The fake refusing as a pseudo-terminal's driver does, then the driver itself.
    for (const bool fake : {true, false}) {
        FakeLine::haveCounters = false;
        if (!fake)
            LineEventDriver() = kernel;
        comm.OpenPort();
        EXPECT_FALSE(comm.LineErrorCountersAvailable()) << fake;
        received.clear();
        ASSERT_TRUE(pty.Write({7}));
        ASSERT_TRUE(Pump([&] { return !received.empty(); })) << fake;
        EXPECT_TRUE(errors.empty()) << fake;
        comm.ClosePort();
    }
}

TEST_F(TCommLineTest, CarrierAndRingChangesArriveWhileAHandlerIsAssigned) {
    std::vector<std::uint32_t> modem;
    auto handler = [&](TComm*, std::uint32_t value) { modem.push_back(value); };
    // No handler: no thread waits for the modem lines.
    comm.OpenPort();
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(FakeLine::waiting.load(), 0);
    struct Case {
        const char* label;
        bool counters; // the driver counts modem-line changes; else only the lines are read
        std::function<void(PosixLineCounters&, int&)> change;
        std::uint32_t value;
    };
    const Case cases[] = {
        {"carrier counted", true, [](PosixLineCounters& c, int&) { ++c.dcd; }, ModemCarrierChanged},
        {"ring counted", true, [](PosixLineCounters& c, int&) { ++c.rng; }, ModemRingIndicator},
        {"both counted", true, [](PosixLineCounters& c, int&) { ++c.dcd, c.rng += 2; },
         ModemCarrierChanged | ModemRingIndicator},
        {"carrier seen", false, [](PosixLineCounters&, int& l) { l ^= TIOCM_CD; },
         ModemCarrierChanged},
        {"carrier and ring seen", false,
         [](PosixLineCounters&, int& l) { l ^= TIOCM_CD | TIOCM_RNG; },
         ModemCarrierChanged | ModemRingIndicator},
        {"ring pulse over", false, [](PosixLineCounters&, int&) {}, ModemRingIndicator},
    };
    for (const bool direct : {false, true}) {
        for (const Case& c : cases) {
            const std::string label = std::string(c.label) + (direct ? " (direct)" : " (setter)");
            comm.ClosePort();
            FakeLine::haveCounters = c.counters;
            if (direct) {
                comm.OnModemStateChange = handler; // counts from the next open
                comm.OpenPort();
            } else {
                comm.OpenPort();
                comm.SetOnModemStateChange(handler); // starts the wait of the open port
            }
            ASSERT_TRUE(WaitUntil([] { return FakeLine::waiting.load() == 1; })) << label;
            modem.clear();
            FakeLine::Change(c.change);
            ASSERT_TRUE(Pump([&] { return !modem.empty(); })) << label;
            EXPECT_EQ(modem, std::vector<std::uint32_t>{c.value}) << label;
            // The thread waits again; it ends with the handler or with the port, though
            // blocked in the wait.
            ASSERT_TRUE(WaitUntil([] { return FakeLine::waiting.load() == 1; })) << label;
            if (direct)
                comm.ClosePort();
            else
                comm.SetOnModemStateChange(nullptr);
            EXPECT_EQ(FakeLine::waiting.load(), 0) << label;
            EXPECT_EQ(comm.IsOpen(), !direct) << label;
            comm.OnModemStateChange = nullptr;
        }
    }
}

TEST_F(TCommLineTest, DeviceWithoutModemLinesEndsTheWaitAndThePortWorks) {
    LineEventDriver() = kernel; // a pseudo-terminal refuses the modem-line wait
    comm.SetOnModemStateChange([](TComm*, std::uint32_t) { ADD_FAILURE(); });
    comm.OpenPort();
    ASSERT_TRUE(pty.Write({1}));
    ASSERT_TRUE(Pump([&] { return !received.empty(); }));
    comm.SetOnModemStateChange(nullptr);
    comm.SetOnModemStateChange([](TComm*, std::uint32_t) { ADD_FAILURE(); });
    comm.ClosePort();
}

TEST_F(TCommLineTest, SettingsReachTheTerminalWhereLinuxHasThem) {
    // Left on the port by another program: bytes with errors dropped.
    termios found = Terminal();
    found.c_iflag |= IGNPAR;
    ASSERT_EQ(tcsetattr(pty.slave, TCSANOW, &found), 0);
    comm.OpenPort();
    enum Field { IFlag, CFlag, Start, Stop };
    struct Case {
        const char* label;
        std::function<void(TComm&)> set;
        Field field;
        unsigned mask, expected;
    };
    const unsigned parity = INPCK | PARMRK | IGNPAR;
    const Case cases[] = {
        {"opened", [](TComm&) {}, IFlag, parity, 0},
        {"parity check", [](TComm& c) { c.SetParityCheck(true); }, IFlag, parity, INPCK | PARMRK},
        {"replacement", [](TComm& c) { c.SetReplaceWhenParityError(true); }, IFlag, parity,
         INPCK | PARMRK},
        {"NULs dropped", [](TComm& c) { c.SetIgnoreNullChar(true); }, IFlag, parity,
         INPCK | PARMRK},
        {"no parity check", [](TComm& c) { c.SetParityCheck(false); }, IFlag, parity, 0},
        {"CTS flow", [](TComm& c) { c.SetOutx_CtsFlow(true); }, CFlag, CRTSCTS, CRTSCTS},
        {"no CTS flow", [](TComm& c) { c.SetOutx_CtsFlow(false); }, CFlag, CRTSCTS, 0},
        {"DSR flow has none", [](TComm& c) { c.SetOutx_DsrFlow(true); }, CFlag, CRTSCTS, 0},
        {"RTS handshake", [](TComm& c) { c.SetRtsControl(TRtsControl::RtsHandshake); }, CFlag,
         CRTSCTS, CRTSCTS},
        {"RTS low", [](TComm& c) { c.SetRtsControl(TRtsControl::RtsDisable); }, CFlag, CRTSCTS, 0},
        {"XON/XOFF out", [](TComm& c) { c.SetOutx_XonXoffFlow(true); }, IFlag, IXON | IXOFF, IXON},
        {"XON/XOFF in", [](TComm& c) { c.SetInx_XonXoffFlow(true); }, IFlag, IXON | IXOFF,
         IXON | IXOFF},
        {"XON character", [](TComm& c) { c.SetXonChar(0x01); }, Start, 0xFF, 0x01},
        {"XOFF character", [](TComm& c) { c.SetXoffChar(0x02); }, Stop, 0xFF, 0x02},
    };
    for (const Case& c : cases) {
        c.set(comm);
        const termios tio = Terminal();
        const unsigned value = c.field == IFlag   ? tio.c_iflag
                               : c.field == CFlag ? tio.c_cflag
                               : c.field == Start ? tio.c_cc[VSTART]
                                                  : tio.c_cc[VSTOP];
        EXPECT_EQ(value & c.mask, c.expected) << c.label;
    }
}

TEST_F(TCommLineTest, ReaderUndoesTheDriversMarkingAndDropsNuls) {
    // A pseudo-terminal carries no bad bytes, but marks a received 0xFF as a UART does.
    enum : unsigned { Check = 1, Replace = 2, DropNul = 4 };
    struct Case {
        const char* label;
        unsigned settings;
        Bytes sent, expected;
    };
    const Case cases[] = {
        {"as received", 0, {0x41, 0xFF, 0x00, 0x42, 0x00}, {0x41, 0xFF, 0x00, 0x42, 0x00}},
        {"parity check", Check, {0x41, 0xFF, 0x00, 0x42, 0xFF}, {0x41, 0xFF, 0x00, 0x42, 0xFF}},
        {"replacement", Check | Replace, {0xFF, 0xFF, 0x41}, {0xFF, 0xFF, 0x41}},
        {"NULs dropped", DropNul, {0x00, 0x01, 0x00, 0xFF, 0x00}, {0x01, 0xFF}},
        {"both", Check | DropNul, {0xFF, 0x00, 0x03, 0x00}, {0xFF, 0x03}},
    };
    comm.SetReplacedChar('?');
    comm.OpenPort();
    for (const Case& c : cases) {
        comm.SetParityCheck((c.settings & Check) != 0);
        comm.SetReplaceWhenParityError((c.settings & Replace) != 0);
        comm.SetIgnoreNullChar((c.settings & DropNul) != 0);
        received.clear();
        ASSERT_TRUE(pty.Write(c.sent));
        ASSERT_TRUE(pty.Write({0x7E})); // the end of the case
        ASSERT_TRUE(Pump([&] { return !received.empty() && received.back() == 0x7E; })) << c.label;
        received.pop_back();
        EXPECT_EQ(received, c.expected) << c.label << ": " << Hex(received);
    }
}

TEST_F(TCommLineTest, IntervalZeroMeansNoGapRule) {
    struct Case {
        std::uint32_t interval;
        std::size_t chunks; // of two writes 200 ms apart
    };
    for (const Case c : {Case{1000, 1}, Case{0, 2}}) {
        std::vector<Bytes> chunks;
        comm.OnReceiveData = [&](TComm*, const std::uint8_t* b, std::uint16_t n) {
            chunks.emplace_back(b, b + n);
        };
        comm.OpenPort();
        comm.SetReadIntervalTimeout(c.interval); // takes effect while open
        ASSERT_TRUE(pty.Write({1, 2, 3}));
        std::this_thread::sleep_for(200ms);
        ASSERT_TRUE(pty.Write({4, 5}));
        ASSERT_TRUE(Pump([&] { return chunks.size() == c.chunks; })) << c.interval;
        std::this_thread::sleep_for(50ms);
        comm.DispatchNotifications();
        const std::vector<Bytes> expected = c.chunks == 1 ? std::vector<Bytes>{{1, 2, 3, 4, 5}}
                                                          : std::vector<Bytes>{{1, 2, 3}, {4, 5}};
        EXPECT_EQ(chunks, expected) << c.interval;
        comm.ClosePort();
    }
}

// Two adapters wired to each other: bytes sent with even parity and received as odd parity
// are parity errors (or framing errors, where the adapter sees the bits that way).
TEST(TCommHardware, WrongParityIsReportedAsLineErrors) {
    const char* ports = std::getenv("TALMIRE_HW_PORTS");
    const std::string list = ports != nullptr ? ports : "";
    const std::size_t comma = list.find(',');
    if (comma == std::string::npos)
        GTEST_SKIP() << "needs two serial adapters wired to each other: "
                        "TALMIRE_HW_PORTS=/dev/ttyUSB0,/dev/ttyUSB1";
    TComm sender;
    TComm receiver;
    ConfigureLikeTheWindow(sender, list.substr(0, comma));
    ConfigureLikeTheWindow(receiver, list.substr(comma + 1));
    sender.SetParity(TParity::Even);
    receiver.SetParity(TParity::Odd);
    receiver.SetParityCheck(true);
    std::uint32_t flags = 0;
    receiver.OnReceiveError = [&](TComm*, std::uint32_t f) { flags |= f; };
    sender.OpenPort();
    receiver.OpenPort();
    if (!receiver.LineErrorCountersAvailable())
        GTEST_SKIP() << "the receiving adapter's driver keeps no line-error counters";
    const Bytes data(64, 0x55);
    ASSERT_TRUE(sender.WriteData(data.data(), static_cast<std::uint16_t>(data.size())));
    EXPECT_TRUE(PumpNotifications(
        receiver, [&] { return (flags & (CommErrorParity | CommErrorFrame)) != 0; }, 5000ms))
        << "flags " << flags;
}

} // namespace
