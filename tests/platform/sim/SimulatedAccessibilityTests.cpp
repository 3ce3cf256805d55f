#include <gtest/gtest.h>

#include "platform/base/NotificationCenter.h"
#include "platform/system/Accessibility.h"
#include "platform/system/WindowList.h"
#include "platform/system/Workspace.h"
#include "tests/platform/sim/DesktopTesting.h"

using namespace sim_tests;
using platform::Accessibility;
using platform::AXError;
using platform::AXValue;

namespace {

const char* desktopJSON = R"({
  "accessibilityTrusted": false,
  "applications": [
    {"pid": 812, "name": "Mail", "bundleIdentifier": "com.apple.mail",
     "windows": [
       {"title": "Inbox", "frame": [10.5, 25, 800, 600], "minimized": true},
       {"title": "Sheet", "frame": [20, 40, 300, 200], "role": "AXSheet"},
       {"title": "Status", "frame": [1300, 0, 28, 24], "layer": 25, "inAccessibility": false},
       {"title": "Secret", "frame": [5, 5, 50, 50], "inWindowList": false, "unreadable": ["AXTitle", "AXMinimized"]}
     ]},
    {"pid": 813, "name": "Notes", "bundleIdentifier": "com.apple.Notes", "hidden": true,
     "windows": [{"title": "List", "frame": [100, 100, 400, 300], "unreadable": ["kCGWindowName"]}]}
  ]
})";

std::vector<std::string> windowNames(const std::vector<platform::WindowInfo>& list) {
    std::vector<std::string> result;
    for (const auto& info : list) {
        auto name = info.find("kCGWindowName");
        result.push_back(name == info.end() ? "-" : *name->second.stringValue());
    }
    return result;
}

}  // namespace

TEST(SimulatedAccessibility, TrustGatesEveryReadAndWriteAndItsChangesAreAnnounced) {
    InstalledDesktop installed(desktopJSON);
    auto accessibility = Accessibility::shared();
    int notifications = 0;
    auto token = platform::NotificationCenter::distributedCenter()->addObserver(
        Accessibility::trustChangedNotification, [&](const platform::Notification&) { ++notifications; });

    auto mail = accessibility->applicationElement(812);
    EXPECT_FALSE(accessibility->copyAttributeValue(mail, "AXRole"));
    EXPECT_FALSE(accessibility->copyAttributeValues(mail, "AXWindows", 0, 100));
    EXPECT_FALSE(accessibility->isProcessTrusted(false));
    EXPECT_FALSE(accessibility->isProcessTrusted(true));
    EXPECT_FALSE(accessibility->isProcessTrusted(true));
    EXPECT_EQ(installed.desktop->accessibilityPromptCount(), 2);
    EXPECT_EQ(platform::WindowList::shared()->copyWindowInfo(platform::WindowListOption::all).size(), 4u)
        << "the window list needs no trust";

    installed.desktop->setAccessibilityTrusted(true);
    installed.desktop->setAccessibilityTrusted(true);
    EXPECT_EQ(notifications, 1);
    EXPECT_EQ(accessibility->copyAttributeValue(mail, "AXRole"), AXValue("AXApplication"));
    auto windows = accessibility->copyAttributeValues(mail, "AXWindows", 0, 100);
    ASSERT_TRUE(windows);
    ASSERT_EQ(windows->size(), 3u) << "the status window is only in the window list";
    auto inbox = (*windows)[0].elementValue();
    EXPECT_EQ(accessibility->copyAttributeValue(inbox, "AXTitle"), AXValue("Inbox"));

    installed.desktop->setAccessibilityTrusted(false);
    EXPECT_EQ(notifications, 2);
    EXPECT_EQ(accessibility->setAttributeValue(inbox, "AXMinimized", false), AXError::apiDisabled);
    platform::NotificationCenter::distributedCenter()->removeObserver(token);
}

TEST(SimulatedAccessibility, WindowElementsCarryTheScenariosAttributes) {
    InstalledDesktop installed(desktopJSON);
    installed.desktop->setAccessibilityTrusted(true);
    auto accessibility = Accessibility::shared();
    auto windows =
        *accessibility->copyAttributeValues(accessibility->applicationElement(812), "AXWindows", 0, 100);
    auto inbox = windows[0].elementValue();
    auto sheet = windows[1].elementValue();
    auto secret = windows[2].elementValue();

    EXPECT_EQ(accessibility->copyAttributeValue(inbox, "AXPosition"), AXValue(platform::Point{10.5, 25}));
    EXPECT_EQ(accessibility->copyAttributeValue(inbox, "AXSize"), AXValue(platform::Size{800, 600}));
    EXPECT_EQ(accessibility->copyAttributeValue(inbox, "AXMinimized"), AXValue(true));
    EXPECT_EQ(accessibility->copyAttributeValue(inbox, "AXFullScreen"), AXValue(false));
    EXPECT_EQ(accessibility->copyAttributeValue(inbox, "AXParent"),
              AXValue(accessibility->applicationElement(812)));
    EXPECT_EQ(accessibility->copyAttributeValue(sheet, "AXRole"), AXValue("AXSheet"));
    EXPECT_FALSE(accessibility->copyAttributeValue(secret, "AXTitle"));
    EXPECT_FALSE(accessibility->copyAttributeValue(secret, "AXMinimized"));
    EXPECT_EQ(accessibility->copyAttributeValue(secret, "AXRole"), AXValue("AXWindow"));

    EXPECT_EQ(
        accessibility->copyAttributeValues(accessibility->applicationElement(812), "AXWindows", 1, 1)->size(),
        1u);
    EXPECT_FALSE(accessibility->copyAttributeValues(accessibility->applicationElement(812), "AXRole", 0, 1));
    EXPECT_FALSE(accessibility->copyAttributeValue(accessibility->applicationElement(4242), "AXRole"));

    EXPECT_EQ(accessibility->setAttributeValue(inbox, "AXMinimized", false), AXError::success);
    EXPECT_EQ(accessibility->copyAttributeValue(inbox, "AXMinimized"), AXValue(false));
    EXPECT_EQ(accessibility->setAttributeValue(secret, "AXMinimized", false), AXError::cannotComplete);
    EXPECT_EQ(accessibility->setAttributeValue(inbox, "AXMinimized", "no"), AXError::illegalArgument);
    EXPECT_EQ(accessibility->setAttributeValue(inbox, "AXTitle", "Renamed"), AXError::attributeUnsupported);
    ASSERT_EQ(installed.desktop->actions().size(), 1u);
    EXPECT_EQ(installed.desktop->actions()[0].jsonLine(),
              R"({"action":"unminimize","pid":812,"title":"Inbox","window":)" +
                  std::to_string(installed.desktop->state()->runningApplication(812)->windows[0].number) +
                  "}");

    installed.desktop->quit(812);
    EXPECT_FALSE(accessibility->copyAttributeValue(inbox, "AXTitle")) << "the element of a quit process";
}

TEST(SimulatedAccessibility, TheWindowListGoesFrontToBackWithHigherLayersFirst) {
    InstalledDesktop installed(desktopJSON);
    auto list = platform::WindowList::shared();
    EXPECT_EQ(windowNames(list->copyWindowInfo(platform::WindowListOption::all)),
              (std::vector<std::string>{"Status", "Inbox", "Sheet", "-"}));
    EXPECT_EQ(windowNames(list->copyWindowInfo(platform::WindowListOption::onScreenOnly)),
              (std::vector<std::string>{"Status", "Sheet"}))
        << "minimised windows and those of hidden applications are not on screen";

    platform::Workspace::shared()->runningApplications()[2]->activate(0);
    auto all = list->copyWindowInfo(platform::WindowListOption::all);
    EXPECT_EQ(windowNames(all), (std::vector<std::string>{"Status", "-", "Inbox", "Sheet"}));
    const auto& notes = all[1];
    EXPECT_EQ(notes.at("kCGWindowOwnerPID").integerValue(), 813);
    EXPECT_EQ(*notes.at("kCGWindowOwnerName").stringValue(), "Notes");
    EXPECT_EQ(notes.at("kCGWindowLayer").integerValue(), 0);
    EXPECT_EQ(notes.at("kCGWindowIsOnscreen").boolValue(), true);
    EXPECT_EQ(*notes.at("kCGWindowBounds").dictionaryValue(),
              (platform::DefaultsValue::Dictionary{
                  {"X", 100.0}, {"Y", 100.0}, {"Width", 400.0}, {"Height", 300.0}}));
    EXPECT_FALSE(all[2].contains("kCGWindowIsOnscreen"));
}

TEST(SimulatedAccessibility, TheDocksListHoldsOneItemPerRegularApplicationWithItsBadge) {
    InstalledDesktop installed(R"({"applications": [
        {"name": "Mail", "bundleIdentifier": "com.apple.mail"},
        {"name": "Helper", "policy": "accessory"},
        {"name": "Notes", "bundleIdentifier": "com.apple.Notes"}],
      "dock": {"badges": {"Mail": "3"}}})");
    auto accessibility = Accessibility::shared();
    auto dock = platform::Workspace::shared()->runningApplications()[0];
    ASSERT_EQ(dock->bundleIdentifier(), "com.apple.dock");
    auto children = accessibility->copyAttributeValue(
        accessibility->applicationElement(dock->processIdentifier()), "AXChildren");
    ASSERT_TRUE(children);
    ASSERT_EQ(children->arrayValue()->size(), 1u);
    auto list = (*children->arrayValue())[0].elementValue();
    EXPECT_EQ(accessibility->copyAttributeValue(list, "AXRole"), AXValue("AXList"));
    auto items = accessibility->copyAttributeValue(list, "AXChildren");
    ASSERT_EQ(items->arrayValue()->size(), 2u);
    auto mail = (*items->arrayValue())[0].elementValue();
    auto notes = (*items->arrayValue())[1].elementValue();
    EXPECT_EQ(accessibility->copyAttributeValue(mail, "AXRole"), AXValue("AXDockItem"));
    EXPECT_EQ(accessibility->copyAttributeValue(mail, "AXTitle"), AXValue("Mail"));
    EXPECT_EQ(accessibility->copyAttributeValue(mail, "AXStatusLabel"), AXValue("3"));
    EXPECT_FALSE(accessibility->copyAttributeValue(notes, "AXStatusLabel"));

    installed.desktop->setDockBadge("Notes", "1");
    installed.desktop->setDockBadge("Mail", std::nullopt);
    EXPECT_EQ(accessibility->copyAttributeValue(notes, "AXStatusLabel"), AXValue("1"));
    EXPECT_FALSE(accessibility->copyAttributeValue(mail, "AXStatusLabel"));
}
