#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/system/Image.h"
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
// the entry names one) and its icon in Contents/Resources. The file manager serves the root as the
// system's folders, so the bundles appear at "/Applications/<id>.app".
//
// The folder holds nothing but what the entries say: each change builds a new one beside it and
// swaps the two in one step. Any thread.
class DesktopApplications {
public:
    // The icon size drawn largest (the start menu's grid).
    static constexpr int iconSize = 48;

    explicit DesktopApplications(std::string root = defaultRoot());
    ~DesktopApplications();
    DesktopApplications(const DesktopApplications&) = delete;
    DesktopApplications& operator=(const DesktopApplications&) = delete;

    // $XDG_CACHE_HOME/velmora.
    static std::string defaultRoot();
    const std::string& root() const { return root_; }

    // Reads the entries again and rewrites the folder when they changed; true when it did.
    bool update();
    // Updates the folder whenever an applications folder changes, from a thread of its own; the
    // changes made once it returns are seen.
    void startWatching();
    void stopWatching();

    std::vector<DesktopEntry> entries() const;
    static std::string bundlePath(const DesktopEntry& entry);
    // The entry of a bundle path ("/Applications/<id>.app", with or without the final "/").
    std::optional<DesktopEntry> entryForBundle(const std::string& path) const;
    // The bundle's icon, read once per version of the folder.
    std::optional<Image> bundleIcon(const std::string& path);

    // A window's application: the entry whose StartupWMClass, then whose id, then whose command
    // (by base name) equals the window's class or instance, or the process's executable (by base
    // name), ignoring letter case; the first entry decides within each rule.
    std::optional<ApplicationMatch> match(const std::string& wmClass, const std::string& wmInstance,
                                          const std::string& executablePath) const;

private:
    using Files = std::map<std::string, std::string>;
    Files bundleFiles(const std::vector<DesktopEntry>& entries);
    bool writeFolder(const Files& files);
    std::optional<DesktopEntry> entry(const std::string& id) const;

    const std::string root_;
    IconTheme icons_;

    mutable std::mutex mutex_;
    std::shared_ptr<const std::vector<DesktopEntry>> entries_;
    std::map<std::string, Image> bundleIcons_;
    std::mutex updateMutex_;

    struct Watcher;
    std::unique_ptr<Watcher> watcher_;
};

}  // namespace platform::xdg
