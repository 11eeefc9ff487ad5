#pragma once

// What a long sequence of exchanges tells while it runs, and how it is stopped. Both are
// called from the thread that runs the sequence; `cancel` may be set from any thread.

#include <atomic>
#include <functional>
#include <string>

struct Progress {
    // `done` of `total` steps, and what the next one is.
    std::function<void(int done, int total, const std::string& what)> step;
    const std::atomic<bool>* cancel = nullptr;

    void Report(int done, int total, const std::string& what) const {
        if (step)
            step(done, total, what);
    }
    bool Cancelled() const { return cancel != nullptr && cancel->load(); }
    // ModuleFailure(FailureCancelled) once the user stopped the sequence.
    void ThrowIfCancelled() const;
};
