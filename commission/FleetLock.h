#pragma once

// One holder per bus: a lock file per port, flock'd for as long as a run works on the port,
// so that two runs of the tool (in one shell or two) never talk on the same RS-485 line.

#include <QString>

#include <optional>
#include <string>

// The name a port is locked under: a local device's path with its links resolved (two names of
// one adapter are one bus), a network port as written, its scheme and host in lower case.
std::string PortKey(const std::string& port);
// The folder of the lock files: "talmire/locks" in the user's runtime folder
// (XDG_RUNTIME_DIR), or in the data folder where there is none.
QString LockFolder();

// Held from construction to destruction when taken; a lock is not copied.
class PortLock {
public:
    // Takes the lock of `port` without waiting.
    explicit PortLock(const std::string& port);
    ~PortLock();
    PortLock(PortLock&&) = delete;

    // nullopt when held, otherwise why not: the holder named ("talmire-cli, process 1234")
    // or the system's reason.
    const std::optional<std::string>& Refused() const { return refused; }

private:
    std::optional<std::string> Take(const std::string& port);
    int descriptor = -1;
    std::optional<std::string> refused;
};
