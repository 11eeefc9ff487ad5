// The traffic log under a stream of rows: rows per second appended to a visible "Traffic"
// dock (each row described, batched per event-loop turn, the table repainted), against the
// same stream into a hidden dock in the same run, and into a log already at its bound (every
// batch then also drops the oldest rows). Medians of several runs.
#include "bench/BenchUtil.h"
#include "ui/TrafficDock.h"

#include <QApplication>
#include <QElapsedTimer>

#include <array>

namespace {

constexpr int Runs = 5;
constexpr int RowsPerRun = 40000;
constexpr int RowsPerTurn = 200; // a flood: many chunks between two event-loop turns

QByteArray Raw(std::initializer_list<int> bytes) {
    QByteArray raw;
    for (const int b : bytes)
        raw.append(static_cast<char>(b));
    return raw;
}

// A mix of what the line carries: configuration text, HART and MODBUS frames.
const std::array<QByteArray, 6> Traffic = {
    QByteArray("QQQ#QX#"),
    QByteArray("QX DIS1:01,0 DIS2:02,1 DIS3:03,0 DIS4:04,1 BA1:32 BA2:62 MD:1 ADR:007 JTM:050"),
    Raw({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x02, 0x80, 0x00, 0x00, 0x82}),
    Raw({0xFF, 0xFF, 0x06, 0x80, 0x00, 0x0E, 0x00, 0x00, 0xFE, 0x26, 0x06,
         0x05, 0x07, 0x01, 0x01, 0x01, 0x08, 0x12, 0x34, 0x56, 0x2D}),
    Raw({0x01, 0x03, 0x00, 0x00, 0x00, 0x0A, 0xC5, 0xCD}),
    Raw({0x01, 0x83, 0x02, 0xC0, 0xF1}),
};

// Appends `rows` rows turn by turn and lets every batch be drawn; rows per second.
double Feed(TrafficDock& dock, int rows) {
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < rows; ++i) {
        const QByteArray& bytes = Traffic[static_cast<std::size_t>(i) % Traffic.size()];
        if (i % 2)
            dock.AppendReceived(bytes, {}, i % 4 == 1 ? 42 : -1);
        else
            dock.AppendSent(bytes);
        if ((i + 1) % RowsPerTurn == 0)
            QApplication::processEvents();
    }
    QApplication::processEvents();
    return rows / (timer.nsecsElapsed() / 1e9);
}

double RowsPerSecond(bool visible, bool full) {
    TrafficDock dock;
    dock.resize(1100, 420);
    if (visible) {
        dock.show();
        QApplication::processEvents();
    }
    if (full) {
        Feed(dock, TrafficLogModel::DefaultCapacity);
        if (dock.Model().rowCount() != TrafficLogModel::DefaultCapacity)
            std::fprintf(stderr, "bench_log: the log did not fill\n");
    }
    return Feed(dock, RowsPerRun);
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::vector<double> visible, hidden, full;
    for (int run = 0; run < Runs; ++run) {
        hidden.push_back(RowsPerSecond(false, false));
        visible.push_back(RowsPerSecond(true, false));
        full.push_back(RowsPerSecond(true, true));
    }
    Report("traffic_log_rows_per_s", Median(visible), "rows/s");
    Report("traffic_log_rows_per_s_hidden", Median(hidden), "rows/s");
    Report("traffic_log_rows_per_s_at_bound", Median(full), "rows/s");
    Report("traffic_log_visible_vs_hidden", Median(visible) / Median(hidden), "ratio");
    return 0;
}
