#include <gtest/gtest.h>

#include <QLabel>
#include <memory>

#include "Velmora/taskbar/TimeManager.h"
#include "Velmora/taskbar/views/ClockView.h"
#include "platform/qt/testing/GuiTestLoop.h"
#include "tests/Brindle/TimeZoneScope.h"

using Velmora::ClockView;
using Velmora::TimeManager;

TEST(ClockView, ShowsTheTimeAboveTheDateAndFollowsTheClockInPlace) {
    TimeZoneScope zone("UTC0");
    // The loop's clock starts at 2026-01-01 00:00:00 UTC.
    platform::qt::GuiTestLoop loop;
    ClockView view(Brindle::make<TimeManager>());
    view.show();
    loop.runUntilIdle();

    QLabel* time = view.timeLabel();
    QLabel* date = view.dateLabel();
    EXPECT_EQ(time->text(), "00:00");
    EXPECT_EQ(date->text(), "2026-01-01");
    EXPECT_LT(time->geometry().bottom(), date->geometry().top());

    loop.advance(24 * 3600.0);
    EXPECT_EQ(view.timeLabel(), time);
    EXPECT_EQ(time->text(), "00:00");
    EXPECT_EQ(date->text(), "2026-01-02");
    loop.advance(60.0);
    EXPECT_EQ(time->text(), "00:01");
}

TEST(ClockView, HoldsItsClockUntilItIsDeleted) {
    platform::qt::GuiTestLoop loop;
    auto view = std::make_unique<ClockView>(Brindle::make<TimeManager>());
    std::weak_ptr<TimeManager> time = view->time();
    EXPECT_FALSE(time.expired());
    EXPECT_EQ(loop.pendingCount(), 1u);

    view.reset();
    EXPECT_TRUE(time.expired());
    loop.advance(1.0);
    EXPECT_EQ(loop.pendingCount(), 0u);
}
