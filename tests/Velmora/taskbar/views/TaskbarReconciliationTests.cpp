#include <algorithm>
#include <random>
#include <set>

#include "Brindle/MainQueue.h"
#include "Velmora/start-menu/MainMenuViewModel.h"
#include "Velmora/taskbar/TimeManager.h"
#include "Velmora/taskbar/views/Taskbar.h"
#include "Velmora/taskbar/views/TaskbarButton.h"
#include "platform/qt/testing/GuiTestLoop.h"
#include "tests/Velmora/taskbar/BarModelTesting.h"

using Velmora::TaskbarButtonViewModel;
using Velmora::TaskList;
using Models = std::vector<const TaskbarButtonViewModel*>;

namespace {

// Whatever lists the bar is handed, seeded so that a failure can be replayed.
struct RandomBar {
    explicit RandomBar(unsigned seed) : random(seed) {
        Velmora::MainMenuViewModel::setCachedInstalledApps({});
        Brindle::setGlobalUserInteractiveQueue(scans);
        view = std::make_unique<Velmora::Taskbar>(
            desktop.manager, desktop.settings, Brindle::make<Velmora::TimeManager>(), nullptr, bar, nullptr);
        view->resize(1440, 86);
        view->show();
        desktop.loop.runUntilIdle();
    }
    ~RandomBar() {
        view.reset();
        Brindle::setGlobalUserInteractiveQueue(nullptr);
    }

    int below(int bound) { return std::uniform_int_distribution<int>(0, bound - 1)(random); }

    // Running and not running, the same application more than once, in any order.
    TaskList randomList() {
        TaskList tasks;
        for (int count = below(7); count > 0; --count) {
            int pick = below(6);
            tasks.push_back(pick < 3 ? desktop.running(501 + pick, below(4) == 0)
                                     : desktop.notRunning(names[pick - 3]));
        }
        return tasks;
    }

    void pinRandomly() {
        std::vector<platform::URL> urls;
        for (const auto& name : names)
            if (below(2))
                urls.push_back(*platform::URL::fromString("file:///Applications/" + name + ".app/"));
        if (below(2)) urls.push_back(desktop.running(501)->bundlePath);
        desktop.settings->loadPinned(urls);
    }

    // One step of a random kind; returns the published list when it published one.
    std::optional<TaskList> step() {
        auto buttons = bar->tasks.value();
        auto anyButton = [&] {
            return buttons[static_cast<std::size_t>(below(static_cast<int>(buttons.size())))];
        };
        switch (below(6)) {
            case 0:
            case 1: {
                auto tasks = randomList();
                desktop.publish(tasks);
                return tasks;
            }
            case 2:
                pinRandomly();
                break;
            case 3:
                // Between the groups without a new list.
                if (!buttons.empty()) {
                    auto button = anyButton();
                    button->isPinned.accept(!button->isPinned.value());
                }
                break;
            case 4: {
                // A list made of the buttons already there, some twice, some left out.
                Velmora::TaskbarButtons mixed;
                for (int n = buttons.empty() ? 0 : below(8); n > 0; --n) mixed.push_back(anyButton());
                bar->tasks.set(mixed);
                break;
            }
            default:
                // Lets closing buttons leave.
                desktop.loop.advance(0.3 * below(5));
        }
        return std::nullopt;
    }

    const std::vector<std::string> names{"Photos", "Maps", "Books"};
    std::mt19937 random;
    bar_testing::BarHarness<platform::qt::GuiTestLoop> desktop{bar_testing::buttonsScenario};
    std::shared_ptr<platform::testing::ManualDispatchQueue> scans =
        std::make_shared<platform::testing::ManualDispatchQueue>("scans");
    std::shared_ptr<Velmora::TaskbarViewModel> bar = desktop.makeBar();
    std::unique_ptr<Velmora::Taskbar> view;
};

}  // namespace

TEST(TaskbarReconciliation, AnySequenceOfListsGivesEachModelOneButtonInItsGroupInModelOrder) {
    auto modelsOf = [](const std::vector<Velmora::TaskbarButton*>& buttons) {
        Models result;
        for (auto* button : buttons) result.push_back(button->viewModel().get());
        return result;
    };
    for (unsigned seed = 1; seed <= 12; ++seed) {
        RandomBar bar(seed);
        for (int round = 0; round < 120; ++round) {
            auto before = bar.bar->tasks.value();
            auto published = bar.step();
            bar.desktop.loop.runUntilIdle();
            const auto& buttons = bar.bar->tasks.value();
            SCOPED_TRACE("seed " + std::to_string(seed) + ", round " + std::to_string(round));

            // The view: each model once, pinned ones in the first group, both in the model's order.
            Models pinned, others;
            std::set<const TaskbarButtonViewModel*> seen;
            for (const auto& button : buttons)
                if (seen.insert(button.get()).second)
                    (button->isPinned.value() ? pinned : others).push_back(button.get());
            ASSERT_EQ(modelsOf(bar.view->pinnedButtons()), pinned);
            ASSERT_EQ(modelsOf(bar.view->otherButtons()), others);
            ASSERT_EQ(bar.view->secondSeparator()->isVisibleTo(bar.view.get()), !pinned.empty());
            if (!published) continue;

            // The model: exactly the applications listed have live buttons, and the buttons already
            // there keep their order.
            std::set<std::string> listed, live;
            for (const auto& task : *published) listed.insert(task->bundlePath.absoluteString());
            for (const auto& button : buttons)
                if (!button->isExiting.value()) live.insert(button->id());
            EXPECT_EQ(live, listed);
            EXPECT_TRUE(buttons.size() >= before.size() &&
                        std::equal(before.begin(), before.end(), buttons.begin()));
        }
    }
}
