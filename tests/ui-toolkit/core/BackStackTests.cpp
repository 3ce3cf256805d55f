#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/base/Animation.h"
#include "rx/Rx.h"
#include "ui-toolkit/core/BackStack.h"
#include "ui-toolkit/core/Module.h"
#include "ui-toolkit/core/ObservableBindings.h"

using namespace brindle_core;

namespace {

class BackStackTest : public ::testing::Test {
protected:
    void SetUp() override {
        BackStack::stack().clear();
        subscription = BackStack::changed().subscribe([this](const rx::Unit&) {
            ++signals;
            stackSizesAtSignal.push_back(BackStack::stack().size());
        });
    }
    void TearDown() override {
        subscription.dispose();
        BackStack::stack().clear();
    }

    std::vector<std::string> identifiers() const {
        std::vector<std::string> result;
        for (const auto& entry : BackStack::stack()) result.push_back(entry.identifier);
        return result;
    }

    rx::Disposable subscription;
    int signals = 0;
    std::vector<std::size_t> stackSizesAtSignal;
    std::vector<std::string> ran;
};

TEST_F(BackStackTest, PopRunsTheTopActionBeforeSignalling) {
    BackStack::pop();
    EXPECT_EQ(signals, 0);

    BackStack::push([this] { ran.push_back("a"); }, "a");
    BackStack::push(
        [this] {
            ran.push_back("b");
            EXPECT_EQ(signals, 2);
        },
        "b");
    BackStack::pop();
    EXPECT_EQ(ran, std::vector<std::string>{"b"});
    EXPECT_EQ(stackSizesAtSignal, (std::vector<std::size_t>{1, 2, 1}));
}

TEST_F(BackStackTest, ExecutingRemoveLooksOnlyAtTheTop) {
    BackStack::push([this] { ran.push_back("a"); }, "a");
    BackStack::push([this] { ran.push_back("b"); }, "b");
    signals = 0;
    BackStack::remove("a", true);
    EXPECT_EQ(signals, 0);
    EXPECT_EQ(identifiers(), (std::vector<std::string>{"a", "b"}));

    BackStack::remove("b", true);
    EXPECT_EQ(ran, std::vector<std::string>{"b"});
    EXPECT_EQ(signals, 1);
    EXPECT_EQ(identifiers(), std::vector<std::string>{"a"});
}

TEST_F(BackStackTest, SilentRemoveDropsEveryMatchAndSignalsOnce) {
    for (auto id : {"x", "a", "x", "b"}) BackStack::push([this, id] { ran.push_back(id); }, id);
    signals = 0;
    BackStack::remove("x", false);
    EXPECT_EQ(identifiers(), (std::vector<std::string>{"a", "b"}));
    EXPECT_TRUE(ran.empty());
    EXPECT_EQ(signals, 1);

    BackStack::remove("missing", false);
    EXPECT_EQ(signals, 2);
}

TEST(ObservableBindingsTest, WritesEachElementAndPrintsTheGivenText) {
    rx::PublishSubject<int> subject;
    std::vector<int> plain;
    std::vector<bool> animated;
    auto first = bind<int>(subject, [&](const int& v) { plain.push_back(v); });
    auto second = animatedBind<int>(
        subject, [&](const int&) { animated.push_back(platform::isInAnimationTransaction()); });
    std::vector<int> passed;
    testing::internal::CaptureStdout();
    auto third = printOnNext<int>(subject, "tick").subscribe([&](const int& v) { passed.push_back(v); });
    subject.onNext(4);
    subject.onNext(5);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "tick\ntick\n");
    EXPECT_EQ(plain, (std::vector<int>{4, 5}));
    EXPECT_EQ(animated, (std::vector<bool>{true, true}));
    EXPECT_EQ(passed, (std::vector<int>{4, 5}));
    for (auto* d : {&first, &second, &third}) d->dispose();
}

}  // namespace
