// talmire-cli against talmire-sim paced at line speed: a whole-module profile read against
// the time its bytes need on the wire, one MODBUS and one HART read over their wire time
// (beside a bare reader on the same line as the baseline), and a MODBUS scan of every slave
// address.

#include "bench/BenchUtil.h"
#include "hart/HartFrames.h"
#include "hart/HartReplies.h"
#include "hart/HartReplyLength.h"
#include "link/ScriptLink.h"
#include "tests/e2e/SimProcess.h"
#include "tools/ModbusRegisters.h"

#include <algorithm>
#include <chrono>
#include <fcntl.h>
#include <functional>
#include <poll.h>
#include <sstream>
#include <termios.h>
#include <thread>

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

namespace {

constexpr double Baud = 9600;
constexpr double GapSeconds = 0.1; // the serial component's inter-byte gap
// The simulator ends a received frame after this silence, as a MODBUS device does after
// 3.5 characters (3.6 ms at 9600 baud).
constexpr int FrameGapMs = 4;
// The simulated module waits this long before it answers (its own turnaround).
constexpr double TurnaroundSeconds = 0.005;
// What the line and the module take for an answer of `bytes`: the frame gap that ends the
// request, the module's turnaround and the answer at line speed. On a pseudo-terminal the
// request itself arrives at once, and the simulator writes its answer in pieces of eight
// bytes paced at line speed, so the last piece is there (bytes - last piece) byte times after
// the first.
double AnswerSeconds(std::size_t bytes) {
    constexpr std::size_t Piece = 8;
    const std::size_t last = bytes % Piece == 0 ? Piece : bytes % Piece;
    return FrameGapMs / 1000.0 + TurnaroundSeconds +
           static_cast<double>(bytes - std::min(bytes, last)) * 10.0 / Baud;
}

double WireSeconds(std::size_t bytes, double baud = Baud) {
    return static_cast<double>(bytes) * 10.0 / baud;
}

double Since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

struct CliRun {
    int status = -1;
    std::string err;
    double seconds = 0;
};

// Runs talmire-cli with stdout discarded and stderr kept.
CliRun RunCli(std::vector<std::string> args) {
    args.insert(args.begin(), TALMIRE_CLI);
    int errPipe[2];
    if (pipe(errPipe) != 0)
        return {};
    const auto start = Clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        dup2(errPipe[1], STDERR_FILENO);
        ::close(errPipe[0]);
        ExecProgram(std::move(args));
    }
    ::close(errPipe[1]);
    CliRun run;
    char buffer[4096];
    for (ssize_t n; (n = ::read(errPipe[0], buffer, sizeof buffer)) > 0;)
        run.err.append(buffer, static_cast<std::size_t>(n));
    ::close(errPipe[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    run.seconds = Since(start);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

void ProfileRead() {
    SimProcess sim({"--frame-gap-ms", std::to_string(FrameGapMs)});
    std::vector<double> seconds, ratios, wires;
    for (int i = 0; i < 5; ++i) {
        const CliRun run = RunCli({"--port", sim.link, "--verbose", "profile", "read", "-"});
        if (run.status != 0) {
            const std::size_t last = run.err.rfind('\n', run.err.size() - 2);
            std::fprintf(stderr, "profile read failed: %s",
                         run.err.substr(last == std::string::npos ? 0 : last + 1).c_str());
            return;
        }
        // The trace: ">> " and "<< " lines of hex pairs; one ">>" per exchange.
        std::size_t bytes = 0, exchanges = 0;
        std::istringstream lines(run.err);
        for (std::string line; std::getline(lines, line);) {
            if (line.starts_with(">> ") || line.starts_with("<< ")) {
                bytes += (line.size() - 3) / 3;
                exchanges += line.starts_with(">>") ? 1 : 0;
            }
        }
        const double wire = WireSeconds(bytes) + GapSeconds * static_cast<double>(exchanges);
        seconds.push_back(run.seconds);
        wires.push_back(wire);
        ratios.push_back(run.seconds / wire);
    }
    Report("profile_read_s", Median(seconds), "s");
    Report("profile_read_wire_s", Median(wires), "s");
    Report("profile_read_overhead_ratio", Median(ratios), "ratio");
}

// A bare reader on the line: raw termios, write, read until the answer's own length.
class BareLine {
public:
    explicit BareLine(const std::string& path) : fd(::open(path.c_str(), O_RDWR | O_NOCTTY)) {
        termios tio{};
        tcgetattr(fd, &tio);
        cfmakeraw(&tio);
        cfsetispeed(&tio, B9600);
        cfsetospeed(&tio, B9600);
        tcsetattr(fd, TCSANOW, &tio);
    }
    ~BareLine() { ::close(fd); }
    BareLine(const BareLine&) = delete;
    BareLine& operator=(const BareLine&) = delete;

    std::vector<std::uint8_t> Exchange(
        const std::vector<std::uint8_t>& frame,
        const std::function<std::optional<std::size_t>(std::span<const std::uint8_t>)>& length) {
        std::vector<std::uint8_t> reply;
        if (::write(fd, frame.data(), frame.size()) != static_cast<ssize_t>(frame.size()))
            return reply;
        const auto end = Clock::now() + 1s;
        while (Clock::now() < end) {
            const auto known = length(reply);
            if (known && reply.size() >= *known)
                break;
            pollfd p{fd, POLLIN, 0};
            if (poll(&p, 1, 100) <= 0)
                continue;
            std::uint8_t buffer[256];
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n > 0)
                reply.insert(reply.end(), buffer, buffer + n);
        }
        return reply;
    }

private:
    int fd;
};

// Median time from the request to the decoded answer beyond what the line and the module
// take (AnswerSeconds), for the tool's script link and for the bare reader.
template <typename Request> void Latency(const char* name, const char* bareName, Request request) {
    SimProcess sim({"--frame-gap-ms", std::to_string(FrameGapMs)});
    std::vector<double> tool, bare;
    // Blocks of the two readers in turn, so that both meet the same load on the machine.
    for (int block = 0; block < 8; ++block) {
        {
            BareLine line(sim.link);
            for (int i = 0; i < 5; ++i) {
                const auto [seconds, replyBytes] = request(nullptr, &line);
                bare.push_back(seconds - AnswerSeconds(replyBytes));
                std::this_thread::sleep_for(10ms);
            }
        }
        ScriptLink link;
        if (link.Open({sim.link, 9600, TParity::None}))
            return;
        for (int i = 0; i < 5; ++i) {
            const auto [seconds, replyBytes] = request(&link, nullptr);
            tool.push_back(seconds - AnswerSeconds(replyBytes));
            std::this_thread::sleep_for(10ms);
        }
    }
    Report(name, Median(tool) * 1000, "ms");
    Report(bareName, Median(bare) * 1000, "ms");
}

std::pair<double, std::size_t> ModbusRead(ScriptLink* link, BareLine* bare) {
    const auto frame = ModbusReadFrame(1, 0, 10);
    const auto start = Clock::now();
    const std::vector<std::uint8_t> reply =
        link ? link->Exchange(frame, ReplyEnd::ModbusLength, 1000ms).reply
             : bare->Exchange(frame, [](auto r) { return ModbusReplyLength(r); });
    const ModbusReadReply parsed = ParseModbusReadReply(reply, 1, 10);
    const auto values = DecodeRegisters(parsed.registers, 0, RegisterType::F32, ByteOrder::ABCD);
    const double seconds = Since(start);
    return {values.size() == 5 ? seconds : 1.0, reply.size()};
}

HartIdentity Identity(const std::string& link) {
    ScriptLink script;
    script.Open({link, 9600, TParity::None});
    const auto reply =
        script.Exchange(HartIdentityQuery("5", 0, 0).bytes, ReplyEnd::HartLength, 1000ms).reply;
    return DecodeIdentityReply(reply).value_or(HartIdentity{});
}

} // namespace

int main() {
    ProfileRead();
    Latency("modbus_read_latency_over_wire_ms", "modbus_read_bare_latency_over_wire_ms",
            ModbusRead);
    HartIdentity identity;
    {
        SimProcess sim;
        identity = Identity(sim.link);
    }
    Latency("hart_read_latency_over_wire_ms", "hart_read_bare_latency_over_wire_ms",
            [&](ScriptLink* link, BareLine* bare) -> std::pair<double, std::size_t> {
                const auto frame = HartDynamicVariablesQuery("5", 0, identity).bytes;
                const auto start = Clock::now();
                const std::vector<std::uint8_t> reply =
                    link ? link->Exchange(frame, ReplyEnd::HartLength, 1000ms).reply
                         : bare->Exchange(frame, [](auto r) { return HartFrameLength(r); });
                const auto decoded = DecodeDynamicVariablesReply(reply);
                const double seconds = Since(start);
                return {decoded ? seconds : 1.0, reply.size()};
            });
    {
        SimProcess sim({"--baud", "19200", "--frame-gap-ms", "2"});
        const CliRun run = RunCli({"--port", sim.link, "--baud", "19200", "scan", "modbus"});
        Report("scan_modbus_s", run.status == 0 ? run.seconds : -1, "s");
    }
    return 0;
}
