#include "Velmora/tracking/App.h"

#include <algorithm>
#include <cstdio>
#include <unordered_map>

#include "Velmora/tracking/ApplicationManager.h"
#include "platform/base/LogText.h"

namespace Velmora {
namespace {

struct Known {
    const char* name;
    const char* bundleIdentifier;
};

// In the order of `App::Value`.
constexpr Known known[] = {
    {"appStore", "com.apple.AppStore"},
    {"chrome", "com.google.Chrome"},
    {"firefox", "org.mozilla.firefox"},
    {"safari", "com.apple.Safari"},
    {"twitter", "maccatalyst.com.atebits.Tweetie2"},
    {"finder", "com.apple.finder"},
    {"systemPreferences", "com.apple.systempreferences"},
    {"velmora", velmoraBundleIdentifier},
    {"mail", "com.apple.mail"},
    {"spotify", "com.spotify.client"},
    {"forkLift", "com.binarynights.ForkLift-3"},
    {"xcode", "com.apple.dt.Xcode"},
    {"pages", "com.apple.iWork.Pages"},
    {"calendar", "com.apple.iCal"},
    {"reminders", "com.apple.reminders"},
    {"notes", "com.apple.Notes"},
    {"photos", "com.apple.Photos"},
    {"music", "com.apple.Music"},
    {"podcasts", "com.apple.podcasts"},
    {"messages", "com.apple.MobileSMS"},
    {"tv", "com.apple.TV"},
    {"home", "com.apple.Home"},
    {"battle", "net.battle.app"},
    {"iTerm", "com.googlecode.iterm2"},
    {"terminal", "com.apple.Terminal"},
};
static_assert(std::size(known) == App::terminal + 1);

// Desktop-entry ids that common Linux packages give these applications, beside the case names.
const std::unordered_map<int, std::vector<std::string>>& linuxNames() {
    static const auto* names = new std::unordered_map<int, std::vector<std::string>>{
        {App::appStore, {"gnome-software", "org.gnome.Software", "org.kde.discover"}},
        {App::chrome, {"google-chrome", "google-chrome-stable", "chromium", "chromium-browser"}},
        {App::firefox, {"firefox-esr", "org.mozilla.firefox"}},
        {App::spotify, {"com.spotify.Client"}},
        {App::mail, {"thunderbird", "org.mozilla.Thunderbird", "evolution", "org.gnome.Evolution"}},
        {App::calendar, {"org.gnome.Calendar"}},
        {App::photos, {"shotwell", "org.gnome.Shotwell"}},
        {App::music, {"rhythmbox", "org.gnome.Rhythmbox3"}},
        {App::systemPreferences,
         {"gnome-control-center", "org.gnome.Settings", "systemsettings", "org.kde.systemsettings",
          "xfce-settings-manager", "mate-control-center", "cinnamon-settings", "lxqt-config"}},
    };
    return *names;
}

}  // namespace

std::string App::bundleIdentifier() const { return known[value].bundleIdentifier; }

std::string App::name() const { return known[value].name; }

bool App::matches(const Task& task) const {
    if (!task.bundleIdentifier) return false;
    if (*task.bundleIdentifier == bundleIdentifier()) return true;
    std::vector<std::string> names{name()};
    if (auto found = linuxNames().find(value); found != linuxNames().end())
        names.insert(names.end(), found->second.begin(), found->second.end());
    auto known = [&](const std::string& candidate) {
        return std::find(names.begin(), names.end(), candidate) != names.end();
    };
    return known(*task.bundleIdentifier) ||
           std::any_of(task.entryNames.begin(), task.entryNames.end(), known);
}

const App::Slot& App::browsers() {
    static const Slot slot{firefox, chrome, safari};
    return slot;
}

const App::Slots& App::folderOpeners() {
    static const Slots slots{Slot{}};
    return slots;
}

const App::Slots& App::terminals() {
    static const Slots slots{{iTerm, terminal}};
    return slots;
}

const App::Slots& App::defaultPinnedApps() {
    static const Slots slots{browsers(), {spotify}, {mail}};
    return slots;
}

const App::Slots& App::recommendedApps() {
    static const Slots slots{
        browsers(), {xcode}, {spotify, music},   {battle}, {appStore},  {twitter}, {photos},
        {calendar}, {mail},  {messages},         {pages},  {reminders}, {notes},   {podcasts},
        {tv},       {home},  {systemPreferences}};
    return slots;
}

TaskList App::resolve(const Slots& slots) { return resolve(slots, *ApplicationManager::shared()); }

TaskList App::resolve(const Slots& slots, ApplicationManager& manager) {
    const auto installed = manager.loadInstalledTasks(false);
    TaskList result;
    for (const auto& slot : slots) {
        for (auto alternative : slot) {
            std::shared_ptr<Task> found;
            for (const auto& task : installed) {
                if (alternative.matches(*task)) {
                    found = task;
                    break;
                }
            }
            if (found) {
                result.push_back(found);
                break;
            }
            std::printf("Couldn't find app: %s\n", platform::escapedForLog(alternative.name()).c_str());
            std::fflush(stdout);
        }
    }
    return result;
}

}  // namespace Velmora
