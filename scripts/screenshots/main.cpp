// Shows the tool's window and saves a picture of each of its four pages.
//
//   talmire-screenshots OUTDIR
//
// Run it on a real (or virtual) X display: scripts/screenshots.sh does that with xvfb-run.

#include "scripts/screenshots/Settle.h"
#include "ui/TForm1.h"

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QTabWidget>

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

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTDIR\n", argv[0]);
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    if (!out.exists() && !QDir().mkpath(out.path())) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }

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
