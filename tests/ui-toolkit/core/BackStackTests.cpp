#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/base/Animation.h"
#include "rx/Rx.h"
#include "ui-toolkit/core/BackStack.h"
#include "ui-toolkit/core/Module.h"
#include "ui-toolkit/core/ObservableBindings.h"

using namespace brindle_core;
using Strings = std::vector<std::string>;

namespace {

class BackStackTest : public ::testing::Test {
protected:
    void SetUp() override {
        BackStack::stack().clear();
        subscription = BackStack::changed().subscribe(
            [this](const rx::Unit&) { sizesAtSignal.push_back(BackStack::stack().size()); });
    }
    void TearDown() override {
        subscription.dispose();
        BackStack::stack().clear();
    }

    // Each action notes its identifier and how many signals came before it ran.
    void push(std::initializer_list<const char*> identifiers) {
        for (std::string id : identifiers)
            BackStack::push([this, id] { ran.push_back(id + std::to_string(sizesAtSignal.size())); }, id);
    }
    Strings identifiers() const {
        Strings result;
        for (const auto& entry : BackStack::stack()) result.push_back(entry.identifier);
        return result;
    }

    rx::Disposable subscription;
    std::vector<std::size_t> sizesAtSignal;  // one per signal
    Strings ran;
};

TEST_F(BackStackTest, PopRunsTheTopActionBeforeSignalling) {
    BackStack::pop();
    EXPECT_TRUE(sizesAtSignal.empty());
    push({"a", "b"});
    BackStack::pop();
    EXPECT_EQ(ran, Strings{"b2"});
    EXPECT_EQ(sizesAtSignal, (std::vector<std::size_t>{1, 2, 1}));
}

TEST_F(BackStackTest, ExecutingRemoveLooksOnlyAtTheTopAndSilentRemoveDropsEveryMatch) {
    push({"x", "a", "x", "b"});
    BackStack::remove("a", true);
    EXPECT_EQ(sizesAtSignal.size(), 4u);
    BackStack::remove("b", true);
    EXPECT_EQ(ran, Strings{"b4"});
    EXPECT_EQ(sizesAtSignal.size(), 5u);

    BackStack::remove("x", false);
    EXPECT_EQ(identifiers(), Strings{"a"});
    EXPECT_EQ(ran.size(), 1u);
    BackStack::remove("missing", false);
    EXPECT_EQ(sizesAtSignal, (std::vector<std::size_t>{1, 2, 3, 4, 3, 1, 1}));
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
