#pragma once

#include <gtest/gtest.h>

#include "Brindle/Object.h"
#include "Velmora/tracking/Task.h"
#include "Velmora/tracking/Window.h"
#include "platform/testing/VirtualMainLoop.h"
#include "tests/support/DesktopHarness.h"
#include "tests/support/TemporaryFolder.h"

namespace tracking_testing {

using Desktop = test_support::InstalledDesktop;

inline std::shared_ptr<Velmora::Window> window(double x, double y, double w, double h,
                                               std::optional<std::string> title = "Document",
                                               std::int64_t layer = 0, std::int32_t pid = 1) {
    Velmora::WindowRecord record{{"minimized", false}, {"position_x", x}, {"position_y", y}, {"size_w", w},
                                 {"size_h", h},        {"pid", pid},      {"layer", layer}};
    if (title) record.insert_or_assign("title", *title);
    return Brindle::make<Velmora::Window>(record, "Owner");
}

// Two screens side by side, with Mail, a player and an editor running (two-screens.json).
inline std::string twoScreens() {
    return test_support::readWholeFile(platform::sim::resourcesDirectory() + "/desktop/two-screens.json");
}

inline platform::URL url(const std::string& text) { return *platform::URL::fromString(text); }

inline std::shared_ptr<Velmora::Task> task(const std::string& bundle, std::int64_t index = 0,
                                           Velmora::Windows windows = {}, const std::string& title = "App") {
    return Brindle::make<Velmora::Task>(nullptr, index, url(bundle), false, 0, title, std::nullopt,
                                        std::move(windows));
}

template <class Field>
auto each(const Velmora::TaskList& tasks, Field Velmora::Task::*field) {
    std::vector<Field> result;
    for (const auto& task : tasks) result.push_back((*task).*field);
    return result;
}
inline auto titles(const Velmora::TaskList& tasks) { return each(tasks, &Velmora::Task::title); }
inline auto indexes(const Velmora::TaskList& tasks) { return each(tasks, &Velmora::Task::index); }
// Each task's title and index, as "Mail 0, Notes 2".
inline std::string listing(const Velmora::TaskList& tasks) {
    std::string result;
    for (const auto& task : tasks)
        result += (result.empty() ? "" : ", ") + task->title + " " + std::to_string(task->index);
    return result;
}

// The desktop harness on a virtual loop, recording each list it publishes; with `manualQueue`
// refreshes wait until the test runs the queue, else they run at once where they are triggered.
struct Harness : test_support::DesktopHarness<platform::testing::VirtualMainLoop> {
    explicit Harness(const std::string& json = "{}", bool manualQueue = false)
        : DesktopHarness(
              json, manualQueue ? test_support::Background::waits : test_support::Background::runsAtOnce) {
        Brindle::subscribeNext(manager->tasksRelay.skip(1), false, [this](const Velmora::TaskList& tasks) {
            published.push_back(tasks);
        }).disposed(bag);
    }
    // What a build from the `previous` list hands to its completion, if it hands anything.
    std::optional<Velmora::UpdateDataResult> build(Velmora::TaskList previous) {
        auto input = manager->makeRefreshInput();
        input.allTasks = std::move(previous);
        std::optional<Velmora::UpdateDataResult> result;
        manager->buildTaskList(input, [&](Velmora::UpdateDataResult made) { result = std::move(made); });
        loop.runUntilIdle();
        return result;
    }
    Velmora::TaskList tasksFrom(Velmora::TaskList previous) {
        return build(std::move(previous)).value().tasksRelay;
    }
    std::vector<Velmora::TaskList> published;
};

}  // namespace tracking_testing
