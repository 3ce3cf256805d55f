#include "platform/xdg/DesktopApplications.h"

#include <gio/gio.h>
#include <plist/plist.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <future>
#include <set>

#include "platform/foundation/FileManager.h"
#include "platform/xdg/GioFiles.h"
#include "platform/xdg/Settle.h"
#include "platform/xdg/XpmImage.h"

namespace platform::xdg {
namespace {

namespace fs = std::filesystem;

constexpr const char* applicationsFolder = "/Applications";
// Changes come in bursts (a package installs many files): one update after the last of them, but
// at least one every two seconds while they go on, so that endless churn hides no application.
constexpr std::int64_t settleMicroseconds = 200'000;
constexpr std::int64_t longestSettleMicroseconds = 2'000'000;

std::string lowered(std::string text) {
    for (auto& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// A 256-pixel XPM picture of four characters a pixel is about this large.
constexpr std::uint64_t maximumXpmSize = 1u << 20;

std::string propertyList(const DesktopEntry& entry, bool hasIcon) {
    plist_t dict = plist_new_dict();
    plist_dict_set_item(dict, "CFBundleName", plist_new_string(entry.name.c_str()));
    plist_dict_set_item(dict, "CFBundleIdentifier", plist_new_string(entry.id.c_str()));
    plist_dict_set_item(dict, "CFBundleExecutable", plist_new_string(entry.executable.c_str()));
    if (entry.startupWMClass)
        plist_dict_set_item(dict, "StartupWMClass", plist_new_string(entry.startupWMClass->c_str()));
    if (hasIcon) plist_dict_set_item(dict, "CFBundleIconFile", plist_new_string("AppIcon"));
    char* xml = nullptr;
    uint32_t length = 0;
    plist_to_xml(dict, &xml, &length);
    std::string result(xml ? xml : "", length);
    plist_to_xml_free(xml);
    plist_free(dict);
    return result;
}

std::optional<std::string> bundleId(const std::string& path) {
    std::string prefix = std::string(applicationsFolder) + "/";
    auto trimmed = path;
    while (trimmed.ends_with('/')) trimmed.pop_back();
    if (!trimmed.starts_with(prefix) || !trimmed.ends_with(".app")) return std::nullopt;
    auto name = trimmed.substr(prefix.size(), trimmed.size() - prefix.size() - 4);
    if (name.empty() || name.find('/') != std::string::npos) return std::nullopt;
    return name;
}

}  // namespace

struct DesktopApplications::Watcher {
    DesktopApplications* owner = nullptr;
    GMainContext* context = nullptr;
    GMainLoop* loop = nullptr;
    GSource* pending = nullptr;
    Settle settle{settleMicroseconds, longestSettleMicroseconds};
    std::thread thread;
    std::promise<void> watching;
    // Each watched folder: the applications folders that exist, the real folders below them that
    // the last update walked, and for a missing applications folder its nearest existing parent.
    // GLib would poll a missing folder every few seconds; its parent tells when it is made.
    std::map<std::string, GFileMonitor*> monitors;
    // Of each parent watched for missing folders, its children on the way to them: changes to
    // anything else in it (a home folder sees many) are none of the watch's business.
    std::map<std::string, std::set<std::string>> awaited;
    // Guards `monitors` against the tests' look at them; only the watch's thread changes it.
    mutable std::mutex monitorsMutex;

    static gboolean settled(gpointer data) {
        auto* watcher = static_cast<Watcher*>(data);
        g_source_unref(watcher->pending);
        watcher->pending = nullptr;
        // Changes made while the update reads start the next burst.
        watcher->settle.acted();
        watcher->update();
        return G_SOURCE_REMOVE;
    }

    static void changed(GFileMonitor* monitor, GFile* file, GFile* other, GFileMonitorEvent, gpointer data) {
        auto* watcher = static_cast<Watcher*>(data);
        if (!watcher->concerns(monitor, file, other)) return;
        watcher->settleIn(watcher->settle.changed(g_get_monotonic_time()));
    }

    // Whether a change reported by `monitor` may change the entries or the folders to watch.
    bool concerns(GFileMonitor* monitor, GFile* file, GFile* other) const {
        auto folder = std::find_if(monitors.begin(), monitors.end(),
                                   [&](const auto& item) { return item.second == monitor; });
        if (folder == monitors.end()) return false;
        auto children = awaited.find(folder->first);
        if (children == awaited.end()) return true;
        for (GFile* changedFile : {file, other}) {
            if (!changedFile) continue;
            char* path = g_file_get_path(changedFile);
            bool onTheWay = path && children->second.count(path);
            g_free(path);
            if (onTheWay) return true;
        }
        return false;
    }

    // The folders to watch for these applications folders and walked folders, and the parents'
    // awaited children.
    static std::set<std::string> foldersToWatch(const std::vector<std::string>& top,
                                                const std::vector<std::string>& walked,
                                                std::map<std::string, std::set<std::string>>& awaited) {
        std::set<std::string> folders;
        std::error_code error;
        for (const auto& folder : walked)
            if (fs::is_directory(folder, error)) folders.insert(folder);
        for (const auto& folder : top) {
            if (fs::is_directory(folder, error)) {
                folders.insert(folder);
                continue;
            }
            // The nearest existing parent; none when even the root is missing or no folder.
            fs::path child = fs::path(folder).lexically_normal();
            if (!child.is_absolute()) continue;
            while (child.has_relative_path()) {
                auto parent = child.parent_path();
                if (fs::is_directory(parent, error)) {
                    folders.insert(parent.string());
                    awaited[parent.string()].insert(child.string());
                    break;
                }
                child = parent;
            }
        }
        // A parent that is itself watched as an applications folder hears of every change.
        std::erase_if(awaited, [&](const auto& item) {
            return std::find(top.begin(), top.end(), item.first) != top.end() ||
                   std::find(walked.begin(), walked.end(), item.first) != walked.end();
        });
        return folders;
    }

    // Whether a folder is watched now that was not before.
    bool watch(const std::vector<std::string>& walked) {
        std::map<std::string, std::set<std::string>> parents;
        auto wanted = foldersToWatch(applicationFolders(), walked, parents);
        awaited = std::move(parents);
        std::lock_guard lock(monitorsMutex);
        std::erase_if(monitors, [&](const auto& item) {
            if (wanted.count(item.first)) return false;
            g_object_unref(item.second);
            return true;
        });
        bool added = false;
        for (const auto& folder : wanted) {
            if (monitors.count(folder)) continue;
            GFile* file = g_file_new_for_path(folder.c_str());
            if (GFileMonitor* monitor =
                    g_file_monitor_directory(file, G_FILE_MONITOR_NONE, nullptr, nullptr)) {
                g_signal_connect(monitor, "changed", G_CALLBACK(changed), this);
                monitors.emplace(folder, monitor);
                added = true;
            }
            g_object_unref(file);
        }
        return added;
    }

    std::vector<std::string> watched() const {
        std::lock_guard lock(monitorsMutex);
        std::vector<std::string> folders;
        for (const auto& [folder, monitor] : monitors) folders.push_back(folder);
        return folders;
    }

    void update() {
        // A folder the walk found for the first time is watched only after it was read: what
        // changed in it meanwhile is read by one more walk, which re-reads only what changed.
        do owner->update();
        while (watch(owner->walkedFolders()));
        // The file that kept GIO from reading lies outside the watched folders: look again later.
        if (owner->gioBlocked_) settleIn(longestSettleMicroseconds);
    }

    void settleIn(std::int64_t microseconds) {
        if (pending) g_source_destroy(pending), g_source_unref(pending);
        pending = g_timeout_source_new(static_cast<guint>((microseconds + 999) / 1000));
        g_source_set_callback(pending, settled, this, nullptr);
        g_source_attach(pending, context);
    }

    void run() {
        g_main_context_push_thread_default(context);
        watch({});
        watching.set_value();
        // The first update runs here, so that the caller goes on at once.
        update();
        g_main_loop_run(loop);
        {
            std::lock_guard lock(monitorsMutex);
            for (auto& [folder, monitor] : monitors) g_object_unref(monitor);
            monitors.clear();
        }
        if (pending) g_source_destroy(pending), g_source_unref(pending);
        g_main_context_pop_thread_default(context);
    }
};

DesktopApplications::DesktopApplications(std::string root)
    : DesktopApplications(std::move(root), IconTheme::userThemes()) {}

DesktopApplications::DesktopApplications(std::string root, std::vector<std::string> iconThemes)
    : root_(std::move(root)),
      icons_(std::move(iconThemes)),
      bundles_(root_),
      entries_(std::make_shared<const std::vector<DesktopEntry>>()) {}

DesktopApplications::~DesktopApplications() { stopWatching(); }

std::string DesktopApplications::defaultRoot() {
    return FileManager::xdgPath("XDG_CACHE_HOME", ".cache") + "/velmora";
}

std::vector<DesktopEntry> DesktopApplications::readEntries() {
    // GIO decodes the entries; while it would wait for ever on a file, the entries stay as they were.
    auto file = gioBlockingFile();
    if (file && !gioBlocked_) {
        std::printf("Desktop entries: %s is no regular file, so the applications are not read again\n",
                    file->c_str());
        std::fflush(stdout);
    }
    gioBlocked_ = file.has_value();
    if (file) {
        std::lock_guard lock(mutex_);
        return *entries_;
    }
    std::vector<DesktopEntry> entries;
    std::map<std::string, Known> known;
    std::set<std::string> seen;
    std::vector<std::string> walked;
    for (const auto& folder : applicationFolders()) {
        for (auto& file : entryFiles(folder, &walked)) {
            if (stopping_) return {};
            // The first file of an id decides, even when it hides the application.
            if (!seen.insert(file.id).second) continue;
            // Only files that changed since the last update are read again.
            Known item{file, std::nullopt};
            auto earlier = known_.find(file.path);
            if (earlier != known_.end() && earlier->second.file.id == file.id &&
                earlier->second.file.sameVersion(file))
                item.entry = earlier->second.entry;
            else
                item.entry = readDesktopEntryFile(file.id, file.path);
            if (item.entry) entries.push_back(*item.entry);
            known.insert_or_assign(file.path, std::move(item));
        }
    }
    known_ = std::move(known);
    walked_ = std::move(walked);
    return entries;
}

bool DesktopApplications::update() {
    std::lock_guard updating(updateMutex_);
    std::function<void()> hook;
    {
        std::lock_guard lock(mutex_);
        hook = beforeReading_;
    }
    if (hook) hook();
    auto read = readEntries();
    if (stopping_) return false;
    auto entries = std::make_shared<const std::vector<DesktopEntry>>(std::move(read));
    std::function<void()> handler;
    {
        std::lock_guard lock(mutex_);
        entries_ = entries;
        // Windows matched while the entries were unknown are matched again on the handler's word.
        if (reading_) handler = entriesReadHandler_;
        reading_ = false;
    }
    entriesRead_.notify_all();
    if (handler) handler();

    bundles_.create();
    // New icons come with new programs.
    if (written_) icons_.refresh();
    if (!written_) {
        bundles_.removeLeftovers();
        written_.emplace();
        for (auto& [id, bundle] : bundles_.read()) written_->emplace(id, std::pair{DesktopEntry{}, bundle});
    }
    std::set<std::string> changedIds, wanted;
    for (const auto& entry : *entries) {
        if (stopping_) return false;
        wanted.insert(entry.id);
        auto written = written_->find(entry.id);
        // An unchanged entry has an unchanged bundle: its icon is not looked up again.
        if (written != written_->end() && written->second.first == entry) continue;
        auto bundle = bundleFor(entry);
        if (written == written_->end() || written->second.second != bundle) {
            if (!bundles_.write(entry.id, bundle)) continue;
            changedIds.insert(entry.id);
        }
        written_->insert_or_assign(entry.id, std::pair{entry, std::move(bundle)});
    }
    // Whatever else is in the folder goes, whoever put it there.
    for (const auto& name : bundles_.names()) {
        auto id = name.ends_with(".app") ? name.substr(0, name.size() - 4) : name;
        if (wanted.count(id) && name.ends_with(".app")) continue;
        if (bundles_.remove(name)) changedIds.insert(id);
        if (name.ends_with(".app")) written_->erase(id);
    }
    if (changedIds.empty()) return false;
    std::function<void()> changed;
    {
        std::lock_guard lock(mutex_);
        for (const auto& id : changedIds) bundleIcons_.erase(id);
        changed = changeHandler_;
    }
    if (changed) changed();
    return true;
}

BundleContents DesktopApplications::bundleFor(const DesktopEntry& entry) {
    BundleContents bundle;
    auto path = entry.icon ? icons_.lookup(*entry.icon, iconSize) : std::nullopt;
    auto extension = path ? fs::path(*path).extension().string() : std::string();
    struct stat status {};
    // The bundle leads to the icon instead of holding a copy; what it leads to must be a file of
    // an icon's size, and is read through the bounded reader when drawn.
    if ((extension == ".png" || extension == ".svg") && ::stat(path->c_str(), &status) == 0 &&
        S_ISREG(status.st_mode) && status.st_size <= maximumIconSize) {
        bundle.iconName = "AppIcon" + extension;
        bundle.iconTarget = *path;
    }
    // An XPM picture is drawn from the SVG picture made of it, kept in the bundle.
    if (extension == ".xpm") {
        auto xpm = FileManager::shared()->readFile(*path, maximumXpmSize);
        if (auto svg = xpm ? svgFromXpm(*xpm) : std::nullopt) {
            bundle.iconName = "AppIcon.svg";
            bundle.iconData = std::move(*svg);
        }
    }
    bundle.info = propertyList(entry, !bundle.iconName.empty());
    return bundle;
}

void DesktopApplications::startWatching() {
    if (watcher_) return;
    {
        std::lock_guard lock(mutex_);
        reading_ = true;
    }
    stopping_ = false;
    watcher_ = std::make_unique<Watcher>();
    watcher_->owner = this;
    watcher_->context = g_main_context_new();
    watcher_->loop = g_main_loop_new(watcher_->context, FALSE);
    auto watching = watcher_->watching.get_future();
    watcher_->thread = std::thread([watcher = watcher_.get()] { watcher->run(); });
    // Changes from now on are seen.
    watching.wait();
}

void DesktopApplications::stopWatching() {
    if (!watcher_) return;
    // An update under way stops at its next entry.
    stopping_ = true;
    // Quitting before the loop runs would be lost: ask through the loop's own context.
    g_main_context_invoke(
        watcher_->context,
        [](gpointer loop) {
            g_main_loop_quit(static_cast<GMainLoop*>(loop));
            return G_SOURCE_REMOVE;
        },
        watcher_->loop);
    watcher_->thread.join();
    g_main_loop_unref(watcher_->loop);
    g_main_context_unref(watcher_->context);
    watcher_.reset();
    stopping_ = false;
    {
        std::lock_guard lock(mutex_);
        reading_ = false;
    }
    entriesRead_.notify_all();
}

std::vector<std::string> DesktopApplications::watchedFoldersForTesting() const {
    return watcher_ ? watcher_->watched() : std::vector<std::string>{};
}

std::vector<std::string> DesktopApplications::walkedFolders() {
    std::lock_guard updating(updateMutex_);
    return walked_;
}

std::vector<DesktopEntry> DesktopApplications::entries() const {
    std::lock_guard lock(mutex_);
    return *entries_;
}

std::string DesktopApplications::bundlePath(const DesktopEntry& entry) {
    return std::string(applicationsFolder) + "/" + entry.id + ".app";
}

std::optional<DesktopEntry> DesktopApplications::entry(const std::string& id) const {
    std::lock_guard lock(mutex_);
    for (const auto& entry : *entries_)
        if (entry.id == id) return entry;
    return std::nullopt;
}

std::optional<DesktopEntry> DesktopApplications::entryForBundle(const std::string& path) const {
    auto id = bundleId(path);
    return id ? entry(*id) : std::nullopt;
}

std::optional<Image> DesktopApplications::bundleIcon(const std::string& path) {
    auto id = bundleId(path);
    if (!id) return std::nullopt;
    std::lock_guard lock(mutex_);
    if (auto cached = bundleIcons_.find(*id); cached != bundleIcons_.end()) return cached->second;
    auto resources = root_ + applicationsFolder + "/" + *id + ".app/Contents/Resources/AppIcon";
    for (const char* extension : {".png", ".svg"}) {
        auto size = Size{static_cast<double>(iconSize), static_cast<double>(iconSize)};
        if (auto image = Image::contentsOfFile(resources + extension, size)) {
            bundleIcons_.emplace(*id, *image);
            return image;
        }
    }
    return std::nullopt;
}

bool DesktopApplications::entriesRead() const {
    std::lock_guard lock(mutex_);
    return !reading_;
}

bool DesktopApplications::waitForEntries(std::chrono::milliseconds limit) const {
    std::unique_lock lock(mutex_);
    return entriesRead_.wait_for(lock, limit, [&] { return !reading_; });
}

void DesktopApplications::setIconThemes(std::vector<std::string> themes) {
    icons_.setThemes(std::move(themes));
    {
        // An entry written from nothing is made into a bundle again, its icon looked up anew;
        // only the bundles that change are written.
        std::lock_guard updating(updateMutex_);
        if (written_)
            for (auto& [id, written] : *written_) written.first = DesktopEntry{};
    }
    if (!watcher_) {
        update();
        return;
    }
    g_main_context_invoke(
        watcher_->context,
        [](gpointer watcher) {
            static_cast<Watcher*>(watcher)->update();
            return G_SOURCE_REMOVE;
        },
        watcher_.get());
}

void DesktopApplications::setChangeHandler(std::function<void()> handler) {
    std::lock_guard lock(mutex_);
    changeHandler_ = std::move(handler);
}

void DesktopApplications::setEntriesReadHandler(std::function<void()> handler) {
    std::lock_guard lock(mutex_);
    entriesReadHandler_ = std::move(handler);
}

void DesktopApplications::setBeforeReadingForTesting(std::function<void()> hook) {
    std::lock_guard lock(mutex_);
    beforeReading_ = std::move(hook);
}

std::optional<ApplicationMatch> DesktopApplications::match(const std::string& wmClass,
                                                           const std::string& wmInstance,
                                                           const std::string& executablePath,
                                                           bool* provisional) const {
    std::shared_ptr<const std::vector<DesktopEntry>> entries;
    {
        std::lock_guard lock(mutex_);
        if (provisional) *provisional = reading_;
        entries = entries_;
    }
    const auto windowClass = lowered(wmClass);
    const auto instance = lowered(wmInstance);
    const auto executable = executablePath.empty() ? std::string() : lowered(baseName(executablePath));
    auto matches = [&](const std::string& key) {
        auto name = lowered(key);
        return !name.empty() && (name == windowClass || name == instance || name == executable);
    };
    using Key = std::string (*)(const DesktopEntry&);
    const Key rules[] = {
        [](const DesktopEntry& entry) { return entry.startupWMClass.value_or(""); },
        [](const DesktopEntry& entry) { return entry.id; },
        [](const DesktopEntry& entry) { return baseName(entry.executable); },
    };
    for (auto rule : rules) {
        for (const auto& entry : *entries)
            if (matches(rule(entry))) return ApplicationMatch{entry.id, bundlePath(entry), entry.name};
    }
    return std::nullopt;
}

}  // namespace platform::xdg
