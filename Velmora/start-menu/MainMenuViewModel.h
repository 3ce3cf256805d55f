#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Brindle/Object.h"
#include "Brindle/SearchEngine.h"
#include "Velmora/start-menu/Directory.h"
#include "Velmora/tracking/Task.h"
#include "platform/system/Screen.h"
#include "rx/Published.h"

namespace Velmora {

class ApplicationManager;

// One header of an application section and the tasks under it, in order.
struct AppGroup {
    std::string key;
    TaskList tasks;

    friend bool operator==(const AppGroup&, const AppGroup&) = default;
};

// A folder row of the menu's sidebar.
struct FolderLink {
    std::string title;
    std::string systemImage;
    std::shared_ptr<Directory> directory;
};

// What the menu reaches outside itself; tests hand in their own.
struct MainMenuServices {
    std::shared_ptr<ApplicationManager> applicationManager;
    // Runs one command line and returns its output; blocks the calling thread.
    std::function<std::string(const std::string&)> runShellCommand;

    // The shared application manager and the toolkit's shell runner.
    static MainMenuServices standard();
};

// The state and actions behind the start menu's view: its application lists and search, its
// sub-menus and what every row does. State changes and actions run on the main thread; scans and
// launches run on the toolkit's user-interactive queue.
class MainMenuViewModel : public Brindle::Object {
public:
    using CloseClosure = std::function<void()>;
    using SearchEngine = Brindle::SearchEngine<std::shared_ptr<Task>>;

    static constexpr const char* systemPreferencesBundleIdentifier = "com.apple.systempreferences";
    static constexpr const char* sleepCommand = "pmset sleepnow";
    static constexpr const char* restartScript = "tell application \"Finder\"\nrestart\nend tell";
    static constexpr const char* shutDownScript = "tell application \"Finder\"\nshut down\nend tell";
    // The grid's width: "Recommended" shows whole rows only, at most three of them.
    static constexpr std::size_t gridColumns = 4;
    static constexpr std::size_t maximumRecommended = 12;

    MainMenuViewModel(TaskList installedApps, TaskList recommendedApps, TaskList searchResult,
                      bool showPowerOptions, bool showTamberOptions, std::string searchText,
                      double cornerRadius, platform::Screen screen, CloseClosure closeClosure,
                      MainMenuServices services = MainMenuServices::standard());

    const rx::Published<TaskList> installedApps;
    const rx::Published<TaskList> recommendedApps;
    const rx::Published<TaskList> searchResult;
    const rx::Published<bool> showPowerOptions;
    const rx::Published<bool> showTamberOptions;
    const rx::Published<std::string> searchText;
    // Empty until the first `reindexSearch`.
    const std::shared_ptr<SearchEngine> searchEngine;
    // Kept for the host; the menu itself does not use it.
    const double cornerRadius;
    // The screen of the bar that opened the menu.
    const platform::Screen screen;
    const CloseClosure closeClosure;

    const MainMenuServices& services() const { return services_; }

    // The lists the next menu opens with. Main thread.
    static TaskList cachedInstalledApps();
    static void setCachedInstalledApps(TaskList tasks);
    static TaskList cachedRecommendedApps();
    static void setCachedRecommendedApps(TaskList tasks);

    struct AppLists {
        TaskList installed;
        TaskList recommended;
    };
    // A fresh scan of the installed applications and the recommended ones among them: whole
    // grid rows of the resolved slots, at most `maximumRecommended`, sorted by lower-cased title.
    // Blocks the calling thread.
    static AppLists computeAppLists(ApplicationManager& manager);
    // Fills the caches in the background unless the installed one is filled already.
    static void preloadApps(std::shared_ptr<ApplicationManager> manager);
    static void preloadApps();
    // Computes both lists and stores them in the caches on the main queue.
    static void loadAppLists(const std::shared_ptr<ApplicationManager>& manager);

    // The appear work: rescans in the background, replaces the lists that changed (and their
    // caches), then rebuilds the search index.
    void reloadApps();
    void reindexSearch();
    // Every edit searches; the result is the engine's, one entry per matching key.
    void updateSearch(const std::string& text);
    // With a title, one group of that title over the whole list (none for an empty list); without one, a
    // group per first character of the titles (untitled tasks left out), keys in ascending order. A task
    // shows once per section, at its first place.
    static std::vector<AppGroup> appSection(const std::optional<std::string>& title, const TaskList& tasks);
    // Opens the application in the background and closes the menu at once.
    void launchApp(const std::shared_ptr<Task>& task);

    // The folder rows whose folder has an address, in the sidebar's order.
    static std::vector<FolderLink> folderLinks();
    // The preferred installed terminal; none without one, and none on a Linux desktop, whose
    // session opens its default terminal instead (`opensSessionTerminal`).
    std::shared_ptr<Task> terminalApplication() const;
    bool opensSessionTerminal() const;
    // The installed system settings (on a Linux desktop, the desktop's settings entry); none
    // without them.
    std::shared_ptr<Task> systemSettingsApplication() const;

    // The two sub-menus exclude each other; each change is animated.
    void toggleTamberOptions();
    void togglePowerOptions();

    void openFolder(const Directory& directory);
    void openApp(const std::shared_ptr<Task>& task);
    void openAppAndClose(const std::shared_ptr<Task>& task);
    // A script that cannot be run is ignored, as is its result.
    void runAppleScript(const std::string& source);
    // Runs `block` on the user-interactive queue, waits for it, then closes the menu.
    void runOnBackgroundAndClose(const std::function<void()>& block);

    // The rows' actions; "New Terminal Window" opens the application the row was shown for, or
    // the session's terminal, and "System settings" is `openAppAndClose` of its application. On
    // a Linux desktop the power rows ask the session.
    void openTerminal(const std::shared_ptr<Task>& terminal);
    void showSettings();
    void hide();
    void quit();
    void sleepNow();
    void restart();
    void shutDown();

private:
    void close() const;

    const MainMenuServices services_;
};

}  // namespace Velmora
