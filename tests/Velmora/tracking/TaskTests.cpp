#include "Velmora/tracking/Task.h"
#include "platform/system/Workspace.h"
#include "tests/Velmora/tracking/TrackingTesting.h"

using namespace tracking_testing;
using Velmora::AddressSet;
using Velmora::Task;
using Velmora::Windows;

namespace {

constexpr const char* finderAddress = "file:///System/Library/CoreServices/Finder.app/";

class TaskTest : public testing::Test {
protected:
    tracking_testing::Desktop desktop{R"({"applications": [{"pid": 300, "name": "Finder",
        "bundleIdentifier": "com.apple.finder", "bundle": "/System/Library/CoreServices/Finder.app"},
        {"pid": 400, "name": "Notes", "bundleIdentifier": "com.apple.Notes"},
         {"pid": 4711, "name": "Helper", "bundle": null}],
      "installed": [{"name": "Pages", "bundleIdentifier": "com.apple.iWork.Pages"},
        {"name": "Blank", "info": {"CFBundleName": "", "CFBundleExecutable": "blank"}},
        {"name": "Numbered", "info": {"CFBundleName": 5, "CFBundleIdentifier": 7}}]})"};
};

}  // namespace

TEST_F(TaskTest, WhichWindowsAreListedAndWhetherATaskShows) {
    // Where the listed windows stand among the task's.
    auto listed = [](const Windows& windows, bool finder = false) {
        auto made = task(finder ? finderAddress : "file:///A.app/", 0, windows);
        if (finder) made->bundleIdentifier = "com.apple.finder";
        std::string positions;
        for (const auto& shown : made->visibleWindows())
            positions += std::to_string(std::find(windows.begin(), windows.end(), shown) - windows.begin());
        return positions;
    };
    const Windows inFinder{window(0, 0, 300, 50), window(0, 300, 300, 50.5, std::nullopt),
                           window(0, 600, 300, 600, "", 3)};
    EXPECT_EQ(listed(inFinder, true), "1") << "Finder's tall windows on the normal layer, untitled too";
    auto small = window(0, 300, 100, 100);
    small->isRealWindow = true;
    const Windows others{window(0, 0, 800, 800, std::nullopt), small, window(300, 300, 201, 201),
                         window(600, 600, 200, 900)};
    EXPECT_EQ(listed(others), "12") << "titled, and real or larger than 200 both ways";
    EXPECT_EQ(listed({window(10, 0, 300, 300), window(140, 10, 300, 300)}), "0") << "one block";
    EXPECT_EQ(listed({window(10, 0, 300, 300), window(160, 0, 300, 300)}), "01") << "the next block";
    EXPECT_EQ(listed({window(-100, 0, 300, 300), window(100, 0, 300, 300)}), "0") << "block 0 is -149 to 149";
    EXPECT_EQ(listed({window(10, 0, 300, 300), window(20, 0, 300, 301)}), "01") << "another size";
    // A pinned task without windows shows; a running Finder needs a tall window on the normal layer.
    auto mail = task("file:///Applications/Mail.app/");
    EXPECT_TRUE(mail->shouldShow(AddressSet{mail->bundlePath}));
    EXPECT_FALSE(mail->shouldShow(AddressSet{}));
    mail->windows = {window(0, 0, 10, 10, std::nullopt)};
    EXPECT_TRUE(mail->shouldShow(AddressSet{})) << "any window counts, visible or not";
    auto finder = task(finderAddress, 0, {window(0, 0, 800, 40)});
    finder->runningApplication = desktop->runningApplication(300);
    EXPECT_FALSE(finder->shouldShow(AddressSet{finder->bundlePath})) << "even pinned";
    finder->windows = {window(0, 0, 800, 600, "Desktop", -2147483623)};
    EXPECT_FALSE(finder->shouldShow(AddressSet{finder->bundlePath}));
    finder->windows.push_back(window(0, 0, 800, 51));
    EXPECT_TRUE(finder->shouldShow(AddressSet{}));
}

TEST_F(TaskTest, EqualityComparesWhatAButtonShowsAndHashesTheIdentifier) {
    const AddressSet none;
    auto a = task("file:///Applications/Notes.app/", 2, {window(0, 0, 400, 400)}, "Notes");
    auto b = task("file:///Applications/Other.app/", 2, {window(0, 0, 400, 400)}, "Notes");
    b->icon = platform::Workspace::shared()->iconForFile("/Applications/Notes.app");
    b->processIdentifier = 77;
    b->bundleIdentifier = "com.apple.Notes";
    EXPECT_TRUE(a->isEqual(*b, none)) << "address, icon, process id and identifier take no part";
    EXPECT_NE(a->hashValue(), b->hashValue());
    EXPECT_EQ(a->copy()->hashValue(), a->hashValue());
    const std::pair<const char*, std::function<void(Task&)>> changes[] = {
        {"badge", [](Task& t) { t.badge = "3"; }},
        {"index", [](Task& t) { t.index = 3; }},
        {"title", [](Task& t) { t.title = "Notes 2"; }},
        {"active", [](Task& t) { t.isActive = true; }},
        {"running", [this](Task& t) { t.runningApplication = desktop->runningApplication(400); }},
        {"a window", [](Task& t) { t.windows = {window(0, 0, 400, 401)}; }},
    };
    for (const auto& [name, change] : changes) {
        auto changed = a->copy();
        change(*changed);
        EXPECT_FALSE(changed->isEqual(*a, none)) << name;
    }
    // Windows compare equal whether real or not, but only real small ones are listed.
    auto spread = [](bool isReal, int count) {
        Windows windows;
        for (int index = 0; index < count; ++index) windows.push_back(window(300.0 * index, 0, 100, 100));
        for (const auto& made : windows) made->isRealWindow = isReal;
        return task("file:///Applications/Notes.app/", 2, windows);
    };
    EXPECT_FALSE(spread(true, 3)->isEqual(*spread(false, 3), none)) << "only one offers a window list";
    EXPECT_TRUE(spread(true, 1)->isEqual(*spread(false, 1), none))
        << "one visible window or none give no list";
    auto pinnedOnly = task("file:///Applications/Notes.app/", 2, {}, "Notes");
    auto otherPinned = task("file:///Applications/Other.app/", 2, {}, "Notes");
    EXPECT_FALSE(pinnedOnly->isEqual(*otherPinned, AddressSet{pinnedOnly->bundlePath}))
        << "only one would show";
    EXPECT_TRUE(Velmora::tasksEqual({a, pinnedOnly}, {b, otherPinned}, none));
    EXPECT_FALSE(Velmora::tasksEqual({a}, {a, a}, none));
}

TEST_F(TaskTest, BundleInfoComesFromThePropertyListAndTheIconAlwaysFromTheWorkspace) {
    std::optional<platform::Image> icon;
    auto loaded = [&](const std::string& address, std::optional<std::string> identifier = std::nullopt) {
        auto made = task(address, 0, {}, "Before");
        made->bundleIdentifier = identifier;
        EXPECT_TRUE(made->loadBundleInfo());
        EXPECT_TRUE(made->icon) << address;
        icon = made->icon;
        return made->title + " " + made->bundleIdentifier.value_or("-");
    };
    EXPECT_EQ(loaded("file:///Applications/Pages.app"), "Pages com.apple.iWork.Pages")
        << "a final / is added";
    EXPECT_EQ(icon, platform::Workspace::shared()->iconForFile("/Applications/Pages.app"));
    EXPECT_EQ(loaded("/Applications/Pages.app/"), "Pages com.apple.iWork.Pages") << "a bare path is read too";
    EXPECT_EQ(loaded("file:///Applications/Blank.app/"), " -") << "an empty name still counts";
    EXPECT_EQ(loaded("file:///Applications/Numbered.app/", "kept"), "Numbered kept")
        << "a number falls through to the executable, and an identifier that is none is not taken";
    desktop.write("/Applications/Broken.app/Contents/Info.plist", "not a property list");
    for (const auto* address : {"file:///Applications/Broken.app/", "file:///Applications/Missing.app/",
                                "pid://4711", "https://example.com/A.app/"})
        EXPECT_EQ(loaded(address), "Before -");
    // An application without a bundle is known by its process id.
    EXPECT_EQ(Velmora::applicationIdentity(*desktop->runningApplication(4711)).absoluteString(),
              "pid://4711");
    EXPECT_EQ(Velmora::applicationIdentity(*desktop->runningApplication(300)).absoluteString(),
              finderAddress);
}
