#include <stdexcept>

#include "tests/rx/Recorder.h"

using namespace rx_tests;

TEST(BehaviorSubject, ReplaysTheLatestValueThenFollowsAndAnEndedOneOnlyItsEnd) {
    rx::BehaviorSubject<int> subject(1), failed(1);
    Recorder<int> recorder;
    subject.onNext(2);
    recorder.subscribe(subject, "a");
    subject.onNext(3);
    subject.onCompleted();
    subject.onNext(4);
    failed.onError(std::make_exception_ptr(std::runtime_error("boom")));
    recorder.subscribe(subject, "c");
    recorder.subscribe(failed, "f");
    EXPECT_EQ(recorder.lines, (Lines{"a2", "a3", "acompleted", "ccompleted", "ferror"}));
    EXPECT_EQ(subject.value(), 3);
    EXPECT_THROW(failed.value(), std::runtime_error);
}
