#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>

#include "tests/support/SimulatedDesktopTesting.h"
#include "tests/support/TemporaryFolder.h"
#include "tests/support/Waiting.h"

// Mail's window, the third application and the badge change with the version.
static std::string scenario(int version) {
    auto number = std::to_string(version);
    return R"({"applications": [{"pid": 812, "name": "Mail", "active": true, "windows": [{"title": "Inbox", "frame": [)" +
           number +
           R"(, 25, 800, 600]}, {"title": "Draft", "frame": [40, 60, 500, 400]}]}, {"name": "Extra)" +
           std::to_string(version % 3) +
           R"("}], "installed": [{"name": "Photos", "bundle": "/System/Applications/Photos.app",
           "windows": [{"title": "Library", "frame": [10, 10, 900, 600]}]}], "dock": {"badges": {"Mail": ")" +
           number + R"("}}})";
}

// Everything a refresh reads, from a worker thread.
static void readEverything(std::atomic<int>& failures) {
    auto workspace = platform::Workspace::shared();
    auto accessibility = platform::Accessibility::shared();
    std::set<std::int32_t> pids;
    for (const auto& app : workspace->runningApplications()) {
        if (!pids.insert(app->processIdentifier()).second) ++failures;
        (void)app->localizedName(), (void)app->bundleIdentifier(), (void)app->bundleURL(), (void)app->icon();
        (void)app->isActive(), (void)app->isTerminated(), (void)app->ownsMenuBar();
        auto element = accessibility->applicationElement(app->processIdentifier());
        for (const auto& window : accessibility->copyAttributeValues(element, "AXWindows", 0, 100)
                                      .value_or(std::vector<platform::AXValue>{}))
            (void)accessibility->copyAttributeValue(window.elementValue(), "AXPosition");
        if (auto children = accessibility->copyAttributeValue(element, "AXChildren"))
            for (const auto& child : *children->arrayValue())
                (void)accessibility->copyAttributeValue(child.elementValue(), "AXChildren");
    }
    (void)workspace->frontmostApplication(), (void)workspace->iconForFile("/System/Applications/Photos.app");
    for (const auto& info : platform::WindowList::shared()->copyWindowInfo(platform::WindowListOption::all))
        if (!info.contains("kCGWindowOwnerPID")) ++failures;
    (void)platform::Events::modifierFlags(), (void)platform::Events::mouseLocation();
}

TEST(SimulatedDesktopConcurrency, QueriesFromSeveralThreadsWhileTheMainThreadChangesTheDesktop) {
    test_support::TemporaryFolder folder;
    auto path = folder / "desktop.json";
    test_support::writeFile(path, scenario(0));
    auto desktop = platform::sim::SimulatedDesktop::load(path);
    ASSERT_TRUE(desktop);
    platform::ScopedSystem installed(desktop);
    std::atomic<bool> stop{false};
    std::atomic<int> failures{0}, reads{0};
    std::vector<std::thread> readers;
    for (int i = 0; i < 4; ++i)
        readers.emplace_back([&] {
            for (; !stop.load(); ++reads) readEverything(failures);
        });
    auto accessibility = platform::Accessibility::shared();
    for (int round = 1; round <= 60; ++round) {
        platform::sim::ApplicationDescription description;
        description.name = "Tool " + std::to_string(round);
        description.windows.push_back({"Window", platform::Rect::make(round, round, 300, 200)});
        auto pid = desktop->launch(description);
        desktop->runningApplication(pid)->activate(0);
        desktop->setWindows(pid, {});
        desktop->setAccessibilityTrusted(round % 4 != 0);
        desktop->setModifierFlags(round % 2 ? platform::ModifierFlags::command : 0);
        desktop->setMouseLocation({static_cast<double>(round), 0});
        platform::Workspace::shared()->open(platform::URL::fileURL("/System/Applications/Photos.app", true));
        auto mail =
            accessibility->copyAttributeValues(accessibility->applicationElement(812), "AXWindows", 0, 1);
        if (mail && !mail->empty())
            accessibility->setAttributeValue((*mail)[0].elementValue(), "AXMinimized", round % 2 == 0);
        for (const auto& app : platform::Workspace::shared()->runningApplications())
            if (app->localizedName() == "Photos") app->terminate();
        desktop->quit(pid);
        if (round % 10 == 0) {
            test_support::writeFile(path, scenario(round));
            EXPECT_EQ(desktop->reload(), std::nullopt);
        }
    }
    const bool readersRan = test_support::waitUntil([&] { return reads.load() >= 8; });
    stop = true;
    for (auto& reader : readers) reader.join();
    EXPECT_TRUE(readersRan);
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(desktop->state()->runningApplication(812)->windows.size(), 2u);
}

TEST(SimulatedDesktopConcurrency, DockLinesFromSeveralThreadsLeaveOneDockAndEveryWriteInPlace) {
    auto desktop = test_support::loadDesktop("{}");
    constexpr int threads = 4, lines = 25;
    std::vector<std::thread> runners;
    for (int t = 0; t < threads; ++t)
        runners.emplace_back([&, t] {
            for (int i = 0; i < lines; ++i)
                desktop->simulateCommandLine("defaults write com.apple.dock key" + std::to_string(t) + "-" +
                                             std::to_string(i) + " -int " + std::to_string(i) +
                                             " && killall Dock");
        });
    for (auto& runner : runners) runner.join();
    const auto state = desktop->state();
    EXPECT_EQ(state->preferences.at("com.apple.dock").size(), std::size_t(threads * lines));
    int docks = 0;
    for (auto serial : state->running)
        docks += state->application(serial)->bundleIdentifier == "com.apple.dock";
    EXPECT_EQ(docks, 1);
    std::set<std::int32_t> pids;
    for (const auto& [serial, app] : state->applications) pids.insert(app.pid);
    EXPECT_EQ(pids.size(), state->applications.size()) << "every restart had a process id of its own";
    EXPECT_EQ(state->applications.size(), std::size_t(2 + threads * lines));
}
