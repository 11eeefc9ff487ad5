// Kept apart from the rest of the line code: the kernel's termios2 header clashes with the
// C library's <termios.h>.
#include "serial/posix/PosixLine.h"

#if defined(__linux__)
#include <asm/termbits.h>
#include <sys/ioctl.h>

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
#else
bool SetArbitraryBaudRate(int, std::uint32_t) {
    return false;
}
#endif
