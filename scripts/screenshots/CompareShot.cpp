// Shows the "Compare with module" table for two profile files and saves a picture of it.
//
//   talmire-compare-shot MODULE.json PROFILE.json OUT.png
//
// MODULE.json stands for what the module holds (talmire-cli profile read), PROFILE.json for
// the profile it is compared with. Run it on a real or virtual X display (screenshots.sh).

#include "scripts/screenshots/Settle.h"
#include "ui/CompareDialog.h"
#include "ui/TForm1.h"

#include <QApplication>
#include <QFile>
#include <QPixmap>

#include <cstdio>

namespace {

std::optional<Profile> Load(const char* path) {
    QFile file(QString::fromLocal8Bit(path));
    std::string error;
    std::optional<Profile> profile;
    if (file.open(QIODevice::ReadOnly))
        profile = ProfileFromJson(file.readAll().toStdString(), error);
    if (!profile)
        std::fprintf(stderr, "%s: %s\n", path, error.empty() ? "cannot read" : error.c_str());
    return profile;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s MODULE.json PROFILE.json OUT.png\n", argv[0]);
        return 2;
    }
    const std::optional<Profile> module = Load(argv[1]);
    const std::optional<Profile> profile = Load(argv[2]);
    if (!module || !profile)
        return 1;
    TForm1 form;
    LineSettings line;
    line.port = "/dev/ttyUSB0";
    auto* dialog = new CompareDialog(form, line, *module, *profile);
    dialog->resize(800, 720);
    dialog->show();
    Settle(800);
    if (!dialog->grab().toImage().save(QString::fromLocal8Bit(argv[3]), "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", argv[3]);
        return 1;
    }
    return 0;
}
