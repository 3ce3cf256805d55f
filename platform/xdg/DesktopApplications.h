#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/system/Image.h"
#include "platform/xdg/BundleFolder.h"
#include "platform/xdg/DesktopEntries.h"
#include "platform/xdg/IconTheme.h"

namespace platform::xdg {

// What a running application's window says about it, matched to its entry.
struct ApplicationMatch {
    // The desktop-file id.
    std::string groupIdentifier;
    // The entry's bundle, a platform path ("/Applications/<id>.app").
    std::string bundlePath;
    std::string name;

    friend bool operator==(const ApplicationMatch&, const ApplicationMatch&) = default;
};

// The installed applications of a Linux desktop presented as application bundles: one folder per
// visible entry, "<root>/Applications/<id>.app" with Contents/Info.plist (CFBundleName, the
// localised name; CFBundleIdentifier, the id; CFBundleExecutable, the command; StartupWMClass when
// the entry names one) and, when its icon is found, Contents/Resources/AppIcon.<png|svg>: a link to
// the icon's file, which is read through the bounded reader when drawn (an SVG copy for an XPM
// picture). The file manager serves the
// root as the system's folders, so the bundles appear at "/Applications/<id>.app".
//
// The folder holds nothing but what the entries say. An update reads again only the entry files
// that changed since the last one and replaces only the bundles whose contents change, each in one
// step. Any thread.
class DesktopApplications {
public:
    // The icon size drawn largest (the start menu's grid).
    static constexpr int iconSize = 48;
    // Larger icon files are left out: no icon is that large, and every reader refuses them.
    static constexpr std::int64_t maximumIconSize = 16 << 20;

    explicit DesktopApplications(std::string root = defaultRoot());
    DesktopApplications(std::string root, std::vector<std::string> iconThemes);
    ~DesktopApplications();
    DesktopApplications(const DesktopApplications&) = delete;
    DesktopApplications& operator=(const DesktopApplications&) = delete;

    // $XDG_CACHE_HOME/velmora.
    static std::string defaultRoot();
    const std::string& root() const { return root_; }

    // Reads the entries that changed and rewrites their bundles; true when any bundle changed.
    bool update();
    // Updates the folder on a thread of its own, at once and whenever an applications folder or a
    // folder below one changes; the changes made once it returns are seen. Returns without waiting for the
    // first update.
    void startWatching();
    void stopWatching();

    std::vector<DesktopEntry> entries() const;
    static std::string bundlePath(const DesktopEntry& entry);
    // The entry of a bundle path ("/Applications/<id>.app", with or without the final "/").
    std::optional<DesktopEntry> entryForBundle(const std::string& path) const;
    // The bundle's icon, read once per version of the bundle.
    std::optional<Image> bundleIcon(const std::string& path);

    // A window's application: the entry whose StartupWMClass, then whose id, then whose command
    // (by base name) equals the window's class or instance, or the process's executable (by base
    // name), ignoring letter case; the first entry decides within each rule. Never waits: while the
    // watch's first update reads the entries, the answer comes from those known so far and
    // `*provisional` is set, so that the caller matches the window again once they are read.
    std::optional<ApplicationMatch> match(const std::string& wmClass, const std::string& wmInstance,
                                          const std::string& executablePath,
                                          bool* provisional = nullptr) const;
    // Whether the entries are read: false while the watch's first update reads them.
    bool entriesRead() const;
    // Waits, at most `limit`, while the watch's first update reads the entries; whether they are read.
    bool waitForEntries(std::chrono::milliseconds limit) const;
    // Runs once the watch's first update has read the entries, on that update's thread. Replaces
    // the earlier one.
    void setEntriesReadHandler(std::function<void()> handler);
    // Looks every entry's icon up again in these themes (the desktop announced another one) and
    // rewrites the bundles whose icon changes: on the watch's thread when it runs, else at once.
    void setIconThemes(std::vector<std::string> themes);
    // Runs after each update that changed a bundle (an application installed, removed or changed,
    // its icon included), on the updating thread. Replaces the earlier one.
    void setChangeHandler(std::function<void()> handler);

    // Runs on the updating thread before each update reads the entries; lets a test hold one.
    void setBeforeReadingForTesting(std::function<void()> hook);
    // The folders the watch has monitors on now.
    std::vector<std::string> watchedFoldersForTesting() const;

private:
    struct Known {
        DesktopEntryFile file;
        std::optional<DesktopEntry> entry;
    };

    std::vector<DesktopEntry> readEntries();
    BundleContents bundleFor(const DesktopEntry& entry);
    std::vector<std::string> walkedFolders();
    std::optional<DesktopEntry> entry(const std::string& id) const;

    const std::string root_;
    IconTheme icons_;
    const BundleFolder bundles_;

    mutable std::mutex mutex_;
    mutable std::condition_variable entriesRead_;
    bool reading_ = false;
    std::function<void()> entriesReadHandler_;
    std::function<void()> changeHandler_;
    std::function<void()> beforeReading_;
    std::shared_ptr<const std::vector<DesktopEntry>> entries_;
    std::map<std::string, Image> bundleIcons_;

    // Owned by whoever holds updateMutex_.
    std::mutex updateMutex_;
    std::map<std::string, Known> known_;
    std::vector<std::string> walked_;
    // What each bundle was written from, once the folder has been read (an entry without an id
    // for a bundle found there).
    std::optional<std::map<std::string, std::pair<DesktopEntry, BundleContents>>> written_;
    std::atomic<bool> stopping_{false};
    // Whether the last update could not read the entries because GIO would have waited on a file.
    std::atomic<bool> gioBlocked_{false};

    struct Watcher;
    std::unique_ptr<Watcher> watcher_;
};

}  // namespace platform::xdg
