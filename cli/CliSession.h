#pragma once

// What every command shares: the exit statuses, the line to the module opened from the
// global options, the exchanges by kind of answer, and the output in plain text or JSON.

#include "commission/ModuleLine.h"
#include "commission/Progress.h"

#include <QJsonObject>
#include <QString>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

enum ExitStatus : int {
    ExitOk = 0,
    ExitDeviceError = FailureDevice, // the device answered with an error, or a difference
    ExitUsage = FailureUsage,
    ExitNoAnswer = FailureNoAnswer,
    ExitPort = FailurePort,         // the port cannot be opened or was lost
    ExitFile = FailureFile,         // a file cannot be read or written
    ExitInternal = FailureInternal, // out of memory or another fault of the tool
};

// `text` for a terminal: control characters other than a line end shown as \xNN, so that
// nothing a module or a file holds can move the cursor or change the terminal's state.
std::string Printable(const std::string& text);

// Ends a command with a status and a diagnostic for stderr.
using CliFailure = ModuleFailure;

struct GlobalOptions {
    LineSettings line;
    std::chrono::milliseconds timeout{1000};
    bool timeoutGiven = false;
    bool json = false;
    bool verbose = false;
};

// The line opened from the global options, and the output they ask for.
class CliSession : public ModuleLine {
public:
    explicit CliSession(GlobalOptions options);

    const GlobalOptions& Options() const { return options; }

    // The command's result: one JSON document on one line, or the plain lines; repeated
    // output calls it once per row (JSON lines).
    void Print(const QJsonObject& json, const std::string& plain) const;

    // A long command's progress on stderr while it is a terminal (and --verbose is not
    // writing frames there): "scan hart: address 3 (4 of 16), 0.8 s", rewritten in place and
    // cleared at the end. Nothing when stderr is a file or a pipe.
    Progress TerminalProgress(const std::string& label) const;
    // Clears a progress line a failure left behind, before its message.
    static void EndProgress();

private:
    GlobalOptions options;
};

// "interface.type = 1 (RS485)" lines and {"key": {"value", "label"}} objects.
struct ProfileSetting;
QJsonObject SettingsJson(const std::vector<ProfileSetting>& settings);
std::string SettingsText(const std::vector<ProfileSetting>& settings);
