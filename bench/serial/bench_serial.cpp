// The serial component on a pseudo-terminal: how late a chunk is cut after the line goes
// quiet, how fast bytes flow compared with a plain read loop, and what an idle port costs.

#include "bench/BenchUtil.h"
#include "serial/TComm.h"
#include "tests/serial/CommOwner.h"
#include "tests/serial/PtyPair.h"

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

namespace {

double CutLatency() {
    PtyPair pty;
    TComm comm;
    ConfigureLikeTheWindow(comm, pty.path);
    Clock::time_point arrived;
    bool got = false;
    comm.OnReceiveData = [&](TComm*, const std::uint8_t*, std::uint16_t) {
        arrived = Clock::now();
        got = true;
    };
    comm.OpenPort();
    std::vector<double> samples;
    for (int i = 0; i < 60; ++i) {
        got = false;
        pty.Write(std::vector<std::uint8_t>(32, static_cast<std::uint8_t>(i)));
        const auto written = Clock::now();
        if (!PumpNotifications(
                comm, [&] { return got; }, 2000ms))
            continue;
        samples.push_back(std::chrono::duration<double, std::milli>(arrived - written).count() -
                          comm.ReadIntervalTimeout());
        std::this_thread::sleep_for(20ms);
    }
    return Median(samples);
}

// Seconds to move `total` bytes from a writer thread through the pty into `consume`.
template <typename Consume> double Transfer(PtyPair& pty, std::size_t total, Consume consume) {
    const auto start = Clock::now();
    std::thread writer([&] {
        std::vector<std::uint8_t> block(4096);
        for (std::size_t sent = 0; sent < total; sent += block.size()) {
            for (std::size_t k = 0; k < block.size(); ++k)
                block[k] = static_cast<std::uint8_t>(sent + k);
            pty.Write(block);
        }
    });
    consume();
    writer.join();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Seconds for a plain blocking read() loop to take `total` bytes off a pty.
double PlainReadSeconds(std::size_t total) {
    PtyPair pty;
    const int fd = ::open(pty.path.c_str(), O_RDWR | O_NOCTTY);
    termios tio{};
    tcgetattr(fd, &tio);
    cfmakeraw(&tio);
    tcsetattr(fd, TCSANOW, &tio);
    const double seconds = Transfer(pty, total, [&] {
        std::vector<std::uint8_t> buffer(2048);
        std::size_t got = 0;
        while (got < total) {
            const ssize_t n = ::read(fd, buffer.data(), buffer.size());
            if (n <= 0)
                break;
            got += static_cast<std::size_t>(n);
        }
    });
    ::close(fd);
    return seconds;
}

// Seconds for the component to deliver `total` bytes, all of them and in order, to its
// receive handler on this thread.
double ComponentSeconds(std::size_t total) {
    PtyPair pty;
    TComm comm;
    ConfigureLikeTheWindow(comm, pty.path);
    std::size_t got = 0;
    bool inOrder = true;
    // The bytes are the offset modulo 256: a chunk is checked with one memcmp against the
    // pattern starting at its offset, so checking costs next to nothing.
    std::vector<std::uint8_t> pattern(4096 + 256);
    for (std::size_t k = 0; k < pattern.size(); ++k)
        pattern[k] = static_cast<std::uint8_t>(k);
    comm.OnReceiveData = [&](TComm*, const std::uint8_t* b, std::uint16_t n) {
        inOrder = inOrder && n <= 4096 && std::memcmp(b, pattern.data() + got % 256, n) == 0;
        got += n;
    };
    comm.OpenPort();
    const double seconds = Transfer(pty, total, [&] {
        PumpNotifications(
            comm, [&] { return got >= total; }, 120s);
    });
    if (!inOrder || got != total)
        std::fprintf(stderr, "bench_serial: bytes lost or out of order (%zu)\n", got);
    return seconds;
}

// Rounds alternate the plain loop and the component so that both see the same machine
// load; the ratio is taken per round and its median reported.
double ThroughputRatio() {
    constexpr std::size_t total = 16u << 20;
    constexpr int rounds = 7;
    std::vector<double> plain, component, ratios;
    for (int r = 0; r < rounds; ++r) {
        const double p = PlainReadSeconds(total);
        const double c = ComponentSeconds(total);
        plain.push_back(total / p / (1 << 20));
        component.push_back(total / c / (1 << 20));
        ratios.push_back(p / c);
    }
    Report("serial_throughput_mib_s", Median(component), "MiB/s");
    Report("serial_throughput_baseline_mib_s", Median(plain), "MiB/s");
    return Median(ratios);
}

double IdleWakeups() {
    PtyPair pty;
    TComm comm;
    ConfigureLikeTheWindow(comm, pty.path);
    comm.OpenPort();
    std::this_thread::sleep_for(200ms);
    auto switches = [] {
        long total = 0;
        const long self = StatusField("/proc/thread-self/status", "Pid");
        DIR* d = opendir("/proc/self/task");
        while (dirent* e = d ? readdir(d) : nullptr) {
            if (e->d_name[0] == '.' || std::atol(e->d_name) == self)
                continue;
            total += StatusField(std::string("/proc/self/task/") + e->d_name + "/status",
                                 "voluntary_ctxt_switches");
        }
        if (d)
            closedir(d);
        return total;
    };
    const long before = switches();
    std::this_thread::sleep_for(5s);
    return static_cast<double>(switches() - before) / 5.0;
}

} // namespace

int main() {
    Report("serial_cut_latency_over_gap_ms", CutLatency(), "ms");
    Report("serial_throughput_ratio", ThroughputRatio(), "x");
    Report("serial_idle_wakeups_per_s", IdleWakeups(), "1/s");
    return 0;
}
