#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Velmora/settings/EventManager.h"
#include "platform/system/Screen.h"
#include "rx/Disposable.h"

namespace {

using platform::Rect;
using platform::Screen;
using Velmora::EventManager;

TEST(EventManager, RequestsReachEveryCurrentSubscriberInOrderAndAreNotKept) {
    auto bus = EventManager::shared();
    ASSERT_EQ(bus, EventManager::shared());
    std::vector<std::string> log;
    Screen external{"external", "External Display", Rect::make(1440, 0, 1920, 1080),
                    Rect::make(1440, 0, 1920, 1080)};

    // Sent before anyone listens: lost.
    bus->hideOnScreen.onNext(external);
    bus->showSettings.onNext();

    rx::DisposeBag bag;
    bus->showSettings.subscribe([&](rx::Unit) { log.push_back("application: settings"); }).disposed(bag);
    bus->showSettings.subscribe([&](rx::Unit) { log.push_back("second: settings"); }).disposed(bag);
    bus->hideOnScreen
        .subscribe([&](const Screen& screen) { log.push_back("bar: hide " + screen.identifier); })
        .disposed(bag);
    bus->exit.subscribe([&](rx::Unit) { log.push_back("application: exit"); }).disposed(bag);
    EXPECT_TRUE(log.empty());

    bus->showSettings.onNext();
    bus->showSettings.onNext();
    bus->hideOnScreen.onNext(external);
    bus->exit.onNext();
    std::vector<std::string> expected{"application: settings", "second: settings",   "application: settings",
                                      "second: settings",      "bar: hide external", "application: exit"};
    EXPECT_EQ(log, expected);

    // Once the bar stops listening, a hide request reaches nobody.
    bag = rx::DisposeBag();
    log.clear();
    bus->hideOnScreen.onNext(external);
    bus->exit.onNext();
    EXPECT_TRUE(log.empty());
    EXPECT_FALSE(bus->hideOnScreen.hasObservers());
}

}  // namespace
