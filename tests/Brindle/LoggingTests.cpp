#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Brindle/Diagnostics.h"
#include "Brindle/Logging.h"
#include "platform/testing/VirtualMainLoop.h"

TEST(Logging, DefaultPrintWritesTheTextAndALineFeed) {
    testing::internal::CaptureStdout();
    Brindle::Logging::shared()->log("abc");
    Brindle::Logging::shared()->log(42);
    Brindle::Logging::shared()->log(1.0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "abc\n42\n1.0\n");
}

TEST(Logging, ReplacementReceivesTheFormattedText) {
    std::vector<std::string> lines;
    Brindle::Logging::setPrintFunction([&](const std::string& text) { lines.push_back(text); });
    Brindle::Logging::shared()->log(7);
    Brindle::Logging::shared()->log(std::string("Switching"));
    Brindle::Logging::setPrintFunction(nullptr);
    EXPECT_EQ(lines, (std::vector<std::string>{"7", "Switching"}));
}

TEST(MemoryAllocationTracker, CountsNothingForATypeNeverRecorded) {
    auto tracker = Brindle::MemoryAllocationTracker::shared();
    EXPECT_EQ(tracker, Brindle::MemoryAllocationTracker::shared());
    EXPECT_EQ(tracker->liveCount<int>(), 0);
    tracker->setExpectedCount<int>(3);
    tracker->setExpectedCount<int>(4);
    EXPECT_EQ(tracker->expectedCount(typeid(int)), 4);
}

TEST(FPSCounter, MeasuresFramesWithinAOneSecondWindow) {
    platform::testing::VirtualMainLoop loop;
    Brindle::FPSCounter counter;
    std::vector<double> rates;
    for (int i = 0; i < 3; ++i) {
        loop.advance(0.01);
        counter.tick();
        rates.push_back(counter.fps);
    }
    for (double rate : rates) EXPECT_NEAR(rate, 100.0, 1e-3);

    loop.advance(1.5);  // past the window: restarts it and keeps the last rate
    counter.tick();
    EXPECT_NEAR(counter.fps, 100.0, 1e-3);
    EXPECT_EQ(counter.counter, 1.0);
}
