#include <gtest/gtest.h>

#include "platform/base/Date.h"

TEST(Date, ReferenceDateIsTheStartOf2001) {
    auto date = platform::Date::fromTimeIntervalSince1970(978307200.0);
    EXPECT_DOUBLE_EQ(date.timeIntervalSinceReferenceDate(), 0);
    EXPECT_DOUBLE_EQ(date.addingTimeInterval(90).timeIntervalSince(date), 90);
    EXPECT_LT(date, date.addingTimeInterval(90));
}
