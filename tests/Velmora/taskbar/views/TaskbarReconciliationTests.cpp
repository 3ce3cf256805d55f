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
            if (pick < 3)
                tasks.push_back(desktop.running(501 + pick, below(4) == 0));
            else
                tasks.push_back(desktop.notRunning(names[pick - 3]));
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

    std::shared_ptr<TaskbarButtonViewModel> anyButton() {
        auto buttons = bar->tasks.value();
        if (buttons.empty()) return nullptr;
        return buttons[static_cast<std::size_t>(below(static_cast<int>(buttons.size())))];
    }

    // One step of a random kind; returns the published list when it published one.
    std::optional<TaskList> step() {
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
                if (auto button = anyButton()) button->isPinned.accept(!button->isPinned.value());
                break;
            case 4: {
                // A list made of the buttons already there, some twice, some left out.
                auto buttons = bar->tasks.value();
                Velmora::TaskbarButtons mixed;
                for (std::size_t n = buttons.empty() ? 0 : static_cast<std::size_t>(below(8)); n > 0; --n)
                    mixed.push_back(
                        buttons[static_cast<std::size_t>(below(static_cast<int>(buttons.size())))]);
                bar->tasks.set(mixed);
                break;
            }
            default:
                // Lets closing buttons leave.
                desktop.loop.advance(0.3 * below(5));
                break;
        }
        return std::nullopt;
    }

    static Models modelsOf(const std::vector<Velmora::TaskbarButton*>& buttons) {
        Models result;
        for (auto* button : buttons) result.push_back(button->viewModel().get());
        return result;
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
    for (unsigned seed = 1; seed <= 12; ++seed) {
        RandomBar bar(seed);
        auto& model = *bar.bar;
        for (int round = 0; round < 120; ++round) {
            auto before = model.tasks.value();
            auto published = bar.step();
            bar.desktop.loop.runUntilIdle();
            const auto& buttons = model.tasks.value();
            SCOPED_TRACE("seed " + std::to_string(seed) + ", round " + std::to_string(round));

            // The view: each model once, pinned ones in the first group, both in the model's order.
            Models pinned, others;
            std::set<const TaskbarButtonViewModel*> seen;
            for (const auto& button : buttons)
                if (seen.insert(button.get()).second)
                    (button->isPinned.value() ? pinned : others).push_back(button.get());
            ASSERT_EQ(RandomBar::modelsOf(bar.view->pinnedButtons()), pinned);
            ASSERT_EQ(RandomBar::modelsOf(bar.view->otherButtons()), others);
            ASSERT_EQ(bar.view->secondSeparator()->isVisibleTo(bar.view.get()), !pinned.empty());
            if (!published) continue;

            // The model: every application listed has a live button; the others' are closing; the
            // buttons already there keep their order.
            std::set<std::string> listed;
            for (const auto& task : *published) {
                auto address = task->bundlePath.absoluteString();
                listed.insert(address);
                auto first = std::find_if(buttons.begin(), buttons.end(),
                                          [&](const auto& button) { return button->id() == address; });
                ASSERT_NE(first, buttons.end()) << address;
                EXPECT_FALSE((*first)->isExiting.value()) << address;
            }
            for (const auto& button : buttons) {
                EXPECT_TRUE(listed.contains(button->id()) || button->isExiting.value()) << button->id();
            }
            if (!before.empty()) {
                ASSERT_GE(buttons.size(), before.size());
                EXPECT_TRUE(std::equal(before.begin(), before.end(), buttons.begin()));
            }
        }
    }
}
