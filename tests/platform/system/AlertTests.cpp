#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/system/Alert.h"

using namespace platform;

TEST(Alert, ButtonsAnswerFromOneThousandInOrderAndTheInnermostResponderDecides) {
    Alert alert;
    alert.messageText = "Update required";
    for (auto response : {alertFirstButtonReturn, alertSecondButtonReturn, alertThirdButtonReturn})
        EXPECT_EQ(alert.addButton("Button " + std::to_string(response)), response);

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
    EXPECT_EQ(shown, std::vector<std::string>{"Update required: Button 1001"});
}

TEST(AlertDeathTest, RunningWithoutAPresenterIsAProgrammingError) {
    Alert alert;
    alert.messageText = "Nobody answers";
    EXPECT_DEATH(alert.runModal(), "no alert presenter");
}
