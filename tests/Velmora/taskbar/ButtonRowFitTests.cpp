#include <gtest/gtest.h>

#include "Velmora/taskbar/ButtonRowFit.h"

using Velmora::ButtonRowFit;
using Velmora::fitButtonRow;

// The bar's own sizes: 48-point buttons, 6 points apart.
TEST(ButtonRowFit, FullWhileTheyFitThenNarrowedAlikeWithinTheSpace) {
    const ButtonRowFit full{48, 6};
    struct Row {
        int space, buttons, gaps;
        ButtonRowFit fit;
    };
    const Row rows[]{
        {0, 0, 0, full},
        {534, 10, 9, full},       // exactly
        {533, 10, 9, {48, 5}},    // a point short: the spacing gives first
        {1291, 45, 43, {25, 3}},  // two groups: one gap fewer
        {40, 1, 0, {40, 5}},      // alone it takes the space
        {100, 200, 199, {1, 0}},  // more buttons than points: one point each
        {-20, 3, 2, {1, 0}},      // no space at all
        {100, 4, -1, {25, 3}},    // no gaps
        {2'000'000'000, 1'000'000, 999'999, full},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.space << " points, " << row.buttons << " buttons");
        auto fit = fitButtonRow(row.space, row.buttons, row.gaps, full);
        EXPECT_EQ(std::pair(fit.buttonWidth, fit.spacing), std::pair(row.fit.buttonWidth, row.fit.spacing));
        if (row.buttons > 0 && row.space >= row.buttons) {
            EXPECT_LE(row.buttons * fit.buttonWidth + std::max(row.gaps, 0) * fit.spacing, row.space);
        }
    }
}
