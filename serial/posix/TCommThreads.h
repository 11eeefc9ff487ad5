#pragma once

// The reader and writer threads of the POSIX backend. Both block in poll()/ppoll() on the port and
// the stop descriptor; neither sleeps for a fixed time, so an idle open port costs nothing.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <ctime>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "serial/posix/PosixLine.h"

class TComm;

// The longest silence that still ends a chunk: a larger interval is taken as this one, so
// that no value waits for ever or overflows the wait.
inline constexpr std::uint32_t MaxReadInterval = 3600u * 1000u;
// The wait of the reader for an interval in milliseconds, clamped to MaxReadInterval.
timespec IntervalTimespec(std::uint32_t milliseconds);

// What the line settings hand the running reader: read at each wake-up, so a change takes
// effect for the bytes read after it.
struct ReaderControls {
    std::atomic<std::uint32_t> interval{100}; // ms of silence that end a chunk; 0: no gap rule
    std::atomic<std::uint32_t> filter{0};     // ReceiveFilter::Pack of the receive filter's mode
    // Fixed before the reader starts: whether the driver counts line errors, and the counts
    // found then.
    bool countErrors = false;
    PosixLineCounters counted;
    // A stream with commands among its bytes (a network port's Telnet layer): takes the
    // bytes of each read in place and returns how many data bytes it left at their front.
    // Unset for a local port. Runs on the reader thread.
    std::function<std::size_t(std::uint8_t* bytes, std::size_t count)> decode;
    // Told on the reader thread when the line is gone, before the hang-up is posted. Unset
    // for a local port.
    std::function<void()> lost;
};

class TReadThread {
public:
    // The largest chunk one receive event carries.
    static constexpr std::size_t BufferSize = 2048;
    // What one read may take from the driver: several chunks.
    static constexpr std::size_t ReadSize = 32 * BufferSize;

    TReadThread(TComm& owner, int portFd, int stopFd, const ReaderControls& controls);
    ~TReadThread(); // joins; the stop descriptor must be signalled first
    TReadThread(const TReadThread&) = delete;
    TReadThread& operator=(const TReadThread&) = delete;

private:
    void Run();
    void Deliver(const std::uint8_t* bytes, std::size_t count);
    // Posts every full chunk at the front of `buffer` as one batch, moves the rest to the
    // front and returns its length.
    std::size_t DeliverFullChunks(std::uint8_t* buffer, std::size_t count);
    void PostHangup();
    // Posts a receive error when the driver counted new line errors since the last look.
    void CheckLineErrors(PosixLineCounters& counted);

    TComm& owner;
    int portFd;
    int stopFd;
    const ReaderControls& controls;
    std::thread thread;
};

// Waits for changes of carrier detect and ring indicator (the driver's TIOCMIWAIT) and posts
// them as modem-state notifications. The wait cannot watch a stop descriptor, so Stop()
// interrupts it with a signal whose handler does nothing, repeated until the thread has
// ended: a signal that lands just before the thread enters the wait is not lost for good.
class TModemThread {
public:
    TModemThread(TComm& owner, int portFd);
    ~TModemThread(); // stops and joins
    TModemThread(const TModemThread&) = delete;
    TModemThread& operator=(const TModemThread&) = delete;

    // The signal that interrupts the wait; its handler is installed once, without
    // SA_RESTART, by the first modem thread.
    static int WakeSignal();

private:
    void Run();

    TComm& owner;
    int portFd;
    std::atomic<bool> stopping{false};
    std::mutex mutex;
    std::condition_variable endedChanged;
    bool ended = false;
    std::thread thread;
};

class TWriteThread {
public:
    // `socket`: the descriptor is a network connection, written without the signal a
    // closed connection raises.
    TWriteThread(TComm& owner, int portFd, int stopFd, bool socket = false);
    ~TWriteThread(); // stops and joins; blocks still queued are released unwritten
    TWriteThread(const TWriteThread&) = delete;
    TWriteThread& operator=(const TWriteThread&) = delete;

    // Queues a copy of the bytes; false once the thread has ended.
    bool Post(const void* buffer, std::uint16_t length);
    // Queues a block; a control block (commands to the server, not the owner's data) leaves
    // the send-empty state and its event alone.
    bool Post(std::vector<std::uint8_t> block, bool control);
    void Stop();

private:
    void Run();
    bool WriteBlock(const std::vector<std::uint8_t>& block);

    struct Block {
        std::vector<std::uint8_t> bytes;
        bool control = false;
    };
    TComm& owner;
    int portFd;
    int stopFd;
    bool socket;
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<Block> queue;
    bool stopping = false;
    bool ended = false;
    std::thread thread;
};
