#pragma once

// A Telnet server in the test's own thread, for what a real server in front of a
// pseudo-terminal cannot send (line errors, modem changes).

#include "tests/serial/HexBytes.h"

#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

// A Telnet server on the loopback address that takes the COM-PORT option, waits for the
// client's line settings, then sends its script, part by part.
class ScriptedServer {
public:
    explicit ScriptedServer(std::vector<Bytes> parts_) : parts(std::move(parts_)) {
        listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof a;
        if (bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
            listen(listener, 1) == 0 &&
            getsockname(listener, reinterpret_cast<sockaddr*>(&a), &size) == 0)
            port = ntohs(a.sin_port);
        thread = std::thread([this] { Run(); });
    }
    ~ScriptedServer() {
        stop.store(true);
        thread.join();
        ::close(listener);
    }
    std::string Url() const { return "rfc2217://127.0.0.1:" + std::to_string(port); }

private:
    // Reads until `ms` passed without a byte, or the test ends.
    void Drain(int fd, int ms) {
        std::uint8_t buffer[512];
        pollfd p{fd, POLLIN, 0};
        while (!stop.load() && poll(&p, 1, ms) > 0 && ::read(fd, buffer, sizeof buffer) > 0) {
        }
    }
    void Run() {
        pollfd p{listener, POLLIN, 0};
        if (poll(&p, 1, 5000) <= 0)
            return;
        const int fd = accept(listener, nullptr, nullptr);
        const Bytes accept = {0xFF, 0xFD, 0x2C};
        (void)!::write(fd, accept.data(), accept.size());
        Drain(fd, 200);
        for (const Bytes& part : parts) {
            (void)!::write(fd, part.data(), part.size());
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        while (!stop.load())
            Drain(fd, 20);
        ::close(fd);
    }

    std::vector<Bytes> parts;
    int listener = -1;
    int port = 0;
    std::atomic<bool> stop{false};
    std::thread thread;
};
