// Random gestures on the window against the simulated module: clicks on the pages' and the
// dialogs' buttons, picks in the lists, typing in the fields, menu actions, the port opened
// and closed, the module killed and started again, and a module that sends noise. The
// window must live through them, never stop answering, and work afterwards.
//
// The seed is printed; TALMIRE_GESTURE_SEED replays a run, TALMIRE_GESTURES sets how many,
// and TALMIRE_GESTURE_LOG prints each gesture as it is made.

#include "tests/e2e/SimWindow.h"
#include "tests/serial/PtyPair.h"
#include "ui/ScanDialog.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QTabWidget>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <random>
#include <thread>

namespace {

// Above this a gesture is taken for a hang: the run is reported and stopped.
constexpr auto HangLimit = std::chrono::seconds(30);

unsigned EnvNumber(const char* name, unsigned otherwise) {
    const char* text = std::getenv(name);
    return text != nullptr && *text != '\0' ? static_cast<unsigned>(std::strtoul(text, nullptr, 10))
                                            : otherwise;
}

// Says which gesture hangs, with the seed, and ends the run: a hung event loop would
// otherwise wait for the test runner's time-out with nothing said.
class HangWatch {
public:
    explicit HangWatch(unsigned seed_) : seed(seed_), thread([this] { Run(); }) {}
    ~HangWatch() {
        done = true;
        thread.join();
    }
    void Doing(const std::string& gesture) {
        const std::lock_guard lock(mutex);
        current = gesture;
        since = std::chrono::steady_clock::now();
    }

private:
    void Run() {
        while (!done) {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            const std::lock_guard lock(mutex);
            if (std::chrono::steady_clock::now() - since > HangLimit) {
                std::fprintf(stderr,
                             "hung in gesture \"%s\"; replay with TALMIRE_GESTURE_SEED=%u\n",
                             current.c_str(), seed);
                std::abort();
            }
        }
    }
    unsigned seed;
    std::mutex mutex;
    std::string current = "start";
    std::chrono::steady_clock::time_point since = std::chrono::steady_clock::now();
    std::atomic<bool> done = false;
    std::thread thread;
};

class WindowGestures : public SimWindow {
protected:
    template <typename T> const T& Pick(const std::vector<T>& from) {
        return from[std::uniform_int_distribution<std::size_t>(0, from.size() - 1)(random)];
    }
    int Between(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); }

    // The widgets a user could reach now: shown, enabled, and inside the modal dialog if
    // one is up.
    template <typename W> std::vector<W*> Reachable() {
        QWidget* modal = QApplication::activeModalWidget();
        std::vector<W*> found;
        // A file dialog's buttons would make folders: it is only ever closed.
        for (W* widget : form->findChildren<W*>())
            if (widget->isVisible() && widget->isEnabled() &&
                (modal == nullptr || modal->isAncestorOf(widget)) &&
                qobject_cast<QFileDialog*>(widget->window()) == nullptr)
                found.push_back(widget);
        return found;
    }
    std::vector<QAction*> MenuActions() {
        std::vector<QAction*> found;
        for (QMenu* menu :
             {form->MenuFile, form->MenuModule, form->MenuTools, form->MenuView, form->MenuHelp})
            for (QAction* action : menu->actions())
                if (action->isEnabled() && !action->isSeparator() &&
                    action->objectName() != "ActionQuit")
                    found.push_back(action);
        return found;
    }

    // The module side: the simulator, a line that sends noise, or nothing at all.
    void KillModule() {
        sim.reset();
        noise.reset();
    }
    void StartSimulator() {
        KillModule();
        sim = std::make_unique<SimProcess>();
    }
    void StartNoise() {
        KillModule();
        noise = std::make_unique<PtyPair>();
        ::unlink(link.c_str());
        (void)::symlink(noise->path.c_str(), link.c_str());
    }
    std::vector<std::uint8_t> NoiseBytes() {
        static const std::vector<std::string> pieces = {
            "QV:", "QX", "JTM:", "DFO0:", "#", "QQQ#", "\x82", "\x06\x00", std::string(40, '\xff')};
        std::vector<std::uint8_t> bytes;
        for (int i = Between(1, 6); i > 0; --i) {
            if (Between(0, 1) == 0) {
                const std::string& piece = Pick(pieces);
                bytes.insert(bytes.end(), piece.begin(), piece.end());
            } else {
                bytes.push_back(static_cast<std::uint8_t>(Between(0, 255)));
            }
        }
        return bytes;
    }

    // One gesture, said in a few words.
    std::string Gesture() {
        switch (Between(0, 12)) {
        case 0:
        case 1:
        case 2:
        case 3: {
            const auto buttons = Reachable<QPushButton>();
            if (buttons.empty())
                return "no button";
            QPushButton* button = Pick(buttons);
            const std::string name = button->objectName().toStdString();
            button->click();
            return "click " + name;
        }
        case 4:
        case 5: {
            QAction* action = Pick(MenuActions());
            const std::string name = action->objectName().toStdString();
            action->trigger();
            return "menu " + name;
        }
        case 6: {
            const auto lists = Reachable<QComboBox>();
            if (lists.empty())
                return "no list";
            QComboBox* list = Pick(lists);
            if (list == form->SPREALCOM || list->count() == 0)
                return "no list";
            const int item = Between(0, list->count() - 1);
            list->setCurrentIndex(item);
            emit list->activated(item);
            return "pick " + list->objectName().toStdString() + " " + std::to_string(item);
        }
        case 7: {
            const auto fields = Reachable<QLineEdit>();
            if (fields.empty())
                return "no field";
            QLineEdit* field = Pick(fields);
            if (field == form->SPREALCOM->lineEdit())
                return "not the port's name";
            static const QString letters = QStringLiteral("0123456789.-+# AFxz:");
            QString text;
            for (int i = Between(0, 8); i > 0; --i)
                text += letters[Between(0, static_cast<int>(letters.size()) - 1)];
            field->selectAll();
            QTest::keyClicks(field, text);
            return "type \"" + text.toStdString() + "\" into " + field->objectName().toStdString();
        }
        case 8:
            form->PageControl1->setCurrentIndex(Between(0, form->PageControl1->count() - 1));
            return "page " + std::to_string(form->PageControl1->currentIndex());
        case 9:
            form->Button1->click();
            return "open/close";
        case 10:
            if (Between(0, 2) == 0) {
                KillModule();
                return "module killed";
            }
            StartSimulator();
            return "simulator started";
        case 11:
            StartNoise();
            return "noise line";
        default: {
            if (!noise)
                return "no noise line";
            // What the line takes now; a line nobody reads is full, and that is no hang.
            const std::vector<std::uint8_t> bytes = NoiseBytes();
            return ::write(noise->master, bytes.data(), bytes.size()) > 0 ? "noise"
                                                                          : "noise not taken";
        }
        }
    }

    std::mt19937 random;
    std::string link;
    std::unique_ptr<PtyPair> noise;
};

TEST_F(WindowGestures, TheWindowLivesThroughRandomGesturesAndWorksAfterwards) {
    const unsigned seed = EnvNumber("TALMIRE_GESTURE_SEED", std::random_device{}());
    const unsigned count = EnvNumber("TALMIRE_GESTURES", 300);
    std::printf("gesture seed %u (replay with TALMIRE_GESTURE_SEED=%u)\n", seed, seed);
    RecordProperty("seed", std::to_string(seed));
    random.seed(seed);
    Start({});
    link = sim->link;

    // A modal dialog or box that stays up for two ticks is closed, as a user would.
    QPointer<QWidget> seenModal;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal != nullptr && modal == seenModal)
            modal->close();
        seenModal = modal;
    });
    closer.start(100);

    HangWatch watch(seed);
    QElapsedTimer clock;
    clock.start();
    std::vector<std::string> done;
    for (unsigned i = 0; i < count; ++i) {
        const std::string gesture = Gesture();
        watch.Doing(gesture);
        done.push_back(gesture);
        if (std::getenv("TALMIRE_GESTURE_LOG") != nullptr)
            std::printf("%u %s\n", i, gesture.c_str());
        WaitForEvents([] { return false; }, Between(0, 30));
        watch.Doing("after " + gesture);
    }
    std::string last;
    for (std::size_t i = done.size() > 12 ? done.size() - 12 : 0; i < done.size(); ++i)
        last += "\n  " + done[i];
    SCOPED_TRACE("seed " + std::to_string(seed) + ", the last gestures:" + last);

    // Every tool stops, every dialog closes, and the port comes back to the pages.
    watch.Doing("ending the tools");
    for (auto* scan : form->findChildren<ScanDialog*>())
        scan->StopButton->click();
    for (QPushButton* stop : form->findChildren<QPushButton*>("MonitorStopButton"))
        stop->click();
    ASSERT_TRUE(WaitForEvents([&] { return !form->PortLent(); }, 20000))
        << "still lent to " << form->Loan().Holder().toStdString();
    closer.stop();
    EXPECT_TRUE(form->PageControl1->isEnabled());
    EXPECT_TRUE(form->GroupBox1->isEnabled());

    // On a fresh module the port opens at the simulator's line and the query is answered.
    watch.Doing("the query on a fresh module");
    StartSimulator();
    if (form->link.PortIsOpen)
        form->Button1->click();
    form->ShowLine(LineSettings{link, 9600, TParity::None});
    messages.clear();
    form->Button1->click();
    ASSERT_TRUE(form->link.PortIsOpen) << Said();
    ASSERT_TRUE(form->Button6->isEnabled());
    form->ComboBox13->setCurrentIndex(-1);
    form->Button6->click();
    EXPECT_TRUE(WaitForEvents([&] { return form->ComboBox13->currentText() == "RS485"; }, 5000))
        << Said();
    std::printf("%u gestures in %lld ms\n", count, static_cast<long long>(clock.elapsed()));
    EXPECT_LT(clock.elapsed(), 60000);
}

} // namespace
