#include "serial/net/NetPort.h"

#include "serial/TComm.h"
#include "serial/net/Rfc2217Client.h"
#include "serial/posix/ReceiveFilter.h"
#include "serial/posix/TCommThreads.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>

struct NetPort::State {
    int fd = -1;
    int stopFd = -1;
    ReaderControls reader;
    std::unique_ptr<TReadThread> readThread;
    std::unique_ptr<TWriteThread> writeThread;
    // The Telnet side, shared by the reader (answers) and the owner (settings).
    std::mutex mutex;
    std::condition_variable comPortAnswered; // the option taken or refused, a purge done
    telnet::Decoder decoder;
    rfc2217::Client client;
    std::vector<telnet::Event> events;
    bool silenceNoted = false;
    // While opening: whether the connection ended, and the first data the server sent,
    // which says why when it hangs up at once ("Port already in use").
    bool opening = false;
    bool lost = false;
    std::string greeting;

    void Close();
};

namespace {

using Clock = std::chrono::steady_clock;

ECommsError ConnectError(const NetPortName& name, int error) {
    const OpenFailure cause =
        error == EACCES || error == EPERM ? OpenFailure::PermissionDenied : OpenFailure::Other;
    return ECommsError("Error connecting to " + name.host + ":" + std::to_string(name.port), cause,
                       std::strerror(error));
}

// Waits for a non-blocking connect until `end`; 0 when connected, else the errno.
int AwaitConnect(int fd, Clock::time_point end) {
    for (;;) {
        // Rounded up, so that the wait never ends before `end`.
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(end - Clock::now()).count();
        if (left <= 0)
            return ETIMEDOUT;
        pollfd p{fd, POLLOUT, 0};
        const int ready = poll(&p, 1, static_cast<int>(left));
        if ((ready < 0 && errno == EINTR) || ready == 0)
            continue;
        if (ready < 0)
            return errno;
        int error = 0;
        socklen_t size = sizeof error;
        if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0)
            return errno;
        return error;
    }
}

// A connected, non-blocking socket to the first address of the host that answers in time.
int Connect(const NetPortName& name, Clock::time_point end) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo* found = nullptr;
    const int resolved =
        getaddrinfo(name.host.c_str(), std::to_string(name.port).c_str(), &hints, &found);
    if (resolved != 0)
        throw ECommsError("Error connecting to " + name.host, OpenFailure::NoSuchDevice,
                          resolved == EAI_SYSTEM ? std::strerror(errno) : gai_strerror(resolved));
    int error = EHOSTUNREACH;
    int fd = -1;
    for (const addrinfo* a = found; a != nullptr && fd < 0; a = a->ai_next) {
        fd = socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
        if (fd < 0) {
            error = errno;
            continue;
        }
        error = connect(fd, a->ai_addr, a->ai_addrlen) == 0 ? 0 : errno;
        if (error == EINPROGRESS)
            error = AwaitConnect(fd, end);
        if (error != 0) {
            ::close(fd);
            fd = -1;
        }
    }
    freeaddrinfo(found);
    if (fd < 0)
        throw ConnectError(name, error);
    // Requests are short and answered at once: no waiting to fill a segment.
    const int one = 1;
    (void)setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    return fd;
}

rfc2217::Line LineOf(const TComm& comm) {
    rfc2217::Line line;
    line.baudRate = comm.BaudRate();
    line.dataSize = static_cast<std::uint8_t>(static_cast<int>(comm.ByteSize()) + 5);
    line.parity = static_cast<std::uint8_t>(static_cast<int>(comm.Parity()) + 1);
    static constexpr std::uint8_t stopSizes[] = {1, 3, 2}; // one, one and a half, two
    line.stopSize = stopSizes[static_cast<int>(comm.StopBits())];
    line.dtr = comm.DtrControl() != TDtrControl::DtrDisable;
    line.rts = comm.RtsControl() != TRtsControl::RtsDisable;
    return line;
}

} // namespace

void NetPort::State::Close() {
    if (fd < 0)
        return;
    const std::uint64_t one = 1;
    (void)!::write(stopFd, &one, sizeof one);
    if (writeThread)
        writeThread->Stop();
    readThread.reset();  // joins
    writeThread.reset(); // joins, releases what was still queued
    ::close(fd);
    ::close(stopFd);
    fd = -1;
    stopFd = -1;
}

NetPort::NetPort(TComm& owner_, NetPortName name_)
    : owner(owner_), name(std::move(name_)), state(std::make_unique<State>()) {}

NetPort::~NetPort() {
    state->Close();
}

void NetPort::Open(std::uint32_t timeoutMs) {
    const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    const int fd = Connect(name, end);
    const int stopFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (stopFd < 0) {
        ::close(fd);
        throw ECommsError("Unable to create event");
    }
    state->fd = fd;
    state->stopFd = stopFd;
    const bool telnet = name.kind == NetPortName::Kind::Rfc2217;
    if (telnet)
        state->reader.decode = [this](std::uint8_t* bytes, std::size_t count) {
            return Decode(bytes, count);
        };
    state->opening = true;
    state->lost = false;
    state->greeting.clear();
    state->reader.lost = [this] {
        std::lock_guard lock(state->mutex);
        state->lost = true;
        state->comPortAnswered.notify_all();
    };
    ApplyCommTimeouts();
    try {
        state->writeThread = std::make_unique<TWriteThread>(owner, fd, stopFd, true);
        state->readThread = std::make_unique<TReadThread>(owner, fd, stopFd, state->reader);
    } catch (const std::exception&) {
        state->Close();
        throw ECommsError("Unable to create the port's threads");
    }
    if (!telnet) {
        ApplyCommState(); // the reader's filter; the line itself is the server's
        return;
    }
    state->writeThread->Post(state->client.Greeting(), true);
    // The line is set once the server has taken the option; a server that says nothing in
    // time is treated as one that refused.
    {
        std::unique_lock lock(state->mutex);
        state->comPortAnswered.wait_until(lock, end, [this] {
            return state->lost || state->client.ComPortState() != rfc2217::Client::ComPort::Asked;
        });
    }
    ApplyCommState();
    // Like a local port, an open one holds nothing from before: the server empties its
    // buffers, and the bytes that arrive once it said so are kept.
    std::unique_lock lock(state->mutex);
    if (state->client.ComPortState() == rfc2217::Client::ComPort::Accepted && !state->lost) {
        state->writeThread->Post(state->client.Purge(), true);
        state->comPortAnswered.wait_until(
            lock, end, [this] { return state->lost || !state->client.PurgePending(); });
    }
    state->opening = false;
    if (!state->lost)
        return;
    // The server hung up while we opened: a busy server says so in its first words.
    std::string words = std::exchange(state->greeting, {});
    lock.unlock();
    state->Close();
    while (!words.empty() && (words.back() == '\n' || words.back() == '\r'))
        words.pop_back();
    std::string lower = words;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    const OpenFailure cause =
        lower.find("in use") != std::string::npos ? OpenFailure::InUse : OpenFailure::Other;
    throw ECommsError("Error connecting to " + name.host + ":" + std::to_string(name.port), cause,
                      words.empty() ? "the server closed the connection" : words);
}

void NetPort::Post(const rfc2217::Findings& findings) {
    if (!findings.reply.empty() && state->writeThread)
        state->writeThread->Post(findings.reply, true);
    if (findings.lineErrors != 0)
        owner.PostNotification({MSG_RECEIVE_ERROR, findings.lineErrors, {}});
    if (findings.modemEvents != 0)
        owner.PostNotification({MSG_MODEM_STATE, findings.modemEvents, {}});
    for (const std::string& note : findings.notes)
        owner.PostNotification(
            {MSG_PORT_NOTE, 0, std::vector<std::uint8_t>(note.begin(), note.end())});
}

std::size_t NetPort::Decode(std::uint8_t* bytes, std::size_t count) {
    rfc2217::Findings findings;
    std::size_t kept = 0;
    {
        std::lock_guard lock(state->mutex);
        state->events.clear();
        kept = state->decoder.Decode(bytes, count, state->events);
        if (state->opening) {
            // Printable text only, and not much of it: it becomes an error message.
            for (std::size_t i = 0; i < kept && state->greeting.size() < 120; ++i)
                if (std::isprint(bytes[i]) != 0 || bytes[i] == '\r' || bytes[i] == '\n')
                    state->greeting.push_back(static_cast<char>(bytes[i]));
        }
        if (state->events.empty())
            return kept;
        for (const telnet::Event& event : state->events)
            state->client.Handle(event, findings);
        state->comPortAnswered.notify_all();
    }
    Post(findings);
    return kept;
}

bool NetPort::Write(const void* buffer, std::uint16_t length) {
    if (!state->writeThread)
        return false;
    if (name.kind == NetPortName::Kind::Tcp)
        return state->writeThread->Post(buffer, length);
    std::vector<std::uint8_t> escaped;
    telnet::AppendEscaped(escaped, std::span(static_cast<const std::uint8_t*>(buffer), length));
    return state->writeThread->Post(std::move(escaped), false);
}

void NetPort::ApplyCommTimeouts() {
    state->reader.interval.store(owner.ReadIntervalTimeout());
}

void NetPort::ApplyCommState() {
    // Bytes received with errors arrive unmarked over the network; what the reader can
    // still do is replace nothing and drop NUL bytes when asked.
    ReceiveFilter::Mode filter;
    filter.dropNul = owner.IgnoreNullChar();
    state->reader.filter.store(ReceiveFilter::Pack(filter));
    if (name.kind != NetPortName::Kind::Rfc2217 || !state->writeThread)
        return;
    std::vector<std::uint8_t> settings;
    rfc2217::Findings findings;
    {
        std::lock_guard lock(state->mutex);
        switch (state->client.ComPortState()) {
        case rfc2217::Client::ComPort::Accepted:
            settings = state->client.LineSettings(LineOf(owner));
            break;
        case rfc2217::Client::ComPort::Asked:
            if (std::exchange(state->silenceNoted, true))
                break;
            findings.notes.push_back(
                "the server did not take the COM-PORT option in time: the line is set on "
                "the server");
            break;
        case rfc2217::Client::ComPort::Refused:
            break;
        }
    }
    if (!settings.empty())
        state->writeThread->Post(std::move(settings), true);
    Post(findings);
}

bool NetPort::LineErrorCountersAvailable() const {
    if (name.kind != NetPortName::Kind::Rfc2217)
        return false;
    std::lock_guard lock(state->mutex);
    return state->client.ComPortState() == rfc2217::Client::ComPort::Accepted;
}
