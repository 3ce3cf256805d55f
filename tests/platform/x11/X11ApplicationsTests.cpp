#include <sys/wait.h>

#include "platform/system/Screen.h"
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
    const auto running = desktop->workspace()->runningApplications().size();
    std::shared_ptr<RunningApplication> opened;
    desktop->workspace()->openApplication(*app->bundleURL(), {},
                                          [&](auto application, auto) { opened = application; });
    loop.runUntilIdle();
    EXPECT_EQ(opened, app);
    EXPECT_TRUE(desktop->workspace()->open(*app->bundleURL()));
    EXPECT_EQ(desktop->workspace()->runningApplications().size(), running);
}

TEST_F(X11DesktopTest,
       PointerMotionOverTheProgramsOwnWindowsReachesTheLocalMonitorsAndElsewhereTheGlobalOnes) {
    auto screens = Screens::screens();
    Screens::update({Screen{"main", "", Rect::make(0, 0, 1280, 800), Rect::make(0, 0, 1280, 800), 1}});
    // A window that names the test's process is one of the program's own.
    session.client({"Own", "Own", "300x200", "pid=" + std::to_string(getpid())});
    session.client({"Other", "Other", "300x200"});
    ASSERT_TRUE(waitForApplication("Other"));
    std::optional<Rect> own, other;
    ASSERT_TRUE(waitFor([&] {
        for (const auto& window : desktop->snapshot()->windows)
            (window.title == "Own" ? own : other) = window.frame;
        return own && other && !own->intersects(*other);
    }));
    int local = 0, global = 0;
    auto monitors = desktop->eventMonitors();
    auto moves = eventMask(EventType::mouseMoved);
    auto localToken = monitors->addLocalMonitor(moves, [&](const Event& event) -> std::optional<Event> {
        ++local;
        return event;
    });
    auto globalToken = monitors->addGlobalMonitor(moves, [&](const Event&) { ++global; });
    auto moveTo = [&](const Rect& frame) {
        auto x = int(frame.minX() + frame.width() / 2), y = int(frame.minY() + frame.height() / 2);
        session.spawn({"xte", "mousemove " + std::to_string(x) + " " + std::to_string(y)});
    };
    moveTo(*own);
    EXPECT_TRUE(waitWithLoop([&] { return local > 0; }));
    EXPECT_EQ(global, 0);
    moveTo(*other);
    EXPECT_TRUE(waitWithLoop([&] { return global > 0; }));
    monitors->removeMonitor(localToken);
    monitors->removeMonitor(globalToken);
    Screens::update(screens);
}
