#include <gtest/gtest.h>

#include <filesystem>

#include "Velmora/settings/SettingsManager.h"
#include "Velmora/taskbar/TaskbarButtonViewModel.h"
#include "Velmora/taskbar/TaskbarViewModel.h"
#include "Velmora/tracking/ApplicationManager.h"
#include "platform/system/Screen.h"
#include "platform/testing/TestDispatchQueues.h"
#include "platform/testing/VirtualMainLoop.h"
#include "platform/x11/X11Desktop.h"
#include "platform/xdg/SessionBus.h"
#include "tests/platform/x11/X11Session.h"
#include "tests/platform/xdg/PrivateBus.h"
#include "tests/support/FreshDefaults.h"

using platform::x11::X11Desktop;

namespace {

// The data folders of the test's own, with one application's desktop entry.
struct Entries {
    explicit Entries(const std::filesystem::path& home) {
        if (const char* dirs = std::getenv("XDG_DATA_DIRS")) saved = dirs;
        setenv("XDG_DATA_DIRS", (home / "share").c_str(), 1);
        std::filesystem::create_directories(home / "share/applications");
        test_support::writeFile(
            home / "share/applications/notes.desktop",
            "[Desktop Entry]\nType=Application\nName=Notes\nExec=/bin/true\nStartupWMClass=NotesClass\n");
    }
    ~Entries() { saved ? setenv("XDG_DATA_DIRS", saved->c_str(), 1) : unsetenv("XDG_DATA_DIRS"); }
    std::optional<std::string> saved;
};

}  // namespace

// Nothing but the count changes: the bar's poll alone must take it to the button.
TEST(X11LauncherCounts, APublishedCountReachesItsButtonThroughTheManagersRefresh) {
    bus_testing::PrivateBus bus;
    ASSERT_FALSE(bus.address.empty());
    X11Session session;
    ASSERT_TRUE(session.ready) << "no Xvfb with openbox";
    Entries entries(session.home.path());
    platform::testing::VirtualMainLoop loop;
    test_support::FreshDefaults defaults;
    auto queues = platform::testing::ScopedDispatchFactory::inlineQueues();
    auto applications = std::make_shared<platform::xdg::DesktopApplications>(session.home / "cache");
    applications->update();

    X11Desktop::Options options;
    options.consentPath = session.home / "consent";
    test_support::writeFile(options.consentPath, "");
    options.applications = applications;
    options.launcherBadges = platform::xdg::LauncherBadges::open(nullptr, nullptr, bus.address);
    ASSERT_TRUE(options.launcherBadges);
    auto badges = options.launcherBadges;
    std::string error;
    auto desktop = X11Desktop::open(options, &error);
    ASSERT_TRUE(desktop) << error;
    platform::ScopedSystem installed(desktop);
    const platform::Screen screen{"x", "Screen", {0, 0, 1280, 800}, {0, 0, 1280, 780}, 1.0};
    platform::Screens::update({screen});
    session.client({"NotesClass", "Today", "200x100"});

    auto settings = Brindle::make<Velmora::SettingsManager>();
    auto manager = Brindle::make<Velmora::ApplicationManager>(settings);
    auto bar = Brindle::make<Velmora::TaskbarViewModel>(
        screen, std::weak_ptr<Velmora::WindowControllerList>(), manager);
    auto notes = [&]() -> std::shared_ptr<Velmora::TaskbarButtonViewModel> {
        for (const auto& button : bar->tasks.value())
            if (button->task->title == "Notes") return button;
        return nullptr;
    };
    // The polls run in virtual time; the display and the bus answer in real time.
    auto polling = [&](const std::function<bool()>& condition) {
        return waitFor(condition, 30, [&] { loop.advance(Velmora::ApplicationManager::pollPeriod); });
    };
    ASSERT_TRUE(polling([&] { return notes() != nullptr; }));
    ASSERT_TRUE(waitFor([&] { return badges->listening(); }));
    // Settled: a few polls more change nothing.
    for (int poll = 0; poll < 4; ++poll) loop.advance(Velmora::ApplicationManager::pollPeriod);
    EXPECT_EQ(notes()->badge.value(), std::nullopt);

    auto publisher = platform::xdg::SessionBus::connect(&error, nullptr, bus.address);
    ASSERT_TRUE(publisher) << error;
    bus_testing::publishLauncherUpdate(publisher->connection(), "application://notes.desktop",
                                       "{'count': <int64 7>, 'count-visible': <true>}");
    EXPECT_TRUE(polling([&] { return notes()->badge.value() == std::optional<std::string>("7"); }));

    publisher.reset();
    EXPECT_TRUE(polling([&] { return notes()->badge.value() == std::nullopt; }));
    bar.reset();
    manager.reset();
    desktop.reset();
}
