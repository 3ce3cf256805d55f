#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "Velmora/settings/SettingsManager.h"
#include "Velmora/tracking/ApplicationManager.h"
#include "benchmarks/refresh/TimingSystem.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/sim/SimulatedDesktop.h"
#include "platform/system/WindowList.h"
#include "platform/testing/TestDispatchQueues.h"
#include "platform/testing/VirtualMainLoop.h"

namespace {

using nlohmann::json;
using refresh_benchmark::simulatedNanoseconds;

constexpr int windowsPerApplication = 10;
constexpr int dockItems = 50;
constexpr int pinnedCount = 30;
constexpr double pollPeriodNanoseconds = 500e6;

json frame(double x, double y, double w, double h) { return json::array({x, y, w, h}); }

std::string bundlePath(const std::string& name) { return "/Applications/" + name + ".app"; }

// `applications` running applications with ten windows each, 30 pinned (half of them running
// when there are enough), a Dock of 50 items with a few numeric badges, on one or three screens.
std::string scenario(int applications, int screens) {
    json root = json::object();
    root["screens"] = json::array();
    for (int screen = 0; screen < screens; ++screen)
        root["screens"].push_back({{"name", "Screen " + std::to_string(screen)},
                                   {"frame", frame(1440.0 * screen, 0, 1440, 900)},
                                   {"scale", 2}});
    json running = json::array();
    std::vector<std::string> names;
    for (int app = 0; app < applications; ++app) {
        auto name = "App " + std::to_string(app);
        names.push_back(name);
        json windows = json::array();
        for (int window = 0; window < windowsPerApplication; ++window)
            windows.push_back({{"title", "Document " + std::to_string(window)},
                               {"frame", frame(37.0 * window, 25.0 + 31 * window, 640 + window, 480)}});
        running.push_back({{"pid", 2000 + app},
                           {"name", name},
                           {"bundleIdentifier", "com.example.app" + std::to_string(app)},
                           {"bundle", bundlePath(name)},
                           {"windows", windows}});
    }
    root["applications"] = running;

    json installed = json::array();
    json pinned = json::array();
    const int pinnedRunning = std::min(applications, pinnedCount / 2);
    for (int app = 0; app < pinnedRunning; ++app)
        pinned.push_back("file://" + bundlePath(names[static_cast<std::size_t>(app)]) + "/");
    for (int app = pinnedRunning; app < pinnedCount; ++app) {
        auto name = "Pinned " + std::to_string(app);
        installed.push_back({{"name", name},
                             {"bundleIdentifier", "com.example.pinned" + std::to_string(app)},
                             {"bundle", bundlePath(name)}});
        pinned.push_back("file://" + bundlePath(name) + "/");
    }
    root["installed"] = installed;
    root["defaults"] = {{"pinned", pinned}};

    json items = json::array();
    for (int item = 0; item < dockItems; ++item) {
        auto title =
            item < applications ? names[static_cast<std::size_t>(item)] : "Item " + std::to_string(item);
        json entry = {{"title", title}};
        if (item % 5 == 0) entry["statusLabel"] = std::to_string(item);
        if (item % 7 == 0) entry["statusLabel"] = "\xe2\x80\xa2";
        items.push_back(entry);
    }
    root["dock"] = {{"items", items}};
    return root.dump();
}

// A desktop, settings and a manager whose own refreshes never run: the benchmark calls the
// builder itself, as each refresh does.
struct Fixture {
    Fixture(int applications, int screens, bool timedSystem)
        : defaultsPath(std::filesystem::temp_directory_path() /
                       ("velmora-refresh-bench-" + std::to_string(::getpid()) + ".json")),
          defaults(
              (std::filesystem::remove(defaultsPath),
               platform::UserDefaults::setStandard(std::make_shared<platform::UserDefaults>(defaultsPath)),
               0)),
          desktop(platform::sim::SimulatedDesktop::fromJSON(scenario(applications, screens))),
          system(timedSystem ? std::shared_ptr<platform::System>(
                                   std::make_shared<refresh_benchmark::TimingSystem>(desktop))
                             : std::shared_ptr<platform::System>(desktop)),
          installed(system),
          factory([queue = queue](const std::string&, platform::QualityOfService, bool) { return queue; }),
          settings(Brindle::make<Velmora::SettingsManager>()),
          manager(Brindle::make<Velmora::ApplicationManager>(settings)) {
        // The steady state: the last publication is what this desktop gives.
        auto first = build(manager->makeRefreshInput());
        input = manager->makeRefreshInput();
        input.allTasks = first.tasksRelay;
        input.publishedTasks = first.tasksRelay;
        input.badges = first.badges;
    }
    ~Fixture() {
        manager.reset();
        settings.reset();
        platform::UserDefaults::setStandard(nullptr);
        std::filesystem::remove(defaultsPath);
    }

    Velmora::UpdateDataResult build(const Velmora::RefreshInput& from) {
        Velmora::UpdateDataResult result;
        manager->buildTaskList(from, [&](Velmora::UpdateDataResult made) { result = std::move(made); });
        loop.runUntilIdle();
        return result;
    }

    platform::testing::VirtualMainLoop loop;
    std::filesystem::path defaultsPath;
    int defaults;
    std::shared_ptr<platform::sim::SimulatedDesktop> desktop;
    std::shared_ptr<platform::System> system;
    platform::ScopedSystem installed;
    std::shared_ptr<platform::testing::ManualDispatchQueue> queue =
        std::make_shared<platform::testing::ManualDispatchQueue>();
    platform::testing::ScopedDispatchFactory factory;
    std::shared_ptr<Velmora::SettingsManager> settings;
    std::shared_ptr<Velmora::ApplicationManager> manager;
    Velmora::RefreshInput input;
};

// One refresh per iteration, timed by hand around the build alone. With `moved`, one window of
// the first application sits somewhere else than at the last publication before every build, so
// each build publishes. With `timedSystem`, the queries of the simulated desktop are timed too,
// which gives its share; without, the total is undisturbed.
void refresh(benchmark::State& state, int applications, int screens, bool moved, bool timedSystem) {
    Fixture fixture(applications, screens, timedSystem);
    const auto original = fixture.desktop->state()->runningApplication(2000)->windows;
    int published = 0;
    std::int64_t iterations = 0;
    std::int64_t totalNanoseconds = 0;
    simulatedNanoseconds() = 0;
    for (auto _ : state) {
        if (moved) {
            std::vector<platform::sim::WindowDescription> windows(original.begin(), original.end());
            windows[0].frame.origin.x = 500 + static_cast<double>(iterations % 2);
            fixture.desktop->setWindows(2000, windows);
        }
        const auto start = std::chrono::steady_clock::now();
        fixture.manager->buildTaskList(fixture.input, [&](Velmora::UpdateDataResult) { ++published; });
        const auto elapsed = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(std::chrono::duration<double>(elapsed).count());
        totalNanoseconds += std::chrono::duration_cast<std::chrono::nanoseconds>(elapsed).count();
        ++iterations;
        if (iterations % 64 == 0) fixture.loop.runUntilIdle();
    }
    fixture.loop.runUntilIdle();
    const double perRefresh = static_cast<double>(totalNanoseconds) / static_cast<double>(iterations);
    state.counters["tasks"] = static_cast<double>(fixture.input.publishedTasks.size());
    state.counters["published_share"] = static_cast<double>(published) / static_cast<double>(iterations);
    state.counters["total_us"] = perRefresh / 1e3;
    if (timedSystem) {
        // The window list comes as one tree of texts per window; the builder frees it, but what
        // that costs is the simulated desktop's way of handing it over.
        double freeing = 0;
        for (int sample = 0; sample < 20; ++sample) {
            auto list = platform::WindowList::shared()->copyWindowInfo(platform::WindowListOption::all);
            const auto start = std::chrono::steady_clock::now();
            list = {};
            freeing += static_cast<double>((std::chrono::steady_clock::now() - start).count());
        }
        freeing /= 20;
        const double simulated =
            static_cast<double>(simulatedNanoseconds()) / static_cast<double>(iterations);
        const double program = perRefresh - simulated - freeing;
        state.counters["sim_us"] = simulated / 1e3;
        state.counters["sim_free_us"] = freeing / 1e3;
        state.counters["program_us"] = program / 1e3;
        state.counters["program_period_pct"] = program / pollPeriodNanoseconds * 100;
    } else {
        state.counters["period_pct"] = perRefresh / pollPeriodNanoseconds * 100;
    }
}

void registerCase(const std::string& name, int applications, int screens, bool moved) {
    for (bool timedSystem : {false, true}) {
        benchmark::RegisterBenchmark((name + (timedSystem ? "/timedSystem" : "")).c_str(), refresh,
                                     applications, screens, moved, timedSystem)
            ->UseManualTime()
            ->Unit(benchmark::kMicrosecond);
    }
}

const int registered = [] {
    registerCase("steady/10apps/1screen", 10, 1, false);
    registerCase("steady/50apps/1screen", 50, 1, false);
    registerCase("steady/200apps/1screen", 200, 1, false);
    registerCase("steady/50apps/3screens", 50, 3, false);
    registerCase("windowMoved/50apps/1screen", 50, 1, true);
    registerCase("windowMoved/200apps/3screens", 200, 3, true);
    return 0;
}();

}  // namespace
