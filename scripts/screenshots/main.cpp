// Shows the tool's window and saves a picture of each of its four pages.
//
//   talmire-screenshots [--dark] OUTDIR
//
// --dark takes them with the Fusion style and a dark palette, as page1-system-dark.png ...
//
// Run it on a real (or virtual) X display: scripts/screenshots.sh does that with xvfb-run.

#include "scripts/screenshots/OutputDir.h"
#include "scripts/screenshots/Settle.h"
#include "ui/TForm1.h"

#include <QApplication>
#include <QDir>
#include <QPalette>
#include <QPixmap>
#include <QStyleFactory>
#include <QTabWidget>

#include <cstdio>
#include <cstring>

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

// A dark palette of the kind dark desktop themes give Qt programs.
QPalette DarkPalette() {
    QPalette p;
    const QColor window(0x35, 0x35, 0x35);
    const QColor base(0x23, 0x23, 0x23);
    const QColor text(0xe8, 0xe8, 0xe8);
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::AlternateBase, window);
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Button, window);
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::ToolTipBase, base);
    p.setColor(QPalette::ToolTipText, text);
    p.setColor(QPalette::Highlight, QColor(0x2a, 0x82, 0xda));
    p.setColor(QPalette::HighlightedText, Qt::black);
    p.setColor(QPalette::PlaceholderText, QColor(0x90, 0x90, 0x90));
    p.setColor(QPalette::Disabled, QPalette::Text, QColor(0x80, 0x80, 0x80));
    p.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(0x80, 0x80, 0x80));
    p.setColor(QPalette::Disabled, QPalette::WindowText, QColor(0x80, 0x80, 0x80));
    return p;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // "--dark OUTDIR": the same pages with the Fusion style and a dark palette.
    const bool dark = argc == 3 && std::strcmp(argv[1], "--dark") == 0;
    if (dark) {
        QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
        QApplication::setPalette(DarkPalette());
    }
    QDir out;
    if (const int status = dark ? OutputDir(argc - 1, argv + 1, out) : OutputDir(argc, argv, out))
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
        QString file = QString::fromLatin1(page.file);
        if (dark)
            file.replace(QStringLiteral(".png"), QStringLiteral("-dark.png"));
        const QString path = out.filePath(file);
        if (!form.grab().toImage().save(path, "PNG")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            ++failures;
        }
    }
    return failures == 0 ? 0 : 1;
}
