#pragma once

// A dialog whose work runs as an EngineTask: closing it while the task runs stops the task
// instead, and the task ends before the dialog's widgets, which it reports to, go.

#include "ui/EngineTask.h"

#include <QDialog>
#include <QProgressBar>

class EngineDialog : public QDialog {
public:
    explicit EngineDialog(QWidget* parent) : QDialog(parent), task(new EngineTask(this)) {
        setAttribute(Qt::WA_DeleteOnClose);
    }
    ~EngineDialog() override { delete task; }
    EngineDialog(const EngineDialog&) = delete;
    EngineDialog& operator=(const EngineDialog&) = delete;

    void reject() override {
        if (task->Running())
            task->Cancel();
        else
            QDialog::reject();
    }

protected:
    // A progress bar named `objectName` that follows the task's steps.
    QProgressBar* TaskProgressBar(const char* objectName) {
        auto* bar = new QProgressBar(this);
        bar->setObjectName(QString::fromLatin1(objectName));
        bar->setValue(0);
        connect(task, &EngineTask::Stepped, bar, [bar](int done, int total, const QString&) {
            bar->setMaximum(total);
            bar->setValue(done);
        });
        return bar;
    }

    EngineTask* task;
};
