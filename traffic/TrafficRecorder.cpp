#include "traffic/TrafficRecorder.h"

#include "traffic/TrafficLogModel.h"

TrafficRecorder::TrafficRecorder(TrafficLogModel& model, QObject* parent)
    : QObject(parent), model(model) {
    connect(&model, &TrafficLogModel::BatchAppended, this, &TrafficRecorder::WriteBatch);
}

bool TrafficRecorder::Start(const QString& path, QString* error) {
    Stop();
    file.setFileName(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    format = TrafficLogFile::FormatForPath(path);
    if (file.size() == 0) {
        const QStringList header = TrafficLogFile::Header();
        file.write((format == TrafficLogFormat::Csv ? TrafficLogFile::CsvRecord(header)
                                                    : TrafficLogFile::TabbedLine(header))
                       .toUtf8());
        file.flush();
    }
    return true;
}

void TrafficRecorder::Stop() {
    if (file.isOpen())
        file.close();
}

void TrafficRecorder::WriteBatch(int first, int last) {
    if (!file.isOpen())
        return;
    QString text;
    for (int r = first; r <= last; ++r) {
        const QStringList fields = TrafficLogFile::RowFields(model, r);
        text += format == TrafficLogFormat::Csv ? TrafficLogFile::CsvRecord(fields)
                                                : TrafficLogFile::TabbedLine(fields);
    }
    if (file.write(text.toUtf8()) < 0 || !file.flush()) {
        const QString error = file.errorString();
        file.close();
        emit Failed(error);
    }
}
