#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "Velmora/taskbar/TaskbarViewModel.h"
#include "Velmora/taskbar/views/TaskbarButton.h"
#include "platform/qt/testing/GuiTestLoop.h"
#include "platform/system/Screen.h"
#include "tests/Velmora/taskbar/BarModelTesting.h"
#include "tests/support/DesktopHarness.h"

namespace button_views_testing {

using bar_testing::isIn;
using bar_testing::Strings;

// The simulated desktop, fresh settings, a manager and one bar after a real refresh, on the test's
// own loop. Refreshes wait on a manual queue until `refresh()` runs them.
struct Desktop : test_support::DesktopHarness<platform::qt::GuiTestLoop> {
    explicit Desktop(const std::string& json = bar_testing::buttonsScenario)
        : DesktopHarness(json),
          bar(Brindle::make<Velmora::TaskbarViewModel>(platform::Screens::screens().at(0), controllers,
                                                       manager)) {
        refresh();
        desktop->clearActions();
        updates = 0;
    }

    std::shared_ptr<Velmora::TaskbarButtonViewModel> model(const std::string& title) const {
        for (const auto& button : bar->tasks.value())
            if (button->title == title) return button;
        ADD_FAILURE() << "no button " << title;
        std::abort();
    }

    // A shown button for the application's model.
    std::unique_ptr<Velmora::TaskbarButton> button(const std::string& title, bool showTitles = false) {
        auto view = std::make_unique<Velmora::TaskbarButton>(bar, model(title), showTitles);
        view->resize(showTitles ? 180 : 48, 80);
        view->show();
        loop.runUntilIdle();
        return view;
    }

    std::shared_ptr<bar_testing::FakeWindowControllers> controllers =
        std::make_shared<bar_testing::FakeWindowControllers>();
    std::shared_ptr<Velmora::TaskbarViewModel> bar;
};

}  // namespace button_views_testing
