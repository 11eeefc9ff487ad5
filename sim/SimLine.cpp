#include "sim/SimLine.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

speed_t SpeedConstant(std::uint32_t baud) {
    switch (baud) {
    case 1200:
        return B1200;
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
    default:
        return B9600;
    }
}

std::uint32_t SpeedValue(speed_t speed) {
    switch (speed) {
    case B1200:
        return 1200;
    case B2400:
        return 2400;
    case B4800:
        return 4800;
    case B9600:
        return 9600;
    case B19200:
        return 19200;
    case B38400:
        return 38400;
    case B57600:
        return 57600;
    case B115200:
        return 115200;
    default:
        return 0;
    }
}

// Whether the tool's end of our pseudo-terminal is set to the module's parity (0 none,
// 1 odd, 2 even). The kernel clears PARENB on pseudo-terminals whatever is asked, so none
// and even look alike there; odd keeps its PARODD flag, mark and space their CMSPAR flag.
bool PtyParityMatches(const termios& tio, int parity) {
    if ((tio.c_cflag & CMSPAR) != 0)
        return false; // mark or space: never the module's
    return ((tio.c_cflag & PARODD) != 0) == (parity == 1);
}

void MakeRaw(int fd, std::uint32_t baud, int parity) {
    termios tio{};
    if (tcgetattr(fd, &tio) != 0)
        return;
    cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cflag &= ~static_cast<tcflag_t>(PARENB | PARODD | CMSPAR);
    if (parity == 1)
        tio.c_cflag |= PARENB | PARODD;
    else if (parity == 2)
        tio.c_cflag |= PARENB;
    cfsetispeed(&tio, SpeedConstant(baud));
    cfsetospeed(&tio, SpeedConstant(baud));
    tcsetattr(fd, TCSANOW, &tio);
}

void Log(const char* direction, const std::vector<std::uint8_t>& bytes) {
    std::fprintf(stderr, "%s", direction);
    for (std::uint8_t b : bytes)
        std::fprintf(stderr, " %02X", b);
    std::fprintf(stderr, "  |");
    for (std::uint8_t b : bytes)
        std::fputc(b >= 0x20 && b < 0x7F ? b : '.', stderr);
    std::fprintf(stderr, "|\n");
}

double Seconds() {
    return std::chrono::duration<double>(Clock::now().time_since_epoch()).count();
}

} // namespace

SimLine::SimLine(SimOptions options_) : options(std::move(options_)), module(options.fixedValues) {}

SimLine::~SimLine() {
    if (linkMade)
        ::unlink(options.link.c_str());
    if (slaveFd >= 0)
        ::close(slaveFd);
    if (listenFd >= 0)
        ::close(listenFd);
    if (fd >= 0)
        ::close(fd);
}

int SimLine::LineParity() const {
    const ModuleSettings& s = module.Settings();
    return options.rs485Side ? s.rs485[1] : s.rs232[1];
}

bool SimLine::Open() {
    // Taken before the state file is read or written: a second simulator on the same link
    // touches neither the link nor the first one's state.
    std::string refusal;
    if (options.device.empty() && options.listen.empty() && !linkLock.Take(options.link, refusal)) {
        std::fprintf(stderr, "talmire-sim: %s\n", refusal.c_str());
        return false;
    }
    if (!SetUpModule())
        return false;
    lineBaud = module.LineBaud(options.rs485Side);
    lineParity = LineParity();
    if (!options.listen.empty())
        return OpenListener();
    if (!options.device.empty()) {
        toolPath = options.device;
        if (OpenDevice())
            return true;
        std::fprintf(stderr, "talmire-sim: cannot open %s: %s\n", options.device.c_str(),
                     std::strerror(errno));
        return false;
    }
    fd = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0 || grantpt(fd) != 0 || unlockpt(fd) != 0) {
        std::fprintf(stderr, "talmire-sim: no pseudo-terminal: %s\n", std::strerror(errno));
        return false;
    }
    const char* name = ptsname(fd);
    if (name == nullptr)
        return false;
    const std::string slaveName = name;
    slaveFd = ::open(slaveName.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slaveFd < 0) {
        std::fprintf(stderr, "talmire-sim: cannot open %s\n", slaveName.c_str());
        return false;
    }
    MakeRaw(slaveFd, lineBaud, lineParity);
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    struct stat st {};
    if (lstat(options.link.c_str(), &st) == 0) {
        if (!S_ISLNK(st.st_mode)) {
            std::fprintf(stderr, "talmire-sim: %s exists and is not a link; not replacing it\n",
                         options.link.c_str());
            return false;
        }
        ::unlink(options.link.c_str());
    }
    if (symlink(slaveName.c_str(), options.link.c_str()) != 0) {
        std::fprintf(stderr, "talmire-sim: cannot create %s: %s\n", options.link.c_str(),
                     std::strerror(errno));
        return false;
    }
    linkMade = true;
    toolPath = options.link;
    return true;
}

bool SimLine::OpenDevice() {
    fd = ::open(options.device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    MakeRaw(fd, lineBaud, lineParity);
    std::error_code error;
    deviceNode = std::filesystem::canonical(options.device, error).string();
    return true;
}

bool SimLine::ToolSpeedMatches() const {
    if (slaveFd < 0)
        return true; // a real line: both ends run at the speed we set
    termios tio{};
    if (tcgetattr(slaveFd, &tio) != 0)
        return true;
    return SpeedValue(cfgetospeed(&tio)) == module.LineBaud(options.rs485Side) &&
           PtyParityMatches(tio, LineParity());
}

void SimLine::SetOwnSpeed(std::uint32_t baud, int parity) {
    lineBaud = baud;
    lineParity = parity;
    if (slaveFd < 0)
        MakeRaw(fd, baud, parity);
}

void SimLine::SendPaced(const std::vector<std::uint8_t>& reply) {
    // About ten bits a byte on the line: 9600 baud carries one byte a millisecond.
    const double secondsPerByte = 10.0 / static_cast<double>(lineBaud);
    const std::size_t half = reply.size() / 2;
    auto start = Clock::now();
    std::size_t sent = 0;
    while (sent < reply.size()) {
        if (options.gapMs > 0 && sent == half && half > 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(options.gapMs));
            start = Clock::now() - std::chrono::duration_cast<Clock::duration>(
                                       std::chrono::duration<double>(sent * secondsPerByte));
        }
        std::size_t end = std::min(reply.size(), sent + 8);
        if (options.gapMs > 0 && sent < half)
            end = std::min(end, half);
        const ssize_t n = ::write(fd, reply.data() + sent, end - sent);
        if (n < 0) {
            if (errno == EAGAIN || errno == EINTR) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
                continue;
            }
            return;
        }
        sent += static_cast<std::size_t>(n);
        std::this_thread::sleep_until(start +
                                      std::chrono::duration_cast<Clock::duration>(
                                          std::chrono::duration<double>(sent * secondsPerByte)));
    }
}

void SimLine::Serve(const std::vector<std::uint8_t>& frame) {
    if (options.verbose)
        Log("<-", frame);
    if (!ToolSpeedMatches()) {
        // Bytes sent at another speed are noise to a real module.
        if (options.verbose)
            std::fprintf(stderr, "   (line speed differs from the module's: ignored)\n");
        return;
    }
    const std::uint32_t before = module.LineBaud(options.rs485Side);
    const int parityBefore = LineParity();
    const auto reply = module.Handle(frame, Seconds());
    SaveState();
    if (reply.empty())
        return;
    std::this_thread::sleep_for(std::chrono::milliseconds(options.turnaroundMs));
    if (options.verbose)
        Log("->", reply);
    SendPaced(reply);
    const std::uint32_t after = module.LineBaud(options.rs485Side);
    if (after != before || LineParity() != parityBefore) {
        if (options.verbose)
            std::fprintf(stderr, "   line switches to %u baud, parity %d\n", after, LineParity());
        SetOwnSpeed(after, LineParity());
    }
}

int SimLine::Run(int stopFd) {
    std::vector<std::uint8_t> frame;
    const bool device = !options.device.empty();
    for (;;) {
        if (listenFd >= 0 && fd < 0)
            if (const auto status = AwaitClient(stopFd))
                return *status;
        pollfd fds[2] = {{stopFd, POLLIN, 0}, {fd, POLLIN, 0}};
        const int timeout = frame.empty() ? -1 : options.frameGapMs;
        const int ready = poll(fds, 2, timeout);
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            return 0;
        }
        if (fds[0].revents != 0)
            return 0;
        if (ready == 0) {
            Serve(frame);
            frame.clear();
            continue;
        }
        bool hungUp = false;
        if ((fds[1].revents & POLLIN) != 0) {
            std::uint8_t buffer[512];
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n > 0) {
                frame.insert(frame.end(), buffer, buffer + n);
                if (frame.size() > 4096) // a runaway sender: keep the line usable
                    frame.clear();
                continue;
            }
            // A device that is gone reports input together with the hang-up, and reading
            // it gives nothing (0) or EIO.
            hungUp = n == 0 || (errno != EAGAIN && errno != EINTR);
        }
        if ((fds[1].revents & (POLLHUP | POLLERR | POLLNVAL)) != 0)
            hungUp = true;
        if (!hungUp)
            continue;
        if (listenFd >= 0) {
            ::close(fd); // the client has gone: the next one gets a fresh line
            fd = -1;
            frame.clear();
            continue;
        }
        if (!device) {
            // Our pseudo-terminal keeps its tool end open, so this does not happen; never spin.
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            continue;
        }
        frame.clear();
        if (const auto status = AwaitDevice(stopFd))
            return *status;
    }
}
