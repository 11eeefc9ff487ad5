#include "commission/ModuleLine.h"

#include "commission/Progress.h"
#include "exchange/HexText.h"
#include "hart/HartFrames.h"

#include <utility>

void Progress::ThrowIfCancelled() const {
    if (Cancelled())
        throw ModuleFailure(FailureCancelled, "stopped");
}

ModuleLine::ModuleLine(LineSettings line_, std::chrono::milliseconds timeout_)
    : line(std::move(line_)), timeout(timeout_) {}

ScriptLink& ModuleLine::Link() {
    if (!opened) {
        if (line.port.empty())
            throw ModuleFailure(FailureUsage, "no port: give --port or set TALMIRE_PORT");
        if (const auto error = link.Open(line))
            throw ModuleFailure(FailurePort, "cannot open " + line.port + ": " + *error);
        opened = true;
    }
    return link;
}

void ModuleLine::Close() {
    link.Close();
    opened = false;
}

void ModuleLine::SetLine(std::uint32_t baud, TParity parity) {
    line.baud = baud;
    line.parity = parity;
    if (opened)
        link.SetLine(baud, parity);
}

ExchangeResult ModuleLine::Exchange(const std::vector<std::uint8_t>& frame, ReplyEnd end,
                                    std::chrono::milliseconds wait) {
    ExchangeResult result = Link().Exchange(frame, end, wait);
    if (result.status == ExchangeStatus::PortLost) {
        throw ModuleFailure(FailurePort, "the port " + line.port + " was lost");
    }
    if (result.status == ExchangeStatus::TimedOut) {
        const std::string dropped = DroppedText(result);
        throw ModuleFailure(FailureNoAnswer,
                            (result.reply.empty()
                                 ? "no answer within " + std::to_string(wait.count()) + " ms"
                                 : "incomplete answer: " + HexDumpHead(result.reply)) +
                                (dropped.empty() ? "" : " (" + dropped + ")"));
    }
    return result;
}

std::string ModuleLine::Ascii(const std::vector<std::uint8_t>& frame) {
    return Ascii(frame, timeout);
}

std::string ModuleLine::Ascii(const std::vector<std::uint8_t>& frame,
                              std::chrono::milliseconds wait) {
    const ExchangeResult result = Exchange(frame, ReplyEnd::Gap, wait);
    return {result.reply.begin(), result.reply.end()};
}

std::vector<std::uint8_t> ModuleLine::Hart(const std::vector<std::uint8_t>& frame) {
    std::vector<std::uint8_t> reply = Exchange(frame, ReplyEnd::HartLength, timeout).reply;
    std::size_t at = 0;
    while (at < reply.size() && reply[at] == 0xFF)
        ++at;
    const std::span<const std::uint8_t> body = std::span(reply).subspan(at);
    if (body.size() < 2 || HartChecksum(body.first(body.size() - 1)) != body.back())
        throw ModuleFailure(FailureDevice, "bad HART checksum: " + HexDumpHead(reply));
    // The first status byte follows the byte count; with bit 7 clear it is the command's
    // response code, with bit 7 set a communication error the instrument saw.
    const std::size_t address = (body[0] & 0x80) != 0 ? 5 : 1;
    const std::size_t status = 1 + address + 2;
    if (status < body.size() - 1 && body[status] != 0) {
        throw ModuleFailure(FailureDevice, "HART response code " + std::to_string(body[status]) +
                                               ": " + HexDumpHead(reply));
    }
    return reply;
}
