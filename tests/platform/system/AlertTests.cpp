#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/system/Alert.h"

using namespace platform;

TEST(Alert, ButtonsAnswerFromOneThousandInOrderAndTheResponderDecides) {
    Alert alert;
    alert.messageText = "Update required";
    EXPECT_EQ(alert.addButton("Download now"), alertFirstButtonReturn);
    EXPECT_EQ(alert.addButton("Later"), alertSecondButtonReturn);
    EXPECT_EQ(alert.addButton("Never"), alertThirdButtonReturn);

    std::vector<std::string> shown;
    {
        Alert::ScopedResponder responder([&](const Alert& seen) {
            shown.push_back(seen.messageText + ": " + seen.buttons()[1]);
            return alertSecondButtonReturn;
        });
        EXPECT_EQ(alert.runModal(), alertSecondButtonReturn);
        {
            Alert::ScopedResponder inner([](const Alert&) { return alertThirdButtonReturn; });
            EXPECT_EQ(alert.runModal(), alertThirdButtonReturn);
        }
        EXPECT_EQ(alert.runModal(), alertSecondButtonReturn);
    }
    EXPECT_EQ(shown, (std::vector<std::string>{"Update required: Later", "Update required: Later"}));
}

TEST(AlertDeathTest, RunningWithoutAPresenterIsAProgrammingError) {
    Alert alert;
    alert.messageText = "Nobody answers";
    EXPECT_DEATH(alert.runModal(), "no alert presenter");
}
