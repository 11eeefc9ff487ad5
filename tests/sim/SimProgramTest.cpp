// talmire-sim as a program: the exit status and message of each refused start, and one
// session that starts from a state file, says what it serves, and keeps its link against a
// second simulator asked for the same one.

#include "tests/e2e/SimProcess.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using namespace std::chrono_literals;

// A talmire-sim process with its stdout and stderr read apart.
class Sim {
public:
    explicit Sim(const std::vector<std::string>& args) {
        int out[2];
        int err[2];
        if (pipe(out) != 0 || pipe(err) != 0)
            return;
        pid = fork();
        if (pid == 0) {
            dup2(out[1], STDOUT_FILENO);
            dup2(err[1], STDERR_FILENO);
            std::vector<std::string> all{TALMIRE_SIM};
            all.insert(all.end(), args.begin(), args.end());
            ExecProgram(std::move(all));
        }
        ::close(out[1]);
        ::close(err[1]);
        outFd = out[0];
        errFd = err[0];
    }
    ~Sim() {
        if (pid > 0 && status < 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        for (int fd : {outFd, errFd})
            if (fd >= 0)
                ::close(fd);
    }
    Sim(const Sim&) = delete;
    Sim& operator=(const Sim&) = delete;

    // The first line on stdout (the ready line), or empty when the program ended first.
    std::string ReadyLine() {
        std::string line;
        char c = 0;
        while (::read(outFd, &c, 1) == 1 && c != '\n')
            line += c;
        return line;
    }
    // Stops the program (when it still runs) and gives its exit status; -1 when it hangs.
    int Wait(bool stop = false) {
        if (stop)
            kill(pid, SIGTERM);
        const auto end = std::chrono::steady_clock::now() + 5s;
        while (status < 0 && std::chrono::steady_clock::now() < end) {
            int raw = 0;
            if (waitpid(pid, &raw, WNOHANG) == pid)
                status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
            else
                std::this_thread::sleep_for(10ms);
        }
        return status;
    }
    // What it wrote on stderr; call after Wait.
    std::string Errors() {
        std::string text;
        char buffer[512];
        ssize_t n = 0;
        while ((n = ::read(errFd, buffer, sizeof buffer)) > 0)
            text.append(buffer, static_cast<std::size_t>(n));
        return text;
    }

private:
    pid_t pid = -1;
    int outFd = -1;
    int errFd = -1;
    int status = -1;
};

std::string Scratch(const char* name) {
    return "/tmp/talmire-simprog-" + std::to_string(getpid()) + "-" + name;
}

// A state file as a simulator leaves it: 8 instruments from address 2, 19200 baud, slave 17.
std::string EightInstrumentState() {
    const std::string path = Scratch("state8");
    std::remove(path.c_str());
    Sim maker({"--link", Scratch("maker"), "--state", path, "--instruments", "8", "--baud", "19200",
               "--hart-address", "2", "--modbus-slave", "17"});
    EXPECT_FALSE(maker.ReadyLine().empty()) << maker.Errors();
    EXPECT_EQ(maker.Wait(true), 0);
    return path;
}

TEST(SimProgram, RefusedStartsExitWithTheirStatusAndSayWhy) {
    const std::string state = EightInstrumentState();
    const std::string folder = Scratch("folder");
    ::mkdir(folder.c_str(), 0700);
    struct Case {
        std::vector<std::string> args;
        int status;
        const char* says; // a part of the message on stderr
    };
    const Case cases[] = {
        {{"--bogus"}, 2, "unknown option --bogus"},
        {{"--gap-ms", "-1"}, 2, "--gap-ms takes 0 to 60000"},
        {{"--link"}, 2, "--link needs a value"},
        {{"--instruments", "2"}, 2, "--instruments takes 1 or 4 or 8"},
        // Values each valid that the module cannot take together.
        {{"--side", "rs232", "--baud", "38400"}, 2, "RS232 side runs at most at 19200"},
        {{"--hart-address", "12", "--instruments", "8"}, 2, "no room for 8 instruments"},
        {{"--hart-address", "9", "--instruments", "4"}, 0, ""},
        // The count comes from the state file: the same refusal, naming the file.
        {{"--hart-address", "12", "--state", state}, 2, "no room for 8 instruments"},
        {{"--hart-address", "8", "--state", state}, 0, ""},
        {{"--state", folder}, 1, "not a regular file"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args{"--link", Scratch("refused")};
        args.insert(args.end(), c.args.begin(), c.args.end());
        std::string shown;
        for (const std::string& a : c.args)
            shown += a + " ";
        Sim sim(args);
        const bool ready = !sim.ReadyLine().empty();
        EXPECT_EQ(ready, c.status == 0) << shown;
        EXPECT_EQ(sim.Wait(ready), c.status) << shown;
        EXPECT_NE(sim.Errors().find(c.says), std::string::npos) << shown;
    }
    ::rmdir(folder.c_str());
    std::remove(state.c_str());
}

// Sends the module's communication query on `path` at 9600 odd and gives what comes back
// within 2 s.
std::string AskCommunication(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return {};
    termios tio{};
    tcgetattr(fd, &tio);
    cfmakeraw(&tio);
    tio.c_cflag |= PARENB | PARODD;
    cfsetispeed(&tio, B9600);
    cfsetospeed(&tio, B9600);
    tcsetattr(fd, TCSANOW, &tio);
    const std::string query = "QQQ#QV#";
    std::string reply;
    if (::write(fd, query.data(), query.size()) == static_cast<ssize_t>(query.size())) {
        pollfd p{fd, POLLIN, 0};
        while (reply.size() < 5 && poll(&p, 1, 2000) > 0) {
            char buffer[64];
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n <= 0)
                break;
            reply.append(buffer, static_cast<std::size_t>(n));
        }
    }
    ::close(fd);
    return reply;
}

TEST(SimProgram, StateOverriddenReadyLineAndASecondSimulatorRefused) {
    const std::string state = EightInstrumentState();
    const std::string link = Scratch("link");
    Sim first({"--link", link, "--state", state, "--baud", "9600", "--parity", "odd"});
    EXPECT_EQ(
        first.ReadyLine(),
        "talmire-sim: module ready (9600 8O1 RS485, MODBUS slave 17, HART addresses 2-9) on " +
            link);

    Sim second({"--link", link});
    EXPECT_EQ(second.ReadyLine(), "");
    EXPECT_EQ(second.Wait(), 1);
    const std::string refusal = second.Errors();
    EXPECT_NE(refusal.find(link + " is served by another talmire-sim"), std::string::npos)
        << refusal;
    // The second one's exit left the first one's link in place, and the module answers on it.
    EXPECT_EQ(AskCommunication(link).substr(0, 3), "QV:");

    EXPECT_EQ(first.Wait(true), 0);
    const std::string notes = first.Errors();
    EXPECT_NE(notes.find("--baud 9600 overrides 19200 from " + state), std::string::npos) << notes;
    EXPECT_NE(notes.find("--parity odd overrides none from " + state), std::string::npos) << notes;
    EXPECT_EQ(notes.find("--modbus-slave"), std::string::npos) << notes; // not given
    // The link and its lock go with the simulator; the state keeps what the command line set.
    EXPECT_NE(::access(link.c_str(), F_OK), 0);
    EXPECT_NE(::access((link + ".lock").c_str(), F_OK), 0);
    Sim again({"--link", link, "--state", state});
    EXPECT_NE(again.ReadyLine().find("(9600 8O1 RS485,"), std::string::npos);
    EXPECT_EQ(again.Wait(true), 0);
    std::remove(state.c_str());
}

} // namespace
