// A network port's cost: the module's communication query through ser2net over RFC 2217
// on the loopback address, against the same query on the simulator's pseudo-terminal, in
// the same run (alternating rounds, so both see the same machine load).

#include "bench/BenchUtil.h"
#include "config/ConfigFrames.h"
#include "serial/TComm.h"
#include "tests/e2e/SimProcess.h"
#include "tests/serial/CommOwner.h"
#include "tests/serial/Ser2net.h"

#include <chrono>
#include <cstdio>
#include <vector>

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

// Milliseconds from the query's write to its answer's chunk, one per exchange; empty when
// the port does not open or an answer does not come.
std::vector<double> Exchanges(const std::string& port, int count) {
    TComm comm;
    ConfigureLikeTheWindow(comm, port);
    comm.SetReadIntervalTimeout(5); // the same gap on both ports ends each answer
    std::size_t received = 0;
    comm.OnReceiveData = [&](TComm*, const std::uint8_t*, std::uint16_t n) { received += n; };
    try {
        comm.OpenPort();
    } catch (const ECommsError& e) {
        std::fprintf(stderr, "bench_net: cannot open %s: %s\n", port.c_str(),
                     OpenFailureText(e).c_str());
        return {};
    }
    const FrameResult query = CommunicationQuery();
    std::vector<double> ms;
    for (int i = 0; i < count; ++i) {
        received = 0;
        const auto start = Clock::now();
        comm.WriteData(query.bytes.data(), static_cast<std::uint16_t>(query.bytes.size()));
        if (!PumpNotifications(
                comm, [&] { return received >= 5; }, 2000ms))
            return {};
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    comm.ClosePort();
    return ms;
}

} // namespace

int main() {
    if (!Ser2netInstalled()) {
        std::fprintf(stderr, "bench_net: ser2net is not installed (Debian package ser2net)\n");
        return 0;
    }
    SimProcess sim({"--turnaround-ms", "0", "--frame-gap-ms", "5"});
    Ser2net server(sim.link);
    if (server.Url().empty()) {
        std::fprintf(stderr, "bench_net: ser2net did not come up\n");
        return 1;
    }
    // Rounds of one port then the other, so that a busy moment of the machine weighs on
    // both sides alike.
    std::vector<double> pty, net;
    for (int round = 0; round < 10; ++round) {
        const auto local = Exchanges(sim.link, 20);
        const auto remote = Exchanges(server.Url(), 20);
        if (local.empty() || remote.empty())
            return 1;
        pty.insert(pty.end(), local.begin(), local.end());
        net.insert(net.end(), remote.begin(), remote.end());
    }
    Report("rfc2217_exchange_ms", Median(net), "ms");
    Report("pty_exchange_ms", Median(pty), "ms");
    Report("rfc2217_latency_over_pty_ms", Median(net) - Median(pty), "ms");
    return 0;
}
