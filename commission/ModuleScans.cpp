#include "commission/ModuleScans.h"

#include "config/ConfigFrames.h"
#include "config/ConfigLists.h"
#include "hart/HartFrames.h"
#include "tools/ModbusRegisters.h"

#include <algorithm>
#include <cmath>
#include <set>

using std::chrono::microseconds;
using std::chrono::milliseconds;

namespace {

constexpr int MasterMode = 0; // "Master Mode(82)"

std::vector<std::uint8_t> Frame(const FrameResult& frame) {
    if (!frame.ok())
        throw ModuleFailure(FailureUsage, frame.message);
    return frame.bytes;
}

// Runs the probe, passing over an address whose exchange failed; a lost port or a request
// that cannot be built ends the scan.
ProbeAnswer Probe(const AddressProbe& probe, int address, milliseconds wait) {
    try {
        return probe(address, wait);
    } catch (const ModuleFailure& failure) {
        if (failure.status == FailurePort || failure.status == FailureUsage)
            throw;
    }
    return {};
}

} // namespace

std::vector<LineTry> AllLineTries() {
    std::vector<std::uint32_t> speeds{9600};
    for (const ItemText item : Rs485BaudItems) {
        if (item != "9600")
            speeds.push_back(static_cast<std::uint32_t>(std::stoul(std::string(item))));
    }
    std::vector<LineTry> tries;
    for (const std::uint32_t baud : speeds) {
        for (std::size_t parity = 0; parity < ParityItems.size(); ++parity)
            tries.push_back({baud, static_cast<TParity>(parity)});
    }
    return tries;
}

std::optional<LineTry> FindLine(ModuleLine& line, const std::vector<LineTry>& tries,
                                const std::function<void(const LineTry&, bool answered)>& tried,
                                const Progress& progress) {
    const int total = static_cast<int>(tries.size());
    for (int i = 0; i < total; ++i) {
        progress.ThrowIfCancelled();
        const LineTry& attempt = tries[static_cast<std::size_t>(i)];
        progress.Report(i, total, std::to_string(attempt.baud));
        line.SetLine(attempt.baud, attempt.parity);
        bool answered = false;
        try {
            line.Link();
            answered = line.Ascii(Frame(CommunicationQuery())).find("QV:") != std::string::npos;
        } catch (const ModuleFailure& failure) {
            if (failure.status != FailureNoAnswer)
                throw;
        }
        if (tried)
            tried(attempt, answered);
        if (answered) {
            progress.Report(total, total, "found");
            return attempt;
        }
    }
    return std::nullopt;
}

void ScanAddresses(int from, int to, const std::function<bool(int address)>& probe,
                   const std::function<void(int address)>& found, const Progress& progress) {
    ScanAddresses(
        from, to, ScanTiming{},
        [&](int address, milliseconds) {
            ProbeAnswer answer;
            answer.answered = probe(address);
            return answer;
        },
        found, progress);
}

void ScanAddresses(int from, int to, const ScanTiming& timing, const AddressProbe& probe,
                   const std::function<void(int address)>& found, const Progress& progress) {
    microseconds slowest{-1}; // the slowest turnaround of an answer at the full time-out
    std::size_t lineBytes = 0;
    std::set<int> confirmed;
    const auto counts = [&](int address, const ProbeAnswer& answer) {
        confirmed.insert(address);
        const microseconds wire = WireTime(answer.lineBytes, timing.baud, timing.parity);
        slowest = std::max(slowest, std::max(answer.elapsed - wire, microseconds{0}));
        lineBytes = std::max(lineBytes, answer.lineBytes);
        if (found)
            found(address);
    };
    const auto confirm = [&](int address) {
        if (address < from || address > to || confirmed.contains(address))
            return;
        const ProbeAnswer answer = Probe(probe, address, timing.timeout);
        if (answer.answered)
            counts(address, answer);
    };
    std::vector<int> order;
    if (timing.first && *timing.first >= from && *timing.first <= to)
        order.push_back(*timing.first);
    for (int address = from; address <= to; ++address) {
        if (order.empty() || address != order.front())
            order.push_back(address);
    }
    const int total = static_cast<int>(order.size());
    for (int step = 0; step < total; ++step) {
        const int address = order[static_cast<std::size_t>(step)];
        progress.ThrowIfCancelled();
        progress.Report(step, total, std::to_string(address));
        // Until a first answer there is no turnaround to go by.
        const milliseconds wait =
            timing.fast && slowest.count() >= 0
                ? FastScanWait(slowest, WireTime(lineBytes, timing.baud, timing.parity),
                               timing.timeout)
                : timing.timeout;
        const ProbeAnswer answer = Probe(probe, address, wait);
        if (timing.fast && answer.lateFrom)
            confirm(*answer.lateFrom);
        if (!answer.answered)
            continue;
        if (wait >= timing.timeout)
            counts(address, answer);
        else
            confirm(address);
    }
    progress.Report(total, total, "done");
}

microseconds WireTime(std::size_t bytes, std::uint32_t baud, TParity parity) {
    if (baud == 0)
        return microseconds{0};
    const std::uint64_t bits = bytes * (parity == TParity::None ? 10u : 11u);
    return microseconds{(bits * 1'000'000 + baud - 1) / baud};
}

milliseconds FastScanWait(microseconds turnaround, microseconds wire, milliseconds timeout) {
    const double wait =
        FastScanFactor * static_cast<double>(std::max(turnaround, microseconds{0}).count()) +
        static_cast<double>(std::max(wire, microseconds{0}).count());
    const auto ms = milliseconds{static_cast<long long>(std::ceil(wait / 1000.0))};
    return std::min(std::max(ms, FastScanFloor), timeout);
}

std::optional<HartIdentity> ProbeHart(ModuleLine& line, const std::string& preambles, int address) {
    return DecodeIdentityReply(line.Hart(Frame(HartIdentityQuery(preambles, MasterMode, address))));
}

ProbeAnswer ProbeHart(ModuleLine& line, const std::string& preambles, int address,
                      milliseconds wait, std::optional<HartIdentity>& identity) {
    identity.reset();
    const std::vector<std::uint8_t> frame =
        Frame(HartIdentityQuery(preambles, MasterMode, address));
    struct KeptTimeout {
        ModuleLine& line;
        milliseconds kept;
        ~KeptTimeout() { line.SetTimeout(kept); }
    } restore{line, line.Timeout()};
    line.SetTimeout(wait);
    const auto start = std::chrono::steady_clock::now();
    const std::vector<std::uint8_t> reply = line.Hart(frame);
    ProbeAnswer answer;
    answer.elapsed =
        std::chrono::duration_cast<microseconds>(std::chrono::steady_clock::now() - start);
    answer.lineBytes = frame.size() + reply.size();
    // A short frame's address byte carries the polling address the answer comes from.
    const auto body = std::find_if(reply.begin(), reply.end(), [](auto b) { return b != 0xFF; });
    if (reply.end() - body >= 2 && (*body & 0x80) == 0) {
        const int from = body[1] & 0x3F;
        if (from != address) {
            answer.lateFrom = from;
            return answer;
        }
    }
    identity = DecodeIdentityReply(reply);
    answer.answered = identity.has_value();
    return answer;
}

bool ProbeModbus(ModuleLine& line, int slave) {
    return ProbeModbus(line, slave, line.Timeout()).answered;
}

ProbeAnswer ProbeModbus(ModuleLine& line, int slave, milliseconds wait) {
    const auto frame = ModbusReadFrame(static_cast<std::uint8_t>(slave), 0, 1);
    const ExchangeResult result = line.Exchange(frame, ReplyEnd::ModbusLength, wait);
    const auto valid = [&](std::uint8_t from) {
        return ParseModbusReadReply(result.reply, from, 1).status !=
               ModbusReadReply::Status::Malformed;
    };
    ProbeAnswer answer;
    answer.elapsed = result.elapsed;
    answer.lineBytes = frame.size() + result.reply.size();
    answer.answered = valid(static_cast<std::uint8_t>(slave));
    if (!answer.answered && !result.reply.empty() && valid(result.reply[0]))
        answer.lateFrom = result.reply[0];
    return answer;
}
