// Shows the tool's window and saves a picture of each of its four pages.
//
//   talmire-screenshots OUTDIR
//
// Run it on a real (or virtual) X display: scripts/screenshots.sh does that with xvfb-run.

#include "scripts/screenshots/OutputDir.h"
#include "ui/TForm1.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPixmap>
#include <QTabWidget>
#include <QThread>

#include <cstdio>

namespace {

struct Page {
    int index;
    const char* file;
};

constexpr Page Pages[] = {
    {0, "page1-system.png"},
    {1, "page2-transparent.png"},
    {2, "page3-modbus.png"},
    {3, "page4-wiring.png"},
};

// Lets the window lay itself out and paint; the window manager-less display needs a few
// rounds of the event loop after a page change.
void Settle(int milliseconds) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(10);
    }
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QDir out;
    if (const int status = OutputDir(argc, argv, out))
        return status;

    TForm1 form;
    form.show();
    Settle(800);

    auto* pages = form.findChild<QTabWidget*>(QStringLiteral("PageControl1"));
    if (pages == nullptr || pages->count() != 4) {
        std::fprintf(stderr, "the window has no PageControl1 with four pages\n");
        return 1;
    }
    int failures = 0;
    for (const Page& page : Pages) {
        pages->setCurrentIndex(page.index);
        Settle(400);
        const QString path = out.filePath(QString::fromLatin1(page.file));
        if (!form.grab().toImage().save(path, "PNG")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            ++failures;
        }
    }
    return failures == 0 ? 0 : 1;
}
