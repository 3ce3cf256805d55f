#include <gtest/gtest.h>

#include "platform/system/Alert.h"

using namespace platform;

TEST(Alert, TheInnermostResponderAnswersWhatTheAlertShows) {
    Alert alert;
    alert.messageText = "Update required";
    alert.addButton("Download now");
    EXPECT_EQ(alert.addButton("Later"), alertSecondButtonReturn);
    std::vector<std::string> shown;
    Alert::ScopedResponder responder([&](const Alert& seen) {
        shown.push_back(seen.messageText + ": " + seen.buttons()[1]);
        return alertSecondButtonReturn;
    });
    {
        Alert::ScopedResponder inner([](const Alert&) { return alertThirdButtonReturn; });
        EXPECT_EQ(alert.runModal(), alertThirdButtonReturn);
    }
    EXPECT_EQ(alert.runModal(), alertSecondButtonReturn);
    EXPECT_EQ(shown, std::vector<std::string>{"Update required: Later"});
}

TEST(AlertDeathTest, RunningWithoutAPresenterIsAProgrammingError) {
    EXPECT_DEATH(Alert().runModal(), "no alert presenter");
}
