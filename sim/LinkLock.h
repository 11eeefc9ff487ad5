#pragma once

// A lock beside the simulator's link (PATH.lock), held with flock() for as long as the
// simulator runs. A second simulator asked for the same link finds it held and refuses,
// instead of replacing the first one's link and deleting it under it when it exits. A lock
// left by a simulator that died is free again (the kernel drops a dead process's locks).

#include <string>

class LinkLock {
public:
    // Takes the lock for `link`; false with the reason in `error` (another live simulator
    // holds it, or the lock file cannot be made).
    bool Take(const std::string& link, std::string& error);

    LinkLock() = default;
    // Removes the lock file and lets the lock go.
    ~LinkLock();
    LinkLock(const LinkLock&) = delete;
    LinkLock& operator=(const LinkLock&) = delete;

private:
    int fd = -1;
    std::string path;
};
