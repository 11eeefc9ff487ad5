#pragma once

// The owner's side of a TComm as the tests and benchmarks play it: the line set up as the
// window sets it, and a loop that dispatches notifications on this thread.

#include "serial/TComm.h"

#include <chrono>
#include <functional>
#include <poll.h>
#include <string>

// The window's line: no software flow control (0x11 and 0x13 are data here), DTR and RTS
// left low.
inline void ConfigureLikeTheWindow(TComm& comm, const std::string& port) {
    comm.SetCommName(port);
    comm.SetOutx_XonXoffFlow(false);
    comm.SetInx_XonXoffFlow(false);
    comm.SetDtrControl(TDtrControl::DtrDisable);
    comm.SetRtsControl(TRtsControl::RtsDisable);
}

// Dispatches the component's notifications until `done` holds; false on the time-out.
inline bool PumpNotifications(TComm& comm, const std::function<bool()>& done,
                              std::chrono::milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= end)
            return false;
        pollfd p{comm.NotificationDescriptor(), POLLIN, 0};
        if (poll(&p, 1, 20) > 0)
            comm.DispatchNotifications();
    }
    return true;
}
