// The serial component on a pseudo-terminal: how late a chunk is cut after the line goes
// quiet, how fast bytes flow compared with a plain read loop, and what an idle port costs.
// Qt's QSerialPort, the port an engineer would otherwise reach for, runs beside it on the
// same pty, bursts and volume, finding the gap with a precise timer restarted on each
// readyRead.

#include "bench/BenchUtil.h"
#include "serial/TComm.h"
#include "tests/serial/CommOwner.h"
#include "tests/serial/PtyPair.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QSerialPort>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

namespace {

constexpr int Bursts = 60;
constexpr std::size_t Total = 16u << 20;

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
    for (int i = 0; i < Bursts; ++i) {
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

// QSerialPort on its own pty at the window's line settings, with the event loop that
// drives it.
struct PeerOnPty {
    PtyPair pty;
    QSerialPort port{QString::fromStdString(pty.path)};
    QEventLoop loop;
    bool open = false;

    PeerOnPty() {
        open = port.open(QIODevice::ReadWrite);
        if (!open)
            std::fprintf(stderr, "bench_serial: QSerialPort cannot open %s\n", pty.path.c_str());
        port.setBaudRate(QSerialPort::Baud9600);
        port.setDataBits(QSerialPort::Data8);
        port.setParity(QSerialPort::NoParity);
        port.setStopBits(QSerialPort::OneStop);
        port.setFlowControl(QSerialPort::NoFlowControl);
    }
};

// The same bursts through QSerialPort: a burst ends when a precise timer of the interval,
// restarted on every readyRead, runs out.
double PeerCutLatency(std::uint32_t intervalMs) {
    PeerOnPty peer;
    if (!peer.open)
        return 0;
    QTimer gap;
    gap.setSingleShot(true);
    gap.setTimerType(Qt::PreciseTimer);
    gap.setInterval(static_cast<int>(intervalMs));
    Clock::time_point arrived;
    QObject::connect(&peer.port, &QSerialPort::readyRead, [&] {
        (void)peer.port.readAll();
        gap.start();
    });
    QObject::connect(&gap, &QTimer::timeout, [&] {
        arrived = Clock::now();
        peer.loop.quit();
    });
    std::vector<double> samples;
    for (int i = 0; i < Bursts; ++i) {
        peer.pty.Write(std::vector<std::uint8_t>(32, static_cast<std::uint8_t>(i)));
        const auto written = Clock::now();
        QTimer::singleShot(2000, &peer.loop, &QEventLoop::quit);
        arrived = {};
        peer.loop.exec();
        if (arrived != Clock::time_point{})
            samples.push_back(std::chrono::duration<double, std::milli>(arrived - written).count() -
                              intervalMs);
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

// The transfers send the offset modulo 256: a block is checked with one memcmp per 4 KiB
// against the pattern starting at its offset, so checking costs next to nothing.
bool InOrder(const std::uint8_t* bytes, std::size_t count, std::size_t offset) {
    static const std::vector<std::uint8_t> pattern = [] {
        std::vector<std::uint8_t> p(4096 + 256);
        for (std::size_t k = 0; k < p.size(); ++k)
            p[k] = static_cast<std::uint8_t>(k);
        return p;
    }();
    for (std::size_t done = 0; done < count;) {
        const std::size_t n = std::min<std::size_t>(count - done, 4096);
        if (std::memcmp(bytes + done, pattern.data() + (offset + done) % 256, n) != 0)
            return false;
        done += n;
    }
    return true;
}

// Seconds for the component to deliver `total` bytes, all of them and in order, to its
// receive handler on this thread. With `parityCheck` the driver marks the bytes (a received
// 0xFF doubled) and the reader undoes the marking.
double ComponentSeconds(std::size_t total, bool parityCheck = false) {
    PtyPair pty;
    TComm comm;
    ConfigureLikeTheWindow(comm, pty.path);
    comm.SetParityCheck(parityCheck);
    std::size_t got = 0;
    bool inOrder = true;
    comm.OnReceiveData = [&](TComm*, const std::uint8_t* b, std::uint16_t n) {
        inOrder = inOrder && n <= 2048 && InOrder(b, n, got);
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

// Seconds for QSerialPort to hand `total` bytes, all of them and in order, to a readyRead
// handler that takes everything available.
double PeerSeconds(std::size_t total) {
    PeerOnPty peer;
    if (!peer.open)
        return 1;
    std::size_t got = 0;
    bool inOrder = true;
    QObject::connect(&peer.port, &QSerialPort::readyRead, [&] {
        const QByteArray bytes = peer.port.readAll();
        const auto n = static_cast<std::size_t>(bytes.size());
        inOrder =
            inOrder && InOrder(reinterpret_cast<const std::uint8_t*>(bytes.constData()), n, got);
        got += n;
        if (got >= total)
            peer.loop.quit();
    });
    const double seconds = Transfer(peer.pty, total, [&] { peer.loop.exec(); });
    if (!inOrder || got != total)
        std::fprintf(stderr, "bench_serial: QSerialPort lost bytes or order (%zu)\n", got);
    return seconds;
}

// Rounds alternate the plain loop and the component so that both see the same machine
// load; the ratio is taken per round and its median reported.
void Throughput() {
    constexpr int rounds = 7;
    std::vector<double> plain, component, peer, ratios, peerRatios;
    for (int r = 0; r < rounds; ++r) {
        const double p = PlainReadSeconds(Total);
        const double c = ComponentSeconds(Total);
        const double q = PeerSeconds(Total);
        plain.push_back(Total / p / (1 << 20));
        component.push_back(Total / c / (1 << 20));
        peer.push_back(Total / q / (1 << 20));
        ratios.push_back(p / c);
        peerRatios.push_back(q / c);
    }
    Report("serial_throughput_mib_s", Median(component), "MiB/s");
    Report("serial_throughput_baseline_mib_s", Median(plain), "MiB/s");
    Report("qserialport_throughput_mib_s", Median(peer), "MiB/s");
    Report("serial_throughput_ratio", Median(ratios), "x");
    Report("serial_throughput_vs_qserialport", Median(peerRatios), "x");
}

// The cost of parity checking: the component with it against the plain loop, alternating
// per round as above. Apart from the window's line, so that the figures above keep their
// conditions.
void ParityCheckThroughput() {
    constexpr int rounds = 5;
    std::vector<double> ratios;
    for (int r = 0; r < rounds; ++r) {
        const double p = PlainReadSeconds(Total);
        const double c = ComponentSeconds(Total, true);
        ratios.push_back(p / c);
    }
    Report("serial_throughput_parity_check_ratio", Median(ratios), "x");
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

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const double ours = CutLatency();
    const double peer = PeerCutLatency(100);
    Report("serial_cut_latency_over_gap_ms", ours, "ms");
    Report("qserialport_cut_latency_over_gap_ms", peer, "ms");
    Report("serial_cut_latency_vs_qserialport", peer > 0 ? ours / peer : 0, "x");
    Throughput();
    Report("serial_idle_wakeups_per_s", IdleWakeups(), "1/s");
    ParityCheckThroughput();
    return 0;
}
