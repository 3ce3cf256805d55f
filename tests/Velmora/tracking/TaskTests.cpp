#include <gtest/gtest.h>
#include <plist/plist.h>

#include <cstdlib>

#include "Velmora/tracking/PropertyList.h"
#include "Velmora/tracking/Task.h"
#include "platform/system/Workspace.h"
#include "tests/Velmora/tracking/TrackingTesting.h"

using tracking_testing::Desktop;
using tracking_testing::task;
using tracking_testing::url;
using tracking_testing::window;
using Velmora::AddressSet;
using Velmora::Task;
using Velmora::Windows;

namespace {

std::size_t visibleCount(const Task& task) { return task.visibleWindows().size(); }

std::string binaryPropertyList(const std::string& name, const std::string& identifier) {
    plist_t root = plist_new_dict();
    plist_dict_set_item(root, "CFBundleName", plist_new_string(name.c_str()));
    plist_dict_set_item(root, "CFBundleIdentifier", plist_new_string(identifier.c_str()));
    char* bytes = nullptr;
    std::uint32_t length = 0;
    plist_to_bin(root, &bytes, &length);
    std::string result(bytes, length);
    std::free(bytes);
    plist_free(root);
    return result;
}

}  // namespace

TEST(Task, FinderListsOnlyItsTallWindowsOnTheNormalLayer) {
    Desktop desktop;
    auto finder =
        task("file:///System/Library/CoreServices/Finder.app/", 0,
             {window(0, 0, 300, 50), window(0, 300, 300, 50.5), window(300, 600, 300, 600, "Desk", 3)});
    finder->bundleIdentifier = "com.apple.finder";
    ASSERT_EQ(visibleCount(*finder), 1u);
    EXPECT_EQ(finder->visibleWindows()[0]->h, 50.5);
}

TEST(Task, OtherApplicationsListTitledWindowsThatAreRealOrLarge) {
    Desktop desktop;
    auto untitled = window(0, 0, 800, 800, std::nullopt);
    auto small = window(0, 300, 100, 100);
    small->isRealWindow = true;
    auto large = window(300, 300, 201, 201);
    auto narrow = window(600, 600, 200, 900);
    auto editor = task("file:///Applications/Editor.app/", 0, {untitled, small, large, narrow});
    auto visible = editor->visibleWindows();
    ASSERT_EQ(visible.size(), 2u);
    EXPECT_EQ(visible[0], small);
    EXPECT_EQ(visible[1], large);
}

TEST(Task, WindowsOfOneSizeInTheSame150PointBlockCountOnce) {
    Desktop desktop;
    EXPECT_EQ(visibleCount(*task("file:///A.app/", 0, {window(10, 0, 300, 300), window(140, 0, 300, 300)})),
              1u);
    EXPECT_EQ(visibleCount(*task("file:///A.app/", 0, {window(10, 0, 300, 300), window(160, 0, 300, 300)})),
              2u);
    EXPECT_EQ(visibleCount(*task("file:///A.app/", 0, {window(-100, 0, 300, 300), window(100, 0, 300, 300)})),
              1u)
        << "the block of 0 spans -149 to 149";
    EXPECT_EQ(visibleCount(*task("file:///A.app/", 0, {window(10, 0, 300, 300), window(20, 0, 300, 301)})),
              2u);
    auto kept =
        task("file:///A.app/", 0, {window(10, 0, 300, 300, "First"), window(20, 10, 300, 300, "Second")})
            ->visibleWindows();
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0]->title, "First");
}

TEST(Task, APinnedTaskWithoutWindowsShowsAndARunningFinderNeedsATallWindow) {
    Desktop desktop(
        R"({"applications": [{"pid": 300, "name": "Finder", "bundleIdentifier": "com.apple.finder",
                        "bundle": "/System/Library/CoreServices/Finder.app"}]})");
    auto mail = task("file:///Applications/Mail.app/");
    AddressSet pinned{url("file:///Applications/Mail.app/")};
    EXPECT_TRUE(mail->shouldShow(pinned));
    EXPECT_FALSE(mail->shouldShow(AddressSet{}));
    mail->windows = {window(0, 0, 10, 10, std::nullopt)};
    EXPECT_TRUE(mail->shouldShow(AddressSet{})) << "any window counts, visible or not";

    auto finder = task("file:///System/Library/CoreServices/Finder.app/", 0, {window(0, 0, 800, 40)});
    finder->runningApplication = desktop.desktop->runningApplication(300);
    AddressSet finderPinned{finder->bundlePath};
    EXPECT_FALSE(finder->shouldShow(finderPinned));
    finder->windows = {window(0, 0, 800, 600, "Desktop", -2147483623)};
    EXPECT_FALSE(finder->shouldShow(finderPinned));
    finder->windows.push_back(window(0, 0, 800, 51));
    EXPECT_TRUE(finder->shouldShow(AddressSet{}));
}

TEST(Task, EqualityComparesWhatAButtonShowsAndHashesTheIdentifier) {
    Desktop desktop(
        R"({"applications": [{"pid": 400, "name": "Notes", "bundleIdentifier": "com.apple.Notes"}]})");
    AddressSet none;
    auto a = task("file:///Applications/Notes.app/", 2, {window(0, 0, 400, 400)}, "Notes");
    auto b = task("file:///Applications/Other.app/", 2, {window(0, 0, 400, 400)}, "Notes");
    b->icon = platform::Workspace::shared()->iconForFile("/Applications/Notes.app");
    b->processIdentifier = 77;
    b->bundleIdentifier = "com.apple.Notes";
    EXPECT_TRUE(a->isEqual(*b, none)) << "address, icon, process id and identifier take no part";
    EXPECT_NE(a->hashValue(), b->hashValue());
    EXPECT_EQ(a->copy()->hashValue(), a->hashValue());
    EXPECT_TRUE(a->copy()->isEqual(*a, none));

    auto badged = a->copy();
    badged->badge = "3";
    EXPECT_FALSE(badged->isEqual(*a, none));
    auto moved = a->copy();
    moved->index = 3;
    EXPECT_FALSE(moved->isEqual(*a, none));
    auto renamed = a->copy();
    renamed->title = "Notes 2";
    EXPECT_FALSE(renamed->isEqual(*a, none));
    auto active = a->copy();
    active->isActive = true;
    EXPECT_FALSE(active->isEqual(*a, none));
    auto running = a->copy();
    running->runningApplication = desktop.desktop->runningApplication(400);
    EXPECT_FALSE(running->isEqual(*a, none)) << "one running and one not differ";
    auto alsoRunning = running->copy();
    EXPECT_TRUE(alsoRunning->isEqual(*running, none));

    auto real = [](double x) {
        auto made = window(x, 0, 100, 100);
        made->isRealWindow = true;
        return made;
    };
    auto three = task("file:///Applications/Notes.app/", 2, {real(0), real(300), real(600)}, "Notes");
    auto none3 = task("file:///Applications/Notes.app/", 2,
                      {window(0, 0, 100, 100), window(300, 0, 100, 100), window(600, 0, 100, 100)}, "Notes");
    EXPECT_FALSE(three->isEqual(*none3, none)) << "equal windows, but only one offers a window list";
    three->windows.resize(1);
    none3->windows.resize(1);
    EXPECT_TRUE(three->isEqual(*none3, none)) << "one visible window or none both give no list";

    auto pinnedOnly = task("file:///Applications/Notes.app/", 2, {}, "Notes");
    auto otherPinned = task("file:///Applications/Other.app/", 2, {}, "Notes");
    EXPECT_FALSE(pinnedOnly->isEqual(*otherPinned, AddressSet{pinnedOnly->bundlePath}))
        << "only one of them would show";
    EXPECT_TRUE(Velmora::tasksEqual({a, pinnedOnly}, {b, otherPinned}, none));
    EXPECT_FALSE(Velmora::tasksEqual({a}, {a, a}, none));
}

TEST(Task, BundleInfoComesFromXmlAndBinaryPropertyListsAndTheIconAlwaysFromTheWorkspace) {
    Desktop desktop(R"({"installed": [
        {"name": "Pages", "bundleIdentifier": "com.apple.iWork.Pages", "bundle": "/Applications/Pages.app"},
        {"name": "Blank", "bundle": "/Applications/Blank.app", "info": {"CFBundleName": "", "CFBundleExecutable": "blank"}},
        {"name": "Numbered", "bundle": "/Applications/Numbered.app", "info": {"CFBundleName": 5, "CFBundleIdentifier": 7}}]})");
    auto workspace = platform::Workspace::shared();

    auto pages = task("file:///Applications/Pages.app", 0, {}, "Pages.app");
    EXPECT_TRUE(pages->loadBundleInfo());
    EXPECT_EQ(pages->title, "Pages");
    EXPECT_EQ(pages->bundleIdentifier, "com.apple.iWork.Pages") << "a missing final / is inserted";
    EXPECT_EQ(pages->icon, workspace->iconForFile("/Applications/Pages.app"));

    auto blank = task("file:///Applications/Blank.app/", 0, {}, "Blank.app");
    blank->loadBundleInfo();
    EXPECT_EQ(blank->title, "") << "an empty name still counts";

    auto numbered = task("file:///Applications/Numbered.app/", 0, {}, "Numbered.app");
    numbered->bundleIdentifier = "kept";
    numbered->loadBundleInfo();
    EXPECT_EQ(numbered->title, "Numbered") << "a number falls through to the executable";
    EXPECT_EQ(numbered->bundleIdentifier, "kept");

    desktop.write("/Applications/Binary.app/Contents/Info.plist",
                  binaryPropertyList("Binary", "com.example.binary"));
    auto binary = task("/Applications/Binary.app/", 0, {}, "Binary.app");
    binary->loadBundleInfo();
    EXPECT_EQ(binary->title, "Binary") << "a scheme-less address is read too";
    EXPECT_EQ(binary->bundleIdentifier, "com.example.binary");
}

TEST(Task, AMissingOrBrokenPropertyListKeepsTheFieldsButStillGetsTheIcon) {
    Desktop desktop;
    auto workspace = platform::Workspace::shared();
    const std::vector<std::string> broken{
        "", "not a property list",
        "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>CFBundleName</key><string>Cut",
        binaryPropertyList("Cut", "com.example.cut").substr(0, 40),
        "<?xml version=\"1.0\"?><plist version=\"1.0\"><array><string>x</string></array></plist>"};
    for (const auto& bytes : broken) {
        desktop.write("/Applications/Broken.app/Contents/Info.plist", bytes);
        auto broken = task("file:///Applications/Broken.app/", 0, {}, "Broken.app");
        broken->loadBundleInfo();
        EXPECT_EQ(broken->title, "Broken.app");
        EXPECT_FALSE(broken->bundleIdentifier);
        EXPECT_EQ(broken->icon, workspace->iconForFile("/Applications/Broken.app"));
    }
    for (const auto& address :
         {"file:///Applications/Missing.app/", "pid://4711", "https://example.com/A.app/"}) {
        auto missing = task(address, 0, {}, "Missing.app");
        missing->loadBundleInfo();
        EXPECT_EQ(missing->title, "Missing.app");
        EXPECT_TRUE(missing->icon) << address;
    }
}

TEST(Task, AnApplicationWithoutABundleIsKnownByItsProcessId) {
    Desktop desktop(R"({"applications": [{"pid": 4711, "name": "Helper", "bundle": null},
                                         {"pid": 4712, "name": "Mail", "bundle": "/Applications/Mail.app"}]})");
    EXPECT_EQ(Velmora::applicationIdentity(*desktop.desktop->runningApplication(4711)).absoluteString(),
              "pid://4711");
    EXPECT_EQ(Velmora::applicationIdentity(*desktop.desktop->runningApplication(4712)).absoluteString(),
              "file:///Applications/Mail.app/");
}
