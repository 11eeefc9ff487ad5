#include "serial/TCommBackend.h"

#include "serial/TComm.h"
#include "serial/net/NetPort.h"
#include "serial/net/NetPortName.h"
#include "serial/posix/PosixLine.h"
#include "serial/posix/ReceiveFilter.h"
#include "serial/posix/TCommThreads.h"

#include <atomic>
#include <cerrno>
#include <cstring>
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
    ReaderControls reader;
    PosixSavedLine found; // the port's state at open, put back at close
    std::unique_ptr<TReadThread> readThread;
    std::unique_ptr<TWriteThread> writeThread;
    std::unique_ptr<TModemThread> modemThread; // only while OnModemStateChange is assigned
    std::unique_ptr<NetPort> net;              // a network port instead of a device
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
    return state->fd >= 0 || state->net;
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

namespace {
// The open failure of an errno from open(2) or flock(2), with the system's words.
ECommsError OpenError(int error) {
    OpenFailure cause = OpenFailure::Other;
    switch (error) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
    case ENOTDIR:
        cause = OpenFailure::NoSuchDevice;
        break;
    case EACCES:
    case EPERM:
        cause = OpenFailure::PermissionDenied;
        break;
    case EBUSY:
    case EWOULDBLOCK:
        cause = OpenFailure::InUse;
        break;
    default:
        break;
    }
    return ECommsError("Error opening serial port", cause, std::strerror(error));
}
} // namespace

void TCommBackend::Open() {
    if (IsNetPortName(owner.CommName())) {
        std::string error;
        auto name = ParseNetPortName(owner.CommName(), error);
        if (!name)
            throw ECommsError("Bad network port name " + owner.CommName(),
                              OpenFailure::NoSuchDevice, error);
        auto net = std::make_unique<NetPort>(owner, std::move(*name));
        net->Open(owner.ConnectTimeout());
        state->net = std::move(net);
        return;
    }
    const std::string path = ResolvePortPath(owner.CommName());
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        throw OpenError(errno);
    if (!isatty(fd)) {
        ::close(fd);
        throw ECommsError("File handle is not a comm handle ", OpenFailure::NotSerial);
    }
    // Exclusive use: an advisory lock shared by every cooperating program (and by every
    // name of the device, as the path was resolved), plus the terminal's own exclusive
    // mode against the rest (which root ignores, hence the lock).
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        throw OpenError(error);
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
    // A driver without interrupt counters (a pseudo-terminal, some adapters) reports no line
    // errors; the port works all the same.
    state->reader.counted = {};
    state->reader.countErrors = LineEventDriver().counters(fd, state->reader.counted);
    try {
        state->readThread = std::make_unique<TReadThread>(owner, fd, stopFd, state->reader);
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
    // Modem-line changes are an extra: without the thread the port still works.
    try {
        WatchModemLines(static_cast<bool>(owner.OnModemStateChange));
    } catch (const std::exception&) {
        // No thread to spare: the port goes on without modem-line events.
    }
}

void TCommBackend::WatchModemLines(bool on) {
    // A network port's modem events come with the server's notifications.
    if (state->fd < 0 || on == static_cast<bool>(state->modemThread))
        return;
    if (on)
        state->modemThread = std::make_unique<TModemThread>(owner, state->fd);
    else
        state->modemThread.reset(); // interrupts the wait and joins
}

bool TCommBackend::LineErrorCountersAvailable() const {
    if (state->net)
        return state->net->LineErrorCountersAvailable();
    return state->fd >= 0 && state->reader.countErrors;
}

void TCommBackend::Close() {
    state->net.reset(); // closes
    if (state->fd < 0)
        return;
    const std::uint64_t one = 1;
    (void)!::write(state->stopFd, &one, sizeof one);
    if (state->writeThread)
        state->writeThread->Stop();
    state->modemThread.reset(); // interrupted and joined
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
    if (state->net)
        return state->net->Write(buffer, length);
    return state->writeThread && state->writeThread->Post(buffer, length);
}

// Properties that have no Linux equivalent; they are kept as properties and reach no device:
// - XonLimit, XoffLimit: the terminal layer sends XOFF and XON at fixed fill levels of its
//   own buffer, which no setting moves.
// - Outx_DsrFlow: Linux has no output flow control on DSR; its hardware flow control
//   (CRTSCTS, set for Outx_CtsFlow and the RTS handshake) watches CTS only.
// - DtrControl DtrHandshake: no DTR/DSR input handshake either; DTR is left as it is.
// - DsrSensitivity: the driver cannot drop bytes by the state of DSR.
// - TxContinueOnXoff: the terminal layer always goes on sending after it sent XOFF itself.
// - ReadTotalTimeoutMultiplier, ReadTotalTimeoutConstant: the reader waits for the line
//   without a total time-out and cuts chunks by the interval alone.
// - WriteTotalTimeoutMultiplier, WriteTotalTimeoutConstant: writes have no time-out; the
//   writer waits until the driver has taken every byte, or the port closes.

void TCommBackend::ApplyCommTimeouts() {
    if (state->net)
        return state->net->ApplyCommTimeouts();
    // The interval between bytes ends a chunk; 0 means no gap rule: a read is a chunk.
    state->reader.interval.store(owner.ReadIntervalTimeout());
}

void TCommBackend::ApplyCommState() {
    if (state->net)
        return state->net->ApplyCommState();
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
    // What the driver cannot do, the reader does: keep or replace the bytes the driver
    // marked as received with a parity or framing error, and drop NUL bytes.
    ReceiveFilter::Mode filter;
    filter.marked = s.parityCheck;
    filter.replace = owner.ReplaceWhenParityError();
    filter.replacement = static_cast<std::uint8_t>(owner.ReplacedChar());
    filter.dropNul = owner.IgnoreNullChar();
    state->reader.filter.store(ReceiveFilter::Pack(filter));
}
