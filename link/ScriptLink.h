#pragma once

// The module's line for scripts: one request at a time, answered as soon as the answer is
// complete. A HART or MODBUS answer is complete when its own length says so; an ASCII
// configuration answer, which carries no length, when the line has been silent for the
// serial component's inter-byte gap. No timers and no event loop: Exchange() waits on the
// serial component's notifications itself, so a command-line tool can call it in sequence.

#include "serial/TComm.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

struct LineSettings {
    std::string port;
    std::uint32_t baud = 9600;
    TParity parity = TParity::None;
};

// How the end of an answer is recognised.
enum class ReplyEnd { Gap, HartLength, ModbusLength };

enum class ExchangeStatus {
    Complete, // the answer is in `reply`
    TimedOut, // no answer, or an incomplete one (what arrived is in `reply`)
    PortLost, // the line went away (an unplugged adapter); the port is closed
};

struct ExchangeResult {
    ExchangeStatus status = ExchangeStatus::TimedOut;
    std::vector<std::uint8_t> reply;
    // From handing the request to the port to the answer's completion.
    std::chrono::microseconds elapsed{0};
};

class ScriptLink {
public:
    // The serial component's inter-byte gap, which ends an answer without a length.
    static constexpr std::chrono::milliseconds AsciiGap{100};

    ScriptLink();
    ~ScriptLink();
    ScriptLink(const ScriptLink&) = delete;
    ScriptLink& operator=(const ScriptLink&) = delete;

    // Opens the port as the window does (8 data bits, one stop bit, no flow control); the
    // reason when it cannot.
    std::optional<std::string> Open(const LineSettings& line);
    void Close();
    bool IsOpen() const;
    // Changes speed and parity of the open port.
    void SetLine(std::uint32_t baud, TParity parity);

    // Sends `frame` and waits up to `timeout` for the first byte of the answer; an answer that
    // started gets the same time again to complete.
    ExchangeResult Exchange(std::span<const std::uint8_t> frame, ReplyEnd end,
                            std::chrono::milliseconds timeout);

    // Every frame sent (true) and every chunk received (false), for a traffic trace.
    std::function<void(bool sent, std::span<const std::uint8_t> bytes)> OnTraffic;

private:
    void Drain();
    bool Complete(ReplyEnd end, std::chrono::steady_clock::time_point lastByte) const;

    TComm comm;
    std::vector<std::uint8_t> received;
    std::chrono::steady_clock::time_point lastChunk;
    bool lost = false;
};
