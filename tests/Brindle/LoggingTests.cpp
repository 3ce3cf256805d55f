#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Brindle/Logging.h"

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
