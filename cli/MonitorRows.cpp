#include "cli/MonitorRows.h"

#include <QJsonArray>

#include <cmath>
#include <cstdio>
#include <thread>

namespace {

volatile std::sig_atomic_t interrupted = 0;

void Interrupt(int) {
    interrupted = 1;
}

std::string Number(double value) {
    if (std::isnan(value))
        return "-";
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", value);
    return text;
}

} // namespace

MonitorRows::MonitorRows(const CliSession& session_, bool csv_, bool named_)
    : session(session_), csv(csv_), named(named_) {}

void MonitorRows::Add(const MonitorSample& sample) {
    ++reads;
    if (!sample.ok)
        ++failed;
    const std::string time = IsoTime(sample.time);
    QJsonObject json{{"t", sample.seconds}, {"time", QString::fromStdString(time)}};
    if (!sample.ok) {
        json.insert("failure", QString::fromStdString(sample.failure));
    } else {
        QJsonArray values;
        for (std::size_t i = 0; i < sample.values.size() && i < sample.channels.size(); ++i) {
            const QJsonValue value =
                std::isnan(sample.values[i]) ? QJsonValue() : QJsonValue(sample.values[i]);
            values.append(named ? QJsonValue(QJsonObject{
                                      {"name", QString::fromStdString(sample.channels[i].name)},
                                      {"value", value},
                                      {"unit", QString::fromStdString(sample.channels[i].unit)}})
                                : value);
        }
        json.insert("values", values);
    }
    std::string plain;
    if (csv) {
        plain = csvRows.Add({&sample, 1});
    } else {
        if (sample.ok && sample.channels != shown) {
            shown = sample.channels;
            plain = "time_s time";
            for (const MonitorChannel& channel : shown)
                plain +=
                    " " + channel.name + (channel.unit.empty() ? "" : " [" + channel.unit + "]");
            plain += "\n";
        }
        char seconds[32];
        std::snprintf(seconds, sizeof seconds, "%.3f", sample.seconds);
        plain += std::string(seconds) + " " + time;
        if (sample.ok) {
            for (const double value : sample.values)
                plain += " " + Number(value);
        } else {
            plain += " failed: " + sample.failure;
        }
        plain += "\n";
    }
    if (session.Options().json || !plain.empty())
        session.Print(json, plain);
}

int MonitorRows::Finish() {
    if (!finished) {
        finished = true;
        if (csv && !session.Options().json) {
            const std::string rest = csvRows.Finish();
            std::fputs(rest.c_str(), stdout);
            std::fflush(stdout);
        }
        std::fprintf(stderr, "%zu reads, %zu failed\n", reads, failed);
        if (csvRows.Unwritten() > 0)
            std::fprintf(stderr, "%zu failed reads before the first answer are not in the CSV\n",
                         csvRows.Unwritten());
    }
    return reads > failed ? ExitOk : ExitNoAnswer;
}

InterruptWatch::InterruptWatch() {
    interrupted = 0;
    struct sigaction action {};
    action.sa_handler = Interrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &previousInt);
    sigaction(SIGTERM, &action, &previousTerm);
}

InterruptWatch::~InterruptWatch() {
    sigaction(SIGINT, &previousInt, nullptr);
    sigaction(SIGTERM, &previousTerm, nullptr);
}

bool InterruptWatch::Raised() const {
    return interrupted != 0;
}

bool InterruptWatch::SleepUntil(std::chrono::steady_clock::time_point due) const {
    using namespace std::chrono;
    while (!Raised()) {
        const auto now = steady_clock::now();
        if (now >= due)
            return true;
        std::this_thread::sleep_for(std::min<steady_clock::duration>(due - now, milliseconds(50)));
    }
    return false;
}
