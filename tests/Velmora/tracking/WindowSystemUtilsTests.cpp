#include "Velmora/tracking/WindowSystemUtils.h"
#include "tests/Velmora/tracking/TrackingTesting.h"

using platform::DefaultsValue;
using Velmora::Window;
using Velmora::WindowRecord;
using Velmora::WindowSystemUtils;

namespace {

// Mail (812) with two Inbox windows, Player (900) full screen on the second screen, Editor (901) with
// an untitled window, a sheet, an element without a role, a window with unreadable attributes and
// one that only the window list knows.
class TwoScreenDesktop : public testing::Test {
protected:
    std::shared_ptr<WindowSystemUtils> bridge = Brindle::make<WindowSystemUtils>();
    test_support::InstalledDesktop two{tracking_testing::twoScreens()};
};

// The record's entries, as "key=value" in the record's order.
std::string entries(const WindowRecord& record) {
    std::ostringstream out;
    for (const auto& [key, value] : record) {
        out << (out.tellp() ? " " : "") << key << '=';
        if (auto* text = value.stringValue())
            out << *text;
        else if (value.kind() == DefaultsValue::Kind::boolean)
            out << std::boolalpha << *value.boolValue();
        else
            out << *value.doubleValue();
    }
    return out.str();
}

}  // namespace

TEST_F(TwoScreenDesktop, AccessibilityAndWindowListRecordsHoldWhatCanBeReadOfTheAskedProcessesWindows) {
    auto windows = bridge->axWindows({901, 4242, 812});
    EXPECT_EQ(windows.at(812).size(), 2u);
    EXPECT_TRUE(windows.at(4242).empty()) << "every asked process has an entry";
    // The sheet, the element without a role and the window only the list knows give none; an
    // unreadable title, state or position is left out or reads as 0.
    ASSERT_EQ(windows.at(901).size(), 2u);
    EXPECT_EQ(entries(windows.at(901)[0]),
              "minimized=false fullscreen=false position_x=40 position_y=60 size_w=500 size_h=300 pid=901");
    EXPECT_EQ(entries(windows.at(901)[1]),
              "fullscreen=false position_x=0 position_y=0 size_w=640 size_h=480 pid=901");
    // Untrusted, the accessibility has none, but the window list still gives the asked processes'
    // windows, front to back.
    two->setAccessibilityTrusted(false);
    EXPECT_TRUE(bridge->axWindows({812}).at(812).empty());
    windows = bridge->cgWindows({901, 812, 4242});
    ASSERT_EQ(windows.size(), 2u) << "no entry for a process without windows, none for one not asked";
    ASSERT_EQ(windows.at(901).size(), 5u);
    EXPECT_EQ(
        entries(windows.at(901)[0]),
        "title=Overlay owner_name=Editor minimized=false position_x=0 position_y=0 size_w=1440 size_h=25 "
        "layer=25 pid=901");
    EXPECT_EQ(entries(windows.at(901)[1]),
              "owner_name=Editor minimized=false position_x=40 position_y=60 size_w=500 size_h=300 layer=0 "
              "pid=901");
    ASSERT_EQ(windows.at(812).size(), 2u);
    EXPECT_EQ(windows.at(812)[1].at("minimized"), DefaultsValue(false))
        << "the list knows no minimised windows";
    // Records compare their entries whatever their order; a listed window makes the same window
    // as its record.
    EXPECT_EQ((WindowRecord{{"pid", 1}, {"title", "A"}}), (WindowRecord{{"title", "A"}, {"pid", 1}}));
    EXPECT_NE((WindowRecord{{"pid", 1}, {"title", "A"}}), (WindowRecord{{"pid", 1}, {"title", "B"}}));
    EXPECT_NE((WindowRecord{{"pid", 1}}), (WindowRecord{{"pid", 1}, {"title", "A"}}));
    for (const auto& [pid, listed] : bridge->listedWindows({812, 900, 901})) {
        for (const auto& entry : listed) {
            auto fromListed = Brindle::make<Window>(entry, "Owner", platform::Screens::screens());
            auto fromRecord = Brindle::make<Window>(entry.record(), "Owner");
            EXPECT_TRUE(*fromListed == *fromRecord) << entries(entry.record());
            EXPECT_EQ(std::tuple(fromListed->hasRealTitle, fromListed->layer, fromListed->display),
                      std::tuple(fromRecord->hasRealTitle, fromRecord->layer, fromRecord->display));
        }
    }
}

TEST_F(TwoScreenDesktop, BadgesPairWithTheirItemsAndActivatingUnminimisesOnlyTheFirstWindowOfAnIdentity) {
    // Mail's later item wins, the separator and the item without a readable title are skipped,
    // and an item without a badge adds nothing.
    EXPECT_EQ(bridge->badges(), (Velmora::BadgeMap{{"Mail", "5"}, {"Player", "99+"}}));
    two->setAccessibilityTrusted(false);
    EXPECT_EQ(bridge->badges(), std::nullopt);
    auto badgesOn = [&](const char* json) {
        test_support::InstalledDesktop other(json);
        return bridge->badges();
    };
    EXPECT_EQ(badgesOn(R"({"dock": {"running": false}})"), std::nullopt);
    EXPECT_EQ(badgesOn(R"({"dock": {"items": []}})"), std::nullopt);
    EXPECT_EQ(badgesOn(R"({"applications": [{"name": "Mail"}], "dock": {"badges": {"Notes": "1"}}})"),
              Velmora::BadgeMap{});
    two->setAccessibilityTrusted(true);
    auto editor = two->runningApplication(901);
    // The identity prints an absent title as the null text: a window without a title is never
    // found by the key of its Window, which has its owner's name.
    EXPECT_EQ(WindowSystemUtils::windowIdentity(901, std::nullopt, 40.9, 60, 500, 300),
              "901_(null)_40_60_500_300");
    auto untitled = Brindle::make<Window>(bridge->axWindows({901}).at(901)[0], "Editor");
    EXPECT_FALSE(bridge->activate(editor, untitled->activationKey()));
    // Draft's title, state and position cannot be read, and writing its state fails.
    EXPECT_FALSE(bridge->activate(editor, "901_(null)_0_0_640_480"));
    EXPECT_TRUE(two->actions().empty());
    auto mail = two->runningApplication(812);
    auto inbox = Brindle::make<Window>(bridge->axWindows({812}).at(812)[0], "Mail");
    ASSERT_EQ(inbox->activationKey(), "812_Inbox_10_25_800_600");
    EXPECT_TRUE(bridge->activate(mail, inbox->activationKey()));
    auto state = two->state();
    const auto& windows = state->runningApplication(812)->windows;
    EXPECT_TRUE(!windows[0].minimized && windows[1].minimized);
    ASSERT_EQ(two->actionNames(), std::vector<std::string>{"unminimize"});
    EXPECT_EQ(two->actions()[0].details["window"], windows[0].number);
    EXPECT_FALSE(bridge->activate(mail, "812_Inbox_10_25_800_601"));
    EXPECT_FALSE(bridge->activate(mail, std::nullopt));
    EXPECT_FALSE(bridge->activate(nullptr, inbox->activationKey()));
    two->setAccessibilityTrusted(false);
    EXPECT_FALSE(bridge->activate(mail, inbox->activationKey()));
}

TEST_F(TwoScreenDesktop, TheSimulatedDesktopHasNoWindowPictures) {
    EXPECT_FALSE(bridge->getScreenshotOfWindowId(1));
    EXPECT_FALSE(bridge->getScreenshotOfWindowId(-1));
}
