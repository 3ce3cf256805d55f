#include "platform/xdg/DesktopEntries.h"

#include <dirent.h>
#include <gio/gdesktopappinfo.h>
#include <sys/stat.h>

#include <algorithm>
#include <set>
#include <sstream>
#include <utility>

#include "platform/foundation/BoundedFile.h"
#include "platform/foundation/FileManager.h"
#include "platform/xdg/GioFiles.h"

namespace platform::xdg {
namespace {

// Deeper folders are no menu's; the limit also keeps paths within the system's length.
constexpr int maximumDepth = 16;

std::optional<std::string> text(const char* value) {
    if (!value || !*value) return std::nullopt;
    return std::string(value);
}

std::optional<std::string> owned(char* value) {
    auto result = text(value);
    g_free(value);
    return result;
}

std::int64_t nanoseconds(const timespec& time) {
    return static_cast<std::int64_t>(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

}  // namespace

std::vector<std::string> applicationFolders() {
    std::vector<std::string> folders{FileManager::xdgPath("XDG_DATA_HOME", ".local/share") + "/applications"};
    const char* dirs = std::getenv("XDG_DATA_DIRS");
    std::istringstream list(dirs && *dirs ? dirs : "/usr/local/share:/usr/share");
    for (std::string dir; std::getline(list, dir, ':');) {
        if (dir.empty()) continue;
        while (dir.size() > 1 && dir.ends_with('/')) dir.pop_back();
        folders.push_back(dir + "/applications");
    }
    return folders;
}

std::vector<DesktopEntryFile> entryFiles(const std::string& folder, std::vector<std::string>* walked) {
    std::vector<DesktopEntryFile> files;
    std::set<std::pair<dev_t, ino_t>> seen;
    struct stat status {};
    if (::stat(folder.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) return files;
    seen.emplace(status.st_dev, status.st_ino);
    // (folder, its path relative to `folder` with a final "/", depth)
    std::vector<std::tuple<std::string, std::string, int>> pending{{folder, "", 0}};
    while (!pending.empty()) {
        auto [path, relative, depth] = std::move(pending.back());
        pending.pop_back();
        DIR* directory = ::opendir(path.c_str());
        if (!directory) continue;
        while (dirent* item = ::readdir(directory)) {
            std::string name = item->d_name;
            if (name == "." || name == "..") continue;
            // Links are followed: what they lead to decides.
            if (::fstatat(::dirfd(directory), item->d_name, &status, 0) != 0) continue;
            if (S_ISDIR(status.st_mode)) {
                if (depth < maximumDepth && seen.emplace(status.st_dev, status.st_ino).second) {
                    pending.emplace_back(path + "/" + name, relative + name + "/", depth + 1);
                    if (walked) walked->push_back(path + "/" + name);
                }
            } else if (S_ISREG(status.st_mode) && name.size() > 8 && name.ends_with(".desktop")) {
                auto id = relative + name.substr(0, name.size() - 8);
                std::replace(id.begin(), id.end(), '/', '-');
                files.push_back(DesktopEntryFile{id, path + "/" + name, status.st_dev, status.st_ino,
                                                 status.st_size, nanoseconds(status.st_mtim),
                                                 nanoseconds(status.st_ctim)});
            }
        }
        ::closedir(directory);
    }
    std::sort(files.begin(), files.end(),
              [](const auto& a, const auto& b) { return std::tie(a.id, a.path) < std::tie(b.id, b.path); });
    return files;
}

std::optional<DesktopEntry> decodeDesktopEntry(const std::string& id, const std::string& path,
                                               std::string_view bytes) {
    GKeyFile* file = g_key_file_new();
    bool loaded =
        g_key_file_load_from_data(file, bytes.data(), bytes.size(), G_KEY_FILE_KEEP_TRANSLATIONS, nullptr);
    // GIO refuses entries of another type and those whose program (TryExec, Exec) is missing.
    GDesktopAppInfo* info = loaded ? g_desktop_app_info_new_from_keyfile(file) : nullptr;
    // The entry keeps its own reference; freeing would empty the file under it.
    g_key_file_unref(file);
    if (!info) return std::nullopt;
    std::optional<DesktopEntry> entry;
    if (!g_desktop_app_info_get_is_hidden(info) && g_app_info_should_show(G_APP_INFO(info))) {
        entry = DesktopEntry{
            .id = id,
            .path = path,
            .name = text(g_app_info_get_name(G_APP_INFO(info))).value_or(id),
            .executable = text(g_app_info_get_executable(G_APP_INFO(info))).value_or(""),
            .startupWMClass = text(g_desktop_app_info_get_startup_wm_class(info)),
            .icon = owned(g_desktop_app_info_get_string(info, "Icon")),
        };
    }
    g_object_unref(info);
    return entry;
}

std::optional<DesktopEntry> readDesktopEntryFile(const std::string& id, const std::string& path) {
    // A FIFO or a device named like an entry is never opened for a blocking read.
    auto bytes = readBoundedFile(path, FileLimits::keyFile);
    if (!bytes) return std::nullopt;
    return decodeDesktopEntry(id, path, *bytes);
}

std::optional<DesktopEntry> readDesktopEntry(const std::string& id, const std::string& path) {
    // GIO would read its lists of default applications, and wait for ever on a FIFO among them.
    if (gioBlockingFile()) return std::nullopt;
    return readDesktopEntryFile(id, path);
}

std::vector<DesktopEntry> visibleEntries() {
    std::vector<DesktopEntry> entries;
    if (gioBlockingFile()) return entries;
    std::set<std::string> seen;
    for (const auto& folder : applicationFolders()) {
        for (const auto& file : entryFiles(folder)) {
            // The first file of an id decides, even when it hides the application.
            if (!seen.insert(file.id).second) continue;
            if (auto entry = readDesktopEntryFile(file.id, file.path)) entries.push_back(std::move(*entry));
        }
    }
    return entries;
}

std::string baseName(const std::string& path) {
    auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace platform::xdg
