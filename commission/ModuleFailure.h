#pragma once

// Why an exchange with the module, or a sequence of them, ended early. The statuses are the
// command-line tool's exit statuses, so it passes them on unchanged; all but
// FailureCancelled: only the window's Cancel stops a sequence, so the command line never
// exits with 5 (an interrupt ends it by its signal).

#include <stdexcept>
#include <string>

enum FailureStatus : int {
    FailureDevice = 1,    // the module answered with an error or something unexpected
    FailureUsage = 2,     // the request could not be built; nothing was sent
    FailureNoAnswer = 3,  // no answer, or an incomplete one
    FailurePort = 4,      // the port cannot be opened or was lost
    FailureCancelled = 5, // the user stopped it
    FailureFile = 6,      // a file cannot be read or written
    FailureInternal = 7,  // out of memory or another fault of the tool itself
};

class ModuleFailure : public std::runtime_error {
public:
    ModuleFailure(int status, const std::string& message)
        : std::runtime_error(message), status(status) {}
    int status;
};
