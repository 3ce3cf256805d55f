#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/base/Animation.h"
#include "ui-toolkit/core/BackStack.h"
#include "ui-toolkit/core/Module.h"
#include "ui-toolkit/core/ObservableBindings.h"

using namespace brindle_core;
using Strings = std::vector<std::string>;

namespace {

// Notes the stack's size at each signal, and each action that runs with the signals before it.
class BackStackTest : public ::testing::Test {
protected:
    void SetUp() override { BackStack::stack().clear(); }
    void TearDown() override {
        subscription.dispose();
        BackStack::stack().clear();
    }
    void push(std::initializer_list<const char*> identifiers) {
        for (std::string id : identifiers)
            BackStack::push([this, id] { log.push_back(id + " after " + std::to_string(sizes.size())); }, id);
    }

    std::vector<std::size_t> sizes;
    Strings log;
    rx::Disposable subscription = BackStack::changed().subscribe(
        [this](const rx::Unit&) { sizes.push_back(BackStack::stack().size()); });
};

TEST_F(BackStackTest, PopRunsTheTopActionBeforeSignallingAndRemoveEitherRunsTheTopOrDropsEveryMatch) {
    BackStack::pop();
    push({"x", "a", "x", "b"});
    BackStack::pop();
    BackStack::remove("a", true);  // not on top: nothing happens
    push({"b"});
    BackStack::remove("b", true);
    BackStack::remove("x", false);
    BackStack::remove("missing", false);
    ASSERT_EQ(BackStack::stack().size(), 1u);
    EXPECT_EQ(BackStack::stack()[0].identifier, "a");
    EXPECT_EQ(log, (Strings{"b after 4", "b after 6"}));
    EXPECT_EQ(sizes, (std::vector<std::size_t>{1, 2, 3, 4, 3, 4, 3, 1, 1}));
}

TEST(ObservableBindingsTest, WritesEachElementAndPrintsTheGivenText) {
    rx::PublishSubject<int> subject;
    std::vector<int> plain, passed;
    std::vector<bool> animated;
    auto first = bind<int>(subject, [&](const int& v) { plain.push_back(v); });
    auto second = animatedBind<int>(
        subject, [&](const int&) { animated.push_back(platform::isInAnimationTransaction()); });
    testing::internal::CaptureStdout();
    auto third = printOnNext<int>(subject, "tick").subscribe([&](const int& v) { passed.push_back(v); });
    subject.onNext(4);
    subject.onNext(5);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "tick\ntick\n");
    EXPECT_EQ(plain, (std::vector<int>{4, 5}));
    EXPECT_EQ(animated, (std::vector<bool>{true, true}));
    EXPECT_EQ(passed, (std::vector<int>{4, 5}));
}

}  // namespace
