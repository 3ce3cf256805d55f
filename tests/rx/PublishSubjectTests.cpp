#include <stdexcept>

#include "tests/rx/Recorder.h"

using namespace rx_tests;

namespace {

TEST(PublishSubject, DeliversToCurrentObserversInOrderAndCopiesShareIt) {
    rx::PublishSubject<int> subject;
    Recorder<int> recorder;
    subject.onNext(0);
    auto a = recorder.subscribe(subject, "a");
    rx::PublishSubject<int> copy = subject;
    recorder.subscribe(rx::Observable<int>(copy), "b");
    copy.onNext(1);
    a.dispose();
    subject.onNext(2);
    subject.onCompleted();
    subject.onNext(3);
    EXPECT_EQ(recorder.lines, (Lines{"a1", "b1", "b2", "bcompleted"}));

    // A late subscriber to an ended subject gets only its one terminal event.
    rx::PublishSubject<int> failed;
    failed.onError(std::make_exception_ptr(std::runtime_error("boom")));
    failed.onCompleted();
    recorder.lines.clear();
    recorder.subscribe(failed, "f");
    recorder.subscribe(copy, "c");
    EXPECT_EQ(recorder.lines, (Lines{"ferror", "ccompleted"}));
}

struct Delivery {
    std::unique_ptr<rx::PublishSubject<int>> subject = std::make_unique<rx::PublishSubject<int>>();
    Recorder<int> recorder;
    rx::Disposable a, b;
};

// Observers that act on the subject while it delivers to them: "a" reacts to each element, "b"
// subscribed after it notes what it gets.
struct Reentrancy {
    const char* name;
    std::function<void(int value, Delivery&)> reaction;
    Lines expected;
};

TEST(PublishSubject, ObserversMayChangeTheSubjectDuringDelivery) {
    const Reentrancy cases[]{
        {"disposing a later observer skips it", [](int, Delivery& d) { d.b.dispose(); }, {"a1", "a2"}},
        {"an observer may dispose itself", [](int, Delivery& d) { d.a.dispose(); }, {"a1", "b1", "b2"}},
        {"one subscribed during delivery misses the current element",
         [](int v, Delivery& d) {
             if (v == 1) d.recorder.subscribe(*d.subject, "late");
         },
         {"a1", "b1", "a2", "b2", "late2"}},
        {"a nested send reaches everyone first",
         [](int v, Delivery& d) {
             if (v == 1) d.subject->onNext(3);
         },
         {"a1", "a3", "b3", "b1", "a2", "b2"}},
        {"the subject may be destroyed", [](int, Delivery& d) { d.subject.reset(); }, {"a1", "b1"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Delivery d;
        d.a = d.subject->subscribe([&](int v) {
            d.recorder.lines.push_back("a" + std::to_string(v));
            c.reaction(v, d);
        });
        d.b = d.recorder.subscribe(*d.subject, "b");
        d.subject->onNext(1);
        if (d.subject) d.subject->onNext(2);
        EXPECT_EQ(d.recorder.lines, c.expected);
    }
}

TEST(PublishSubject, EndedSubscriptionKeepsNothingAlive) {
    rx::PublishSubject<int> subject;
    auto disposedCapture = std::make_shared<int>(0);
    auto completedCapture = std::make_shared<int>(0);
    std::weak_ptr<int> disposedWeak = disposedCapture, completedWeak = completedCapture;
    rx::DisposeBag bag;
    auto subscription = subject.map([disposedCapture](int value) { return value + *disposedCapture; })
                            .subscribe([disposedCapture](int) {});
    subscription.disposed(bag);
    int disposedCalls = 0;
    auto completed = subject.subscribe([completedCapture](int) {}, nullptr, [completedCapture] {},
                                       [&] { ++disposedCalls; });
    disposedCapture.reset();
    completedCapture.reset();
    // The bag still holds the one handle and the other is kept here, but the handlers are gone
    // once each subscription has ended.
    subscription.dispose();
    EXPECT_TRUE(disposedWeak.expired());
    EXPECT_FALSE(completedWeak.expired());
    subject.onCompleted();
    EXPECT_TRUE(completedWeak.expired());
    EXPECT_FALSE(subject.hasObservers());
    EXPECT_EQ(disposedCalls, 1);
    EXPECT_TRUE(completed.isDisposed());
    completed.dispose();
    EXPECT_EQ(disposedCalls, 1);
}

}  // namespace
