#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/testing/TestDispatchQueues.h"
#include "platform/testing/VirtualMainLoop.h"
#include "rx/Rx.h"

namespace {

TEST(ConcurrentDispatchQueueScheduler, RunsOnItsQueueAndDelaysThroughIt) {
    platform::testing::VirtualMainLoop loop;
    auto queue = std::make_shared<platform::testing::ManualDispatchQueue>();
    auto scheduler = std::make_shared<rx::ConcurrentDispatchQueueScheduler>(queue);
    rx::PublishSubject<int> subject;
    std::vector<std::string> lines;
    auto subscription =
        subject.observeOn(scheduler).subscribe([&](int v) { lines.push_back(std::to_string(v)); });
    subject.onNext(1);
    subject.onNext(2);
    EXPECT_EQ(queue->pendingCount(), 1u);  // one drain for both
    queue->runAll();
    EXPECT_EQ(lines, (std::vector<std::string>{"1", "2"}));

    auto delayed =
        subject.delay(2, scheduler).subscribe([&](int v) { lines.push_back("d" + std::to_string(v)); });
    subject.onNext(3);
    queue->runAll();
    loop.advance(2);
    queue->runAll();
    EXPECT_EQ(lines, (std::vector<std::string>{"1", "2", "3", "d3"}));
}

TEST(ConcurrentDispatchQueueScheduler, QualityOfServiceMakesAQueueFromTheFactory) {
    auto inlineQueues = platform::testing::ScopedDispatchFactory::inlineQueues();
    rx::ConcurrentDispatchQueueScheduler scheduler(platform::QualityOfService::background);
    EXPECT_NE(dynamic_cast<platform::testing::InlineDispatchQueue*>(scheduler.queue().get()), nullptr);
}

}  // namespace
