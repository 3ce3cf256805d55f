#include "platform/xdg/IconTheme.h"

#include <glib.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <sstream>

#include "platform/foundation/FileManager.h"

namespace platform::xdg {
namespace {

constexpr const char* extensions[] = {".png", ".svg"};

bool isFile(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

std::vector<std::string> stringList(GKeyFile* file, const char* group, const char* key) {
    std::vector<std::string> result;
    gsize count = 0;
    if (gchar** values = g_key_file_get_string_list(file, group, key, &count, nullptr)) {
        for (gsize i = 0; i < count; ++i)
            if (*values[i]) result.emplace_back(values[i]);
        g_strfreev(values);
    }
    return result;
}

int integer(GKeyFile* file, const char* group, const char* key, int fallback) {
    GError* error = nullptr;
    int value = g_key_file_get_integer(file, group, key, &error);
    if (error) {
        g_error_free(error);
        return fallback;
    }
    return value;
}

}  // namespace

IconTheme::IconTheme(std::vector<std::string> themes)
    : themes_(std::move(themes)), baseFolders_(baseFolders()) {}

std::vector<std::string> IconTheme::userThemes() {
    auto path = FileManager::xdgPath("XDG_CONFIG_HOME", ".config") + "/gtk-3.0/settings.ini";
    std::vector<std::string> themes;
    GKeyFile* file = g_key_file_new();
    if (g_key_file_load_from_file(file, path.c_str(), G_KEY_FILE_NONE, nullptr)) {
        if (gchar* name = g_key_file_get_string(file, "Settings", "gtk-icon-theme-name", nullptr)) {
            if (*name) themes.emplace_back(name);
            g_free(name);
        }
    }
    g_key_file_free(file);
    return themes;
}

std::vector<std::string> IconTheme::baseFolders() {
    std::vector<std::string> folders{FileManager::homePath() + "/.icons",
                                     FileManager::xdgPath("XDG_DATA_HOME", ".local/share") + "/icons"};
    const char* dirs = std::getenv("XDG_DATA_DIRS");
    std::istringstream list(dirs && *dirs ? dirs : "/usr/local/share:/usr/share");
    for (std::string dir; std::getline(list, dir, ':');)
        if (!dir.empty()) folders.push_back(dir + "/icons");
    return folders;
}

const IconTheme::Theme& IconTheme::theme(const std::string& name) {
    if (auto found = loaded_.find(name); found != loaded_.end()) return found->second;
    Theme theme;
    for (const auto& base : baseFolders_) {
        auto root = base + "/" + name;
        std::error_code error;
        if (std::filesystem::is_directory(root, error)) theme.roots.push_back(root);
    }
    // The first index found describes the theme; the other folders only add files.
    for (const auto& root : theme.roots) {
        GKeyFile* file = g_key_file_new();
        g_key_file_set_list_separator(file, ',');
        bool read =
            g_key_file_load_from_file(file, (root + "/index.theme").c_str(), G_KEY_FILE_NONE, nullptr);
        if (read) {
            theme.inherits = stringList(file, "Icon Theme", "Inherits");
            for (const auto& directory : stringList(file, "Icon Theme", "Directories")) {
                const char* group = directory.c_str();
                // Scaled folders hold the same icons for high-density screens; the program scales.
                if (integer(file, group, "Scale", 1) != 1) continue;
                Directory entry{.name = directory, .size = integer(file, group, "Size", 0)};
                if (entry.size <= 0) continue;
                entry.minSize = integer(file, group, "MinSize", entry.size);
                entry.maxSize = integer(file, group, "MaxSize", entry.size);
                entry.threshold = integer(file, group, "Threshold", 2);
                gchar* type = g_key_file_get_string(file, group, "Type", nullptr);
                std::string typeName = type ? type : "Threshold";
                g_free(type);
                if (typeName == "Fixed") entry.type = Directory::Type::fixed;
                if (typeName == "Scalable") entry.type = Directory::Type::scalable;
                theme.directories.push_back(std::move(entry));
            }
        }
        g_key_file_free(file);
        if (read) break;
    }
    return loaded_.emplace(name, std::move(theme)).first->second;
}

std::vector<std::string> IconTheme::chain() {
    std::vector<std::string> order;
    std::set<std::string> seen;
    std::vector<std::string> pending(themes_.rbegin(), themes_.rend());
    while (!pending.empty()) {
        auto name = pending.back();
        pending.pop_back();
        if (name == "hicolor" || !seen.insert(name).second) continue;
        order.push_back(name);
        const auto& inherits = theme(name).inherits;
        pending.insert(pending.end(), inherits.rbegin(), inherits.rend());
    }
    order.push_back("hicolor");
    return order;
}

std::optional<std::string> IconTheme::find(const std::string& name, int size) {
    for (const auto& themeName : chain()) {
        const auto& current = theme(themeName);
        std::optional<std::string> closest;
        int closestDistance = INT_MAX;
        for (const auto& directory : current.directories) {
            int distance = 0;
            switch (directory.type) {
                case Directory::Type::fixed:
                    distance = std::abs(directory.size - size);
                    break;
                case Directory::Type::scalable:
                    distance = size < directory.minSize   ? directory.minSize - size
                               : size > directory.maxSize ? size - directory.maxSize
                                                          : 0;
                    break;
                case Directory::Type::threshold:
                    distance = size < directory.size - directory.threshold
                                   ? directory.size - directory.threshold - size
                               : size > directory.size + directory.threshold
                                   ? size - directory.size - directory.threshold
                                   : 0;
                    break;
            }
            if (distance >= closestDistance) continue;
            for (const auto& root : current.roots) {
                for (const char* extension : extensions) {
                    auto path = root + "/" + directory.name + "/" + name + extension;
                    if (!isFile(path)) continue;
                    if (distance == 0) return path;
                    closest = path;
                    closestDistance = distance;
                }
            }
        }
        if (closest) return closest;
    }
    for (const auto& folder : {std::string("/usr/share/pixmaps")}) {
        for (const char* extension : extensions)
            if (auto path = folder + "/" + name + extension; isFile(path)) return path;
    }
    return std::nullopt;
}

std::optional<std::string> IconTheme::lookup(const std::string& name, int size) {
    if (name.empty()) return std::nullopt;
    if (name.starts_with('/')) return isFile(name) ? std::optional(name) : std::nullopt;
    std::lock_guard lock(mutex_);
    auto key = std::make_pair(name, size);
    if (auto cached = cache_.find(key); cached != cache_.end()) return cached->second;
    auto found = find(name, size);
    cache_.emplace(key, found);
    return found;
}

}  // namespace platform::xdg
