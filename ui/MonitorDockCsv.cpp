// The monitor dock's recording: every batch of reads appended to the CSV file and flushed
// as it comes, so a crash loses at most the batch being written.

#include "ui/Messages.h"
#include "ui/MonitorDock.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>

bool MonitorDock::RecordTo(const QString& path) {
    if (csv.isOpen())
        WriteCsv(csvRows.Finish());
    csv.close();
    csvRows = {};
    recordButton->setChecked(false);
    ShowRecording();
    if (path.isEmpty())
        return true;
    csv.setFileName(path);
    if (!csv.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
        ShowMessage(this, tr("Cannot write %1: %2").arg(path, csv.errorString()));
        return false;
    }
    recordButton->setChecked(true);
    ShowRecording();
    return true;
}

void MonitorDock::ShowRecording() {
    if (!csv.isOpen()) {
        recordButton->setText(tr("Record to CSV..."));
        recordButton->setToolTip({});
        return;
    }
    const QString path = QDir::toNativeSeparators(csv.fileName());
    recordButton->setText(tr("Recording to %1").arg(QFileInfo(path).fileName()));
    recordButton->setToolTip(tr("Recording to %1; click to stop.").arg(path));
}

void MonitorDock::WriteCsv(const std::string& text) {
    if (!csv.isOpen() || text.empty())
        return;
    if (csv.write(text.data(), static_cast<qint64>(text.size())) ==
            static_cast<qint64>(text.size()) &&
        csv.flush())
        return;
    const QString error = csv.errorString();
    const QString path = csv.fileName();
    csv.close();
    recordButton->setChecked(false);
    ShowRecording();
    ShowState(tr("Recording stopped: %1").arg(error));
    ShowMessage(this, tr("The recording to %1 stopped: %2").arg(path, error));
}

void MonitorDock::RecordClicked(bool on) {
    if (!on) {
        RecordTo({});
        return;
    }
    const QString path = QFileDialog::getSaveFileName(this, tr("Record the monitor to"), {},
                                                      tr("CSV files (*.csv)"));
    if (path.isEmpty() || !RecordTo(path))
        recordButton->setChecked(false);
}

void MonitorDock::Record(const std::vector<MonitorSample>& taken) {
    if (csv.isOpen())
        WriteCsv(csvRows.Add(taken));
}
