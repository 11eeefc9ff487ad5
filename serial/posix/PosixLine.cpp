#include "serial/posix/PosixLine.h"

#include "serial/TComm.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>
#if defined(__linux__)
#include <linux/serial.h>
#endif

std::string ResolvePortPath(const std::string& name) {
    if (name.size() > 3 && name.compare(0, 3, "COM") == 0 &&
        name.find_first_not_of("0123456789", 3) == std::string::npos && name.size() <= 6) {
        const int number = std::atoi(name.c_str() + 3);
        if (number >= 1)
            return "/dev/ttyS" + std::to_string(number - 1);
    }
    char resolved[PATH_MAX];
    if (realpath(name.c_str(), resolved) != nullptr)
        return resolved;
    return name;
}

namespace {

speed_t StandardSpeed(std::uint32_t baud) {
    switch (baud) {
    case 50:
        return B50;
    case 75:
        return B75;
    case 110:
        return B110;
    case 134:
        return B134;
    case 150:
        return B150;
    case 200:
        return B200;
    case 300:
        return B300;
    case 600:
        return B600;
    case 1200:
        return B1200;
    case 1800:
        return B1800;
    case 2400:
        return B2400;
    case 4800:
        return B4800;
    case 9600:
        return B9600;
    case 19200:
        return B19200;
    case 38400:
        return B38400;
    case 57600:
        return B57600;
    case 115200:
        return B115200;
    case 230400:
        return B230400;
    default:
        return 0;
    }
}

void SetModemLine(int fd, int line, bool raised) {
    int bits = line;
    (void)ioctl(fd, raised ? TIOCMBIS : TIOCMBIC, &bits);
}

} // namespace

void ApplyPosixLine(int fd, const PosixLineSettings& s, PosixSavedLine& saved) {
    termios tio{};
    if (tcgetattr(fd, &tio) == 0) {
        cfmakeraw(&tio);
        tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | CSTOPB | PARENB | PARODD | CRTSCTS);
#if defined(CMSPAR)
        tio.c_cflag &= ~static_cast<tcflag_t>(CMSPAR);
#endif
        static constexpr tcflag_t sizes[] = {CS5, CS6, CS7, CS8};
        tio.c_cflag |= sizes[(s.byteSize >= 5 && s.byteSize <= 8) ? s.byteSize - 5 : 3];
        tio.c_cflag |= CREAD | CLOCAL;
        if (s.stopBits != 0)
            tio.c_cflag |= CSTOPB;
        switch (s.parity) {
        case 1:
            tio.c_cflag |= PARENB | PARODD;
            break;
        case 2:
            tio.c_cflag |= PARENB;
            break;
#if defined(CMSPAR)
        case 3:
            tio.c_cflag |= PARENB | CMSPAR | PARODD;
            break;
        case 4:
            tio.c_cflag |= PARENB | CMSPAR;
            break;
#endif
        default:
            break;
        }
        // Received bytes with a parity or framing error are never dropped (IGNPAR, which
        // another program may have left set, is cleared). With parity checking the driver
        // marks them (0xFF 0x00 x, a received 0xFF doubled), and the reader keeps or replaces
        // them; without it they arrive as they came. Either way the driver counts them.
        tio.c_iflag &= ~static_cast<tcflag_t>(INPCK | PARMRK | IGNPAR | IXON | IXOFF | IXANY);
        if (s.parityCheck)
            tio.c_iflag |= INPCK | PARMRK;
        if (s.xonXoffOut)
            tio.c_iflag |= IXON;
        if (s.xonXoffIn)
            tio.c_iflag |= IXOFF;
        if (s.ctsFlow || s.rts == 2)
            tio.c_cflag |= CRTSCTS;
        tio.c_cc[VSTART] = static_cast<cc_t>(s.xonChar);
        tio.c_cc[VSTOP] = static_cast<cc_t>(s.xoffChar);
        tio.c_cc[VMIN] = 1;
        tio.c_cc[VTIME] = 0;
        const speed_t speed = StandardSpeed(s.baudRate);
        if (speed != 0) {
            cfsetispeed(&tio, speed);
            cfsetospeed(&tio, speed);
        }
        (void)tcsetattr(fd, TCSANOW, &tio);
        if (speed == 0)
            (void)SetArbitraryBaudRate(fd, s.baudRate);
    }
    if (s.dtr != 2)
        SetModemLine(fd, TIOCM_DTR, s.dtr == 1);
    if (s.rts == 0 || s.rts == 1)
        SetModemLine(fd, TIOCM_RTS, s.rts == 1);
    if (s.rts == 3) {
        // RTS raised only while sending: the kernel's RS-485 mode, where the driver has it.
        PosixRs485 rs485;
        if (Rs485Driver().get(fd, rs485) &&
            (rs485.flags & (Rs485Enabled | Rs485RtsOnSend)) != (Rs485Enabled | Rs485RtsOnSend)) {
            rs485.flags |= Rs485Enabled | Rs485RtsOnSend;
            rs485.flags &= ~Rs485RtsAfterSend;
            saved.rs485Changed = Rs485Driver().set(fd, rs485) || saved.rs485Changed;
        }
    } else if (saved.rs485Changed && saved.haveRs485) {
        // Toggling left: the port's own RS-485 configuration comes back.
        if (Rs485Driver().set(fd, saved.rs485))
            saved.rs485Changed = false;
    }
}

PosixSavedLine SavePosixLine(int fd) {
    PosixSavedLine saved;
    saved.haveTerminal = GetTerminal(fd, saved.terminal);
    saved.haveRs485 = Rs485Driver().get(fd, saved.rs485);
    return saved;
}

void RestorePosixLine(int fd, const PosixSavedLine& saved) {
    if (saved.haveTerminal)
        (void)SetTerminal(fd, saved.terminal);
    if (saved.rs485Changed && saved.haveRs485)
        (void)Rs485Driver().set(fd, saved.rs485);
}

namespace {

#if defined(__linux__) && defined(TIOCSRS485)
bool KernelGetRs485(int fd, PosixRs485& settings) {
    serial_rs485 rs485{};
    if (ioctl(fd, TIOCGRS485, &rs485) != 0)
        return false;
    settings = {rs485.flags, rs485.delay_rts_before_send, rs485.delay_rts_after_send};
    return true;
}

bool KernelSetRs485(int fd, const PosixRs485& settings) {
    // Read first, so that fields this component knows nothing of are kept.
    serial_rs485 rs485{};
    if (ioctl(fd, TIOCGRS485, &rs485) != 0)
        return false;
    rs485.flags = settings.flags;
    rs485.delay_rts_before_send = settings.delayRtsBeforeSend;
    rs485.delay_rts_after_send = settings.delayRtsAfterSend;
    return ioctl(fd, TIOCSRS485, &rs485) == 0;
}
static_assert(Rs485Enabled == SER_RS485_ENABLED && Rs485RtsOnSend == SER_RS485_RTS_ON_SEND &&
              Rs485RtsAfterSend == SER_RS485_RTS_AFTER_SEND);
#else
bool KernelGetRs485(int, PosixRs485&) {
    return false;
}
bool KernelSetRs485(int, const PosixRs485&) {
    return false;
}
#endif

} // namespace

PosixRs485Driver& Rs485Driver() {
    static PosixRs485Driver driver{KernelGetRs485, KernelSetRs485};
    return driver;
}

namespace {

#if defined(__linux__) && defined(TIOCGICOUNT)
bool KernelCounters(int fd, PosixLineCounters& counters) {
    serial_icounter_struct icount{};
    if (ioctl(fd, TIOCGICOUNT, &icount) != 0)
        return false;
    auto u = [](int value) { return static_cast<std::uint32_t>(value); };
    counters = {u(icount.frame),       u(icount.overrun), u(icount.parity), u(icount.brk),
                u(icount.buf_overrun), u(icount.dcd),     u(icount.rng)};
    return true;
}
#else
bool KernelCounters(int, PosixLineCounters&) {
    errno = ENOTTY;
    return false;
}
#endif

bool KernelWaitModemChange(int fd) {
#if defined(TIOCMIWAIT)
    return ioctl(fd, TIOCMIWAIT, TIOCM_CD | TIOCM_RNG) == 0;
#else
    (void)fd;
    errno = ENOTTY;
    return false;
#endif
}

bool KernelModemLines(int fd, int& bits) {
    return ioctl(fd, TIOCMGET, &bits) == 0;
}

} // namespace

PosixLineEventDriver& LineEventDriver() {
    static PosixLineEventDriver driver{KernelCounters, KernelWaitModemChange, KernelModemLines};
    return driver;
}

std::uint32_t LineErrorFlags(const PosixLineCounters& before, const PosixLineCounters& after) {
    // Counters only grow, and wrap; any difference is news.
    std::uint32_t flags = 0;
    if (after.bufOverrun != before.bufOverrun)
        flags |= CommErrorRxOver;
    if (after.overrun != before.overrun)
        flags |= CommErrorOverrun;
    if (after.parity != before.parity)
        flags |= CommErrorParity;
    if (after.frame != before.frame)
        flags |= CommErrorFrame;
    if (after.brk != before.brk)
        flags |= CommErrorBreak;
    return flags;
}
