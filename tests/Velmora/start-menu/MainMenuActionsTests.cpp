#include <gtest/gtest.h>

#include "platform/base/Animation.h"
#include "tests/Velmora/start-menu/MainMenuTesting.h"
#include "tests/support/SessionSystem.h"

using menu_testing::app;
using menu_testing::installed;
using menu_testing::MenuHarness;
using menu_testing::Strings;

namespace {

// Runs every block at once on the calling thread, or drops it as a pool that has stopped does.
struct CountingQueue final : platform::DispatchQueue {
    explicit CountingQueue(bool runs = true) : runs(runs) {}
    void async(std::function<void()> block) override {
        ++count;
        if (runs) block();
    }
    void asyncAfter(platform::TimeInterval, std::function<void()> block) override { async(std::move(block)); }
    const std::string& label() const override { return name; }
    const bool runs;
    int count = 0;
    const std::string name = "counting";
};

}  // namespace

TEST(MainMenuActions, FolderRowsSitUnderTheHomeAddressAndOpenAtTheirPlainPathWhileTheMenuStays) {
    MenuHarness harness;
    const auto home = platform::URL::fileURL(harness.home.string(), true).absoluteString().substr(7);
    ASSERT_NE(home.find("home%20folder/"), std::string::npos);
    Strings addresses;
    auto model = harness.makeModel();
    for (const auto& link : Velmora::MainMenuViewModel::folderLinks()) {
        addresses.push_back(link.directory->url.absoluteString());
        model->openFolder(*link.directory);
    }
    EXPECT_EQ(addresses, (Strings{home + "Desktop/", home, home + "Downloads/", home + ".Trash/"}));
    // The viewer takes a path: "home folder", not "home%20folder".
    auto selected = harness.actions("selectFile");
    ASSERT_EQ(selected.size(), 4u);
    EXPECT_EQ(selected[2].details, (nlohmann::json{{"root", harness.home.string() + "/Downloads/"}}));
    EXPECT_EQ(selected[1].details, (nlohmann::json{{"root", harness.home.string() + "/"}}));
    EXPECT_EQ(harness.closes, 0);
}

TEST(MainMenuActions, TheTerminalRowPrefersITermAndSystemSettingsAreFoundByIdentifier) {
    const struct {
        Strings installed;
        std::string terminal, systemSettings;
    } cases[] = {
        {{app("Terminal", "com.apple.Terminal"), app("iTerm", "com.googlecode.iterm2")}, "iTerm", "none"},
        {{app("Terminal", "com.apple.Terminal")}, "Terminal", "none"},
        {{app("Mail", "com.apple.mail"), app("Einstellungen", "com.apple.systempreferences")},
         "none",
         "Einstellungen"},
    };
    auto title = [](const std::shared_ptr<Velmora::Task>& task) { return task ? task->title : "none"; };
    for (const auto& [apps, terminal, systemSettings] : cases) {
        MenuHarness harness(installed(apps));
        auto model = harness.makeModel();
        EXPECT_EQ(title(model->terminalApplication()), terminal);
        EXPECT_EQ(title(model->systemSettingsApplication()), systemSettings);
    }
}

TEST(MainMenuActions, PowerCommandsAreHandedOverExactlyAndCloseTheMenu) {
    auto queue = std::make_shared<CountingQueue>();
    MenuHarness harness("{}", queue);
    auto model = harness.makeModel();
    model->sleepNow();
    EXPECT_EQ(harness.commands, Strings{"pmset sleepnow"});
    EXPECT_EQ(harness.closes, 1);
    EXPECT_EQ(queue->count, 0) << "sleep runs on the main thread";

    model->restart();
    model->shutDown();
    auto scripts = harness.actions("appleScript");
    ASSERT_EQ(scripts.size(), 2u);
    EXPECT_EQ(scripts[0].details["source"], "tell application \"Finder\"\nrestart\nend tell");
    EXPECT_EQ(scripts[1].details["source"], "tell application \"Finder\"\nshut down\nend tell");
    EXPECT_EQ(queue->count, 2);
    EXPECT_EQ(harness.closes, 3);
    EXPECT_EQ(harness.commands.size(), 1u);

    // A pool that has stopped drops the block: waiting for it ends all the same.
    Brindle::setGlobalUserInteractiveQueue(std::make_shared<CountingQueue>(false));
    model->restart();
    EXPECT_EQ(harness.actions("appleScript").size(), 2u);
    EXPECT_EQ(harness.closes, 4);
}

TEST(MainMenuActions, OnALinuxDesktopTheSessionPowersOffAndOpensTheTerminalAndSettings) {
    MenuHarness harness(
        installed({app("iTerm", "com.googlecode.iterm2"), app("Settings", "org.gnome.Settings")}));
    auto system = std::make_shared<test_support::SessionSystem>(harness.desktop);
    platform::ScopedSystem onLinux(system);
    auto model = harness.makeModel();
    model->sleepNow();
    model->restart();
    model->shutDown();
    EXPECT_EQ(harness.closes, 3);
    // The session's own terminal, whatever terminal bundles there are.
    EXPECT_FALSE(model->terminalApplication());
    EXPECT_TRUE(model->opensSessionTerminal());
    model->openTerminal(nullptr);
    EXPECT_EQ(system->session->calls, (Strings{"suspend", "reboot", "powerOff", "openTerminal"}));
    EXPECT_TRUE(harness.commands.empty());
    EXPECT_TRUE(harness.actionNames().empty());
    EXPECT_EQ(harness.closes, 3);
    system->session->hasTerminal = false;
    EXPECT_FALSE(model->opensSessionTerminal());
    EXPECT_EQ(model->systemSettingsApplication()->bundleIdentifier, "org.gnome.Settings");
}

TEST(MainMenuActions, TheSubMenusExcludeEachOtherInsideAnAnimation) {
    MenuHarness harness;
    auto model = harness.makeModel();
    Strings changes;
    rx::DisposeBag bag;
    for (auto* shown : {&model->showTamberOptions, &model->showPowerOptions}) {
        const std::string name = shown == &model->showPowerOptions ? "power" : "options";
        shown->asObservable()
            .skip(1)
            .subscribe([&changes, name](bool open) {
                changes.push_back((platform::isInAnimationTransaction() ? "animated " : "") + name +
                                  (open ? " open" : " closed"));
            })
            .disposed(bag);
    }
    model->toggleTamberOptions();
    model->togglePowerOptions();
    model->togglePowerOptions();
    EXPECT_EQ(changes, (Strings{"animated options open", "animated power closed", "animated options closed",
                                "animated power open", "animated options closed", "animated power closed"}));
}
