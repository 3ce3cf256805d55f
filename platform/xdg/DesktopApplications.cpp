#include "platform/xdg/DesktopApplications.h"

#include <fcntl.h>
#include <gio/gio.h>
#include <plist/plist.h>
#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>

#include "platform/foundation/FileManager.h"

namespace platform::xdg {
namespace {

namespace fs = std::filesystem;

constexpr const char* applicationsFolder = "/Applications";
// Changes come in bursts (a package installs many files): one update after the last of them.
constexpr guint settleMilliseconds = 200;

std::string lowered(std::string text) {
    for (auto& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::optional<std::string> readAll(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(file), {});
}

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

// Every file below `folder` by its relative path.
std::map<std::string, std::string> readTree(const std::string& folder) {
    std::map<std::string, std::string> files;
    std::error_code error;
    for (fs::recursive_directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        if (!it->is_regular_file(error)) continue;
        files[fs::relative(it->path(), folder, error).string()] = readAll(it->path().string()).value_or("");
    }
    return files;
}

bool writeTree(const std::string& folder, const std::map<std::string, std::string>& files) {
    for (const auto& [relative, bytes] : files) {
        auto path = fs::path(folder) / relative;
        std::error_code error;
        fs::create_directories(path.parent_path(), error);
        std::ofstream file(path, std::ios::binary | std::ios::trunc);
        file << bytes;
        if (!file.flush()) return false;
    }
    return true;
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
    std::thread thread;
    std::promise<void> watching;

    static gboolean settled(gpointer data) {
        auto* watcher = static_cast<Watcher*>(data);
        g_source_unref(watcher->pending);
        watcher->pending = nullptr;
        watcher->owner->update();
        return G_SOURCE_REMOVE;
    }

    static void changed(GFileMonitor*, GFile*, GFile*, GFileMonitorEvent, gpointer data) {
        auto* watcher = static_cast<Watcher*>(data);
        if (watcher->pending) g_source_destroy(watcher->pending), g_source_unref(watcher->pending);
        watcher->pending = g_timeout_source_new(settleMilliseconds);
        g_source_set_callback(watcher->pending, settled, watcher, nullptr);
        g_source_attach(watcher->pending, watcher->context);
    }

    void run() {
        g_main_context_push_thread_default(context);
        std::vector<GFileMonitor*> monitors;
        for (const auto& folder : applicationFolders()) {
            GFile* file = g_file_new_for_path(folder.c_str());
            if (GFileMonitor* monitor =
                    g_file_monitor_directory(file, G_FILE_MONITOR_NONE, nullptr, nullptr)) {
                g_signal_connect(monitor, "changed", G_CALLBACK(changed), this);
                monitors.push_back(monitor);
            }
            g_object_unref(file);
        }
        watching.set_value();
        g_main_loop_run(loop);
        for (auto* monitor : monitors) g_object_unref(monitor);
        if (pending) g_source_destroy(pending), g_source_unref(pending);
        g_main_context_pop_thread_default(context);
    }
};

DesktopApplications::DesktopApplications(std::string root)
    : root_(std::move(root)), entries_(std::make_shared<const std::vector<DesktopEntry>>()) {}

DesktopApplications::~DesktopApplications() { stopWatching(); }

std::string DesktopApplications::defaultRoot() {
    return FileManager::xdgPath("XDG_CACHE_HOME", ".cache") + "/velmora";
}

bool DesktopApplications::update() {
    std::lock_guard updating(updateMutex_);
    auto entries = std::make_shared<const std::vector<DesktopEntry>>(visibleEntries());
    auto files = bundleFiles(*entries);
    bool changed =
        readTree(root_ + applicationsFolder) != files || !fs::is_directory(root_ + applicationsFolder);
    if (changed && !writeFolder(files)) changed = false;
    std::lock_guard lock(mutex_);
    entries_ = std::move(entries);
    if (changed) bundleIcons_.clear();
    return changed;
}

DesktopApplications::Files DesktopApplications::bundleFiles(const std::vector<DesktopEntry>& entries) {
    Files files;
    for (const auto& entry : entries) {
        auto contents = entry.id + ".app/Contents/";
        std::optional<std::string> iconPath =
            entry.icon ? icons_.lookup(*entry.icon, iconSize) : std::nullopt;
        std::optional<std::string> icon = iconPath ? readAll(*iconPath) : std::nullopt;
        if (icon) files[contents + "Resources/AppIcon" + fs::path(*iconPath).extension().string()] = *icon;
        files[contents + "Info.plist"] = propertyList(entry, icon.has_value());
    }
    return files;
}

bool DesktopApplications::writeFolder(const Files& files) {
    std::error_code error;
    // The scan also lists the system's folder; an empty one keeps it from reporting a failure.
    fs::create_directories(root_ + "/System/Applications", error);
    std::string building = root_ + "/.Applications-XXXXXX";
    if (!::mkdtemp(building.data())) return false;
    auto target = root_ + applicationsFolder;
    bool ok = writeTree(building, files);
    if (ok) {
        // Readers see the old folder or the new one, never a mixture.
        if (fs::exists(target, error))
            ok = ::renameat2(AT_FDCWD, building.c_str(), AT_FDCWD, target.c_str(), RENAME_EXCHANGE) == 0;
        else
            ok = ::rename(building.c_str(), target.c_str()) == 0;
    }
    fs::remove_all(building, error);
    return ok;
}

void DesktopApplications::startWatching() {
    if (watcher_) return;
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

std::optional<ApplicationMatch> DesktopApplications::match(const std::string& wmClass,
                                                           const std::string& wmInstance,
                                                           const std::string& executablePath) const {
    std::shared_ptr<const std::vector<DesktopEntry>> entries;
    {
        std::lock_guard lock(mutex_);
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
