#include "link/ScriptLink.h"

#include "hart/HartReplyLength.h"
#include "tools/ModbusRegisters.h"

#include <algorithm>
#include <poll.h>

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

ScriptLink::ScriptLink() {
    // 8N1 without flow control: 0x11 and 0x13 are data, DTR and RTS stay low.
    comm.SetOutx_XonXoffFlow(false);
    comm.SetInx_XonXoffFlow(false);
    comm.SetDtrControl(TDtrControl::DtrDisable);
    comm.SetRtsControl(TRtsControl::RtsDisable);
    // Every byte is handed over as soon as the line pauses for a moment; the answer's end is
    // decided here, by its length or by AsciiGap.
    comm.SetReadIntervalTimeout(0);
    comm.SetMaxQueuedChunks(QueuedChunks);
    comm.OnReceiveData = [this](TComm*, const std::uint8_t* bytes, std::uint16_t length) {
        lastChunk = Clock::now();
        const std::size_t room = KeptBytes - std::min(KeptBytes, received.size());
        const std::size_t kept = std::min<std::size_t>(room, length);
        droppedBytes += length - kept;
        if (kept == 0) {
            return;
        }
        received.insert(received.end(), bytes, bytes + kept);
        if (OnTraffic) {
            OnTraffic(false, std::span(bytes, kept));
        }
    };
    comm.OnRequestHangup = [this](TComm*) { lost = true; };
}

ScriptLink::~ScriptLink() = default;

std::optional<std::string> ScriptLink::Open(const LineSettings& line) {
    comm.SetCommName(line.port);
    comm.SetBaudRate(line.baud);
    comm.SetParity(line.parity);
    comm.SetParityCheck(line.parity != TParity::None);
    lost = false;
    try {
        comm.OpenPort();
    } catch (const ECommsError& error) {
        const std::string cause = OpenFailureText(error);
        return cause == error.what() ? cause : std::string(error.what()) + ": " + cause;
    }
    return std::nullopt;
}

void ScriptLink::Close() {
    comm.ClosePort();
}

bool ScriptLink::IsOpen() const {
    return comm.IsOpen() && !lost;
}

void ScriptLink::SetLine(std::uint32_t baud, TParity parity) {
    comm.SetParity(parity);
    comm.SetParityCheck(parity != TParity::None);
    comm.SetBaudRate(baud);
}

void ScriptLink::Drain() {
    comm.DispatchNotifications();
}

bool ScriptLink::Complete(ReplyEnd end, Clock::time_point lastByte) const {
    if (received.empty()) {
        return false;
    }
    std::optional<std::size_t> length;
    switch (end) {
    case ReplyEnd::Gap:
        return Clock::now() - lastByte >= AsciiGap;
    case ReplyEnd::HartLength:
        length = HartFrameLength(received);
        break;
    case ReplyEnd::ModbusLength:
        length = ModbusReplyLength(received);
        break;
    }
    return length && received.size() >= *length;
}

ExchangeResult ScriptLink::Exchange(std::span<const std::uint8_t> frame, ReplyEnd end,
                                    milliseconds timeout) {
    ExchangeResult result;
    if (!IsOpen()) {
        result.status = ExchangeStatus::PortLost;
        return result;
    }
    // Whatever arrived late for an earlier request is not part of this answer.
    Drain();
    received.clear();
    droppedBytes = 0;
    const std::size_t chunksDroppedBefore = comm.DroppedChunks();
    const Clock::time_point start = Clock::now();
    if (OnTraffic) {
        OnTraffic(true, frame);
    }
    if (!comm.WriteData(frame.data(), static_cast<std::uint16_t>(frame.size()))) {
        result.status = ExchangeStatus::PortLost;
        return result;
    }
    Clock::time_point deadline = start + timeout;
    bool started = false;
    while (!lost) {
        if (Complete(end, lastChunk)) {
            result.status = ExchangeStatus::Complete;
            break;
        }
        if (!started && !received.empty()) {
            started = true;
            deadline = Clock::now() + timeout;
        }
        const Clock::time_point now = Clock::now();
        if (now >= deadline) {
            break;
        }
        auto wait = std::chrono::duration_cast<milliseconds>(deadline - now) + milliseconds(1);
        if (end == ReplyEnd::Gap && !received.empty()) {
            wait = std::min(wait,
                            std::chrono::duration_cast<milliseconds>(lastChunk + AsciiGap - now) +
                                milliseconds(1));
        }
        pollfd ready{comm.NotificationDescriptor(), POLLIN, 0};
        if (poll(&ready, 1, static_cast<int>(std::max<long long>(wait.count(), 0))) > 0) {
            comm.DispatchNotifications();
        }
    }
    result.elapsed = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start);
    if (lost) {
        comm.ClosePort();
        result.status = ExchangeStatus::PortLost;
    }
    if (result.status == ExchangeStatus::Complete && end != ReplyEnd::Gap) {
        // Bytes past the answer's own length belong to nothing asked.
        const std::size_t length = *(end == ReplyEnd::HartLength ? HartFrameLength(received)
                                                                 : ModbusReplyLength(received));
        received.resize(length);
    }
    result.reply = received;
    result.droppedBytes = droppedBytes;
    result.droppedChunks = comm.DroppedChunks() - chunksDroppedBefore;
    if (OnDropped && (result.droppedBytes > 0 || result.droppedChunks > 0)) {
        OnDropped(DroppedText(result));
    }
    return result;
}

std::string DroppedText(const ExchangeResult& result) {
    std::string text;
    if (result.droppedBytes > 0) {
        text = std::to_string(result.droppedBytes) + " bytes dropped";
    }
    if (result.droppedChunks > 0) {
        text += (text.empty() ? "" : ", ") + std::to_string(result.droppedChunks) +
                " chunks dropped unread";
    }
    return text;
}
