#pragma once

#include "traffic/TrafficLogFile.h"

#include <QFile>
#include <QObject>

class TrafficLogModel;

// "Record to file": every batch the model takes in is appended to a file and flushed at
// once, so a crash loses at most the row being written. CSV for a .csv name (a header row
// when the file starts empty), tab-separated text otherwise.
class TrafficRecorder : public QObject {
    Q_OBJECT
public:
    explicit TrafficRecorder(TrafficLogModel& model, QObject* parent = nullptr);

    // Starts appending new rows to `path` (rows already in the log are not written). False
    // with `error` set when the file cannot be opened.
    bool Start(const QString& path, QString* error);
    void Stop();
    bool Recording() const { return file.isOpen(); }
    QString Path() const { return file.fileName(); }

signals:
    // A write failed; recording has stopped.
    void Failed(const QString& error);

private:
    void WriteBatch(int first, int last);

    TrafficLogModel& model;
    QFile file;
    TrafficLogFormat format = TrafficLogFormat::Text;
};
