// Start-up of the window under the offscreen platform: time from process start to the
// window shown, against a bare QMainWindow program measured in the same run, and the memory
// the shown window holds.

#include "bench/BenchUtil.h"
#include "ui/TForm1.h"

#include <QApplication>
#include <QLabel>
#include <QMainWindow>

#include <chrono>
#include <cstring>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

enum class Kind { Form, Bare, OneLabel };

int Child(Kind kind) {
    int argc = 1;
    char name[] = "bench_window";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    std::unique_ptr<QMainWindow> window =
        kind == Kind::Form ? std::make_unique<TForm1>() : std::make_unique<QMainWindow>();
    if (kind == Kind::OneLabel) // what a window pays for starting the font system and text
        window->setCentralWidget(new QLabel("TALMIRE"));
    window->show();
    QApplication::processEvents();
    std::printf("shown %.3f\n", RssMiB());
    std::fflush(stdout);
    return 0;
}

// Milliseconds from fork to the child's "shown" line, and the RSS it reported.
std::pair<double, double> Launch(const char* self, const char* mode) {
    int out[2];
    if (pipe(out) != 0)
        return {0, 0};
    const auto start = Clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], STDOUT_FILENO);
        ::close(out[0]);
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        execl(self, self, mode, nullptr);
        _exit(127);
    }
    ::close(out[1]);
    char line[128] = {};
    std::size_t used = 0;
    while (used + 1 < sizeof line) {
        const ssize_t n = ::read(out[0], line + used, 1);
        if (n <= 0 || line[used] == '\n')
            break;
        ++used;
    }
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    ::close(out[0]);
    waitpid(pid, nullptr, 0);
    double rss = 0;
    std::sscanf(line, "shown %lf", &rss);
    return {ms, rss};
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "child-form") == 0)
        return Child(Kind::Form);
    if (argc > 1 && std::strcmp(argv[1], "child-bare") == 0)
        return Child(Kind::Bare);
    if (argc > 1 && std::strcmp(argv[1], "child-label") == 0)
        return Child(Kind::OneLabel);
    std::vector<double> form, bare, label, rss;
    Launch(argv[0], "child-form"); // warm the caches once
    for (int i = 0; i < 15; ++i) {
        const auto [formMs, formRss] = Launch(argv[0], "child-form");
        form.push_back(formMs);
        rss.push_back(formRss);
        bare.push_back(Launch(argv[0], "child-bare").first);
        label.push_back(Launch(argv[0], "child-label").first);
    }
    Report("window_start_ms", Median(form), "ms");
    Report("window_start_bare_ms", Median(bare), "ms");
    Report("window_start_ratio", Median(form) / Median(bare), "x");
    // Reference, not a target: a bare window holding one text label.
    Report("window_start_one_label_ms", Median(label), "ms");
    Report("window_start_one_label_ratio", Median(label) / Median(bare), "x");
    Report("window_rss_mib", Median(rss), "MiB");
    return 0;
}
