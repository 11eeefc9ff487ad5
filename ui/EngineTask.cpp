#include "ui/EngineTask.h"

#include "commission/ModuleFailure.h"

#include <QMetaObject>

EngineTask::EngineTask(QObject* parent) : QObject(parent) {}

EngineTask::~EngineTask() {
    cancel = true;
    Join();
}

void EngineTask::Join() {
    if (worker.joinable())
        worker.join();
}

void EngineTask::Post(std::function<void()> work) {
    QMetaObject::invokeMethod(this, std::move(work), Qt::QueuedConnection);
}

bool EngineTask::Start(Job job) {
    if (running)
        return false;
    Join();
    cancel = false;
    running = true;
    worker = std::thread([this, job = std::move(job)] {
        Progress progress;
        progress.cancel = &cancel;
        progress.step = [this](int done, int total, const std::string& what) {
            const QString text = QString::fromStdString(what);
            Post([this, done, total, text] { emit Stepped(done, total, text); });
        };
        QString error;
        bool cancelled = false;
        try {
            job(progress);
        } catch (const ModuleFailure& failure) {
            cancelled = failure.status == FailureCancelled;
            error = QString::fromStdString(failure.what());
        } catch (const std::exception& failure) {
            error = QString::fromStdString(failure.what());
        }
        Post([this, error, cancelled] {
            running = false;
            Join();
            emit Finished(error, cancelled);
        });
    });
    return true;
}
