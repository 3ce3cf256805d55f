#include <gtest/gtest.h>

#include "tests/support/SimulatedDesktopTesting.h"

using platform::Accessibility;
using platform::AXError;
using platform::AXValue;

namespace {

const char* desktopJSON = R"({"accessibilityTrusted": false, "applications": [
    {"pid": 812, "name": "Mail", "windows": [{"title": "Inbox", "frame": [10.5, 25, 800, 600], "minimized": true},
       {"title": "Sheet", "frame": [20, 40, 300, 200], "role": "AXSheet"},
       {"title": "Status", "frame": [1300, 0, 28, 24], "layer": 25, "inAccessibility": false},
       {"title": "Secret", "frame": [5, 5, 50, 50], "inWindowList": false, "unreadable": ["AXTitle", "AXMinimized"]}]},
    {"pid": 813, "name": "Notes", "hidden": true, "windows": [{"title": "List", "frame": [100, 100, 400, 300]}]}],
  "dock": {"badges": {"Mail": "3"}}})";

}  // namespace

TEST(SimulatedAccessibility, TrustGatesEveryReadAndWriteAndItsChangesAreAnnounced) {
    test_support::InstalledDesktop installed(desktopJSON);
    auto accessibility = Accessibility::shared();
    auto mail = accessibility->applicationElement(812);
    int notifications = 0;
    auto center = platform::NotificationCenter::distributedCenter();
    auto token =
        center->addObserver(Accessibility::trustChangedNotification, [&](const auto&) { ++notifications; });
    EXPECT_FALSE(accessibility->copyAttributeValue(mail, "AXRole"));
    EXPECT_FALSE(accessibility->isProcessTrusted(true));
    EXPECT_EQ(installed->accessibilityPromptCount(), 1);
    installed->setAccessibilityTrusted(true);
    installed->setAccessibilityTrusted(true);
    EXPECT_EQ(notifications, 1);
    auto windows = accessibility->copyAttributeValues(mail, "AXWindows", 0, 100).value();
    ASSERT_EQ(windows.size(), 3u) << "the status window is only in the window list";
    auto inbox = windows[0].elementValue(), sheet = windows[1].elementValue(),
         secret = windows[2].elementValue();
    EXPECT_EQ(accessibility->copyAttributeValue(inbox, "AXPosition"), AXValue(platform::Point{10.5, 25}));
    EXPECT_EQ(accessibility->copyAttributeValue(inbox, "AXSize"), AXValue(platform::Size{800, 600}));
    EXPECT_EQ(accessibility->copyAttributeValue(inbox, "AXParent"), AXValue(mail));
    EXPECT_EQ(accessibility->copyAttributeValue(sheet, "AXRole"), AXValue("AXSheet"));
    EXPECT_EQ(accessibility->copyAttributeValues(mail, "AXWindows", 1, 1)->size(), 1u);
    EXPECT_FALSE(accessibility->copyAttributeValues(mail, "AXRole", 0, 1));
    // Only the minimised state can be written, and only where it can be read.
    EXPECT_EQ(accessibility->setAttributeValue(inbox, "AXMinimized", false), AXError::success);
    EXPECT_EQ(accessibility->copyAttributeValue(inbox, "AXMinimized"), AXValue(false));
    EXPECT_EQ(accessibility->setAttributeValue(secret, "AXMinimized", false), AXError::cannotComplete);
    EXPECT_EQ(accessibility->setAttributeValue(inbox, "AXMinimized", "no"), AXError::illegalArgument);
    EXPECT_EQ(accessibility->setAttributeValue(inbox, "AXTitle", "Renamed"), AXError::attributeUnsupported);
    EXPECT_EQ(installed->actionNames(), (std::vector<std::string>{"accessibilityPrompt", "unminimize"}));
    installed->setAccessibilityTrusted(false);
    EXPECT_EQ(notifications, 2);
    EXPECT_EQ(accessibility->setAttributeValue(inbox, "AXMinimized", true), AXError::apiDisabled);
    installed->setAccessibilityTrusted(true);
    installed->quit(812);
    EXPECT_FALSE(accessibility->copyAttributeValue(inbox, "AXTitle")) << "the element of a quit process";
    center->removeObserver(token);
}

TEST(SimulatedAccessibility, TheDocksListHoldsOneItemPerRegularApplicationWithItsBadge) {
    test_support::InstalledDesktop installed(desktopJSON);
    installed->setAccessibilityTrusted(true);
    auto accessibility = Accessibility::shared();
    auto get = [&](const AXValue& element, const char* name) {
        return accessibility->copyAttributeValue(element.elementValue(), name).value_or("-");
    };
    auto dock = platform::Workspace::shared()->runningApplications()[0];
    auto list =
        accessibility
            ->copyAttributeValue(accessibility->applicationElement(dock->processIdentifier()), "AXChildren")
            ->arrayValue()
            ->at(0);
    EXPECT_EQ(get(list, "AXRole"), AXValue("AXList"));
    auto items = *get(list, "AXChildren").arrayValue();
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(get(items[1], "AXTitle"), AXValue("Notes"));
    EXPECT_EQ(get(items[0], "AXStatusLabel"), AXValue("3"));
    installed->setDockBadge("Notes", "1");
    installed->setDockBadge("Mail", std::nullopt);
    EXPECT_EQ((std::vector{get(items[0], "AXStatusLabel"), get(items[1], "AXStatusLabel")}),
              (std::vector<AXValue>{"-", "1"}));
}
