#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QTcpSocket>
#include <QTimer>

// Waits for a device path to appear again after its adapter was unplugged, without
// polling: it watches the nearest existing folder on the way to the path (inotify through
// QFileSystemWatcher) and says so each time that folder changes while the path exists. A
// folder that comes back with the device (/dev/serial/by-id) is followed down. A network
// port (rfc2217://, tcp://) has no file: its server is knocked on once a second, without
// blocking, and the port is said to appear when the server takes the connection.
class PortWatch : public QObject {
    Q_OBJECT
public:
    explicit PortWatch(QObject* parent = nullptr);

    void Watch(const QString& path);
    void Stop();
    bool Watching() const { return !path.isEmpty(); }
    const QString& Path() const { return path; }

signals:
    // The path exists (again); emitted on every change of its folder while it does.
    void Appeared();

private:
    void FolderChanged();
    void WatchNearestFolder();
    void Knock();

    QFileSystemWatcher watcher;
    QTimer retry;
    QTcpSocket probe;
    QString path;
};
