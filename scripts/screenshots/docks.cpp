// A picture of the whole screen with the window, its traffic log and its monitor open on
// the simulated module, as an engineer's laptop shows them.
//
//   talmire-docks-screenshot OUTDIR NAME
//
// Starts talmire-sim on a pseudo-terminal, opens the window at its own size fitted to the
// screen, opens the port, the traffic log and the monitor (reading every 200 ms for six
// seconds) and saves the screen as OUTDIR/NAME.png. Run it on a real or virtual X display,
// as scripts/screenshots.sh does (at QT_SCALE_FACTOR=1 and 1.5).

#include "scripts/screenshots/Settle.h"
#include "tests/e2e/SimProcess.h"
#include "ui/MonitorDock.h"
#include "ui/TForm1.h"

#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>

#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s OUTDIR NAME\n", argv[0]);
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    if (!out.exists() && !QDir().mkpath(out.path())) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }
    SimProcess sim({"--frame-gap-ms", "4"}, false);
    if (sim.ready.find("ready") == std::string::npos) {
        std::fprintf(stderr, "talmire-sim did not start\n");
        return 1;
    }
    TForm1 form;
    form.FitToScreen();
    form.show();
    Settle(500);
    form.FitToScreen();
    form.SPREALCOM->ShowText(QString::fromStdString(sim.link));
    form.Button1->click();
    form.Button6->click();
    Settle(500);
    form.ActionTrafficLog->trigger();
    Settle(300);
    form.ActionMonitor->trigger();
    Settle(300);
    form.monitorDock->findChild<QSpinBox*>("MonitorInterval")->setValue(200);
    form.monitorDock->Start();
    Settle(6000);
    const QString path = out.filePath(QString::fromLocal8Bit(argv[2]) + ".png");
    const bool saved = form.screen()->grabWindow(0).toImage().save(path, "PNG");
    form.monitorDock->Stop();
    if (!saved)
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return saved ? 0 : 1;
}
