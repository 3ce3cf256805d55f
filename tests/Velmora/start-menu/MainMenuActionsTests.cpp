#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Velmora/settings/EventManager.h"
#include "platform/base/Animation.h"
#include "platform/testing/VirtualMainLoop.h"
#include "tests/Velmora/start-menu/MainMenuTesting.h"
#include "tests/support/SessionSystem.h"

using menu_testing::app;
using menu_testing::installed;
using menu_testing::MenuHarness;
using Velmora::Directory;
using Velmora::EventManager;
using Velmora::MainMenuViewModel;

namespace {

// Runs every block at once, on the calling thread, and counts them.
class CountingQueue final : public platform::DispatchQueue {
public:
    void async(std::function<void()> block) override {
        ++count;
        block();
    }
    void asyncAfter(platform::TimeInterval, std::function<void()> block) override { async(std::move(block)); }
    const std::string& label() const override { return label_; }
    int count = 0;

private:
    std::string label_ = "counting";
};

// A queue that has stopped: it drops what it is given.
class DroppingQueue final : public platform::DispatchQueue {
public:
    void async(std::function<void()>) override {}
    void asyncAfter(platform::TimeInterval, std::function<void()>) override {}
    const std::string& label() const override { return label_; }

private:
    std::string label_ = "dropping";
};

// What reached the event bus and the close closure, in order.
struct Recorder {
    Recorder() {
        auto events = EventManager::shared();
        events->showSettings.subscribe([this](rx::Unit) { log.push_back("settings"); }).disposed(bag);
        events->hideOnScreen
            .subscribe([this](const platform::Screen& screen) { log.push_back("hide " + screen.identifier); })
            .disposed(bag);
        events->exit.subscribe([this](rx::Unit) { log.push_back("exit"); }).disposed(bag);
    }
    std::vector<std::string> log;
    rx::DisposeBag bag;
};

}  // namespace

TEST(MainMenuActions, FolderRowsSitUnderTheHomeAddressWithItsEscapes) {
    MenuHarness harness;
    const auto home = platform::URL::fileURL(harness.home.string(), true).absoluteString().substr(7);
    ASSERT_NE(home.find("home%20folder/"), std::string::npos);

    auto links = MainMenuViewModel::folderLinks();
    ASSERT_EQ(links.size(), 4u);
    EXPECT_EQ(links[0].directory->url.absoluteString(), home + "Desktop/");
    EXPECT_EQ(links[1].directory->url.absoluteString(), home);
    EXPECT_EQ(links[3].directory->url.absoluteString(), home + ".Trash/");
}

TEST(MainMenuActions, AFolderOpensInTheFileViewerAtItsPlainPathAndTheMenuStays) {
    MenuHarness harness;
    auto model = harness.makeModel();
    model->openFolder(*Directory::make("Downloads/"));
    model->openFolder(*Directory::make(""));
    auto selected = harness.actions("selectFile");
    ASSERT_EQ(selected.size(), 2u);
    // The viewer takes a path: "home folder", not "home%20folder".
    EXPECT_EQ(selected[0].details, (nlohmann::json{{"root", harness.home.string() + "/Downloads/"}}));
    EXPECT_EQ(selected[1].details, (nlohmann::json{{"root", harness.home.string() + "/"}}));
    EXPECT_EQ(harness.closes, 0);
}

TEST(MainMenuActions, OptionsGoThroughTheEventBusAndOnlyHideCloses) {
    MenuHarness harness;
    Recorder recorder;
    auto model = Brindle::make<MainMenuViewModel>(
        Velmora::TaskList{}, Velmora::TaskList{}, Velmora::TaskList{}, false, false, "", 12.0,
        platform::Screen{.identifier = "external"}, [&] { recorder.log.push_back("close"); },
        harness.services());

    model->showSettings();
    model->showSettings();
    model->quit();
    EXPECT_EQ(recorder.log, (std::vector<std::string>{"settings", "settings", "exit"}));
    model->hide();
    EXPECT_EQ(recorder.log,
              (std::vector<std::string>{"settings", "settings", "exit", "hide external", "close"}));
    EXPECT_TRUE(harness.actionNames().empty());
}

// What the rows open, and whether the menu closes, the view's tests follow through the rows.
TEST(MainMenuActions, TheTerminalRowPrefersITermAndSystemSettingsAreFoundByIdentifier) {
    struct Case {
        std::vector<std::string> installed;
        std::optional<std::string> terminal, systemSettings;
    };
    const std::vector<Case> cases{
        {{app("Terminal", "com.apple.Terminal"), app("iTerm", "com.googlecode.iterm2")},
         "iTerm",
         std::nullopt},
        {{app("Terminal", "com.apple.Terminal")}, "Terminal", std::nullopt},
        {{app("Mail", "com.apple.mail"), app("Einstellungen", "com.apple.systempreferences")},
         std::nullopt,
         "Einstellungen"},
    };
    for (const auto& [apps, terminal, systemSettings] : cases) {
        MenuHarness harness(installed(apps));
        auto model = harness.makeModel();
        auto title = [](const std::shared_ptr<Velmora::Task>& task) {
            return task ? std::optional<std::string>(task->title) : std::nullopt;
        };
        EXPECT_EQ(title(model->terminalApplication()), terminal);
        EXPECT_EQ(title(model->systemSettingsApplication()), systemSettings);
    }
}

TEST(MainMenuActions, PowerCommandsAreHandedOverExactlyAndCloseTheMenu) {
    auto queue = std::make_shared<CountingQueue>();
    MenuHarness harness("{}", queue);
    auto model = harness.makeModel();

    model->sleepNow();
    EXPECT_EQ(harness.commands, std::vector<std::string>{"pmset sleepnow"});
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
}

TEST(MainMenuActions, OnALinuxDesktopTheSessionPowersOffAndOpensTheTerminalAndSettings) {
    auto queue = std::make_shared<CountingQueue>();
    MenuHarness harness(installed({app("iTerm", "com.googlecode.iterm2"), app("Mail", "com.apple.mail"),
                                   app("Settings", "org.gnome.Settings")}),
                        queue);
    auto system = std::make_shared<test_support::SessionSystem>(harness.desktop);
    platform::ScopedSystem onLinux(system);
    auto model = harness.makeModel();
    model->sleepNow();
    model->restart();
    model->shutDown();
    EXPECT_TRUE(harness.commands.empty());
    EXPECT_TRUE(harness.actions("appleScript").empty());
    EXPECT_EQ(harness.closes, 3);

    // The session's own terminal, whatever terminal bundles there are.
    EXPECT_FALSE(model->terminalApplication());
    EXPECT_TRUE(model->opensSessionTerminal());
    model->openTerminal(nullptr);
    EXPECT_EQ(system->session->calls,
              (std::vector<std::string>{"suspend", "reboot", "powerOff", "openTerminal"}));
    EXPECT_EQ(harness.closes, 3);
    system->session->hasTerminal = false;
    EXPECT_FALSE(model->opensSessionTerminal());
    EXPECT_EQ(model->systemSettingsApplication()->bundleIdentifier, "org.gnome.Settings");
}

TEST(MainMenuActions, WaitingForTheBackgroundEndsEvenWhenItsBlockIsDropped) {
    MenuHarness harness("{}", std::make_shared<DroppingQueue>());
    auto model = harness.makeModel();
    model->restart();
    EXPECT_TRUE(harness.actions("appleScript").empty());
    EXPECT_EQ(harness.closes, 1);
}

TEST(MainMenuActions, TheSubMenusExcludeEachOtherInsideAnAnimation) {
    MenuHarness harness;
    auto model = harness.makeModel();
    std::vector<std::string> changes;
    rx::DisposeBag bag;
    model->showTamberOptions.asObservable()
        .skip(1)
        .subscribe([&](bool shown) {
            changes.push_back(std::string(platform::isInAnimationTransaction() ? "animated " : "") +
                              "options " + (shown ? "open" : "closed"));
        })
        .disposed(bag);
    model->showPowerOptions.asObservable()
        .skip(1)
        .subscribe([&](bool shown) {
            changes.push_back(std::string(platform::isInAnimationTransaction() ? "animated " : "") +
                              "power " + (shown ? "open" : "closed"));
        })
        .disposed(bag);

    model->toggleTamberOptions();
    model->togglePowerOptions();
    model->togglePowerOptions();
    EXPECT_EQ(changes, (std::vector<std::string>{"animated options open", "animated power closed",
                                                 "animated options closed", "animated power open",
                                                 "animated options closed", "animated power closed"}));
    EXPECT_FALSE(model->showTamberOptions.value());
    EXPECT_FALSE(model->showPowerOptions.value());
}
