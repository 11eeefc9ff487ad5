#pragma once

// What `monitor` prints, one row a read as it comes: the monitor's CSV, JSON lines or plain
// columns under a header that names each channel with its unit; a failed read is a row with
// its reason. At the end the count of reads and of failures goes to stderr.

#include "cli/CliSession.h"
#include "link/MonitorSampler.h"

#include <chrono>
#include <csignal>
#include <cstddef>

class MonitorRows {
public:
    // `csv`: the window's CSV layout; `named`: JSON values as {name, value, unit} objects
    // (HART variables) rather than plain numbers (registers).
    MonitorRows(const CliSession& session, bool csv, bool named);

    void Add(const MonitorSample& sample);
    // Writes what the output still owes and the counts; the exit status: ExitOk when a read
    // answered, ExitNoAnswer when none did.
    int Finish();

private:
    const CliSession& session;
    bool csv;
    bool named;
    MonitorCsv csvRows;
    std::vector<MonitorChannel> shown; // the channels of the plain header last printed
    std::size_t reads = 0;
    std::size_t failed = 0;
    bool finished = false;
};

// SIGINT and SIGTERM end the repeated reads at the next row instead of the process, so the
// counts are still reported. The previous handlers come back with the destructor.
class InterruptWatch {
public:
    InterruptWatch();
    ~InterruptWatch();
    InterruptWatch(const InterruptWatch&) = delete;
    InterruptWatch& operator=(const InterruptWatch&) = delete;

    bool Raised() const;
    // Waits until `due`; false as soon as an interrupt came.
    bool SleepUntil(std::chrono::steady_clock::time_point due) const;

private:
    struct sigaction previousInt {};
    struct sigaction previousTerm {};
};
