#include <atomic>
#include <deque>
#include <thread>

#include "Velmora/tracking/App.h"
#include "platform/base/MainQueue.h"
#include "platform/sim/Scenario.h"
#include "platform/system/WindowList.h"
#include "tests/Velmora/tracking/TrackingTesting.h"
#include "tests/support/Waiting.h"

using Velmora::TaskList;
using namespace std::chrono_literals;

namespace {

// The simulated desktop, its window list counting the reads in progress: only the refresh reads
// it, so two at once would be two refreshes at once.
class CountingSystem final : public platform::System,
                             public platform::WindowList,
                             public std::enable_shared_from_this<CountingSystem> {
public:
    explicit CountingSystem(std::shared_ptr<platform::System> inner) : inner_(std::move(inner)) {}
    std::shared_ptr<platform::Workspace> workspace() override { return inner_->workspace(); }
    std::shared_ptr<platform::Accessibility> accessibility() override { return inner_->accessibility(); }
    std::shared_ptr<platform::WindowList> windowList() override { return shared_from_this(); }
    std::shared_ptr<platform::EventMonitors> eventMonitors() override { return inner_->eventMonitors(); }
    std::shared_ptr<platform::LoginItems> loginItems() override { return inner_->loginItems(); }
    std::shared_ptr<platform::AppleScript> appleScript() override { return inner_->appleScript(); }
    std::shared_ptr<platform::Application> application() override { return inner_->application(); }
    std::vector<platform::WindowInfo> copyWindowInfo(std::uint32_t options) override {
        const int now = ++inFlight;
        for (int most = mostAtOnce; now > most && !mostAtOnce.compare_exchange_weak(most, now);) {}
        auto result = inner_->windowList()->copyWindowInfo(options);
        --inFlight;
        ++reads;
        return result;
    }
    std::atomic<int> inFlight{0}, mostAtOnce{0}, reads{0};

private:
    std::shared_ptr<platform::System> inner_;
};

constexpr const char* scenario = R"({"applications": [
    {"pid": 501, "name": "Notes", "bundleIdentifier": "com.apple.Notes", "windows": [{"frame": [100, 100, 600, 400]}]},
    {"pid": 502, "name": "Mail", "bundleIdentifier": "com.apple.mail", "windows": [{"frame": [10, 25, 800, 600]}]}],
  "installed": [{"name": "Firefox", "bundleIdentifier": "org.mozilla.firefox"},
    {"name": "Photos", "bundleIdentifier": "com.apple.Photos", "bundle": "/System/Applications/Photos.app"}],
  "dock": {"badges": {"Mail": "3"}}, "defaults": {"pinned": ["file:///Applications/Firefox.app/"]}})";

platform::sim::ApplicationDescription transient(int round) {
    const auto kind = std::to_string(round % 4);
    return {.name = "Transient " + kind,
            .bundleIdentifier = "com.example.transient" + kind,
            .bundlePath = "/Applications/Transient " + kind + ".app",
            .icon = platform::sim::genericApplicationIconPath(),
            .windows = {{.title = "Window " + std::to_string(round),
                         .frame = platform::Rect::make(20.0 * (round % 7), 40, 500, 400)}}};
}

}  // namespace

TEST(RefreshConcurrency, ApplicationsStartAndQuitWhileRefreshesRun) {
    platform::testing::VirtualMainLoop loop;
    test_support::FreshDefaults defaults;
    tracking_testing::Desktop desktop(scenario);
    auto counting = std::make_shared<CountingSystem>(desktop.desktop);
    platform::ScopedSystem installed(counting);
    platform::UserDefaults::standard()->set("stressTestThreads", true);
    auto settings = Brindle::make<Velmora::SettingsManager>();
    auto manager = Brindle::make<Velmora::ApplicationManager>(settings);
    std::atomic<int> published{0}, publishedOffMain{0};
    rx::DisposeBag bag;
    Brindle::subscribeNext(manager->tasksRelay.skip(1), false, [&](const TaskList&) {
        ++published;
        if (!platform::MainQueue::isMainThread()) ++publishedOffMain;
    }).disposed(bag);
    std::atomic<bool> stop{false};
    std::atomic<int> mainTurn{0};
    // One change per turn of the main loop, made while that turn's refresh may be running.
    std::thread changer([&] {
        auto sim = desktop.desktop;
        std::deque<std::int32_t> launched;
        for (int round = 0; round < 300 && !stop; ++round) {
            if (!test_support::waitUntil([&] { return mainTurn > round || stop; }, 30s)) break;
            launched.push_back(sim->launch(transient(round)));
            if (launched.size() > 3) sim->quit(launched.front());
            if (launched.size() > 3) launched.pop_front();
            sim->setWindows(501, {{.title = "List " + std::to_string(round),
                                   .frame = platform::Rect::make(100, 100, 600 + round % 3, 400)}});
            sim->setDockBadge("Notes", std::to_string(round % 5));
            // The installed list is scanned here too, while the main loop scans it as well.
            if (round % 10 == 0) (void)Velmora::App::resolve({Velmora::App::browsers()}, *manager);
            if (round % 20 == 0) (void)manager->loadInstalledTasks(true);
        }
        for (auto pid : launched) sim->quit(pid);
    });
    // The poll period is 0: every turn of the main loop asks for a refresh. Each turn waits for
    // one more window-list read, so that refreshes and changes interleave.
    const std::function<void(int)> actions[] = {
        [&](int) { manager->update.onNext(); }, [&](int) { (void)manager->fetchAXWindows(); },
        [&](int turn) {
            settings->loadPinned({tracking_testing::url(
                turn % 2 ? "file:///Applications/Firefox.app/" : "file:///System/Applications/Photos.app/")});
        },
        [&](int turn) { (void)manager->loadInstalledTasks(turn % 2 == 0); },
        [&](int turn) { settings->setShowOnRunningMonitorOnly(turn % 2 == 0); }};
    // Runs the main loop once, then `then`, and waits for one more window-list read.
    auto turnOnce = [&](const std::function<void()>& then) {
        const int reads = counting->reads;
        loop.runUntilIdle();
        then();
        return test_support::waitUntil([&] { return counting->reads > reads; }, 30s);
    };
    bool refreshed = true;
    for (int turn = 0; turn < 300 && refreshed; ++turn) {
        refreshed = turnOnce([&] {
            ++mainTurn;
            actions[turn % 5](turn);
        });
        EXPECT_TRUE(refreshed) << "no refresh ran at turn " << turn;
    }
    stop = true;
    changer.join();
    // Once the changes have stopped, a later refresh publishes the final desktop.
    bool settled = false;
    for (int turn = 0; turn < 200 && !settled && refreshed; ++turn) {
        refreshed = turnOnce([] {});
        auto titles = tracking_testing::titles(manager->tasksRelay.value());
        std::sort(titles.begin(), titles.end());
        settled = titles == std::vector<std::string>{"Firefox", "Mail", "Notes"};
    }
    EXPECT_TRUE(settled);
    EXPECT_EQ(counting->mostAtOnce.load(), 1) << "refreshes never overlap";
    EXPECT_EQ(publishedOffMain.load(), 0);
    EXPECT_GT(published.load(), 10);
    // The manager goes once the refresh in progress, if any, has let go of it.
    std::weak_ptr<Velmora::ApplicationManager> weak = manager;
    bag = rx::DisposeBag();
    manager.reset();
    ASSERT_TRUE(test_support::waitUntil([&] { return weak.expired(); }, 30s));
    loop.runUntilIdle();
}
