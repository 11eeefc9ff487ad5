#pragma once

// Runs one of the commissioning engine's blocking sequences on a worker thread, so the window
// keeps answering: progress and the end come back to the window's thread as signals, and
// Cancel asks the sequence to stop before its next exchange.

#include "commission/Progress.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <functional>
#include <thread>

class EngineTask : public QObject {
    Q_OBJECT
public:
    // The sequence: it reports through the Progress it is given, and throws ModuleFailure
    // (FailureCancelled once cancelled) to end early.
    using Job = std::function<void(const Progress&)>;

    explicit EngineTask(QObject* parent = nullptr);
    // Cancels a running sequence and waits for it.
    ~EngineTask() override;
    EngineTask(const EngineTask&) = delete;
    EngineTask& operator=(const EngineTask&) = delete;

    // Starts `job`; false when one is still running.
    bool Start(Job job);
    void Cancel() { cancel = true; }
    bool Running() const { return running; }
    // Runs `work` on the window's thread, in order with the signals; for the job's results.
    void Post(std::function<void()> work);

signals:
    void Stepped(int done, int total, const QString& what);
    // `error` is empty when the sequence completed; `cancelled` when the user stopped it.
    void Finished(const QString& error, bool cancelled);

private:
    void Join();

    std::thread worker;
    std::atomic<bool> cancel{false};
    bool running = false;
};
