#include "platform/xdg/GioFiles.h"

#include <glib.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

#include "platform/xdg/DesktopEntries.h"

namespace platform::xdg {
namespace {

bool isOther(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && !S_ISREG(status.st_mode);
}

// Desktop entries below `folder` that are no regular files; GIO finds an entry by its id in any of them.
std::optional<std::string> otherEntry(const std::string& folder) {
    namespace fs = std::filesystem;
    std::error_code error;
    fs::recursive_directory_iterator walk(folder, fs::directory_options::skip_permission_denied, error);
    for (; !error && walk != fs::recursive_directory_iterator(); walk.increment(error)) {
        if (walk.depth() > 16) walk.disable_recursion_pending();
        auto path = walk->path().string();
        if (path.ends_with(".desktop") && isOther(path)) return path;
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string> gioBlockingFile(bool entries) {
    // The folders and names GIO reads them from, in its own order.
    std::vector<std::string> folders{g_get_user_config_dir()};
    for (auto* dir = g_get_system_config_dirs(); *dir; ++dir) folders.emplace_back(*dir);
    folders.push_back(std::string(g_get_user_data_dir()) + "/applications");
    for (auto* dir = g_get_system_data_dirs(); *dir; ++dir)
        folders.push_back(std::string(*dir) + "/applications");
    std::vector<std::string> names{"mimeapps.list", "defaults.list", "mimeinfo.cache"};
    if (const char* desktops = std::getenv("XDG_CURRENT_DESKTOP")) {
        gchar** each = g_strsplit(desktops, ":", 0);
        for (auto** desktop = each; *desktop; ++desktop) {
            gchar* lower = g_ascii_strdown(*desktop, -1);
            if (*lower) names.push_back(std::string(lower) + "-mimeapps.list");
            g_free(lower);
        }
        g_strfreev(each);
    }
    for (const auto& folder : folders)
        for (const auto& name : names)
            if (isOther(folder + "/" + name)) return folder + "/" + name;
    if (entries)
        for (const auto& folder : applicationFolders())
            if (auto found = otherEntry(folder)) return found;
    return std::nullopt;
}

}  // namespace platform::xdg
