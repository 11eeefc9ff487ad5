#pragma once

// The line to the module for a sequence of exchanges: the port opened on first use, each
// exchange checked for its kind of answer, every failure a ModuleFailure. Blocking, without
// an event loop: the command-line tool calls it in sequence, the window from a worker thread.

#include "commission/ModuleFailure.h"
#include "link/ScriptLink.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

class ModuleLine {
public:
    ModuleLine(LineSettings line, std::chrono::milliseconds timeout);

    const LineSettings& Line() const { return line; }
    // Opens the port on first use; ModuleFailure(FailurePort) when it cannot.
    ScriptLink& Link();
    void Close();
    void SetLine(std::uint32_t baud, TParity parity);
    std::chrono::milliseconds Timeout() const { return timeout; }
    void SetTimeout(std::chrono::milliseconds value) { timeout = value; }

    // An ASCII configuration exchange: the answer as text.
    std::string Ascii(const std::vector<std::uint8_t>& frame);
    std::string Ascii(const std::vector<std::uint8_t>& frame, std::chrono::milliseconds wait);
    // A HART exchange: the instrument's frame, checksum and response code checked
    // (ModuleFailure(FailureDevice) otherwise).
    std::vector<std::uint8_t> Hart(const std::vector<std::uint8_t>& frame);
    // An exchange whose answer ends by `end`; no answer gives ModuleFailure(FailureNoAnswer).
    ExchangeResult Exchange(const std::vector<std::uint8_t>& frame, ReplyEnd end,
                            std::chrono::milliseconds wait);

    // Every frame sent and every chunk received, for a trace.
    void SetTraffic(std::function<void(bool sent, std::span<const std::uint8_t> bytes)> trace) {
        link.OnTraffic = std::move(trace);
    }
    // What an exchange dropped of a line that flooded ("N bytes dropped"), for the same trace.
    void SetDropTrace(std::function<void(const std::string& dropped)> trace) {
        link.OnDropped = std::move(trace);
    }

private:
    LineSettings line;
    std::chrono::milliseconds timeout;
    ScriptLink link;
    bool opened = false;
};
