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
    // Bytes that came after `reply` held ScriptLink::KeptBytes (a flooding line), and chunks
    // the port's queue dropped unread while the line ran ahead of the reader: neither is in
    // `reply`.
    std::size_t droppedBytes = 0;
    std::size_t droppedChunks = 0;
};

// What a result dropped, for a message or a trace: "123456 bytes dropped" (and the chunks),
// empty when nothing was.
std::string DroppedText(const ExchangeResult& result);

class ScriptLink {
public:
    // The serial component's inter-byte gap, which ends an answer without a length.
    static constexpr std::chrono::milliseconds AsciiGap{100};
    // The longest answer any request gets: a HART frame (at most 20 preambles, a long
    // address, 255 data bytes), a MODBUS RTU frame (256 bytes), a configuration answer
    // (well within the 404 bytes the window keeps of a chunk).
    static constexpr std::size_t LongestAnswer = 512;
    // What an exchange keeps of what arrives: the longest answer and room for what may come
    // before it (late bytes of an earlier answer, noise). The rest of a line that floods is
    // counted and dropped, so memory stays bounded however fast the line runs.
    static constexpr std::size_t KeptBytes = LongestAnswer + 4096;
    // Chunks that may wait for the reader (between exchanges nobody reads); further ones
    // drop the oldest.
    static constexpr std::size_t QueuedChunks = 16;

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
    // At the end of an exchange that dropped bytes or chunks, what DroppedText says, so the
    // trace shows the gap.
    std::function<void(const std::string& dropped)> OnDropped;

private:
    void Drain();
    bool Complete(ReplyEnd end, std::chrono::steady_clock::time_point lastByte) const;

    TComm comm;
    std::vector<std::uint8_t> received;
    std::size_t droppedBytes = 0;
    std::chrono::steady_clock::time_point lastChunk;
    bool lost = false;
};
