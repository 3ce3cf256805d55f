#include <gtest/gtest.h>

#include "Velmora/settings/EventManager.h"
#include "rx/Disposable.h"

TEST(EventManager, RequestsReachEveryCurrentSubscriberInOrderAndAreNotKept) {
    auto bus = Velmora::EventManager::shared();
    std::vector<std::string> log;
    bus->showSettings.onNext();
    rx::DisposeBag bag;
    for (const char* name : {"first", "second"})
        bus->showSettings.subscribe([&log, name](rx::Unit) { log.push_back(name); }).disposed(bag);
    EXPECT_TRUE(log.empty()) << "what was sent before anyone listened is lost";
    bus->showSettings.onNext();
    EXPECT_EQ(log, (std::vector<std::string>{"first", "second"}));
    EXPECT_EQ(bus, Velmora::EventManager::shared());
}
