#include <sys/wait.h>

#include "platform/system/WindowList.h"
#include "tests/platform/x11/X11DesktopFixture.h"
#include "tests/support/TemporaryFolder.h"

TEST_F(X11DesktopTest, AnApplicationKeepsItsIdentityAndItsWindowsWhenTheProcessOfItsFirstWindowEnds) {
    auto first = session.client({"Editor", "One", "200x100"});
    auto editor = waitForApplication("Editor");
    ASSERT_TRUE(editor);
    session.client({"Editor", "Two", "200x100"});
    ASSERT_TRUE(waitFor([&] { return windowsOf(editor->processIdentifier()).size() == 2; }));
    kill(first, SIGTERM);
    ASSERT_TRUE(waitFor([&] { return windowsOf(editor->processIdentifier()).size() == 1; }));
    EXPECT_EQ(application("Editor"), editor);
    EXPECT_FALSE(editor->isTerminated());
    EXPECT_EQ(editor->processIdentifier(), first);
    auto list = desktop->windowList()->copyWindowInfo(WindowListOption::all);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].at("kCGWindowOwnerPID").integerValue(), first) << "the window stays the application's";
}

TEST_F(X11DesktopTest, BringingAnApplicationForwardRestoresNoMinimisedWindowAndChoosingOneRestoresOnlyIt) {
    auto pid = session.client({"Editor", "One", "200x100"});
    auto editor = waitForApplication("Editor");
    ASSERT_TRUE(editor);
    session.client({"Editor", "Two", "200x100"});
    ASSERT_TRUE(waitFor([&] { return windowsOf(pid).size() == 2; }));
    auto ax = desktop->accessibility();
    auto minimized = [&](const AXUIElement& window) {
        auto value = ax->copyAttributeValue(window, "AXMinimized");
        return value && value->boolValue().value_or(false);
    };
    for (const auto& window : windowsOf(pid)) ax->setAttributeValue(window, "AXMinimized", true);
    ASSERT_TRUE(waitFor([&] { return editor->isHidden(); }));
    auto windows = windowsOf(pid);
    auto top = windows.front(), chosen = windows.back();
    // As the window list's choice does: the application forward, then the window.
    EXPECT_TRUE(editor->activate(ApplicationActivationOptions::none));
    EXPECT_EQ(ax->setAttributeValue(chosen, "AXMinimized", false), AXError::success);
    EXPECT_TRUE(waitFor([&] { return !minimized(chosen); }));
    EXPECT_TRUE(minimized(top));
    // A click on the button asks for every window.
    EXPECT_TRUE(editor->activate(ApplicationActivationOptions::activateAllWindows));
    EXPECT_TRUE(waitFor([&] { return !minimized(top); }));
}

TEST_F(X11DesktopTest, ForceQuitKillsOnlyTheProcessThatMadeTheWindowsNeverOneAWindowClaims) {
    auto bystander = session.spawn({"sleep", "60"});
    auto liar = session.client({"Liar", "Liar", "200x100", "pid=" + std::to_string(bystander)});
    auto app = waitForApplication("Liar");
    ASSERT_TRUE(app);
    EXPECT_TRUE(app->forceTerminate());
    int status = 0;
    EXPECT_TRUE(waitFor([&] { return waitpid(liar, &status, WNOHANG) == liar; }));
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    EXPECT_EQ(waitpid(bystander, &status, WNOHANG), 0) << "the claimed process still runs";
}

TEST_F(X11DesktopTest, ConsentReplacesALinkAtItsPathAndNeverWritesThroughIt) {
    const auto& path = desktop->options().consentPath;
    auto victim = session.home / "victim";
    test_support::writeFile(victim, "keep");
    for (const auto& target : {victim, session.home / "absent"}) {
        std::filesystem::remove(path);
        std::filesystem::create_symlink(target, path);
        ASSERT_TRUE(desktop->recordConsent());
        EXPECT_TRUE(std::filesystem::is_regular_file(std::filesystem::symlink_status(path)));
        EXPECT_EQ(test_support::readWholeFile(victim), "keep");
        EXPECT_FALSE(std::filesystem::exists(session.home / "absent"));
    }
}

TEST_F(X11DesktopEntriesTest, OpeningTheBundleOfARunningApplicationBringsItForwardAndStartsNoProcess) {
    session.client({"pinned-appClass", "Pinned", "200x100"});
    auto app = waitForApplication("pinned-app");
    ASSERT_TRUE(app && app->bundleURL());
    // A launch would answer with the new process's application, or none before its window maps.
    std::shared_ptr<RunningApplication> opened;
    desktop->workspace()->openApplication(*app->bundleURL(), {},
                                          [&](auto application, auto) { opened = application; });
    loop.runUntilIdle();
    EXPECT_EQ(opened, app);
    EXPECT_TRUE(desktop->workspace()->open(*app->bundleURL()));
    EXPECT_EQ(desktop->workspace()->runningApplications().size(), 2u) << "the program and the application";
}
