#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "rx/Rx.h"

namespace {

// Records what one subscription receives as readable lines.
template <class T>
struct Recorder {
    std::vector<std::string> lines;

    rx::Disposable subscribe(const rx::Observable<T>& observable, const std::string& name = "") {
        return observable.subscribe(
            [this, name](const T& value) { lines.push_back(name + std::to_string(value)); },
            [this, name](std::exception_ptr) { lines.push_back(name + "error"); },
            [this, name] { lines.push_back(name + "completed"); });
    }
};

using Lines = std::vector<std::string>;

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

TEST(BehaviorSubject, ReplaysTheLatestValueThenFollows) {
    rx::BehaviorSubject<int> subject(1);
    Recorder<int> recorder;
    subject.onNext(2);
    auto a = recorder.subscribe(subject, "a");
    subject.onNext(3);
    EXPECT_EQ(subject.value(), 3);
    EXPECT_EQ(recorder.lines, (Lines{"a2", "a3"}));
    a.dispose();
}

TEST(BehaviorSubject, EndedSubjectGivesLateSubscribersOnlyTheTerminalEvent) {
    rx::BehaviorSubject<int> completed(1);
    completed.onCompleted();
    completed.onNext(2);
    rx::BehaviorSubject<int> failed(1);
    failed.onError(std::make_exception_ptr(std::runtime_error("boom")));

    Recorder<int> recorder;
    auto a = recorder.subscribe(completed, "c");
    auto b = recorder.subscribe(failed, "f");
    EXPECT_EQ(recorder.lines, (Lines{"ccompleted", "ferror"}));
    EXPECT_EQ(completed.value(), 1);
    EXPECT_THROW(failed.value(), std::runtime_error);
}

// Subjects and relays are used as members, initialised in place.
struct StateOwner {
    rx::PublishSubject<rx::Unit> onStateExit;
    rx::BehaviorRelay<std::shared_ptr<int>> newState{nullptr};
    rx::BehaviorRelay<std::vector<int>> items{{}};
    rx::Published<bool> visible;
};

TEST(BehaviorRelay, WorksAsAMemberAndUnitSubjectsSendWithoutArguments) {
    StateOwner owner;
    int exits = 0;
    auto subscription = owner.onStateExit.subscribe([&](rx::Unit) { ++exits; });
    owner.onStateExit.onNext();
    EXPECT_EQ(exits, 1);
    EXPECT_EQ(owner.newState.value(), nullptr);
    EXPECT_TRUE(owner.items.value().empty());
    EXPECT_FALSE(owner.visible.value());
    subscription.dispose();
}

TEST(BehaviorRelay, ReplaysOnSubscriptionAndNeverDeduplicates) {
    rx::BehaviorRelay<int> relay(5);
    Recorder<int> recorder;
    auto a = recorder.subscribe(relay, "a");
    relay.accept(5);
    relay.accept(5);
    auto b = recorder.subscribe(relay.asObservable(), "b");
    relay.accept(6);
    EXPECT_EQ(relay.value(), 6);
    EXPECT_EQ(recorder.lines, (Lines{"a5", "a5", "a5", "b5", "a6", "b6"}));
    a.dispose();
    b.dispose();
}

TEST(BehaviorRelay, ObserverSeesTheNewValueAsStoredAndMayAcceptDuringReplay) {
    rx::BehaviorRelay<std::shared_ptr<int>> relay{nullptr};
    std::vector<int> seen;
    auto subscription = relay.subscribe([&](const std::shared_ptr<int>& value) {
        EXPECT_EQ(relay.value(), value);
        if (!value) {
            relay.accept(std::make_shared<int>(1));
            return;
        }
        seen.push_back(*value);
    });
    EXPECT_EQ(seen, std::vector<int>{1});
    ASSERT_TRUE(relay.value());
    EXPECT_EQ(*relay.value(), 1);
    subscription.dispose();
}

TEST(Published, ObserversAreToldTheNewValueBeforeItIsStored) {
    rx::Published<int> published(1);
    std::vector<std::pair<int, int>> seen;  // (told, stored at that time)
    auto subscription = published.observe([&](int value) { seen.emplace_back(value, published.value()); });
    published.set(2);
    published.set(2);
    EXPECT_EQ(published.value(), 2);
    EXPECT_EQ(seen, (std::vector<std::pair<int, int>>{{1, 1}, {2, 1}, {2, 2}}));
    subscription.dispose();
    published.set(3);
    EXPECT_EQ(seen.size(), 3u);
}

TEST(Published, ObserverAddedDuringANotificationStartsFromTheNewValue) {
    rx::Published<int> published(1);
    std::vector<int> late;
    rx::Disposable lateSubscription;
    auto subscription = published.observe([&](int value) {
        if (value == 2) lateSubscription = published.observe([&](int seen) { late.push_back(seen); });
    });
    published.set(2);
    published.set(3);
    EXPECT_EQ(late, (std::vector<int>{2, 3}));
    subscription.dispose();
    lateSubscription.dispose();
}

TEST(Published, ObserverMayDestroyThePublishedValueDuringANotification) {
    auto published = std::make_unique<rx::Published<int>>(1);
    std::vector<int> seen;
    auto first = published->observe([&](int value) {
        seen.push_back(value);
        if (value == 2) published.reset();
    });
    auto second = published->observe([&](int value) { seen.push_back(value * 10); });
    published->set(2);
    EXPECT_EQ(seen, (std::vector<int>{1, 10, 2, 20}));
    first.dispose();
    second.dispose();
}

TEST(Published, ObservableViewFollowsTheValue) {
    rx::Published<std::string> published;
    std::vector<std::string> seen;
    auto subscription = published.asObservable()
                            .map([](const std::string& text) { return text.size(); })
                            .subscribe([&](std::size_t size) { seen.push_back(std::to_string(size)); });
    published.set("abc");
    EXPECT_EQ(seen, (std::vector<std::string>{"0", "3"}));
    subscription.dispose();
}

}  // namespace
