#include "serial/posix/TCommThreads.h"

#include "serial/TComm.h"
#include "serial/posix/ReceiveFilter.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <poll.h>
#include <pthread.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/timerfd.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

timespec IntervalTimespec(std::uint32_t milliseconds) {
    const std::uint32_t ms = std::min(milliseconds, MaxReadInterval);
    timespec t{};
    t.tv_sec = static_cast<time_t>(ms / 1000);
    t.tv_nsec = static_cast<long>(ms % 1000) * 1000000L;
    return t;
}

TReadThread::TReadThread(TComm& owner_, int portFd_, int stopFd_, const ReaderControls& controls_)
    : owner(owner_), portFd(portFd_), stopFd(stopFd_), controls(controls_),
      thread([this] { Run(); }) {}

TReadThread::~TReadThread() {
    if (thread.joinable())
        thread.join();
}

void TReadThread::Deliver(const std::uint8_t* bytes, std::size_t count) {
    if (count == 0)
        return;
    owner.PostNotification(TCommNotification::Received(bytes, count));
}

std::size_t TReadThread::DeliverFullChunks(std::uint8_t* buffer, std::size_t count) {
    std::array<TCommNotification, ReadSize / BufferSize> batch;
    std::size_t chunks = 0;
    for (; count - chunks * BufferSize >= BufferSize; ++chunks)
        batch[chunks] = TCommNotification::Received(buffer + chunks * BufferSize, BufferSize);
    if (chunks == 0)
        return count;
    owner.PostNotifications(std::span(batch.data(), chunks));
    const std::size_t rest = count - chunks * BufferSize;
    std::memmove(buffer, buffer + chunks * BufferSize, rest);
    return rest;
}

void TReadThread::PostHangup() {
    if (controls.lost)
        controls.lost();
    owner.PostNotification({MSG_REQUEST_HANGUP, 0, {}});
}

void TReadThread::CheckLineErrors(PosixLineCounters& counted) {
    PosixLineCounters now;
    if (!LineEventDriver().counters(portFd, now))
        return; // the line may be going; the read says so
    const std::uint32_t flags = LineErrorFlags(counted, now);
    counted = now;
    if (flags != 0)
        owner.PostNotification({MSG_RECEIVE_ERROR, flags, {}});
}

void TReadThread::Run() {
    // One read takes whatever the driver holds, up to several chunks; full chunks are cut
    // from its front, and the rest waits for more bytes or for the line to go quiet. Under
    // a steady stream this costs one read per several chunks rather than one per chunk.
    std::vector<std::uint8_t> storage(ReadSize);
    std::uint8_t* const buffer = storage.data();
    std::size_t count = 0;
    const std::atomic<std::uint32_t>& interval = controls.interval;
    PosixLineCounters counted = controls.counted;
    // Bytes pass the receive filter only when it has something to do, so the usual line
    // costs nothing per byte.
    ReceiveFilter filter;
    std::uint32_t filterMode = ReceiveFilter::Pack(filter.CurrentMode());
    bool filtering = false;
    // The end of a chunk: a timer armed after each read that leaves bytes in hand, with the
    // thread's timer slack cut to the least, so the chunk leaves at the end of the interval
    // rather than up to a thousandth of it later, as a wait's time-out would. Without a
    // timer descriptor the wait's own time-out does it.
    const int timerFd = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    (void)prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    bool armed = false;
    auto setTimer = [&](bool on) {
        if (timerFd < 0 || (!on && !armed))
            return;
        itimerspec when{};
        if (on) {
            when.it_value = IntervalTimespec(interval.load());
            if (when.it_value.tv_sec == 0 && when.it_value.tv_nsec == 0)
                when.it_value.tv_nsec = 1; // 0 would disarm: no interval cuts at once
        }
        armed = timerfd_settime(timerFd, 0, &when, nullptr) == 0 && on;
    };
    const nfds_t watched = timerFd >= 0 ? 3 : 2;
    pollfd fds[3] = {{stopFd, POLLIN, 0}, {portFd, POLLIN, 0}, {timerFd, POLLIN, 0}};
    for (;;) {
        // With bytes in hand and no timer, wait for the interval; else without a time-out.
        const timespec gap = IntervalTimespec(interval.load());
        const bool timed = count > 0 && timerFd < 0;
        const int ready = ppoll(fds, watched, timed ? &gap : nullptr, nullptr);
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            Deliver(buffer, count);
            PostHangup();
            break;
        }
        if (fds[0].revents != 0)
            break; // stop requested: whatever was in hand is dropped with the port
        if (ready == 0 || (watched == 3 && fds[2].revents != 0)) {
            // The line stayed silent for the interval: the bytes in hand are a chunk.
            std::uint64_t expirations = 0;
            if (watched == 3)
                (void)!::read(timerFd, &expirations, sizeof expirations);
            armed = false;
            Deliver(buffer, count);
            count = 0;
            continue;
        }
        const short events = fds[1].revents;
        if ((events & POLLIN) != 0) {
            // Take everything the driver holds now, up to the buffer, so that the owner is
            // woken once for what one wait brought rather than once per read.
            bool lost = false;
            const std::uint32_t mode = controls.filter.load(std::memory_order_relaxed);
            if (mode != filterMode) {
                filterMode = mode;
                filter.SetMode(ReceiveFilter::Unpack(mode));
                filtering = !ReceiveFilter::Passes(filter.CurrentMode());
            }
            const std::size_t fresh = count;
            while (count < ReadSize) {
                const ssize_t got = read(portFd, buffer + count, ReadSize - count);
                if (got > 0) {
                    const auto read = static_cast<std::size_t>(got);
                    count += controls.decode ? controls.decode(buffer + count, read) : read;
                    continue;
                }
                if (got < 0 && errno == EINTR)
                    continue;
                // End of file (an unplugged USB adapter) or an I/O error (a pseudo-terminal
                // whose other end closed): the line is gone. Never spin on it.
                lost = got == 0 || errno != EAGAIN;
                break;
            }
            if (filtering)
                count = fresh + filter.Apply(buffer + fresh, count - fresh);
            // Line errors are counted by the driver as the bytes arrive; a look after each
            // read reports them close to the bytes they spoiled. Reception goes on.
            if (controls.countErrors)
                CheckLineErrors(counted);
            count = DeliverFullChunks(buffer, count);
            if (!lost) {
                if (interval.load() == 0) {
                    // No gap rule: what has arrived is a chunk at once.
                    Deliver(buffer, count);
                    count = 0;
                }
                setTimer(count > 0);
                continue;
            }
            Deliver(buffer, count);
            PostHangup();
            break;
        }
        if ((events & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
            Deliver(buffer, count);
            PostHangup();
            break;
        }
    }
    if (timerFd >= 0)
        ::close(timerFd);
}

namespace {
void IgnoreWakeSignal(int) {}
} // namespace

int TModemThread::WakeSignal() {
    static const int signal = [] {
        const int number = SIGRTMIN + 4;
        struct sigaction action {};
        action.sa_handler = IgnoreWakeSignal; // no SA_RESTART: the wait returns EINTR
        sigemptyset(&action.sa_mask);
        (void)sigaction(number, &action, nullptr);
        return number;
    }();
    return signal;
}

TModemThread::TModemThread(TComm& owner_, int portFd_) : owner(owner_), portFd(portFd_) {
    (void)WakeSignal();
    thread = std::thread([this] { Run(); });
}

TModemThread::~TModemThread() {
    stopping.store(true);
    std::unique_lock lock(mutex);
    while (!ended) {
        // Repeated: a signal that arrives between the thread's look at `stopping` and its
        // entry into the wait interrupts nothing.
        (void)pthread_kill(thread.native_handle(), WakeSignal());
        endedChanged.wait_for(lock, std::chrono::milliseconds(5));
    }
    lock.unlock();
    thread.join();
}

void TModemThread::Run() {
    // The thread inherits its creator's signal mask; the wake-up must get through.
    sigset_t wake;
    sigemptyset(&wake);
    sigaddset(&wake, WakeSignal());
    (void)pthread_sigmask(SIG_UNBLOCK, &wake, nullptr);
    PosixLineEventDriver& driver = LineEventDriver();
    PosixLineCounters counted;
    const bool haveCounters = driver.counters(portFd, counted);
    int lines = 0;
    const bool haveLines = driver.modemLines(portFd, lines);
    while (!stopping.load()) {
        if (!driver.waitModemChange(portFd)) {
            if (errno == EINTR)
                continue;
            break; // no modem lines on this device, or the line is gone
        }
        std::uint32_t value = 0;
        PosixLineCounters now;
        int nowLines = 0;
        if (haveCounters && driver.counters(portFd, now)) {
            // The counters see every change, a ring's short pulse included.
            value |= now.dcd != counted.dcd ? ModemCarrierChanged : 0u;
            value |= now.rng != counted.rng ? ModemRingIndicator : 0u;
            counted = now;
        } else if (haveLines && driver.modemLines(portFd, nowLines)) {
            value |= ((nowLines ^ lines) & TIOCM_CD) != 0 ? ModemCarrierChanged : 0u;
            value |= ((nowLines ^ lines) & TIOCM_RNG) != 0 ? ModemRingIndicator : 0u;
            lines = nowLines;
            // The wait ended for carrier or ring, and carrier shows no change: a ring pulse
            // that was over before the lines were read.
            if (value == 0)
                value = ModemRingIndicator;
        } else {
            value = ModemRingIndicator | ModemCarrierChanged; // something changed; not known what
        }
        if (value != 0)
            owner.PostNotification({MSG_MODEM_STATE, value, {}});
    }
    std::lock_guard lock(mutex);
    ended = true;
    endedChanged.notify_all();
}

TWriteThread::TWriteThread(TComm& owner_, int portFd_, int stopFd_, bool socket_)
    : owner(owner_), portFd(portFd_), stopFd(stopFd_), socket(socket_), thread([this] { Run(); }) {}

TWriteThread::~TWriteThread() {
    Stop();
    if (thread.joinable())
        thread.join();
}

void TWriteThread::Stop() {
    std::lock_guard lock(mutex);
    stopping = true;
    wake.notify_all();
}

bool TWriteThread::Post(const void* buffer, std::uint16_t length) {
    const auto* bytes = static_cast<const std::uint8_t*>(buffer);
    return Post(std::vector<std::uint8_t>(bytes, bytes + length), false);
}

bool TWriteThread::Post(std::vector<std::uint8_t> block, bool control) {
    std::lock_guard lock(mutex);
    if (stopping || ended)
        return false;
    queue.push_back({std::move(block), control});
    // Under the queue's lock, so the writer cannot store "empty" in between.
    if (!control)
        owner.StoreSendDataEmpty(false);
    wake.notify_all();
    return true;
}

bool TWriteThread::WriteBlock(const std::vector<std::uint8_t>& block) {
    std::size_t offset = 0;
    while (offset < block.size()) {
        const ssize_t written =
            socket ? send(portFd, block.data() + offset, block.size() - offset, MSG_NOSIGNAL)
                   : write(portFd, block.data() + offset, block.size() - offset);
        if (written > 0) {
            offset += static_cast<std::size_t>(written);
            continue;
        }
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0 && errno != EAGAIN) {
            owner.PostNotification({MSG_REQUEST_HANGUP, 0, {}});
            return false;
        }
        // The driver's queue is full: wait until it takes more, or until the port closes.
        pollfd fds[2] = {{stopFd, POLLIN, 0}, {portFd, POLLOUT, 0}};
        if (poll(fds, 2, -1) < 0 && errno != EINTR) {
            owner.PostNotification({MSG_REQUEST_HANGUP, 0, {}});
            return false;
        }
        if (fds[0].revents != 0)
            return false;
        if ((fds[1].revents & (POLLERR | POLLNVAL)) != 0) {
            owner.PostNotification({MSG_REQUEST_HANGUP, 0, {}});
            return false;
        }
    }
    return true;
}

void TWriteThread::Run() {
    bool wroteSinceIdle = true;
    for (;;) {
        Block block;
        {
            std::unique_lock lock(mutex);
            if (queue.empty() && !stopping) {
                owner.StoreSendDataEmpty(true);
                if (wroteSinceIdle)
                    owner.PostNotification({MSG_SEND_EMPTY, 0, {}});
                wroteSinceIdle = false;
                wake.wait(lock, [this] { return stopping || !queue.empty(); });
            }
            if (stopping)
                break;
            block = std::move(queue.front());
            queue.pop_front();
        }
        if (!WriteBlock(block.bytes))
            break;
        wroteSinceIdle = wroteSinceIdle || !block.control;
    }
    std::lock_guard lock(mutex);
    ended = true;
    queue.clear(); // blocks never written are released here
    (void)tcflush(portFd, TCOFLUSH);
    owner.StoreSendDataEmpty(true);
}
