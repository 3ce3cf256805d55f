#include "platform/xdg/DesktopEntries.h"

#include <gio/gdesktopappinfo.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <sstream>

#include "platform/foundation/FileManager.h"

namespace platform::xdg {
namespace {

namespace fs = std::filesystem;

std::optional<std::string> text(const char* value) {
    if (!value || !*value) return std::nullopt;
    return std::string(value);
}

std::optional<std::string> owned(char* value) {
    auto result = text(value);
    g_free(value);
    return result;
}

// Every .desktop file below `folder` with its desktop-file id: subfolders join the id with "-".
std::vector<std::pair<std::string, std::string>> entryFiles(const std::string& folder) {
    std::vector<std::pair<std::string, std::string>> files;
    std::error_code error;
    for (fs::recursive_directory_iterator it(folder, fs::directory_options::follow_directory_symlink, error),
         end;
         !error && it != end; it.increment(error)) {
        const auto& path = it->path();
        if (path.extension() != ".desktop" || !it->is_regular_file(error)) continue;
        auto relative = fs::relative(path, folder, error).string();
        std::replace(relative.begin(), relative.end(), '/', '-');
        files.emplace_back(relative.substr(0, relative.size() - 8), path.string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::optional<DesktopEntry> load(const std::string& id, const std::string& path) {
    GDesktopAppInfo* info = g_desktop_app_info_new_from_filename(path.c_str());
    // GIO refuses entries of another type and those whose program (TryExec, Exec) is missing.
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

std::vector<DesktopEntry> visibleEntries() {
    std::vector<DesktopEntry> entries;
    std::set<std::string> seen;
    for (const auto& folder : applicationFolders()) {
        for (const auto& [id, path] : entryFiles(folder)) {
            // The first file of an id decides, even when it hides the application.
            if (!seen.insert(id).second) continue;
            if (auto entry = load(id, path)) entries.push_back(std::move(*entry));
        }
    }
    return entries;
}

std::string baseName(const std::string& path) {
    auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace platform::xdg
