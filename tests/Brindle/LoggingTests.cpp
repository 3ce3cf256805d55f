#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "Brindle/Logging.h"
#include "platform/foundation/FileManager.h"

TEST(Logging, PrintsLinesOutsideTextCannotForgeOrHandsThemToAReplacement) {
    testing::internal::CaptureStdout();
    Brindle::Logging::shared()->log("abc");
    Brindle::Logging::shared()->log(42);
    Brindle::Logging::shared()->log(1.0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "abc\n42\n1.0\n");

    std::vector<std::string> lines;
    Brindle::Logging::setPrintFunction([&](const std::string& text) { lines.push_back(text); });
    Brindle::Logging::shared()->log(7);
    Brindle::Logging::shared()->log(std::string("Switching"));
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
                  "7", "Switching",
                  "Doc\\nMonitor 0 is NOT in fullscreen\\n\\x1b[2J\\x1b[31mFAKE: settings reset\\x1b[0m",
                  "a\\rb\\tc\\\\d", "\\u009b31m \\x7f \\xff caf\xc3\xa9"}));
}
