#pragma once

// The component on one end of a pseudo-terminal pair, configured as the window configures
// it, with handlers that record what arrives.

#include "serial/TComm.h"
#include "tests/serial/CommOwner.h"
#include "tests/serial/PtyPair.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <numeric>
#include <thread>
#include <vector>

class TCommTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(pty.path.empty());
        ConfigureLikeTheWindow(comm, pty.path);
        comm.OnReceiveData = [this](TComm*, const std::uint8_t* b, std::uint16_t n) {
            chunks.emplace_back(b, b + n);
        };
        comm.OnSendDataEmpty = [this](TComm*) { ++sendEmpty; };
        comm.OnRequestHangup = [this](TComm*) { ++hangups; };
    }

    // Runs the owner's side of the notification queue until `done` or the time-out.
    bool Pump(const std::function<bool()>& done,
              std::chrono::milliseconds timeout = std::chrono::milliseconds(5000)) {
        return PumpNotifications(comm, done, timeout);
    }
    // Waits, without dispatching anything, until `count` notifications wait in the queue.
    bool WaitQueued(std::size_t count,
                    std::chrono::milliseconds timeout = std::chrono::milliseconds(5000)) const {
        const auto end = std::chrono::steady_clock::now() + timeout;
        while (comm.QueuedNotifications() < count) {
            if (std::chrono::steady_clock::now() >= end)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return true;
    }
    std::size_t Received() const {
        return std::accumulate(chunks.begin(), chunks.end(), std::size_t{0},
                               [](std::size_t a, const auto& c) { return a + c.size(); });
    }

    PtyPair pty;
    TComm comm;
    std::vector<std::vector<std::uint8_t>> chunks;
    int sendEmpty = 0;
    int hangups = 0;
};
