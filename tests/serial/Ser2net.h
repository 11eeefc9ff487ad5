#pragma once

// Debian's ser2net serving one device over RFC 2217 on the loopback address, started and
// stopped by the test; and a free loopback port to put it on.

#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <netinet/in.h>
#include <sstream>
#include <string>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

// A loopback port that nothing listens on now.
inline int FreeLoopbackPort() {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof a;
    int port = 0;
    if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&a), &size) == 0)
        port = ntohs(a.sin_port);
    ::close(fd);
    return port;
}

// Whether something listens on 127.0.0.1:port, read from the kernel's table rather than
// by connecting (a connection would make ser2net open its device).
inline bool LoopbackListening(int port) {
    std::ifstream table("/proc/net/tcp");
    std::string line;
    char wanted[32];
    std::snprintf(wanted, sizeof wanted, "0100007F:%04X", port);
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string slot, local, remote, state;
        fields >> slot >> local >> remote >> state;
        if (local == wanted && state == "0A")
            return true;
    }
    return false;
}

inline bool Ser2netInstalled() {
    return access(SER2NET, X_OK) == 0;
}

class Ser2net {
public:
    // Serves `device` as RFC 2217 on `port` (a free one when 0); Url() is empty when it did
    // not come up within a few seconds.
    explicit Ser2net(const std::string& device, int port_ = 0)
        : port(port_ != 0 ? port_ : FreeLoopbackPort()) {
        config = "/tmp/talmire-ser2net-" + std::to_string(getpid()) + "-" + std::to_string(port) +
                 ".yaml";
        std::ofstream(config) << "connection: &con0\n"
                              << "  accepter: telnet(rfc2217),tcp,127.0.0.1," << port << "\n"
                              << "  connector: serialdev," << device
                              << ",9600n81,local\n"
                              // Each read from the device goes out at once, not after a
                              // wait for more characters: a request-answer line.
                              << "  options:\n"
                              << "    chardelay: false\n";
        pid = fork();
        if (pid == 0) {
            prctl(PR_SET_PDEATHSIG, SIGKILL);
            std::freopen("/dev/null", "w", stdout);
            std::freopen("/dev/null", "w", stderr);
            execl(SER2NET, SER2NET, "-n", "-u", "-c", config.c_str(), nullptr);
            _exit(127);
        }
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!LoopbackListening(port) && std::chrono::steady_clock::now() < end)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        up = LoopbackListening(port);
    }
    ~Ser2net() {
        Stop(SIGTERM);
        std::remove(config.c_str());
    }
    Ser2net(const Ser2net&) = delete;
    Ser2net& operator=(const Ser2net&) = delete;

    std::string Url() const { return up ? "rfc2217://127.0.0.1:" + std::to_string(port) : ""; }
    // Ends the server: SIGKILL for one that dies mid-exchange.
    void Stop(int signal) {
        if (pid <= 0)
            return;
        kill(pid, signal);
        int status = 0;
        waitpid(pid, &status, 0);
        pid = -1;
    }

    const int port;

private:
    std::string config;
    pid_t pid = -1;
    bool up = false;
};
