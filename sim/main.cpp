// talmire-sim: the TALMIRE module and its HART instrument on a pseudo-terminal.

#include "sim/SimLine.h"
#include "sim/SimReport.h"

#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {
int stopPipe[2] = {-1, -1};
void OnSignal(int) {
    const char byte = 1;
    (void)!::write(stopPipe[1], &byte, 1);
}
} // namespace

int main(int argc, char** argv) {
    SimOptions options;
    bool help = false;
    if (!ParseSimOptions(argc, argv, options, help))
        return 2;
    if (help) {
        std::fputs(SimUsage().c_str(), stdout);
        return 0;
    }
    if (options.version) {
        std::printf("talmire-sim %s\n", TALMIRE_VERSION);
        return 0;
    }
    if (pipe(stopPipe) != 0)
        return 1;
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
    // A TCP client that goes away mid-reply fails the write instead of ending the program.
    signal(SIGPIPE, SIG_IGN);

    SimLine line(options);
    if (!line.Open())
        return line.OptionRefused() ? 2 : 1;
    std::printf("%s\n", ReadyLine(line.ToolPath(), line.Module(), line.Rs485Side()).c_str());
    std::fflush(stdout);
    return line.Run(stopPipe[0]);
}
