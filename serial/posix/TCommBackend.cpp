#include "serial/TCommBackend.h"

#include "serial/TComm.h"
#include "serial/posix/PosixLine.h"
#include "serial/posix/TCommThreads.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

struct TCommBackend::State {
    int fd = -1;
    int stopFd = -1;
    int wakeFd = -1;
    std::atomic<std::uint32_t> readInterval{100};
    PosixSavedLine found; // the port's state at open, put back at close
    std::unique_ptr<TReadThread> readThread;
    std::unique_ptr<TWriteThread> writeThread;
};

TCommBackend::TCommBackend(TComm& owner_) : owner(owner_), state(std::make_unique<State>()) {
    state->wakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
}

TCommBackend::~TCommBackend() {
    Close();
    if (state->wakeFd >= 0)
        ::close(state->wakeFd);
}

bool TCommBackend::IsOpen() const {
    return state->fd >= 0;
}

int TCommBackend::NotificationDescriptor() const {
    return state->wakeFd;
}

void TCommBackend::SignalNotification() {
    const std::uint64_t one = 1;
    (void)!::write(state->wakeFd, &one, sizeof one);
}

void TCommBackend::AcknowledgeNotification() {
    std::uint64_t count = 0;
    (void)!::read(state->wakeFd, &count, sizeof count);
}

void TCommBackend::Open() {
    const std::string path = ResolvePortPath(owner.CommName());
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        throw ECommsError("Error opening serial port");
    if (!isatty(fd)) {
        ::close(fd);
        throw ECommsError("File handle is not a comm handle ");
    }
    // Exclusive use: an advisory lock shared by every cooperating program (and by every
    // name of the device, as the path was resolved), plus the terminal's own exclusive
    // mode against the rest (which root ignores, hence the lock).
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        throw ECommsError("Error opening serial port");
    }
    (void)ioctl(fd, TIOCEXCL);
    const int stopFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (stopFd < 0) {
        ::close(fd);
        throw ECommsError("Unable to create event");
    }
    (void)tcflush(fd, TCIOFLUSH);
    state->found = SavePosixLine(fd);
    state->fd = fd;
    state->stopFd = stopFd;
    ApplyCommTimeouts();
    ApplyCommState();
    try {
        state->readThread = std::make_unique<TReadThread>(owner, fd, stopFd, state->readInterval);
    } catch (const std::exception&) {
        Close();
        throw ECommsError("Unable to create read thread");
    }
    try {
        state->writeThread = std::make_unique<TWriteThread>(owner, fd, stopFd);
    } catch (const std::exception&) {
        Close();
        throw ECommsError("Unable to create write thread");
    }
}

void TCommBackend::Close() {
    if (state->fd < 0)
        return;
    const std::uint64_t one = 1;
    (void)!::write(state->stopFd, &one, sizeof one);
    if (state->writeThread)
        state->writeThread->Stop();
    state->readThread.reset();  // joins
    state->writeThread.reset(); // joins, releases what was still queued
    (void)ioctl(state->fd, TIOCNXCL);
    (void)tcflush(state->fd, TCIOFLUSH);
    RestorePosixLine(state->fd, state->found);
    ::close(state->fd); // also releases the lock
    ::close(state->stopFd);
    state->fd = -1;
    state->stopFd = -1;
}

bool TCommBackend::Write(const void* buffer, std::uint16_t length) {
    return state->writeThread && state->writeThread->Post(buffer, length);
}

void TCommBackend::ApplyCommTimeouts() {
    // The interval between bytes ends a chunk; total time-outs have no use for a reader
    // that waits for the line anyway and are kept only as properties.
    state->readInterval.store(owner.ReadIntervalTimeout());
}

void TCommBackend::ApplyCommState() {
    PosixLineSettings s;
    s.baudRate = owner.BaudRate();
    s.byteSize = static_cast<int>(owner.ByteSize()) + 5;
    s.parity = static_cast<int>(owner.Parity());
    s.stopBits = static_cast<int>(owner.StopBits());
    s.parityCheck = owner.ParityCheck();
    s.ctsFlow = owner.Outx_CtsFlow();
    s.xonXoffOut = owner.Outx_XonXoffFlow();
    s.xonXoffIn = owner.Inx_XonXoffFlow();
    s.xonChar = owner.XonChar();
    s.xoffChar = owner.XoffChar();
    static constexpr int dtrValues[] = {1, 0, 2};
    static constexpr int rtsValues[] = {1, 0, 2, 3};
    s.dtr = dtrValues[static_cast<int>(owner.DtrControl())];
    s.rts = rtsValues[static_cast<int>(owner.RtsControl())];
    ApplyPosixLine(state->fd, s, state->found);
}
