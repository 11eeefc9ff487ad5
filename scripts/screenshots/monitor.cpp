// A picture of the monitor dock plotting the simulated module's HART variables.
//
//   talmire-monitor-screenshot OUTDIR
//
// Starts talmire-sim on a pseudo-terminal (its values change over time), opens the monitor
// on it at 200 ms for ten seconds and saves OUTDIR/monitor.png. Run it on a real or
// virtual X display, as scripts/screenshots.sh does.

#include "scripts/screenshots/OutputDir.h"
#include "scripts/screenshots/Settle.h"
#include "tests/e2e/SimProcess.h"
#include "ui/MonitorDock.h"
#include "ui/TForm1.h"

#include <QApplication>
#include <QDir>
#include <QSpinBox>

#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QDir out;
    if (const int status = OutputDir(argc, argv, out))
        return status;
    // Values that wander, so that the lines show their course.
    SimProcess sim({"--frame-gap-ms", "4"}, false);
    if (sim.ready.find("ready") == std::string::npos) {
        std::fprintf(stderr, "talmire-sim did not start\n");
        return 1;
    }
    TForm1 form;
    form.resize(1100, 1000);
    form.show();
    form.SPREALCOM->ShowText(QString::fromStdString(sim.link));
    form.ActionMonitor->trigger();
    // The window is made tall enough for the dock beforehand: put it in its place under the
    // pages, where the picture of the window shows it.
    QCoreApplication::processEvents();
    form.monitorDock->setFloating(false);
    form.resizeDocks({form.monitorDock}, {520}, Qt::Vertical);
    form.monitorDock->findChild<QSpinBox*>("MonitorInterval")->setValue(200);
    form.monitorDock->Start();
    Settle(10000);
    const QString path = out.filePath(QStringLiteral("monitor.png"));
    const bool saved = form.grab().toImage().save(path, "PNG");
    form.monitorDock->Stop();
    if (!saved)
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return saved ? 0 : 1;
}
