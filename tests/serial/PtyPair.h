#pragma once

// A pseudo-terminal pair standing in for a serial line: the component opens the slave by
// its path, the test plays the device on the master side.

#include <chrono>
#include <cstdint>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <string>
#include <termios.h>
#include <unistd.h>
#include <vector>

class PtyPair {
public:
    PtyPair() {
        char name[256] = {};
        termios raw{};
        cfmakeraw(&raw);
        if (openpty(&master, &slave, name, &raw, nullptr) == 0)
            path = name;
        fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    }
    ~PtyPair() {
        CloseMaster();
        if (slave >= 0)
            ::close(slave);
    }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    void CloseMaster() {
        if (master >= 0)
            ::close(master);
        master = -1;
    }
    // The slave stays open in the test too, so closing the component's descriptor never
    // hangs up the line by itself; closing the master does.
    void CloseSlave() {
        if (slave >= 0)
            ::close(slave);
        slave = -1;
    }
    bool Write(const std::vector<std::uint8_t>& bytes) const {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(master, bytes.data() + done, bytes.size() - done);
            if (n > 0) {
                done += static_cast<std::size_t>(n);
            } else {
                pollfd p{master, POLLOUT, 0};
                if (poll(&p, 1, 2000) <= 0)
                    return false;
            }
        }
        return true;
    }
    // Reads until `count` bytes came or `timeout` passed.
    std::vector<std::uint8_t> Read(std::size_t count, std::chrono::milliseconds timeout) const {
        std::vector<std::uint8_t> out;
        const auto end = std::chrono::steady_clock::now() + timeout;
        while (out.size() < count) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                end - std::chrono::steady_clock::now());
            if (left.count() <= 0)
                break;
            pollfd p{master, POLLIN, 0};
            if (poll(&p, 1, static_cast<int>(left.count())) <= 0)
                continue;
            std::uint8_t buffer[4096];
            const ssize_t n = ::read(master, buffer, sizeof buffer);
            if (n > 0)
                out.insert(out.end(), buffer, buffer + n);
        }
        return out;
    }

    int master = -1;
    int slave = -1;
    std::string path;
};
