#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "rx/Rx.h"
#include "tests/rx/Recorder.h"

namespace {

using rx_tests::Lines;
using rx_tests::Recorder;

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

}  // namespace
