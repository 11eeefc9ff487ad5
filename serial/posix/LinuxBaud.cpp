// Kept apart from the rest of the line code: the kernel's termios2 header clashes with the
// C library's <termios.h>.
#include "serial/posix/PosixLine.h"

#include <cstring>

#if defined(__linux__)
#include <asm/termbits.h>
#include <sys/ioctl.h>

static_assert(sizeof(termios2) <= sizeof PosixSavedLine::terminal);

bool SetArbitraryBaudRate(int fd, std::uint32_t baudRate) {
    struct termios2 tio {};
    if (ioctl(fd, TCGETS2, &tio) != 0)
        return false;
    tio.c_cflag &= ~static_cast<tcflag_t>(CBAUD | (CBAUD << IBSHIFT));
    tio.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
    tio.c_ispeed = baudRate;
    tio.c_ospeed = baudRate;
    return ioctl(fd, TCSETS2, &tio) == 0;
}

std::uint32_t ReadBaudRate(int fd) {
    struct termios2 tio {};
    return ioctl(fd, TCGETS2, &tio) == 0 ? tio.c_ospeed : 0;
}

bool GetTerminal(int fd, unsigned char* terminal) {
    struct termios2 tio {};
    if (ioctl(fd, TCGETS2, &tio) != 0)
        return false;
    std::memcpy(terminal, &tio, sizeof tio);
    return true;
}

bool SetTerminal(int fd, const unsigned char* terminal) {
    struct termios2 tio {};
    std::memcpy(&tio, terminal, sizeof tio);
    return ioctl(fd, TCSETS2, &tio) == 0;
}
#else
#include <termios.h>

static_assert(sizeof(termios) <= sizeof PosixSavedLine::terminal);

bool SetArbitraryBaudRate(int, std::uint32_t) {
    return false;
}

std::uint32_t ReadBaudRate(int) {
    return 0;
}

bool GetTerminal(int fd, unsigned char* terminal) {
    termios tio{};
    if (tcgetattr(fd, &tio) != 0)
        return false;
    std::memcpy(terminal, &tio, sizeof tio);
    return true;
}

bool SetTerminal(int fd, const unsigned char* terminal) {
    termios tio{};
    std::memcpy(&tio, terminal, sizeof tio);
    return tcsetattr(fd, TCSANOW, &tio) == 0;
}
#endif
