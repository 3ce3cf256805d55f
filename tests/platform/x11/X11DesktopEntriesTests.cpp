#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "platform/foundation/FileManager.h"
#include "platform/system/DesktopSession.h"
#include "platform/system/Workspace.h"
#include "platform/testing/VirtualMainLoop.h"
#include "platform/xdg/DesktopApplications.h"
#include "tests/platform/x11/X11Session.h"
#include "tests/support/TemporaryFolder.h"

using platform::x11::X11Desktop;
using velmora::testing::X11Session;

namespace {

// The X11 desktop with desktop entries of our own that start the test client.
class X11DesktopEntriesTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(session.ready()) << "no Xvfb with openbox";
        for (const char* name : {"XDG_DATA_DIRS", "XDG_DATA_HOME"})
            if (const char* value = std::getenv(name)) saved[name] = value;
        ::setenv("XDG_DATA_DIRS", (folder / "share").c_str(), 1);
        ::setenv("XDG_DATA_HOME", (folder / "data").c_str(), 1);
        std::filesystem::create_directories(folder / "share/applications");
        for (std::string id : {"pinned-app", "launched"}) {
            auto wmClass = id == "launched" ? std::string("LaunchedClass") : std::string("PinnedClass");
            test_support::writeFile(folder / ("share/applications/" + id + ".desktop"),
                                    "[Desktop Entry]\nType=Application\nName=" + id +
                                        " entry\nExec=" X11_TEST_CLIENT " " + wmClass +
                                        " Window 200x100\nStartupWMClass=" + wmClass + "\n");
        }
        X11Desktop::Options options;
        options.consentPath = session.home() + "/consent";
        options.applications = std::make_shared<platform::xdg::DesktopApplications>(folder / "cache");
        options.applications->update();
        std::string error;
        desktop = X11Desktop::open(options, &error);
        ASSERT_TRUE(desktop) << error;
    }

    // The next session's window manager reads its theme from the data folders.
    void TearDown() override {
        for (const char* name : {"XDG_DATA_DIRS", "XDG_DATA_HOME"}) {
            if (saved.count(name))
                ::setenv(name, saved[name].c_str(), 1);
            else
                ::unsetenv(name);
        }
    }

    std::shared_ptr<platform::RunningApplication> waitForApplication(const std::string& identifier) {
        std::shared_ptr<platform::RunningApplication> found;
        X11Session::waitFor([&] {
            for (const auto& app : desktop->workspace()->runningApplications())
                if (app->bundleIdentifier() == identifier) found = app;
            return found != nullptr;
        });
        return found;
    }

    platform::testing::VirtualMainLoop loop;
    test_support::TemporaryFolder folder;
    X11Session session;
    std::shared_ptr<X11Desktop> desktop;
    std::map<std::string, std::string> saved;
};

TEST_F(X11DesktopEntriesTest, ARunningWindowIsItsEntrysApplicationAtTheAddressTheScanGivesIt) {
    auto listed =
        platform::FileManager::shared()->contentsOfDirectory(platform::URL::fileURL("/Applications/", true));
    ASSERT_TRUE(listed);
    EXPECT_EQ(listed->size(), 2u);
    auto pid = session.client("PinnedClass", "Pinned");
    auto app = waitForApplication("pinned-app");
    ASSERT_TRUE(app);
    EXPECT_EQ(app->processIdentifier(), pid);
    EXPECT_EQ(app->localizedName(), "pinned-app entry");
    // The scan's address of the entry's bundle, which a pinned entry keeps, is the running one's.
    EXPECT_NE(std::find(listed->begin(), listed->end(), *app->bundleURL()), listed->end())
        << app->bundleURL()->absoluteString();
}

TEST_F(X11DesktopEntriesTest, OpeningAnEntrysBundleStartsItsProgramAndReportsSuccess) {
    std::optional<std::optional<std::string>> outcome;
    desktop->workspace()->openApplication(*platform::URL::fromString("/Applications/launched.app/"), {},
                                          [&](auto, std::optional<std::string> error) { outcome = error; });
    loop.runUntilIdle();
    ASSERT_TRUE(outcome) << "the completion ran";
    EXPECT_EQ(*outcome, std::nullopt);
    auto app = waitForApplication("launched");
    ASSERT_TRUE(app);
    EXPECT_EQ(app->bundleURL()->absoluteString(), "file:///Applications/launched.app/");
    EXPECT_TRUE(app->terminate());
    // The session's commands take the place of the Dock's and the power options' command lines.
    EXPECT_TRUE(desktop->desktopSession());
}

}  // namespace
