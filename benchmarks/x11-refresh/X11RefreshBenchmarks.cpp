#include <benchmark/benchmark.h>
#include <time.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <chrono>
#include <cstring>
#include <filesystem>

#include "Velmora/settings/SettingsManager.h"
#include "Velmora/tracking/ApplicationManager.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/testing/TestDispatchQueues.h"
#include "platform/testing/VirtualMainLoop.h"
#include "platform/x11/X11Desktop.h"
#include "tests/platform/x11/X11Session.h"

namespace {

// Most cases: 50 windows of 10 applications.
struct Desk {
    int applications = 10;
    int windowsPerApplication = 5;
};
// As at a start among many programs: 200 windows, each its own application.
constexpr Desk crowded{200, 1};

double threadSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

enum class Change { none, oneWindowRetitled, everyWindowReadAgain };
enum class Scope { wholeRefresh, displayReadOnly, fullscreenRead };

// One refresh of the task list on an Xvfb with openbox and the windows of `desk`: as the
// last one left them, after one window changed its title, or with every window read again.
// With `displayReadOnly`, only the desktop's reading of the display is timed, not the task list;
// with `fullscreenRead`, the bars' full-screen test's reading of every task's windows.
void refresh(benchmark::State& state, Change change, Scope scope, Desk desk = {}) {
    const int applications = desk.applications;
    const int windowsPerApplication = desk.windowsPerApplication;
    X11Session session;
    if (!session.ready) {
        state.SkipWithError("no Xvfb with openbox");
        return;
    }
    auto defaultsPath =
        std::filesystem::temp_directory_path() / ("velmora-x11-bench-" + std::to_string(getpid()));
    platform::UserDefaults::setStandard(std::make_shared<platform::UserDefaults>(defaultsPath));
    platform::testing::VirtualMainLoop loop;
    platform::x11::X11Desktop::Options options;
    options.consentPath = session.home.path() + "/consent";
    std::system(("touch " + options.consentPath).c_str());
    auto desktop = platform::x11::X11Desktop::open(options);
    if (!desktop) {
        state.SkipWithError("the display cannot be watched");
        return;
    }
    platform::ScopedSystem installed(desktop);
    // One client a window; windows of one class make one application.
    for (int app = 0; app < applications; ++app)
        for (int window = 0; window < windowsPerApplication; ++window)
            session.client({"App" + std::to_string(app), "Document", "300x200"});
    if (!waitFor(
            [&] {
                return desktop->snapshot()->windows.size() ==
                       static_cast<std::size_t>(applications * windowsPerApplication);
            },
            30)) {
        state.SkipWithError("the windows did not appear");
        return;
    }
    auto queue = std::make_shared<platform::testing::ManualDispatchQueue>();
    platform::testing::ScopedDispatchFactory factory(
        [queue](const std::string&, platform::QualityOfService, bool) { return queue; });
    {
        auto settings = Brindle::make<Velmora::SettingsManager>();
        auto manager = Brindle::make<Velmora::ApplicationManager>(settings);
        auto input = manager->makeRefreshInput();
        double cpu = 0;
        std::int64_t iterations = 0;
        int screenNumber = 0;
        auto* other = xcb_connect(session.display.c_str(), &screenNumber);
        auto retitled = desktop->snapshot()->windows.back().id;
        auto* nameReply =
            xcb_intern_atom_reply(other, xcb_intern_atom(other, 0, 12, "_NET_WM_NAME"), nullptr);
        auto* utf8Reply = xcb_intern_atom_reply(other, xcb_intern_atom(other, 0, 11, "UTF8_STRING"), nullptr);
        for (auto _ : state) {
            if (change == Change::everyWindowReadAgain) desktop->invalidate();
            if (change == Change::oneWindowRetitled) {
                state.PauseTiming();
                auto title = "Document " + std::to_string(iterations);
                xcb_change_property(other, XCB_PROP_MODE_REPLACE, retitled, nameReply->atom, utf8Reply->atom,
                                    8, static_cast<std::uint32_t>(title.size()), title.data());
                xcb_flush(other);
                waitFor([&] { return desktop->stale(); }, 5);
                state.ResumeTiming();
            }
            auto wallStart = std::chrono::steady_clock::now();
            auto cpuStart = threadSeconds();
            if (scope == Scope::displayReadOnly) {
                benchmark::DoNotOptimize(desktop->snapshot());
            } else if (scope == Scope::fullscreenRead) {
                if (manager->allTasks.value().size() < static_cast<std::size_t>(applications)) {
                    manager->buildTaskList(input, [&](Velmora::UpdateDataResult result) {
                        manager->allTasks.set(result.tasksRelay);
                    });
                    loop.runUntilIdle();
                }
                benchmark::DoNotOptimize(manager->fetchAXWindows());
            } else {
                manager->buildTaskList(input, [&](Velmora::UpdateDataResult result) {
                    input.allTasks = result.tasksRelay;
                    input.publishedTasks = result.tasksRelay;
                    input.badges = result.badges;
                });
            }
            cpu += threadSeconds() - cpuStart;
            state.SetIterationTime(
                std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count());
            loop.runUntilIdle();
            ++iterations;
        }
        std::free(nameReply);
        std::free(utf8Reply);
        xcb_disconnect(other);
        state.counters["thread_cpu_us"] = cpu / static_cast<double>(iterations) * 1e6;
        state.counters["tasks"] = static_cast<double>(input.publishedTasks.size());
    }
    platform::UserDefaults::setStandard(nullptr);
    std::filesystem::remove(defaultsPath);
}

BENCHMARK_CAPTURE(refresh, nothingChanged, Change::none, Scope::wholeRefresh)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(refresh, oneWindowRetitled, Change::oneWindowRetitled, Scope::wholeRefresh)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(refresh, everyWindowReadAgain, Change::everyWindowReadAgain, Scope::wholeRefresh)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(refresh, fullscreenRead / nothingChanged, Change::none, Scope::fullscreenRead)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(refresh, fullscreenRead / oneWindowRetitled, Change::oneWindowRetitled,
                  Scope::fullscreenRead)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(refresh, fullscreenRead200 / oneWindowRetitled, Change::oneWindowRetitled,
                  Scope::fullscreenRead, crowded)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(refresh, displayRead / oneWindowRetitled, Change::oneWindowRetitled, Scope::displayReadOnly)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(refresh, displayRead / everyWindowReadAgain, Change::everyWindowReadAgain,
                  Scope::displayReadOnly)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

}  // namespace
