#include "ui/PortNames.h"

#include <QDir>
#include <QFileInfo>

QStringList AvailablePortNames() {
    QStringList names;
#if defined(Q_OS_UNIX)
    auto add = [&names](const QString& dir, const QStringList& patterns) {
        const QFileInfoList found = QDir(dir).entryInfoList(
            patterns, QDir::System | QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
        for (const QFileInfo& info : found)
            if (!names.contains(info.absoluteFilePath()))
                names << info.absoluteFilePath();
    };
    add("/dev/serial/by-id", {"*"});
    add("/dev", {"ttyUSB*", "ttyACM*"});
    add("/tmp", {"ttyTALMIRE*"});
    // On-board ports: /dev/ttyS0 ... exist as nodes even without hardware; keep those the
    // kernel reports as real (a driver other than "serial8250" with no port, or any port
    // with an I/O address).
    const QFileInfoList onboard =
        QDir("/sys/class/tty").entryInfoList({"ttyS*"}, QDir::Dirs | QDir::System, QDir::Name);
    for (const QFileInfo& info : onboard) {
        QFile type(info.absoluteFilePath() + "/type");
        if (type.open(QIODevice::ReadOnly) && type.readAll().trimmed() != "0")
            names << "/dev/" + info.fileName();
    }
#endif
    return names;
}
