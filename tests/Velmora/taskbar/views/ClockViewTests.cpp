#include <gtest/gtest.h>

#include <QLabel>
#include <memory>

#include "Velmora/taskbar/TimeManager.h"
#include "Velmora/taskbar/views/ClockView.h"
#include "platform/qt/testing/GuiTestLoop.h"
#include "tests/Brindle/TimeZoneScope.h"

using Velmora::TimeManager;

TEST(ClockView, ShowsTheTimeAboveTheDateAndFollowsTheClockItHoldsInPlace) {
    TimeZoneScope zone("UTC0");
    // The loop's clock starts at 2026-01-01 00:00:00 UTC.
    platform::qt::GuiTestLoop loop;
    auto view = std::make_unique<Velmora::ClockView>(Brindle::make<TimeManager>());
    view->show();
    loop.runUntilIdle();
    QLabel* time = view->timeLabel();
    QLabel* date = view->dateLabel();
    EXPECT_EQ(time->text(), "00:00");
    EXPECT_EQ(date->text(), "2026-01-01");
    EXPECT_LT(time->geometry().bottom(), date->geometry().top());

    loop.advance(24 * 3600.0 + 60.0);
    EXPECT_EQ(view->timeLabel(), time);
    EXPECT_EQ(time->text(), "00:01");
    EXPECT_EQ(date->text(), "2026-01-02");

    std::weak_ptr<TimeManager> clock = view->time();
    view.reset();
    EXPECT_TRUE(clock.expired());
}
