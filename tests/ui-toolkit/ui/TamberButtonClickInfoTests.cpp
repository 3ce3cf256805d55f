#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/testing/VirtualMainLoop.h"
#include "ui-toolkit/ui/TamberButtonClickInfo.h"

using namespace brindle_ui;

namespace {

class ClickInfoTest : public ::testing::Test {
protected:
    platform::testing::VirtualMainLoop loop;
    std::shared_ptr<TamberButtonClickInfo> info = Brindle::make<TamberButtonClickInfo>();
    std::vector<bool> seen;
    rx::Disposable subscription = info->progressing.asObservable().skip(1).subscribe(
        [this](const bool& value) { seen.push_back(value); });
};

TEST_F(ClickInfoTest, ShowsProgressAfterTheDelayAndOnlyTheLastRequestTakesEffect) {
    info->showProgress(1.0);
    loop.advance(0.999);
    EXPECT_FALSE(info->progressing.value());
    loop.advance(0.001);
    EXPECT_TRUE(info->progressing.value());
    info->hideProgress();
    info->showProgress(0.5);
    info->showProgress(2);
    loop.advance(1.9);
    info->hideProgress();
    info->showProgress(0.1);
    info->hideProgress();
    loop.advance(2);
    EXPECT_EQ(seen, (std::vector<bool>{true, false}));
}

TEST_F(ClickInfoTest, ReleasedClickEndsItsRequestSilently) {
    info->showProgress(0.5);
    subscription.dispose();
    info.reset();
    loop.advance(1);
    EXPECT_TRUE(seen.empty());
}

}  // namespace
