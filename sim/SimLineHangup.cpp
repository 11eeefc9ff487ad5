// What the simulator does when its real serial device hangs up: exit, or wait for the
// device path to come back and open it again.

#include "sim/SimLine.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// The folders whose changes can bring a device path back: the path's own folder (or, when
// that is gone too, as /dev/serial/by-id is with its last adapter, the nearest one that
// exists) and the folder of the node it led to.
std::vector<std::string> WatchedFolders(const std::string& path, const std::string& target) {
    std::vector<std::string> folders;
    for (const std::string& p : {path, target}) {
        if (p.empty())
            continue;
        std::error_code error;
        std::filesystem::path folder = std::filesystem::absolute(p, error).parent_path();
        while (!folder.empty() && !std::filesystem::is_directory(folder, error) &&
               folder != folder.root_path())
            folder = folder.parent_path();
        if (!folder.empty())
            folders.push_back(folder.string());
    }
    return folders;
}

} // namespace

std::optional<int> SimLine::AwaitDevice(int stopFd) {
    const std::string& device = options.device;
    struct stat hung {};
    const bool known = fstat(fd, &hung) == 0;
    ::close(fd);
    fd = -1;
    if (options.exitOnHangup) {
        std::fprintf(stderr, "talmire-sim: %s hung up (adapter unplugged?); exiting\n",
                     device.c_str());
        return 1;
    }
    std::fprintf(stderr,
                 "talmire-sim: %s hung up (adapter unplugged?); waiting for it to come back\n",
                 device.c_str());
    const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (watch < 0) {
        std::fprintf(stderr, "talmire-sim: cannot watch for %s: %s\n", device.c_str(),
                     std::strerror(errno));
        return 1;
    }
    // Only a change in a watched folder leads to another try, so a device that stays
    // hung up costs nothing. The first try is made only when the path already leads to
    // another node than the one that hung up.
    bool changed = false;
    for (;;) {
        for (const std::string& folder : WatchedFolders(device, deviceNode))
            inotify_add_watch(watch, folder.c_str(),
                              IN_CREATE | IN_ATTRIB | IN_MOVED_TO | IN_DELETE_SELF);
        struct stat now {};
        const bool other = ::stat(device.c_str(), &now) == 0 &&
                           (!known || now.st_rdev != hung.st_rdev || now.st_ino != hung.st_ino);
        if ((changed || other) && OpenDevice()) {
            std::fprintf(stderr, "talmire-sim: %s is back\n", device.c_str());
            ::close(watch);
            return std::nullopt;
        }
        pollfd fds[2] = {{stopFd, POLLIN, 0}, {watch, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0 && errno != EINTR)
            break;
        if (fds[0].revents != 0)
            break;
        char events[4096];
        while (::read(watch, events, sizeof events) > 0) {
        }
        changed = true;
    }
    ::close(watch);
    return 0;
}
