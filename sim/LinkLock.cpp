#include "sim/LinkLock.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string_view>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The process id the holder wrote into the lock file; empty when it cannot be read.
std::string HolderOf(int fd) {
    char text[32] = {};
    const ssize_t n = ::pread(fd, text, sizeof text - 1, 0);
    if (n <= 0)
        return {};
    std::string_view pid(text, static_cast<std::size_t>(n));
    while (!pid.empty() && (pid.back() == '\n' || pid.back() == ' '))
        pid.remove_suffix(1);
    for (const char c : pid)
        if (c < '0' || c > '9')
            return {};
    return std::string(pid);
}

} // namespace

bool LinkLock::Take(const std::string& link, std::string& error) {
    const std::string lockPath = link + ".lock";
    // Another simulator may remove the file between our open and our lock when it exits:
    // the lock is ours only while the path still names the file we locked.
    for (int attempt = 0; attempt < 5; ++attempt) {
        const int file =
            ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY, 0644);
        if (file < 0) {
            error = "cannot create " + lockPath + ": " + std::strerror(errno);
            return false;
        }
        struct stat opened {};
        if (::fstat(file, &opened) != 0 || !S_ISREG(opened.st_mode)) {
            ::close(file);
            error = lockPath + " is not a regular file; not using it";
            return false;
        }
        if (::flock(file, LOCK_EX | LOCK_NB) != 0) {
            const int cause = errno;
            const std::string holder = HolderOf(file);
            ::close(file);
            if (cause == EWOULDBLOCK) {
                error = link + " is served by another talmire-sim" +
                        (holder.empty() ? std::string() : " (pid " + holder + ")") +
                        "; stop it or choose another --link";
            } else {
                error = "cannot lock " + lockPath + ": " + std::strerror(cause);
            }
            return false;
        }
        struct stat named {};
        if (::stat(lockPath.c_str(), &named) == 0 && named.st_dev == opened.st_dev &&
            named.st_ino == opened.st_ino) {
            const std::string pid = std::to_string(::getpid()) + "\n";
            // The pid only serves a second simulator's message; the lock holds without it.
            if (::ftruncate(file, 0) == 0)
                (void)!::pwrite(file, pid.data(), pid.size(), 0);
            fd = file;
            path = lockPath;
            return true;
        }
        ::close(file); // removed or replaced under us: try the new one
    }
    error = "cannot take " + lockPath + ": it keeps being replaced";
    return false;
}

LinkLock::~LinkLock() {
    if (fd < 0)
        return;
    // Removed while still held, so no other simulator can lock the file just before it goes.
    ::unlink(path.c_str());
    ::close(fd);
}
