#include "link/MonitorSampler.h"

#include "hart/HartFrames.h"
#include "hart/HartReplies.h"
#include "hart/HartUnits.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <future>
#include <limits>
#include <utility>

using Clock = std::chrono::steady_clock;

namespace {

constexpr int MasterMode = 0; // "Master Mode(82)"
constexpr std::array<const char*, 4> VariableNames{"PV", "SV", "TV", "QV"};

MonitorSample Failed(std::string why) {
    MonitorSample sample;
    sample.failure = std::move(why);
    return sample;
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    return text;
}

// Why a HART answer cannot be used: empty when its checksum holds and the instrument
// reports no error.
std::string HartAnswerProblem(const ExchangeResult& result) {
    if (result.status != ExchangeStatus::Complete)
        return result.status == ExchangeStatus::PortLost ? "the port went away" : "no answer";
    std::span<const std::uint8_t> body(result.reply);
    while (!body.empty() && body.front() == 0xFF)
        body = body.subspan(1);
    if (body.size() < 2 || HartChecksum(body.first(body.size() - 1)) != body.back())
        return "bad HART checksum";
    // The response code follows the byte count, after a long (5 bytes) or short address.
    const std::size_t status = 1 + ((body[0] & 0x80) != 0 ? 5U : 1U) + 2;
    if (status < body.size() - 1 && body[status] != 0)
        return "HART response code " + std::to_string(body[status]);
    return {};
}

MonitorSample ReadHart(ScriptLink& line, const MonitorRequest& request,
                       std::optional<HartIdentity>& identity, std::chrono::milliseconds timeout) {
    if (!identity) {
        const FrameResult query =
            HartIdentityQuery(request.preambles, MasterMode, request.hartAddress);
        if (!query.ok())
            return Failed(query.message);
        const ExchangeResult result = line.Exchange(query.bytes, ReplyEnd::HartLength, timeout);
        if (std::string problem = HartAnswerProblem(result); !problem.empty())
            return Failed("command 0: " + problem);
        identity = DecodeIdentityReply(result.reply);
        if (!identity)
            return Failed("command 0: no identity in the answer");
    }
    const FrameResult query = HartDynamicVariablesQuery(request.preambles, MasterMode, *identity);
    if (!query.ok())
        return Failed(query.message);
    const ExchangeResult result = line.Exchange(query.bytes, ReplyEnd::HartLength, timeout);
    if (std::string problem = HartAnswerProblem(result); !problem.empty())
        return Failed("command 3: " + problem);
    const std::optional<DynamicVariablesReply> decoded = DecodeDynamicVariablesReply(result.reply);
    if (!decoded)
        return Failed("command 3: no variables in the answer");
    MonitorSample sample;
    sample.ok = true;
    for (std::size_t k = 0; k < decoded->variables.size(); ++k) {
        const auto unit = static_cast<std::size_t>(decoded->variables[k].unitIndex);
        sample.channels.push_back({VariableNames.at(k), std::string(Trimmed(UnitItems()[unit]))});
        sample.values.push_back(decoded->numbers[k]);
    }
    return sample;
}

MonitorSample ReadModbus(ScriptLink& line, const MonitorRequest& request,
                         std::chrono::milliseconds timeout) {
    const ExchangeResult result =
        line.Exchange(ModbusReadFrame(request.slave, request.start, request.count),
                      ReplyEnd::ModbusLength, timeout);
    if (result.status != ExchangeStatus::Complete)
        return Failed(result.status == ExchangeStatus::PortLost ? "the port went away"
                                                                : "no answer");
    const ModbusReadReply reply = ParseModbusReadReply(result.reply, request.slave, request.count);
    switch (reply.status) {
    case ModbusReadReply::Status::Ok:
        break;
    case ModbusReadReply::Status::Exception:
        return Failed("MODBUS exception " + std::to_string(reply.exceptionCode));
    case ModbusReadReply::Status::BadCrc:
        return Failed("bad CRC");
    case ModbusReadReply::Status::Malformed:
        return Failed("not an answer to the read");
    }
    MonitorSample sample;
    sample.ok = true;
    for (const RegisterValue& value : DecodeRegisters(
             reply.registers, request.numberBase + request.start, request.type, request.order)) {
        sample.channels.push_back(
            {"r" + std::to_string(value.address), std::string(RegisterTypeName(request.type))});
        sample.values.push_back(value.number);
    }
    return sample;
}

} // namespace

MonitorSample ReadMonitorSample(ScriptLink& line, const MonitorRequest& request,
                                std::optional<HartIdentity>& identity,
                                std::chrono::milliseconds timeout) {
    return request.kind == MonitorRequest::Kind::Hart ? ReadHart(line, request, identity, timeout)
                                                      : ReadModbus(line, request, timeout);
}

std::string IsoTime(std::chrono::system_clock::time_point time) {
    const auto since = time.time_since_epoch();
    const auto seconds = std::chrono::floor<std::chrono::seconds>(since);
    const auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(since - seconds);
    const std::time_t whole = static_cast<std::time_t>(seconds.count());
    std::tm utc{};
    gmtime_r(&whole, &utc);
    char text[96];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + 1900,
                  utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec,
                  static_cast<int>(millis.count()));
    return text;
}

namespace {

// A cell as CSV needs it: quoted when it holds a separator, a quote or a line break.
std::string CsvCell(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (const char c : text)
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

std::string CsvHeader(std::span<const MonitorChannel> channels) {
    std::string header = "time_s,time";
    for (const MonitorChannel& channel : channels)
        header +=
            "," + CsvCell(channel.name + (channel.unit.empty() ? "" : " [" + channel.unit + "]"));
    return header + ",failure\n";
}

} // namespace

std::string MonitorCsv::Row(const MonitorSample& sample) const {
    char cell[64];
    std::snprintf(cell, sizeof cell, "%.3f", sample.seconds);
    std::string row = cell;
    row += "," + IsoTime(sample.time);
    for (std::size_t i = 0; i < columns; ++i) {
        row += ",";
        if (sample.ok && i < sample.values.size() && !std::isnan(sample.values[i])) {
            std::snprintf(cell, sizeof cell, "%.9g", sample.values[i]);
            row += cell;
        }
    }
    return row + "," + (sample.ok ? std::string() : CsvCell(sample.failure)) + "\n";
}

std::string MonitorCsv::Add(std::span<const MonitorSample> taken) {
    std::string text;
    for (const MonitorSample& sample : taken) {
        if (!headerWritten && !sample.ok) {
            if (pending.size() < PendingLimit)
                pending.push_back(sample);
            else
                ++unwritten;
            continue;
        }
        if (!headerWritten) {
            text += CsvHeader(sample.channels);
            columns = sample.channels.size();
            headerWritten = true;
            for (const MonitorSample& waiting : pending)
                text += Row(waiting);
            pending.clear();
        }
        text += Row(sample);
    }
    return text;
}

std::string MonitorCsv::Finish() {
    if (headerWritten)
        return {};
    std::string text = CsvHeader({});
    for (const MonitorSample& waiting : pending)
        text += Row(waiting);
    pending.clear();
    headerWritten = true;
    return text;
}

MonitorSampler::~MonitorSampler() {
    Stop();
}

std::optional<std::string> MonitorSampler::Start(const LineSettings& line,
                                                 const MonitorRequest& request,
                                                 std::chrono::milliseconds interval,
                                                 std::chrono::milliseconds timeout) {
    Stop();
    cancel = false;
    finished = false;
    {
        const std::lock_guard lock(mutex);
        samples.clear();
        ended.clear();
    }
    // The port is opened, used and closed on the worker thread alone. The promise moves
    // into the thread: Start may return (and its frame go) while set_value still runs.
    std::promise<std::optional<std::string>> opened;
    std::future<std::optional<std::string>> openResult = opened.get_future();
    worker =
        std::thread([this, line, request, interval, timeout, opened = std::move(opened)]() mutable {
            ScriptLink port;
            std::optional<std::string> failure = port.Open(line);
            const bool open = !failure;
            opened.set_value(std::move(failure));
            if (open)
                Run(port, request, interval, timeout);
            port.Close();
            finished = true;
        });
    std::optional<std::string> failure = openResult.get();
    if (failure)
        Stop();
    return failure;
}

void MonitorSampler::Run(ScriptLink& port, const MonitorRequest& request,
                         std::chrono::milliseconds interval, std::chrono::milliseconds timeout) {
    std::optional<HartIdentity> identity;
    const Clock::time_point start = Clock::now();
    Clock::time_point due = start;
    while (!cancel) {
        const Clock::time_point begun = Clock::now();
        const auto wall = std::chrono::system_clock::now();
        MonitorSample sample = ReadMonitorSample(port, request, identity, timeout);
        sample.seconds = std::chrono::duration<double>(begun - start).count();
        sample.time = wall;
        const bool lost = !port.IsOpen();
        std::unique_lock lock(mutex);
        samples.push_back(std::move(sample));
        if (lost) {
            ended = "the port went away";
            return;
        }
        // A read that overran its interval delays the next one instead of starting a burst.
        due = std::max(due + interval, Clock::now());
        wake.wait_until(lock, due, [this] { return cancel.load(); });
    }
}

void MonitorSampler::Cancel() {
    {
        const std::lock_guard lock(mutex);
        cancel = true;
    }
    wake.notify_all();
}

void MonitorSampler::Stop() {
    Cancel();
    if (worker.joinable())
        worker.join();
}

std::vector<MonitorSample> MonitorSampler::Take() {
    const std::lock_guard lock(mutex);
    return std::exchange(samples, {});
}

std::string MonitorSampler::Ended() const {
    const std::lock_guard lock(mutex);
    return ended;
}
