#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "rx/Rx.h"
#include "tests/rx/Recorder.h"

namespace {

using rx_tests::Lines;
using rx_tests::Recorder;

TEST(PublishSubject, DeliversToCurrentObserversInSubscriptionOrder) {
    rx::PublishSubject<int> subject;
    Recorder<int> recorder;
    subject.onNext(0);
    auto a = recorder.subscribe(subject, "a");
    auto b = recorder.subscribe(subject, "b");
    subject.onNext(1);
    a.dispose();
    subject.onNext(2);
    subject.onCompleted();
    subject.onNext(3);
    EXPECT_EQ(recorder.lines, (Lines{"a1", "b1", "b2", "bcompleted"}));
    b.dispose();
}

TEST(PublishSubject, CopiesShareTheSubject) {
    rx::PublishSubject<int> subject;
    Recorder<int> recorder;
    auto subscription = recorder.subscribe(subject);
    rx::PublishSubject<int> copy = subject;
    copy.onNext(7);
    rx::Observable<int> view = copy;
    auto second = recorder.subscribe(view, "v");
    subject.onNext(8);
    EXPECT_EQ(recorder.lines, (Lines{"7", "8", "v8"}));
    subscription.dispose();
    second.dispose();
}

TEST(PublishSubject, LateSubscriberToAnEndedSubjectGetsOnlyTheTerminalEvent) {
    rx::PublishSubject<int> failed;
    failed.onError(std::make_exception_ptr(std::runtime_error("boom")));
    rx::PublishSubject<int> completed;
    completed.onCompleted();
    completed.onError(std::make_exception_ptr(std::runtime_error("ignored")));

    Recorder<int> recorder;
    auto a = recorder.subscribe(failed, "f");
    auto b = recorder.subscribe(completed, "c");
    EXPECT_EQ(recorder.lines, (Lines{"ferror", "ccompleted"}));
}

TEST(PublishSubject, DisposalDuringDeliverySkipsTheDisposedObserver) {
    rx::PublishSubject<int> subject;
    Lines lines;
    rx::Disposable second;
    auto first = subject.subscribe([&](int value) {
        lines.push_back("a" + std::to_string(value));
        second.dispose();
    });
    second = subject.subscribe([&](int value) { lines.push_back("b" + std::to_string(value)); });
    subject.onNext(1);
    subject.onNext(2);
    EXPECT_EQ(lines, (Lines{"a1", "a2"}));
    first.dispose();
}

TEST(PublishSubject, ObserverCanDisposeItselfDuringDelivery) {
    rx::PublishSubject<int> subject;
    Lines lines;
    rx::Disposable self;
    self = subject.subscribe([&](int value) {
        lines.push_back(std::to_string(value));
        self.dispose();
    });
    subject.onNext(1);
    subject.onNext(2);
    EXPECT_EQ(lines, (Lines{"1"}));
    EXPECT_FALSE(subject.hasObservers());
}

TEST(PublishSubject, SubscriberAddedDuringDeliveryMissesTheCurrentElement) {
    rx::PublishSubject<int> subject;
    Recorder<int> recorder;
    std::vector<rx::Disposable> added;
    auto first = subject.subscribe([&](int value) {
        recorder.lines.push_back("a" + std::to_string(value));
        if (added.empty()) added.push_back(recorder.subscribe(subject, "late"));
    });
    subject.onNext(1);
    subject.onNext(2);
    EXPECT_EQ(recorder.lines, (Lines{"a1", "a2", "late2"}));
    first.dispose();
    added[0].dispose();
}

TEST(PublishSubject, NestedSendDeliversTheInnerElementToEveryoneFirst) {
    rx::PublishSubject<int> subject;
    Lines lines;
    auto a = subject.subscribe([&](int value) {
        lines.push_back("a" + std::to_string(value));
        if (value == 1) subject.onNext(2);
    });
    auto b = subject.subscribe([&](int value) { lines.push_back("b" + std::to_string(value)); });
    subject.onNext(1);
    EXPECT_EQ(lines, (Lines{"a1", "a2", "b2", "b1"}));
    a.dispose();
    b.dispose();
}

TEST(PublishSubject, DisposedSubscriptionKeepsNothingAlive) {
    rx::PublishSubject<int> subject;
    auto captured = std::make_shared<int>(0);
    std::weak_ptr<int> weak = captured;
    rx::DisposeBag bag;
    auto subscription =
        subject.map([captured](int value) { return value + *captured; }).subscribe([captured](int) {});
    subscription.disposed(bag);
    captured.reset();
    EXPECT_FALSE(weak.expired());
    subscription.dispose();
    // The bag still holds the handle, but the handlers are gone.
    EXPECT_TRUE(weak.expired());
    EXPECT_FALSE(subject.hasObservers());
}

TEST(PublishSubject, CompletionReleasesHandlersAndRunsOnDisposed) {
    rx::PublishSubject<int> subject;
    auto captured = std::make_shared<int>(0);
    std::weak_ptr<int> weak = captured;
    int disposedCalls = 0;
    auto subscription =
        subject.subscribe([captured](int) {}, nullptr, [captured] {}, [&] { ++disposedCalls; });
    captured.reset();
    subject.onCompleted();
    EXPECT_TRUE(weak.expired());
    EXPECT_EQ(disposedCalls, 1);
    EXPECT_TRUE(subscription.isDisposed());
    subscription.dispose();
    EXPECT_EQ(disposedCalls, 1);
}

TEST(PublishSubject, ObserverMayDestroyTheSubjectDuringDelivery) {
    auto subject = std::make_unique<rx::PublishSubject<int>>();
    Lines lines;
    auto a = subject->subscribe([&](int value) {
        lines.push_back("a" + std::to_string(value));
        subject.reset();
    });
    auto b = subject->subscribe([&](int value) { lines.push_back("b" + std::to_string(value)); });
    subject->onNext(1);
    EXPECT_EQ(lines, (Lines{"a1", "b1"}));
    a.dispose();
    b.dispose();
}

}  // namespace
