#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Velmora/tracking/Task.h"

namespace Velmora {

class ApplicationManager;

// The outside applications the program knows by bundle identifier. A request is a list of slots,
// each listing alternatives in order of preference.
class App {
public:
    enum Value {
        appStore,
        chrome,
        firefox,
        safari,
        twitter,
        finder,
        systemPreferences,
        velmora,
        mail,
        spotify,
        forkLift,
        xcode,
        pages,
        calendar,
        reminders,
        notes,
        photos,
        music,
        podcasts,
        messages,
        tv,
        home,
        battle,
        iTerm,
        terminal
    };
    using Slot = std::vector<App>;
    using Slots = std::vector<Slot>;

    constexpr App(Value value) : value(value) {}

    // Compared exactly, letter case included.
    std::string bundleIdentifier() const;
    // The case's name, as "Couldn't find app: " lines print it.
    std::string name() const;
    // Whether an installed application is this one: by bundle identifier or, for a desktop entry,
    // when its id, window class or command equals the case's name or a common Linux id of it.
    bool matches(const Task& task) const;

    static const Slot& browsers();
    // One slot without alternatives.
    static const Slots& folderOpeners();
    static const Slots& terminals();
    static const Slots& defaultPinnedApps();
    static const Slots& recommendedApps();

    // For every slot, the installed application of its first alternative that is installed (the
    // installed task itself), in slot order; each missing alternative prints a line. Uses the
    // shared manager's installed list, scanning only when it is empty.
    static TaskList resolve(const Slots& slots);
    static TaskList resolve(const Slots& slots, ApplicationManager& manager);

    friend constexpr bool operator==(App a, App b) { return a.value == b.value; }

    Value value;
};

// The program's own bundle identifier.
inline constexpr const char* velmoraBundleIdentifier = "com.velmora.Velmora";

}  // namespace Velmora

template <>
struct std::hash<Velmora::App> {
    std::size_t operator()(Velmora::App app) const noexcept { return std::hash<int>()(app.value); }
};
