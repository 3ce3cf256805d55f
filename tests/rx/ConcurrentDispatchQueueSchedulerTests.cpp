#include "platform/testing/TestDispatchQueues.h"
#include "platform/testing/VirtualMainLoop.h"
#include "tests/rx/Recorder.h"

using namespace rx_tests;

TEST(ConcurrentDispatchQueueScheduler, RunsOnItsQueueAndDelaysThroughIt) {
    platform::testing::VirtualMainLoop loop;
    auto queue = std::make_shared<platform::testing::ManualDispatchQueue>();
    auto scheduler = std::make_shared<rx::ConcurrentDispatchQueueScheduler>(queue);
    rx::PublishSubject<int> subject;
    Recorder<int> recorder;
    recorder.subscribe(subject.observeOn(scheduler));
    subject.onNext(1);
    subject.onNext(2);
    EXPECT_EQ(queue->pendingCount(), 1u);  // one drain for both
    queue->runAll();
    EXPECT_EQ(recorder.lines, (Lines{"1", "2"}));
    recorder.subscribe(subject.delay(2, scheduler), "d");
    subject.onNext(3);
    queue->runAll();
    loop.advance(2);
    queue->runAll();
    EXPECT_EQ(recorder.lines, (Lines{"1", "2", "3", "d3"}));

    auto inlineQueues = platform::testing::ScopedDispatchFactory::inlineQueues();
    rx::ConcurrentDispatchQueueScheduler fromFactory(platform::QualityOfService::background);
    EXPECT_NE(dynamic_cast<platform::testing::InlineDispatchQueue*>(fromFactory.queue().get()), nullptr);
}
