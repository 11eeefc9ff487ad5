#include "commission/FleetLock.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

std::string PortKey(const std::string& port) {
    const std::size_t scheme = port.find("://");
    if (scheme != std::string::npos) {
        std::string key = port;
        const std::size_t hostEnd = key.find('/', scheme + 3);
        for (std::size_t i = 0; i < std::min(hostEnd, key.size()); ++i)
            key[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(key[i])));
        return key;
    }
    char resolved[PATH_MAX];
    return realpath(port.c_str(), resolved) != nullptr ? std::string(resolved) : port;
}

QString LockFolder() {
    // The runtime folder only when the session has one; QStandardPaths would make one up.
    QString base = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (base.isEmpty() || !QFileInfo(base).isDir())
        base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return base + "/talmire/locks";
}

PortLock::PortLock(const std::string& port) : refused(Take(port)) {}

PortLock::~PortLock() {
    if (descriptor >= 0)
        ::close(descriptor); // closing drops the flock
}

std::optional<std::string> PortLock::Take(const std::string& port) {
    const QString folder = LockFolder();
    if (!QDir().mkpath(folder))
        return "the lock folder " + folder.toStdString() + " cannot be made";
    // The key as a file name: anything but letters, digits, '.' and '-' made '_'; the key's
    // hash keeps two keys that differ only there apart.
    const std::string key = PortKey(port);
    std::string name;
    for (const char c : key)
        name += std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' ? c : '_';
    name = name.substr(name.size() > 100 ? name.size() - 100 : 0) + "-" +
           std::to_string(std::hash<std::string>{}(key) % 1000000007) + ".lock";
    const std::string path = (folder + "/").toStdString() + name;
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return "the lock file " + path + " cannot be opened: " + std::strerror(errno);
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int cause = errno;
        char holder[128] = {};
        const ssize_t got = ::pread(fd, holder, sizeof holder - 1, 0);
        ::close(fd);
        if (cause != EWOULDBLOCK)
            return "the lock file " + path + " cannot be locked: " + std::strerror(cause);
        std::string who(holder, got > 0 ? static_cast<std::size_t>(got) : 0);
        while (!who.empty() && (who.back() == '\n' || who.back() == ' '))
            who.pop_back();
        for (char& c : who) {
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
                c = '?';
        }
        return "the port " + key + " is in use by another run (" +
               (who.empty() ? std::string("holder unknown") : who) + ")";
    }
    const std::string me = "talmire-cli, process " + std::to_string(::getpid()) + "\n";
    if (::ftruncate(fd, 0) != 0 || ::pwrite(fd, me.data(), me.size(), 0) < 0) {
        // The lock holds without its holder's name; the name only helps a second run say who.
    }
    descriptor = fd;
    return std::nullopt;
}
