#include <gtest/gtest.h>

#include "Brindle/Object.h"
#include "Velmora/tracking/Window.h"
#include "Velmora/tracking/WindowSystemUtils.h"
#include "platform/sim/SimulatedDesktop.h"
#include "platform/system/Screen.h"
#include "tests/support/SimulatedDesktopTesting.h"
#include "tests/support/TemporaryFolder.h"

using platform::DefaultsValue;
using Velmora::WindowRecord;
using Velmora::WindowSystemUtils;

namespace {

// The two-screen desktop: Mail (812) with two Inbox windows, Player (900) with a full-screen
// window on the second screen, Editor (901) with an untitled window, a sheet, an element without
// a role, a window with unreadable attributes and one that only the window list knows.
class TwoScreenDesktop : public testing::Test {
protected:
    static std::shared_ptr<WindowSystemUtils> bridge() { return Brindle::make<WindowSystemUtils>(); }
    std::shared_ptr<platform::RunningApplication> application(std::int32_t pid) {
        return two->runningApplication(pid);
    }

    test_support::InstalledDesktop two{
        test_support::readWholeFile(platform::sim::resourcesDirectory() + "/desktop/two-screens.json")};
};

std::optional<std::string> text(const WindowRecord& record, const char* key) {
    auto found = record.find(key);
    if (found == record.end() || !found->second.stringValue()) return std::nullopt;
    return *found->second.stringValue();
}

double number(const WindowRecord& record, const char* key) { return *record.at(key).doubleValue(); }

}  // namespace

TEST_F(TwoScreenDesktop, PermissionIsAskedWithoutAndWithThePrompt) {
    two->setAccessibilityTrusted(false);
    EXPECT_FALSE(bridge()->hasPermission());
    EXPECT_EQ(two->accessibilityPromptCount(), 0);
    bridge()->handlePermission();
    EXPECT_EQ(two->accessibilityPromptCount(), 1);
    two->setAccessibilityTrusted(true);
    EXPECT_TRUE(bridge()->hasPermission());
}

TEST_F(TwoScreenDesktop, AccessibilityRecordsLeaveOutWhatCannotBeReadAndSkipWhatIsNoWindow) {
    auto windows = bridge()->axWindows({901, 4242, 812});
    ASSERT_EQ(windows.size(), 3u);
    EXPECT_TRUE(windows.at(4242).empty()) << "every asked process has an entry";
    EXPECT_EQ(windows.at(812).size(), 2u);

    const auto& editor = windows.at(901);
    ASSERT_EQ(editor.size(), 2u)
        << "the sheet, the element without a role and the list-only window give none";
    const auto& untitled = editor[0];
    EXPECT_FALSE(untitled.contains("title"));
    EXPECT_EQ(untitled.at("minimized"), DefaultsValue(false));
    EXPECT_EQ(untitled.at("fullscreen"), DefaultsValue(false));
    EXPECT_EQ(untitled.at("pid").integerValue(), 901);
    EXPECT_EQ(number(untitled, "position_x"), 40);
    EXPECT_EQ(number(untitled, "size_h"), 300);
    const auto& draft = editor[1];
    EXPECT_FALSE(draft.contains("title"));
    EXPECT_FALSE(draft.contains("minimized"));
    EXPECT_EQ(number(draft, "position_x"), 0) << "an unreadable position reads as 0";
    EXPECT_EQ(number(draft, "position_y"), 0);
    EXPECT_EQ(number(draft, "size_w"), 640);

    two->setAccessibilityTrusted(false);
    auto untrusted = bridge()->axWindows({901, 812});
    EXPECT_TRUE(untrusted.at(901).empty());
    EXPECT_TRUE(untrusted.at(812).empty());
}

TEST_F(TwoScreenDesktop, TheIdentityTruncatesTheFrameAndPrintsAnAbsentTitleAsTheNullText) {
    auto inbox = bridge()->axWindows({812}).at(812)[0];
    EXPECT_EQ(WindowSystemUtils::windowIdentity(812, text(inbox, "title"), number(inbox, "position_x"),
                                                number(inbox, "position_y"), number(inbox, "size_w"),
                                                number(inbox, "size_h")),
              "812_Inbox_10_25_800_600");
    EXPECT_EQ(Brindle::make<Velmora::Window>(inbox, "Mail")->activationKey(), "812_Inbox_10_25_800_600");

    auto untitled = bridge()->axWindows({901}).at(901)[0];
    EXPECT_EQ(WindowSystemUtils::windowIdentity(901, text(untitled, "title"), 40, 60, 500, 300),
              "901_(null)_40_60_500_300");
    auto window = Brindle::make<Velmora::Window>(untitled, "Editor");
    EXPECT_EQ(window->activationKey(), "901_Editor_40_60_500_300");
    EXPECT_FALSE(bridge()->activate(application(901), window->activationKey()))
        << "a window without a title is never found by the key of its Window";
}

TEST_F(TwoScreenDesktop, TheWindowListGivesOnlyTheAskedProcessesFrontToBackAsTheSameWindowsAsItsRecords) {
    two->setAccessibilityTrusted(false);
    auto windows = bridge()->cgWindows({901, 812, 4242});
    ASSERT_EQ(windows.size(), 2u) << "no entry for a process without windows, none for one not asked";
    const auto& editor = windows.at(901);
    ASSERT_EQ(editor.size(), 5u);
    EXPECT_EQ(text(editor[0], "title"), "Overlay");
    EXPECT_EQ(editor[0].at("layer").integerValue(), 25);
    EXPECT_FALSE(editor[1].contains("title"));
    EXPECT_EQ(text(editor[1], "owner_name"), "Editor");
    EXPECT_EQ(editor[1].at("pid").integerValue(), 901);
    EXPECT_EQ(number(editor[1], "position_x"), 40);
    EXPECT_EQ(number(editor[1], "size_w"), 500);
    EXPECT_EQ(editor[4].at("layer").integerValue(), 0);
    ASSERT_EQ(windows.at(812).size(), 2u);
    EXPECT_EQ(windows.at(812)[1].at("minimized"), DefaultsValue(false))
        << "the list knows no minimised windows";

    // A listed window makes the same window as its record.
    const std::vector<std::int32_t> pids{812, 900, 901};
    auto listed = bridge()->listedWindows(pids);
    auto records = bridge()->cgWindows(pids);
    ASSERT_EQ(listed.size(), 3u);
    for (const auto& [pid, list] : listed) {
        ASSERT_EQ(list.size(), records.at(pid).size());
        for (std::size_t index = 0; index < list.size(); ++index) {
            EXPECT_EQ(list[index].record(), records.at(pid)[index]);
            auto fromListed =
                Brindle::make<Velmora::Window>(list[index], "Owner", platform::Screens::screens());
            auto fromRecord = Brindle::make<Velmora::Window>(records.at(pid)[index], "Owner");
            EXPECT_TRUE(*fromListed == *fromRecord);
            EXPECT_EQ(std::tuple(fromListed->hasRealTitle, fromListed->layer, fromListed->display),
                      std::tuple(fromRecord->hasRealTitle, fromRecord->layer, fromRecord->display));
        }
    }
}

TEST_F(TwoScreenDesktop, BadgesArePairedWithTheTitleOfTheirOwnItemAndAbsentWithoutADockOrItsItems) {
    // Mail's later item wins, the separator and the item without a readable title are skipped,
    // and an item without a badge adds nothing.
    EXPECT_EQ(bridge()->badges(), (Velmora::BadgeMap{{"Mail", "5"}, {"Player", "99+"}}));
    two->setAccessibilityTrusted(false);
    EXPECT_EQ(bridge()->badges(), std::nullopt);

    for (const auto& [json, expected] : std::vector<std::pair<std::string, std::optional<Velmora::BadgeMap>>>{
             {R"({"dock": {"running": false}})", std::nullopt},
             {R"({"dock": {"items": []}})", std::nullopt},
             {R"({"applications": [{"name": "Mail"}], "dock": {"badges": {"Notes": "1"}}})",
              Velmora::BadgeMap{}}}) {
        test_support::InstalledDesktop other(json);
        EXPECT_EQ(bridge()->badges(), expected) << json;
    }
}

TEST_F(TwoScreenDesktop, ActivatingUnminimisesOnlyTheFirstWindowWithTheIdentity) {
    // Draft's title, minimised state and position cannot be read, so its identity has the null
    // text and a zero position, and writing its minimised state fails.
    EXPECT_FALSE(bridge()->activate(application(901), "901_(null)_0_0_640_480"));
    EXPECT_TRUE(two->actions().empty());

    auto mail = application(812);
    EXPECT_TRUE(bridge()->activate(mail, "812_Inbox_10_25_800_600"));
    auto state = two->state();
    const auto& windows = state->runningApplication(812)->windows;
    EXPECT_FALSE(windows[0].minimized);
    EXPECT_TRUE(windows[1].minimized);
    ASSERT_EQ(two->actions().size(), 1u);
    EXPECT_EQ(two->actions()[0].name, "unminimize");
    EXPECT_EQ(two->actions()[0].details["window"], windows[0].number);

    EXPECT_FALSE(bridge()->activate(mail, "812_Inbox_10_25_800_601"));
    EXPECT_FALSE(bridge()->activate(mail, std::nullopt));
    EXPECT_FALSE(bridge()->activate(nullptr, "812_Inbox_10_25_800_600"));
    two->setAccessibilityTrusted(false);
    EXPECT_FALSE(bridge()->activate(mail, "812_Inbox_10_25_800_600"));
}
