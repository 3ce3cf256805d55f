// Runs one bar on the offscreen platform and measures the CPU a new application costs from its
// first list to its button's end: the button fades and widens in, then, once the application is
// gone, fades and collapses out. Animations advance one 60 Hz frame at a time, the same number of
// frames whatever the machine's speed, so that under callgrind (which counts only the new and
// closed applications) the instruction counts compare run to run:
//   valgrind --tool=callgrind --collect-atstart=no bench_bar_animation [cycles]
// Prints the CPU per new + closed application and, for reference, the same span at idle. A second
// argument sets how many applications are on the bar already (10 unless told).
#include <sys/resource.h>
#include <valgrind/callgrind.h>

#include <QAnimationDriver>
#include <QApplication>
#include <QElapsedTimer>
#include <QThread>
#include <cstdio>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>

#include "Velmora/settings/SettingsManager.h"
#include "Velmora/taskbar/TaskbarViewModel.h"
#include "Velmora/taskbar/TimeManager.h"
#include "Velmora/taskbar/views/Taskbar.h"
#include "Velmora/tracking/ApplicationManager.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/qt/QtMainQueue.h"
#include "platform/sim/SimulatedDesktop.h"
#include "platform/system/System.h"
#include "platform/testing/TestDispatchQueues.h"

namespace {

int baseApplications = 10;
// Long enough for the button to fade in and widen, and for the closing states to remove it.
constexpr int shownMilliseconds = 800;
constexpr int closedMilliseconds = 1500;

double cpuMilliseconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto ms = [](const timeval& t) { return t.tv_sec * 1e3 + t.tv_usec / 1e3; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

// Frames on demand instead of the system timer's.
class SteppedAnimations : public QAnimationDriver {
public:
    void step() {
        elapsed_ += frameMilliseconds;
        advance();
    }
    qint64 elapsed() const override { return elapsed_; }
    static constexpr int frameMilliseconds = 16;

private:
    qint64 elapsed_ = 0;
};

SteppedAnimations* animations = nullptr;

// The span's frames, each followed by the events it caused; timers of the program's own (the
// closing states' delays) keep real time.
void run(int milliseconds) {
    QElapsedTimer clock;
    clock.start();
    for (int frame = 0; frame * SteppedAnimations::frameMilliseconds < milliseconds; ++frame) {
        animations->step();
        QApplication::sendPostedEvents();
        QApplication::processEvents();
        auto due = (frame + 1) * SteppedAnimations::frameMilliseconds;
        if (clock.elapsed() < due) QThread::msleep(static_cast<unsigned long>(due - clock.elapsed()));
    }
    QApplication::processEvents();
}

std::string scenario() {
    nlohmann::json applications = nlohmann::json::array();
    for (int app = 0; app <= baseApplications; ++app) {
        auto name = "App " + std::to_string(app);
        applications.push_back({{"pid", 3000 + app},
                                {"name", name},
                                {"bundleIdentifier", "com.example.app" + std::to_string(app)},
                                {"icon", "icons/notes.png"},
                                {"windows", {{{"title", name}, {"frame", {100, 100, 600, 400}}}}}});
    }
    return nlohmann::json{{"applications", applications}}.dump();
}

std::shared_ptr<Velmora::Task> running(platform::sim::SimulatedDesktop& desktop, int pid) {
    auto application = desktop.runningApplication(pid);
    return Brindle::make<Velmora::Task>(application, 0, Velmora::applicationIdentity(*application), false,
                                        pid, *application->localizedName(), application->icon(),
                                        Velmora::Windows{});
}

struct NoWindows : Velmora::WindowControllerList {
    void appendWindowController(const std::shared_ptr<Velmora::MainMenuWindow>&) override {}
    void removeWindowController(const std::shared_ptr<Velmora::MainMenuWindow>&) override {}
};

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const int cycles = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    if (argc > 2) baseApplications = std::max(1, std::atoi(argv[2]));
    auto mainQueue = platform::qt::QtMainQueue::install();
    SteppedAnimations driver;
    driver.install();
    animations = &driver;
    auto defaults =
        std::filesystem::temp_directory_path() / ("bench-bar-" + std::to_string(::getpid()) + ".json");
    platform::UserDefaults::setStandard(std::make_shared<platform::UserDefaults>(defaults.string()));
    // The manager's own refreshes never run: the lists are the benchmark's.
    auto parked = std::make_shared<platform::testing::ManualDispatchQueue>("parked");
    platform::testing::ScopedDispatchFactory factory(
        [parked](const std::string&, platform::QualityOfService, bool) { return parked; });
    std::string error;
    auto desktop = platform::sim::SimulatedDesktop::fromJSON(scenario(), {}, &error);
    if (!desktop) {
        std::fprintf(stderr, "scenario: %s\n", error.c_str());
        return 1;
    }
    platform::ScopedSystem installed(desktop);
    {
        auto settings = Brindle::make<Velmora::SettingsManager>();
        auto manager = Brindle::make<Velmora::ApplicationManager>(settings);
        auto bar = Brindle::make<Velmora::TaskbarViewModel>(platform::Screens::screens().at(0),
                                                            std::make_shared<NoWindows>(), manager);
        Velmora::Taskbar view(manager, settings, Brindle::make<Velmora::TimeManager>(), nullptr, bar,
                              nullptr);
        view.resize(1440, 86);
        view.show();

        Velmora::TaskList base;
        for (int app = 0; app < baseApplications; ++app) base.push_back(running(*desktop, 3000 + app));
        manager->tasksRelay.accept(base);
        run(1000);

        double idleStart = cpuMilliseconds();
        run(cycles * (shownMilliseconds + closedMilliseconds));
        double idle = (cpuMilliseconds() - idleStart) / cycles;

        double start = cpuMilliseconds();
        CALLGRIND_TOGGLE_COLLECT;
        for (int cycle = 0; cycle < cycles; ++cycle) {
            auto with = base;
            with.push_back(running(*desktop, 3000 + baseApplications));
            manager->tasksRelay.accept(with);
            run(shownMilliseconds);
            manager->tasksRelay.accept(base);
            run(closedMilliseconds);
        }
        CALLGRIND_TOGGLE_COLLECT;
        double perApplication = (cpuMilliseconds() - start) / cycles;
        std::printf(
            "CPU per new + closed application: %.1f ms (idle over the same span: %.1f ms), %zu buttons "
            "left\n",
            perApplication, idle, bar->tasks.value().size());
    }
    platform::UserDefaults::setStandard(nullptr);
    std::filesystem::remove(defaults);
    return 0;
}
