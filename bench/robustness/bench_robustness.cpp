// The window under abuse: 1000 open/close cycles through the "open" button, and a peer that
// floods the line for 10 s while a query is pending (at the pty's full speed and paced at
// 115200 baud). Prints the figures the README quotes.

#include "bench/BenchUtil.h"
#include "link/RequestTable.h"
#include "tests/serial/PtyPair.h"
#include "ui/Messages.h"
#include "ui/TForm1.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

void Cycles(TForm1& form, PtyPair& pty) {
    form.SPREALCOM->ShowText(QString::fromStdString(pty.path));
    auto cycle = [&] {
        QTest::mouseClick(form.Button1, Qt::LeftButton); // open
        QTest::mouseClick(form.Button1, Qt::LeftButton); // close
    };
    for (int i = 0; i < 20; ++i)
        cycle();
    QApplication::processEvents();
    const int fds = CountEntries("/proc/self/fd");
    const int threads = CountEntries("/proc/self/task");
    const double rss = RssMiB();
    int survived = 0;
    for (int i = 0; i < 1000; ++i) {
        cycle();
        if (!form.link.PortIsOpen && form.Button1->text() == "open")
            ++survived;
        if (i % 50 == 0)
            QApplication::processEvents();
    }
    QApplication::processEvents();
    Report("cycles_survived", survived, "of 1000");
    Report("cycles_fd_delta", CountEntries("/proc/self/fd") - fds, "fds");
    Report("cycles_thread_delta", CountEntries("/proc/self/task") - threads, "threads");
    Report("cycles_rss_delta_mib", RssMiB() - rss, "MiB");
}

// Returns the longest event gap in ms.
qint64 Flood(TForm1& form, PtyPair& pty, const std::string& name, int bytesPer10ms) {
    form.SPREALCOM->ShowText(QString::fromStdString(pty.path));
    QTest::mouseClick(form.Button1, Qt::LeftButton);
    form.SendRequest(RequestKind::SystemParameters, {'Q'}, "Q");
    const std::size_t droppedBefore = form.link.Comm1.DroppedChunks();
    std::atomic<bool> stop{false};
    std::thread peer([&] {
        std::vector<std::uint8_t> block(
            bytesPer10ms > 0 ? static_cast<std::size_t>(bytesPer10ms) : 4096, 'F');
        auto next = Clock::now();
        while (!stop) {
            pty.Write(block);
            if (bytesPer10ms > 0) {
                next += std::chrono::milliseconds(10);
                std::this_thread::sleep_until(next);
            }
        }
    });
    // The longest stretch the window's event loop went without handling a timer tick.
    QElapsedTimer sinceTick;
    sinceTick.start();
    qint64 longest = 0;
    double peakRss = 0;
    QTimer tick;
    tick.setInterval(10);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        longest = std::max(longest, sinceTick.restart());
        peakRss = std::max(peakRss, RssMiB());
    });
    tick.start();
    QElapsedTimer flood;
    flood.start();
    while (flood.elapsed() < 10000)
        QTest::qWait(5);
    stop = true;
    peer.join();
    // The last thing the peer says comes after a pause, as its own chunk.
    QTest::qWait(200);
    const std::string last = "LAST-CHUNK-OF-THE-FLOOD";
    pty.Write(std::vector<std::uint8_t>(last.begin(), last.end()));
    QElapsedTimer shown;
    shown.start();
    while (form.Memo10->toPlainText() != QString::fromStdString(last) && shown.elapsed() < 10000)
        QTest::qWait(5);
    tick.stop();
    const std::string prefix = "flood_" + name;
    Report((prefix + "_longest_event_gap_ms").c_str(), static_cast<double>(longest), "ms");
    Report((prefix + "_peak_rss_mib").c_str(), peakRss, "MiB");
    Report((prefix + "_last_chunk_shown_after_ms").c_str(), static_cast<double>(shown.elapsed()),
           "ms");
    Report((prefix + "_chunks_dropped").c_str(),
           static_cast<double>(form.link.Comm1.DroppedChunks() - droppedBefore), "chunks");
    QTest::mouseClick(form.Button1, Qt::LeftButton);
    return longest;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    SetMessageSink([](MessageKind, const QString&) {});
    TForm1 form;
    form.show();
    {
        PtyPair pty;
        Cycles(form, pty);
    }
    {
        PtyPair pty;
        Flood(form, pty, "full_speed", 0);
    }
    {
        PtyPair pty;
        Flood(form, pty, "115200", 115); // 11.5 bytes a millisecond
    }
    // The same flood with the traffic log open and logging every chunk: the window must
    // stay as responsive as without it (the ratio of the longest event gaps).
    qint64 withoutLog = 0;
    {
        PtyPair pty;
        withoutLog = Flood(form, pty, "full_speed_no_log", 0);
    }
    form.ActionTrafficLog->setChecked(true);
    qint64 withLog = 0;
    {
        PtyPair pty;
        withLog = Flood(form, pty, "full_speed_log_open", 0);
    }
    Report("flood_log_open_gap_ratio",
           static_cast<double>(withLog) / static_cast<double>(std::max<qint64>(withoutLog, 1)),
           "x");
    return 0;
}
