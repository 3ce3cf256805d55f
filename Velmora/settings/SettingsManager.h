#pragma once

#include <memory>
#include <nlohmann/json_fwd.hpp>
#include <string>
#include <vector>

#include "Brindle/Object.h"
#include "Velmora/settings/TaskbarTheme.h"
#include "platform/foundation/URL.h"
#include "rx/Rx.h"

namespace Velmora {

class Task;
using TaskList = std::vector<std::shared_ptr<Task>>;

// Tasks belong to tracking, which makes the pinned ones from their stored addresses (dropping those
// whose bundle cannot be read) and reads their addresses back.
TaskList makePinnedTasks(const std::vector<platform::URL>& urls);
std::vector<platform::URL> bundleAddresses(const TaskList& tasks);

// The modifier key whose quick tap opens the main menu. Coded as an object with one member named
// after the case, holding an empty object: {"command":{}}.
enum class MainMenuActivationKeys { none, fn, control, options, command };

// none, fn, control, options, command.
const std::vector<MainMenuActivationKeys>& allMainMenuActivationKeys();
// The case's name, which is also its coding key.
std::string name(MainMenuActivationKeys key);

void to_json(nlohmann::json& json, const MainMenuActivationKeys& key);
// Throws a type-mismatch decoding error unless exactly one member has a known name, and that
// member holds an object; other members are ignored.
void from_json(const nlohmann::json& json, MainMenuActivationKeys& key);

// How pinned applications are spread over the screens; kept in memory only.
enum class PinnedTaskBehavior { onlyOnMainScreen, allScreens, allScreensIfNotRunning };

// The user's settings, loaded from the standard user defaults at creation and written back, on
// the changing thread, whenever they change. Published values are for views, relays for models;
// every one may be read from any thread (the refresh reads the pinned list on its own queue).
class SettingsManager : public Brindle::Object {
public:
    static constexpr const char* showTitlesKey = "SettingsShowTitles";
    static constexpr const char* showOnRunningMonitorKey = "SettingsShowOnRunningMonitor2";
    static constexpr const char* themeKey = "ThemeKey";
    static constexpr const char* mainMenuShortcutKey = "MainMenuShortcutKey";
    static constexpr const char* pinnedKey = "pinned";

    // The program's one settings object, made on first use, from any thread, and never released.
    static std::shared_ptr<SettingsManager> shared();

    // Loads the stored settings; use `Brindle::make`. Only tests make others than the shared one.
    SettingsManager();
    void postInit() override;

    PinnedTaskBehavior pinnedTaskBehavior() const { return pinnedTaskBehavior_.value(); }
    void setPinnedTaskBehavior(PinnedTaskBehavior value) { pinnedTaskBehavior_.set(value); }
    rx::Observable<PinnedTaskBehavior> pinnedTaskBehaviorPublisher() const {
        return pinnedTaskBehavior_.asObservable();
    }

    // The bundle addresses of `pinnedApplications`, set after every save of the pinned list.
    std::vector<platform::URL> pinnedApplicationsState() const { return pinnedApplicationsState_.value(); }
    rx::Observable<std::vector<platform::URL>> pinnedApplicationsStatePublisher() const {
        return pinnedApplicationsState_.asObservable();
    }

    // In bar order. The tasks are shared with every reader: accept a new list, never change one.
    const rx::BehaviorRelay<TaskList> pinnedApplications{TaskList{}};
    const rx::BehaviorRelay<TaskbarTheme> taskbarTheme{TaskbarTheme::centered};

    bool showTitle() const { return showTitle_.value(); }
    // Stores the value, also an unchanged one.
    void setShowTitle(bool value);
    rx::Observable<bool> showTitlePublisher() const { return showTitle_.asObservable(); }

    bool showOnRunningMonitorOnly() const { return showOnRunningMonitorOnly_.value(); }
    void setShowOnRunningMonitorOnly(bool value);
    rx::Observable<bool> showOnRunningMonitorOnlyPublisher() const {
        return showOnRunningMonitorOnly_.asObservable();
    }

    MainMenuActivationKeys mainMenuKeyboardShortcut() const { return mainMenuKeyboardShortcut_.value(); }
    // Passes the value on to `mainMenuKeyboardShortcutRelay`, which stores it.
    void setMainMenuKeyboardShortcut(MainMenuActivationKeys value);
    rx::Observable<MainMenuActivationKeys> mainMenuKeyboardShortcutPublisher() const {
        return mainMenuKeyboardShortcut_.asObservable();
    }
    // Written only through `setMainMenuKeyboardShortcut`.
    const rx::BehaviorRelay<MainMenuActivationKeys> mainMenuKeyboardShortcutRelay{
        MainMenuActivationKeys::command};

    // Adds the task itself at the end, also when its application is pinned already.
    void pin(const std::shared_ptr<Task>& task);
    // Replaces the pinned list by new tasks made from the addresses, in order.
    void loadPinned(const std::vector<platform::URL>& urls);

private:
    rx::Published<PinnedTaskBehavior> pinnedTaskBehavior_{PinnedTaskBehavior::allScreens};
    rx::Published<std::vector<platform::URL>> pinnedApplicationsState_;
    rx::DisposeBag disposeBag_;
    rx::Published<bool> showTitle_{true};
    rx::Published<bool> showOnRunningMonitorOnly_{true};
    rx::Published<MainMenuActivationKeys> mainMenuKeyboardShortcut_{MainMenuActivationKeys::command};
};

}  // namespace Velmora
