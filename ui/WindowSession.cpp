#include "ui/WindowSession.h"

#include <QCoreApplication>
#include <QSettings>

namespace {
constexpr int RecentPortCount = 8;
const QString RecentPortsKey = QStringLiteral("ports/recent");
const QString GeometryKey = QStringLiteral("window/geometry");
} // namespace

bool SessionKept() {
    return !QCoreApplication::organizationName().isEmpty();
}

QStringList RecentPorts() {
    if (!SessionKept())
        return {};
    return QSettings().value(RecentPortsKey).toStringList();
}

void RememberPort(const QString& name) {
    if (!SessionKept() || name.trimmed().isEmpty())
        return;
    QSettings settings;
    QStringList ports = settings.value(RecentPortsKey).toStringList();
    ports.removeAll(name);
    ports.prepend(name);
    while (ports.size() > RecentPortCount)
        ports.removeLast();
    settings.setValue(RecentPortsKey, ports);
}

QByteArray SavedWindowGeometry() {
    if (!SessionKept())
        return {};
    return QSettings().value(GeometryKey).toByteArray();
}

void SaveWindowGeometry(const QByteArray& geometry) {
    if (SessionKept())
        QSettings().setValue(GeometryKey, geometry);
}
