#include "ui/PortNames.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

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

QStringList PortListItems(const QStringList& recent, const QStringList& found) {
    QStringList items;
    for (int i = 1; i <= 12; ++i)
        items << QString("COM%1").arg(i);
    for (const QStringList* names : {&recent, &found})
        for (const QString& name : *names)
            if (!name.isEmpty() && !items.contains(name))
                items << name;
    return items;
}

QString PortDevicePath(const QString& name) {
    static const QRegularExpression com(QStringLiteral("^COM([1-9][0-9]*)$"));
    const QRegularExpressionMatch match = com.match(name);
    if (match.hasMatch())
        return QString("/dev/ttyS%1").arg(match.captured(1).toInt() - 1);
    return name;
}
