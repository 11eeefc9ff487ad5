#include "ui/JpegLoader.h"
#include "ui/TForm1.h"
#include "ui/Translation.h"

#include <QApplication>

#include <cstdio>
#include <cstring>

int main(int argc, char* argv[]) {
    // Answered before the toolkit starts, so that it needs no display.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("talmire %s\n", TALMIRE_VERSION);
            return 0;
        }
    }
    QApplication application(argc, argv);
    // --lang zh_CN picks a translation, --lang en forces English; otherwise the system's
    // language decides.
    QString language;
    const QStringList arguments = QApplication::arguments();
    for (qsizetype i = 1; i + 1 < arguments.size(); ++i)
        if (arguments[i] == QLatin1String("--lang"))
            language = arguments[i + 1];
    InstallTranslation(language);
    // Settings land in $XDG_CONFIG_HOME/Talmire/TALMIRE.conf (~/.config by default).
    QApplication::setOrganizationName("Talmire");
    QApplication::setApplicationName("TALMIRE");
    QApplication::setApplicationVersion(TALMIRE_VERSION);
    // Ties the window to its desktop entry (and so its icon) under Wayland.
    QApplication::setDesktopFileName(TALMIRE_APP_ID);
    TForm1 form;
    QApplication::setWindowIcon(ApplicationIcon());
    form.FitToScreen();
    form.show();
    // Now the frame's edges are known: the whole window stays on the screen.
    form.FitToScreen();
    return QApplication::exec();
}
