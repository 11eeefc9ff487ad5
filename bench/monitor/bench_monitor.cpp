// The monitor dock in the window at its shortest interval (each read as soon as the last
// one ended) against talmire-sim at its fastest line speed: reads per second against the
// wire-time limit of one request and its answer, and the longest pause of the window's event
// loop while the monitor reads. TALMIRE_BENCH_MONITOR_S sets the sampled time (30 s),
// TALMIRE_BENCH_MONITOR_TURNAROUND_MS the simulated module's turnaround (0: it answers at
// once, so that what is measured beside the wire time is the tool's own overhead).

#include "bench/BenchUtil.h"
#include "tests/e2e/SimProcess.h"
#include "ui/MonitorDock.h"
#include "ui/TForm1.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QSpinBox>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cstdlib>

namespace {

constexpr int FrameGapMs = 1;
// One channel's block of the module's registers: five floats.
constexpr int Registers = 10;

int EnvNumber(const char* name, int fallback) {
    const char* text = std::getenv(name);
    return text ? std::atoi(text) : fallback;
}

double WireSeconds(std::size_t bytes, int baud) {
    return static_cast<double>(bytes) * 10.0 / baud; // start, 8 data bits, stop
}

// What the simulated module needs for an answer of `bytes` on a pseudo-terminal, where the
// request arrives at once: the silence that ends the request, its turnaround, and the answer
// written in pieces of eight bytes paced at line speed (the last piece comes with the one
// before it).
double SimulatorSeconds(std::size_t bytes, int baud, double turnaroundSeconds) {
    constexpr std::size_t Piece = 8;
    const std::size_t last = bytes % Piece == 0 ? Piece : bytes % Piece;
    return FrameGapMs / 1000.0 + turnaroundSeconds + WireSeconds(bytes - last, baud);
}

void Settle(int ms) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
}

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    const int sampledMs = EnvNumber("TALMIRE_BENCH_MONITOR_S", 30) * 1000;
    // The simulator's fastest line speed unless another is asked for.
    const int baud = EnvNumber("TALMIRE_BENCH_MONITOR_BAUD", 57600);

    const int turnaroundMs = EnvNumber("TALMIRE_BENCH_MONITOR_TURNAROUND_MS", 0);
    SimProcess sim({"--baud", std::to_string(baud), "--frame-gap-ms", std::to_string(FrameGapMs),
                    "--turnaround-ms", std::to_string(turnaroundMs)});
    if (sim.ready.find("ready") == std::string::npos) {
        std::fprintf(stderr, "talmire-sim did not start: %s\n", sim.ready.c_str());
        return 1;
    }
    TForm1 form;
    form.show();
    form.SPREALCOM->ShowText(QString::fromStdString(sim.link));
    form.ComboBox11->ShowText(QString::number(baud));
    form.ActionMonitor->trigger();
    MonitorDock* dock = form.monitorDock;
    dock->findChild<QComboBox*>("MonitorKind")->setCurrentIndex(1);
    dock->findChild<QSpinBox*>("MonitorCount")->setValue(Registers);
    dock->findChild<QComboBox*>("MonitorType")
        ->setCurrentIndex(static_cast<int>(RegisterType::F32));
    dock->findChild<QSpinBox*>("MonitorInterval")->setValue(0);

    // The event loop's pauses: a zero timer fires whenever the loop is free, so the time
    // between two of its turns is the longest the window could not answer.
    QElapsedTimer clock;
    qint64 last = 0;
    std::vector<double> gaps;
    QTimer probe;
    probe.setInterval(0);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        gaps.push_back(static_cast<double>(now - last) / 1e6);
        last = now;
        QThread::usleep(1000); // a turn every millisecond is enough to see a pause
    });

    // The dock is laid out and painted once, as when it is opened before Start is pressed.
    Settle(500);
    dock->Start();
    if (!dock->Running()) {
        std::fprintf(stderr, "the monitor did not start\n");
        return 1;
    }
    clock.start();
    probe.start();
    QTimer::singleShot(sampledMs, [&] { dock->Stop(); });
    QObject::connect(dock, &MonitorDock::Stopped, &app, &QApplication::quit);
    QApplication::exec();
    probe.stop();
    const double elapsed = static_cast<double>(clock.nsecsElapsed()) / 1e9;

    const double readsPerSecond = dock->Reads() / elapsed;
    const std::size_t requestBytes = 8;
    const std::size_t replyBytes = 5 + 2 * Registers;
    const double wire = WireSeconds(requestBytes + replyBytes, baud);
    std::sort(gaps.begin(), gaps.end());
    Report("monitor_reads_per_s", readsPerSecond, "1/s");
    Report("monitor_reads_ratio", readsPerSecond * wire, "ratio");
    Report("monitor_reads_ratio_vs_simulator",
           readsPerSecond * SimulatorSeconds(replyBytes, baud, turnaroundMs / 1000.0), "ratio");
    Report("monitor_failed_reads", dock->FailedReads(), "reads");
    Report("monitor_event_gap_max_ms", gaps.empty() ? 0 : gaps.back(), "ms");
    Report("monitor_event_gap_p99_ms",
           gaps.empty() ? 0 : gaps[static_cast<std::size_t>(0.99 * (gaps.size() - 1))], "ms");
    return 0;
}
