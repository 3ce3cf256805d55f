#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/testing/VirtualMainLoop.h"
#include "ui-toolkit/ui/TamberButtonClickInfo.h"

using namespace brindle_ui;

namespace {

class ClickInfoTest : public ::testing::Test {
protected:
    void SetUp() override {
        info = Brindle::make<TamberButtonClickInfo>();
        subscription = info->progressing.observe([this](const bool& value) { seen.push_back(value); });
        seen.clear();
    }
    void TearDown() override { subscription.dispose(); }

    platform::testing::VirtualMainLoop loop;
    std::shared_ptr<TamberButtonClickInfo> info;
    rx::Disposable subscription;
    std::vector<bool> seen;
};

TEST_F(ClickInfoTest, ShowsProgressAfterTheDelay) {
    EXPECT_EQ(info->textFrame, platform::Rect{});
    info->showProgress(1.0);
    loop.advance(0.999);
    EXPECT_FALSE(info->progressing.value());
    loop.advance(0.001);
    EXPECT_TRUE(info->progressing.value());
    info->hideProgress();
    loop.runUntilIdle();
    EXPECT_EQ(seen, (std::vector<bool>{true, false}));
}

TEST_F(ClickInfoTest, OnlyTheLastRequestTakesEffect) {
    info->showProgress(1.0);
    info->hideProgress();
    loop.advance(2);
    EXPECT_EQ(seen, std::vector<bool>{false});

    info->showProgress(0.5);
    info->showProgress(2);
    loop.advance(1);
    EXPECT_EQ(seen, std::vector<bool>{false});
    loop.advance(1);
    EXPECT_EQ(seen, (std::vector<bool>{false, true}));
}

TEST_F(ClickInfoTest, ReleasedClickEndsItsRequestSilently) {
    info->showProgress(0.5);
    subscription.dispose();
    info.reset();
    loop.advance(1);
    EXPECT_TRUE(seen.empty());
}

}  // namespace
