#include <gtest/gtest.h>

#include <QObject>
#include <QVariantAnimation>
#include <algorithm>
#include <cmath>

#include "platform/qt/QtAnimation.h"
#include "platform/qt/Spring.h"

using platform::qt::AnimationSpec;
using platform::qt::Spring;

namespace {

// The largest value over the first `seconds`, sampled finely.
double peak(const Spring& spring, double seconds) {
    double highest = 0;
    for (double t = 0; t <= seconds; t += seconds / 20000) highest = std::max(highest, spring.value(t));
    return highest;
}

}  // namespace

TEST(Spring, OvershootsOnlyUnderCriticalDampingAndSettlesWithinAPixelAtItsSettlingTime) {
    const struct {
        Spring spring;
        double lowestPeak, highestPeak;
    } cases[]{
        {{0.15, 0.85}, 1.003, 1.01},  // the bar's slide: a slight overshoot
        {{0.5, 0.5}, 1.1, 1.2},
        {{0.5, 1.0}, 0.99, 1.0},  // the onboarding's springs: none
        {{0.3, 1.5}, 0.99, 1.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.spring.response << " " << c.spring.dampingFraction);
        double settling = c.spring.settlingTime();
        EXPECT_EQ(c.spring.value(0), 0);
        double highest = peak(c.spring, 3 * settling);
        EXPECT_GE(highest, c.lowestPeak);
        EXPECT_LE(highest, c.highestPeak);
        // A move of 1000 pixels lies within a pixel of its end from the settling time on, and
        // not long before.
        double outside = 0;
        for (double t = 0; t <= 4 * settling; t += settling / 2000) {
            double miss = std::abs(1 - c.spring.value(t)) * 1000;
            if (t >= settling)
                EXPECT_LE(miss, 1.0) << t;
            else if (miss > 1.0)
                outside = t;
        }
        EXPECT_GT(outside, 0.95 * settling);
    }
    // A quicker response settles sooner; critical damping settles in a known multiple of it.
    EXPECT_LT((Spring{0.15, 1.0}.settlingTime()), (Spring{0.5, 1.0}.settlingTime()));
    EXPECT_NEAR((Spring{0.5, 1.0}.settlingTime()), 9.23 * 0.5 / (2 * M_PI), 0.01);
}

TEST(Spring, ASpringAnimationRunsUntilSettledAndPassesItsEndOnTheWay) {
    QObject owner;
    double value = 0;
    auto spec = AnimationSpec::springing({0.5, 0.5});
    platform::qt::animateValue(
        &owner, "offset", 0.0, 100.0, [&](const QVariant& v) { value = v.toDouble(); }, spec);
    auto* animation = owner.findChild<QVariantAnimation*>();
    ASSERT_TRUE(animation);
    EXPECT_EQ(animation->duration(), std::lround(spec.duration * 1000));
    double highest = 0;
    for (int ms = 0; ms <= animation->duration(); ms += 5) {
        animation->setCurrentTime(ms);
        highest = std::max(highest, value);
    }
    animation->setCurrentTime(animation->duration());
    EXPECT_GT(highest, 110);
    EXPECT_EQ(value, 100);
}
