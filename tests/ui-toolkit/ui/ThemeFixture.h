#pragma once

#include <gtest/gtest.h>

#include "ui-toolkit/ui/Theme.h"

// Puts the process-wide theme back to its start values around each test.
class ThemeTest : public ::testing::Test {
protected:
    void SetUp() override { reset(); }
    void TearDown() override { reset(); }

    static void reset() {
        brindle_ui::Theme::setCurrent(brindle_ui::Theme::dark);
        brindle_ui::Theme::setBackgroundVariant(0);
        brindle_ui::Theme::setSecondaryVariant(1);
    }
};
