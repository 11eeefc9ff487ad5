#pragma once

// What every command shares: the exit statuses, the line to the module opened from the
// global options, the exchanges by kind of answer, and the output in plain text or JSON.

#include "link/ScriptLink.h"

#include <QJsonObject>
#include <QString>

#include <chrono>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

enum ExitStatus : int {
    ExitOk = 0,
    ExitDeviceError = 1, // the device answered with an error, or a difference was found
    ExitUsage = 2,
    ExitNoAnswer = 3,
    ExitPort = 4, // the port cannot be opened or was lost
};

// Ends a command with a status and a diagnostic for stderr.
class CliFailure : public std::runtime_error {
public:
    CliFailure(int status, const std::string& message)
        : std::runtime_error(message), status(status) {}
    int status;
};

struct GlobalOptions {
    LineSettings line;
    std::chrono::milliseconds timeout{1000};
    bool timeoutGiven = false;
    bool json = false;
    bool verbose = false;
};

class CliSession {
public:
    explicit CliSession(GlobalOptions options);

    const GlobalOptions& Options() const { return options; }
    // Opens the port on first use; CliFailure(ExitPort) when it cannot.
    ScriptLink& Link();
    void SetLine(std::uint32_t baud, TParity parity);
    void SetTimeout(std::chrono::milliseconds timeout) { options.timeout = timeout; }

    // An ASCII configuration exchange: the answer as text.
    std::string Ascii(const std::vector<std::uint8_t>& frame);
    std::string Ascii(const std::vector<std::uint8_t>& frame, std::chrono::milliseconds timeout);
    // A HART exchange: the instrument's frame, checksum and response code checked
    // (CliFailure(ExitDeviceError) otherwise).
    std::vector<std::uint8_t> Hart(const std::vector<std::uint8_t>& frame);
    // An exchange whose answer ends by its own length; no answer gives CliFailure(ExitNoAnswer).
    ExchangeResult Exchange(const std::vector<std::uint8_t>& frame, ReplyEnd end,
                            std::chrono::milliseconds timeout);

    // The command's result: one JSON document on one line, or the plain lines; repeated
    // output calls it once per row (JSON lines).
    void Print(const QJsonObject& json, const std::string& plain) const;

private:
    GlobalOptions options;
    ScriptLink link;
    bool opened = false;
};

// "interface.type = 1 (RS485)" lines and {"key": {"value", "label"}} objects.
struct ProfileSetting;
QJsonObject SettingsJson(const std::vector<ProfileSetting>& settings);
std::string SettingsText(const std::vector<ProfileSetting>& settings);
