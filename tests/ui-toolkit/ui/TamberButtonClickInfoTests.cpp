#include <gtest/gtest.h>

#include <vector>

#include "platform/testing/VirtualMainLoop.h"
#include "ui-toolkit/ui/TamberButtonClickInfo.h"

using namespace brindle_ui;

TEST(ClickInfoTest, ShowsProgressAfterTheDelayForTheLastRequestOnlyAndNotOnceReleased) {
    platform::testing::VirtualMainLoop loop;
    auto info = Brindle::make<TamberButtonClickInfo>();
    std::vector<bool> seen;
    auto subscription =
        info->progressing.asObservable().skip(1).subscribe([&](const bool& value) { seen.push_back(value); });
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
    info->showProgress(0.5);
    info.reset();  // a released click ends its request silently
    loop.advance(1);
    EXPECT_EQ(seen, (std::vector<bool>{true, false}));
}
