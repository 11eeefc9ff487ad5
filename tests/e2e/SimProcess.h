#pragma once

// talmire-sim as a child process on its own pseudo-terminal, stopped with the test.

#include <csignal>
#include <cstdio>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

// Replaces the calling (child) process with the program args[0]; 127 when it cannot start.
[[noreturn]] inline void ExecProgram(std::vector<std::string> args) {
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
}

class SimProcess {
public:
    // `fixedValues` false lets the instrument's values wander over time.
    explicit SimProcess(std::vector<std::string> extra = {}, bool fixedValues = true) {
        link = "/tmp/ttyTALMIRE-e2e-" + std::to_string(getpid());
        int out[2];
        if (pipe(out) != 0)
            return;
        pid = fork();
        if (pid == 0) {
            // A test that dies (a failed check, a sanitizer's report) takes the simulator
            // with it, instead of leaving it to hold the test runner's output open.
            prctl(PR_SET_PDEATHSIG, SIGTERM);
            if (getppid() == 1)
                _exit(127);
            dup2(out[1], STDOUT_FILENO);
            ::close(out[0]);
            std::vector<std::string> args = {TALMIRE_SIM, "--link", link};
            if (fixedValues)
                args.emplace_back("--fixed-values");
            args.insert(args.end(), extra.begin(), extra.end());
            ExecProgram(std::move(args));
        }
        ::close(out[1]);
        // Ready once it printed its line.
        char c = 0;
        while (::read(out[0], &c, 1) == 1 && c != '\n')
            ready += c;
        ::close(out[0]);
    }
    ~SimProcess() {
        if (pid > 0) {
            kill(pid, SIGTERM);
            int status = 0;
            waitpid(pid, &status, 0);
        }
    }
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    std::string link;
    std::string ready;
    pid_t pid = -1;
};
