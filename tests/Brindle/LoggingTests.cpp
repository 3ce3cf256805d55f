#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "Brindle/Diagnostics.h"
#include "Brindle/Logging.h"
#include "platform/foundation/FileManager.h"
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

TEST(Logging, OutsideTextCannotForgeALineOrDriveTheTerminal) {
    std::vector<std::string> lines;
    Brindle::Logging::setPrintFunction([&](const std::string& text) { lines.push_back(text); });
    // A window title that once printed a fake line and cleared the terminal.
    auto scenario = nlohmann::json::parse(*platform::FileManager::shared()->readFile(
        VELMORA_CORPUS_DIR "/scenario/scenario-log-injection-title.json"));
    Brindle::Logging::shared()->log(scenario["applications"][0]["windows"][0]["title"].get<std::string>());
    for (const char* text : {"a\rb\tc\\d",
                             "\xc2\x9b"
                             "31m \x7f \xff caf\xc3\xa9"})
        Brindle::Logging::shared()->log(std::string(text));
    Brindle::Logging::setPrintFunction(nullptr);
    EXPECT_EQ(lines,
              (std::vector<std::string>{
                  "Doc\\nMonitor 0 is NOT in fullscreen\\n\\x1b[2J\\x1b[31mFAKE: settings reset\\x1b[0m",
                  "a\\rb\\tc\\\\d", "\\u009b31m \\x7f \\xff caf\xc3\xa9"}));
}
