#include <gtest/gtest.h>

#include "platform/testing/VirtualMainLoop.h"
#include "platform/xdg/WorkspaceOpener.h"
#include "tests/platform/xdg/XdgTesting.h"

using namespace platform;
using namespace platform::xdg;

namespace {

// A running application that only counts how often it is brought forward.
struct RunningStub : RunningApplication {
    std::int32_t processIdentifier() const override { return 4242; }
    std::optional<URL> bundleURL() const override { return std::nullopt; }
    std::optional<std::string> bundleIdentifier() const override { return std::nullopt; }
    std::optional<std::string> localizedName() const override { return "XClock"; }
    std::optional<Image> icon() const override { return std::nullopt; }
    ActivationPolicy activationPolicy() const override { return ActivationPolicy::regular; }
    bool isActive() const override { return false; }
    bool isHidden() const override { return false; }
    bool isTerminated() const override { return false; }
    bool isFinishedLaunching() const override { return true; }
    bool ownsMenuBar() const override { return false; }
    bool activate(std::uint64_t) override { return ++activations, true; }
    bool terminate() override { return false; }
    bool forceTerminate() override { return false; }
    bool hide() override { return false; }
    bool unhide() override { return false; }
    int activations = 0;
};

}  // namespace

class WorkspaceOpenerTests : public ::testing::Test {
protected:
    WorkspaceOpenerTests() {
        applications->update();
        desktop.clearCalls();
    }
    // The completion's error, once the main queue has run it.
    std::optional<std::string> completed(const std::function<void(Workspace::OpenCompletion)>& call) {
        std::optional<std::optional<std::string>> outcome;
        call([&](std::shared_ptr<RunningApplication>, std::optional<std::string> error) { outcome = error; });
        EXPECT_FALSE(outcome) << "completions run on the main queue";
        loop.runUntilIdle();
        EXPECT_TRUE(outcome);
        return outcome.value_or("no completion");
    }
    xdg_testing::Desktop& desktop = xdg_testing::Desktop::shared();
    platform::testing::VirtualMainLoop loop;
    std::shared_ptr<DesktopApplications> applications =
        std::make_shared<DesktopApplications>(desktop.path("cache/opener"));
    WorkspaceOpener opener{applications};
};

TEST_F(WorkspaceOpenerTests, BundlesLaunchTheirEntryAndAddressesAndFoldersGoToTheDefaultApplication) {
    auto editor = *URL::fromString("/Applications/org.example.Editor.app/");
    EXPECT_TRUE(opener.open(editor));
    EXPECT_TRUE(desktop.waitForCall("editor-bin "));
    EXPECT_EQ(completed([&](auto done) { opener.openApplication(editor, {}, done); }), std::nullopt);
    EXPECT_EQ(
        completed([&](auto done) { opener.open(*URL::fromString("https://example.org/a?b=c"), {}, done); }),
        std::nullopt);
    EXPECT_TRUE(desktop.waitForCall("browser-stub https://example.org/a?b=c"));
    auto document = URL::fileURL(desktop.path("home/notes.txt"), false);
    EXPECT_EQ(completed([&](auto done) { opener.open({document}, editor, {}, done); }), std::nullopt);
    EXPECT_TRUE(desktop.waitForCall("editor-bin " + desktop.path("home/notes.txt")));
    // Terminal=true runs the entry's command in a terminal GIO finds on PATH.
    EXPECT_TRUE(opener.open(*URL::fromString("/Applications/console-tool.app")));
    EXPECT_TRUE(desktop.waitForCall("xterm -e console-tool --flag"));
    // Folders open in the file manager as paths, and the trash by its address.
    EXPECT_TRUE(opener.selectFile(std::nullopt, desktop.path("home/Downloads/")));
    EXPECT_TRUE(desktop.waitForCall("files-stub " + desktop.path("home/Downloads")));
    EXPECT_EQ(completed([&](auto done) { opener.open(URL::fileURL(desktop.path("home"), true), {}, done); }),
              std::nullopt);
    EXPECT_TRUE(desktop.waitForCall("files-stub " + desktop.path("home")));
    EXPECT_EQ(folderURI(desktop.path("home/.Trash/")), "trash:///");
}

TEST_F(WorkspaceOpenerTests, FailuresReachTheCompletion) {
    for (const char* address : {"/Applications/helper.app", "nohandler:thing", "/Applications/gone.app/"}) {
        SCOPED_TRACE(address);
        EXPECT_NE(completed([&](auto done) { opener.open(*URL::fromString(address), {}, done); }),
                  std::nullopt);
        EXPECT_FALSE(opener.open(*URL::fromString(address)));
    }
}

// An application without a desktop entry has a made-up bundle path and no folder behind it.
TEST_F(WorkspaceOpenerTests, TheBundleOfARunningApplicationBringsItForwardWithOrWithoutAnEntry) {
    auto clock = std::make_shared<RunningStub>();
    const std::string clockBundle = "/usr/share/applications/XClock.app/";
    WorkspaceOpener withRunning(applications, {.byBundle = [&](const std::string& path) {
                                    return (path + "/").starts_with(clockBundle) ? clock : nullptr;
                                }});
    auto url = *URL::fromString(clockBundle);
    EXPECT_TRUE(withRunning.open(url));
    EXPECT_EQ(completed([&](auto done) { withRunning.open(url, {}, done); }), std::nullopt);
    EXPECT_EQ(completed([&](auto done) { withRunning.openApplication(url, {}, done); }), std::nullopt);
    EXPECT_EQ(clock->activations, 3);
    EXPECT_NE(completed([&](auto done) {
                  withRunning.openApplication(*URL::fromString("/usr/share/applications/Gone.app/"), {},
                                              done);
              }),
              std::nullopt);
}
