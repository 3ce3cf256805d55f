#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Velmora/settings/EventManager.h"
#include "rx/Disposable.h"

TEST(EventManager, RequestsReachEveryCurrentSubscriberInOrderAndAreNotKept) {
    auto bus = Velmora::EventManager::shared();
    platform::Screen external{"external", "External", platform::Rect::make(1440, 0, 1920, 1080),
                              platform::Rect::make(1440, 0, 1920, 1080)};
    bus->hideOnScreen.onNext(external);
    bus->showSettings.onNext();

    std::vector<std::string> log;
    rx::DisposeBag bag;
    for (const char* name : {"first", "second"})
        bus->showSettings.subscribe([&log, name](rx::Unit) { log.push_back(name); }).disposed(bag);
    bus->hideOnScreen.subscribe([&](const platform::Screen& screen) { log.push_back(screen.identifier); })
        .disposed(bag);
    bus->exit.subscribe([&](rx::Unit) { log.push_back("exit"); }).disposed(bag);
    EXPECT_TRUE(log.empty()) << "what was sent before anyone listened is lost";
    bus->showSettings.onNext();
    bus->hideOnScreen.onNext(external);
    bus->exit.onNext();
    EXPECT_EQ(log, (std::vector<std::string>{"first", "second", "external", "exit"}));

    bag = rx::DisposeBag();
    bus->hideOnScreen.onNext(external);
    EXPECT_EQ(log.size(), 4u);
    EXPECT_FALSE(bus->hideOnScreen.hasObservers());
}
