#pragma once

// Line settings of a POSIX terminal device, in the terms of the component's properties.

#include <cstdint>
#include <string>

struct PosixLineSettings {
    std::uint32_t baudRate = 9600;
    int byteSize = 8;         // 5 to 8
    int parity = 0;           // 0 none, 1 odd, 2 even, 3 mark, 4 space
    int stopBits = 0;         // 0 one, 1 one and a half (sent as two), 2 two
    bool parityCheck = false; // also marks bad bytes for the reader (PARMRK)
    bool ctsFlow = false;     // CTS output flow or RTS handshake: hardware flow control
    bool xonXoffOut = false;
    bool xonXoffIn = false;
    char xonChar = 0x11;
    char xoffChar = 0x13;
    int dtr = 1; // 1 raise, 0 drop, 2 handshake (no POSIX equivalent: left as it is)
    int rts = 1; // 1 raise, 0 drop, 2 handshake (hardware flow), 3 toggle while sending
};

// "COMn" names the n-th PC serial port, /dev/ttyS(n-1); any other name is a path, resolved
// through symbolic links so that every name of one device leads to the same lock.
std::string ResolvePortPath(const std::string& name);

// The kernel's RS-485 settings of a port, as the flags of `serial_rs485`. The calls go
// through a replaceable pair of functions: a pseudo-terminal has no RS-485 settings, so the
// tests stand a recording fake in for the driver.
struct PosixRs485 {
    std::uint32_t flags = 0;
    std::uint32_t delayRtsBeforeSend = 0;
    std::uint32_t delayRtsAfterSend = 0;
};
struct PosixRs485Driver {
    bool (*get)(int fd, PosixRs485& settings);
    bool (*set)(int fd, const PosixRs485& settings);
};
// The functions in use; the kernel's ioctls unless replaced.
PosixRs485Driver& Rs485Driver();
// Flags, as the kernel numbers them.
inline constexpr std::uint32_t Rs485Enabled = 1u << 0;
inline constexpr std::uint32_t Rs485RtsOnSend = 1u << 1;
inline constexpr std::uint32_t Rs485RtsAfterSend = 1u << 2;

// The driver's running counts of line events (its interrupt counters), and the modem
// lines, read through a replaceable set of functions: a pseudo-terminal keeps no counters
// and has no modem lines, so the tests stand a fake line in for the driver.
struct PosixLineCounters {
    std::uint32_t frame = 0;
    std::uint32_t overrun = 0; // the UART's receive register overran
    std::uint32_t parity = 0;
    std::uint32_t brk = 0;        // breaks received
    std::uint32_t bufOverrun = 0; // the driver's receive buffer overflowed
    std::uint32_t dcd = 0;        // carrier-detect changes
    std::uint32_t rng = 0;        // ring-indicator pulses
};
struct PosixLineEventDriver {
    // False (errno set) where the driver keeps no counters.
    bool (*counters)(int fd, PosixLineCounters& counters);
    // Blocks until carrier detect or ring indicator changes. False with errno: EINTR when a
    // signal interrupted the wait, ENOTTY or EINVAL where the device has no modem lines, EIO
    // once the line is gone.
    bool (*waitModemChange)(int fd);
    // The modem lines as TIOCM_* bits; false where the device has none.
    bool (*modemLines)(int fd, int& bits);
};
// The functions in use; the kernel's ioctls unless replaced.
PosixLineEventDriver& LineEventDriver();
// The receive-error flags (CommError*) of the error counters that moved from `before` to
// `after`; 0 when none did.
std::uint32_t LineErrorFlags(const PosixLineCounters& before, const PosixLineCounters& after);

// The state of a port found when it was opened, put back when it closes, so that the
// component leaves a port as it found it (its line settings, speed included, and its
// RS-485 mode, which the board may have set up for a transceiver).
struct PosixSavedLine {
    alignas(8) unsigned char terminal[64] = {}; // the kernel's terminal settings
    bool haveTerminal = false;
    PosixRs485 rs485;
    bool haveRs485 = false;
    bool rs485Changed = false; // the component switched RS-485 mode on
};
PosixSavedLine SavePosixLine(int fd);
void RestorePosixLine(int fd, const PosixSavedLine& saved);

// Applies the settings; failures of individual calls are ignored, as a pseudo-terminal or
// a simple adapter refuses some of them (modem lines, RS-485 mode) and the port still works.
// The RS-485 settings are touched only for RTS toggling; leaving toggling puts back those
// found at open.
void ApplyPosixLine(int fd, const PosixLineSettings& settings, PosixSavedLine& saved);

// Any baud rate, including non-standard ones, through the kernel's BOTHER interface.
bool SetArbitraryBaudRate(int fd, std::uint32_t baudRate);
// The output speed the device is set to, in baud; 0 when it cannot be read.
std::uint32_t ReadBaudRate(int fd);
// The kernel's terminal settings, speeds included (at most sizeof PosixSavedLine::terminal
// bytes); false when the device refuses.
bool GetTerminal(int fd, unsigned char* terminal);
bool SetTerminal(int fd, const unsigned char* terminal);
