#pragma once

// The live monitor's engine: on a thread of its own it opens the line, repeats one read
// (HART command 3 of an instrument, or a MODBUS holding-register read) at a fixed interval
// and keeps every sample until its owner takes them. The owner never waits on the line:
// Start returns once the port is open (or could not be), Take hands over what arrived, and
// Stop cancels the read in progress and closes the port.

#include "hart/HartIdentity.h"
#include "link/ScriptLink.h"
#include "tools/ModbusRegisters.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

struct MonitorRequest {
    enum class Kind { Hart, Modbus };
    Kind kind = Kind::Hart;
    // HART: the instrument's polling address (0-15) and the preamble length as typed.
    int hartAddress = 0;
    std::string preambles = "5";
    // MODBUS: what is read, and how the registers make values.
    std::uint8_t slave = 1;
    std::uint16_t start = 0;
    std::uint16_t count = 1;
    RegisterType type = RegisterType::U16;
    ByteOrder order = ByteOrder::ABCD;
    // The number a channel's name gives protocol address 0: 0, or 40001 where registers are
    // numbered as the window's MODBUS page numbers them.
    int numberBase = 0;
};

// One plotted quantity: "PV" ... "QV" with the instrument's unit, or "r40" for a register.
struct MonitorChannel {
    std::string name;
    std::string unit;
    bool operator==(const MonitorChannel&) const = default;
};

struct MonitorSample {
    double seconds = 0;                         // since the first read
    std::chrono::system_clock::time_point time; // when the read began
    bool ok = false;
    std::vector<MonitorChannel> channels; // of a read that succeeded
    std::vector<double> values;           // one per channel; NaN where the device has none
    std::string failure;                  // why a read failed
};

// One read on `line`: the request's frame, its answer decoded. A HART read first asks the
// instrument's identity (command 0) into `identity` and keeps it for the reads after.
MonitorSample ReadMonitorSample(ScriptLink& line, const MonitorRequest& request,
                                std::optional<HartIdentity>& identity,
                                std::chrono::milliseconds timeout);

// A moment as ISO 8601 in UTC with milliseconds: "2026-12-10T13:09:26.123Z".
std::string IsoTime(std::chrono::system_clock::time_point time);

// The CSV the monitor records, the window's and the command line's: a header naming the
// channels with their units ("time_s,time,PV [mA],SV [degC],failure"), then one row a read:
// the seconds since the first read, the time of day, the values as plain numbers, and why
// the read failed (its values then empty). The header names the channels of the first read
// that answered; failed reads before it wait for it, at most PendingLimit of them (later
// ones are counted in Unwritten()).
class MonitorCsv {
public:
    static constexpr std::size_t PendingLimit = 1000;

    // The text to append for `taken`.
    std::string Add(std::span<const MonitorSample> taken);
    // The text to append when the recording ends: without any answer, a header without
    // channels and the failed reads that waited for one.
    std::string Finish();
    std::size_t Unwritten() const { return unwritten; }

private:
    std::string Row(const MonitorSample& sample) const;

    bool headerWritten = false;
    std::size_t columns = 0;
    std::vector<MonitorSample> pending;
    std::size_t unwritten = 0;
};

class MonitorSampler {
public:
    MonitorSampler() = default;
    ~MonitorSampler();
    MonitorSampler(const MonitorSampler&) = delete;
    MonitorSampler& operator=(const MonitorSampler&) = delete;

    // Opens `line` and starts reading every `interval` (0: each read as soon as the last one
    // ended); the reason when the port does not open.
    std::optional<std::string> Start(const LineSettings& line, const MonitorRequest& request,
                                     std::chrono::milliseconds interval,
                                     std::chrono::milliseconds timeout);
    // Asks the reads to end without waiting: the one in progress ends at its answer or its
    // time-out, then the port is closed and Finished() turns true.
    void Cancel();
    bool Finished() const { return finished; }
    // Cancel, and wait until the port is closed.
    void Stop();
    bool Running() const { return worker.joinable(); }
    // The samples taken since the last call, oldest first.
    std::vector<MonitorSample> Take();
    // Why the reads ended by themselves (the port went away); empty while they go on.
    std::string Ended() const;

private:
    void Run(ScriptLink& port, const MonitorRequest& request, std::chrono::milliseconds interval,
             std::chrono::milliseconds timeout);

    std::thread worker;
    std::atomic<bool> cancel{false};
    std::atomic<bool> finished{false};
    mutable std::mutex mutex;
    std::condition_variable wake;
    std::vector<MonitorSample> samples;
    std::string ended;
};
