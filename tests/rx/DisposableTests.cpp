#include "tests/rx/Recorder.h"

using namespace rx_tests;

TEST(Disposable, ActionRunsOnceOnFirstDisposeAndNeverOnDestruction) {
    int runs = 0;
    {
        auto disposable = rx::Disposable::create([&] { ++runs; });
        rx::Disposable copy = disposable;
        EXPECT_FALSE(copy.isDisposed());
        copy.dispose();
        disposable.dispose();
        EXPECT_TRUE(disposable.isDisposed());
        auto dropped = rx::Disposable::create([&] { ++runs; });
    }
    EXPECT_EQ(runs, 1);
    EXPECT_TRUE(rx::Disposable().isDisposed());
}

TEST(DisposeBag, DisposesItsContentsInOrderWhenDestroyedOrReplaced) {
    rx::PublishSubject<int> subject;
    Recorder<int> recorder;
    {
        rx::DisposeBag bag;
        rx::Disposable::create(recorder.note("1")).disposed(bag);
        bag.insert(rx::Disposable::create(recorder.note("2")));
        EXPECT_TRUE(recorder.lines.empty());
        bag = rx::DisposeBag();
        EXPECT_EQ(recorder.lines, (Lines{"1", "2"}));
        rx::Disposable::create(recorder.note("3")).disposed(bag);
        recorder.subscribe(subject).disposed(bag);
        rx::DisposeBag moved(std::move(bag));
        bag = rx::DisposeBag();
        subject.onNext(10);
    }
    subject.onNext(20);
    EXPECT_EQ(recorder.lines, (Lines{"1", "2", "10", "3"}));
    EXPECT_FALSE(subject.hasObservers());
}

TEST(CompositeDisposable, AdditionAfterDisposeIsDisposedAtOnce) {
    rx::PublishSubject<int> subject;
    Recorder<int> recorder;
    rx::CompositeDisposable composite;
    auto first = rx::Disposable::create(recorder.note("first"));
    composite.insert(first);
    composite.dispose();
    EXPECT_TRUE(first.isDisposed());
    composite.insert(rx::Disposable::create(recorder.note("late")));
    composite.insert(recorder.subscribe(subject));
    subject.onNext(1);
    EXPECT_EQ(recorder.lines, (Lines{"first", "late"}));
    EXPECT_FALSE(subject.hasObservers());
}
