#include "ui/PortWatch.h"

#include "serial/net/NetPortName.h"

#include <QDir>
#include <QFileInfo>

PortWatch::PortWatch(QObject* parent) : QObject(parent) {
    connect(&watcher, &QFileSystemWatcher::directoryChanged, this, &PortWatch::FolderChanged);
    // A server is knocked on without blocking; only once it takes a connection is the owner
    // told, so the owner's own (blocking) open never waits on a host that does not answer.
    retry.setInterval(1000);
    connect(&retry, &QTimer::timeout, this, &PortWatch::Knock);
    connect(&probe, &QTcpSocket::connected, this, [this] {
        probe.abort();
        if (Watching())
            emit Appeared();
    });
}

void PortWatch::Knock() {
    std::string error;
    const std::optional<NetPortName> name = ParseNetPortName(path.toStdString(), error);
    if (!name)
        return;
    // A knock still unanswered after a second is given up and made again.
    probe.abort();
    probe.connectToHost(QString::fromStdString(name->host), name->port);
}

void PortWatch::Watch(const QString& devicePath) {
    Stop();
    if (IsNetPortName(devicePath.toStdString())) {
        path = devicePath;
        retry.start();
        return;
    }
    path = QFileInfo(devicePath).absoluteFilePath();
    WatchNearestFolder();
}

void PortWatch::Stop() {
    retry.stop();
    probe.abort();
    if (!watcher.directories().isEmpty())
        watcher.removePaths(watcher.directories());
    path.clear();
}

void PortWatch::WatchNearestFolder() {
    QString folder = QFileInfo(path).absolutePath();
    while (!QFileInfo(folder).isDir() && !QDir(folder).isRoot())
        folder = QFileInfo(folder).absolutePath();
    if (watcher.directories() == QStringList{folder})
        return;
    if (!watcher.directories().isEmpty())
        watcher.removePaths(watcher.directories());
    watcher.addPath(folder);
}

void PortWatch::FolderChanged() {
    if (!Watching())
        return;
    // A folder on the way may have come back with the device: watch the nearest again.
    WatchNearestFolder();
    // A symbolic link to a node that is gone does not count: exists() follows it.
    if (QFileInfo::exists(path))
        emit Appeared();
}
