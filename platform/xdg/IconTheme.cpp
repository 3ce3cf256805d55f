#include "platform/xdg/IconTheme.h"

#include <dirent.h>
#include <glib.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <set>
#include <sstream>

#include "platform/foundation/BoundedFile.h"
#include "platform/foundation/FileManager.h"

namespace platform::xdg {
namespace {

constexpr const char* themedExtensions[] = {".png", ".svg"};
constexpr const char* pixmapExtensions[] = {".png", ".svg", ".xpm"};
// No screen draws an icon larger; it also keeps every distance far from overflowing.
constexpr int largestSize = 1 << 16;
// What every desktop has, after the user's theme.
constexpr const char* fallbackThemes[] = {"Adwaita", "hicolor"};

// When a folder last changed (-1 when there is none): installing an icon changes its folder.
std::int64_t stamp(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) return -1;
    return static_cast<std::int64_t>(status.st_mtim.tv_sec) * 1'000'000'000 + status.st_mtim.tv_nsec;
}

bool isFile(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

std::string trimmed(std::string_view text) {
    auto begin = text.find_first_not_of(" \t\r");
    if (begin == std::string_view::npos) return {};
    auto end = text.find_last_not_of(" \t\r");
    return std::string(text.substr(begin, end - begin + 1));
}

// `key`'s value in an ini-like file, in `group` ("" for a file without groups); quotes removed.
std::optional<std::string> settingValue(const std::string& path, std::string_view group,
                                        std::string_view key) {
    auto text = readBoundedFile(path, FileLimits::keyFile);
    if (!text) return std::nullopt;
    std::istringstream lines(*text);
    std::string current;
    for (std::string line; std::getline(lines, line);) {
        auto item = trimmed(line);
        if (item.starts_with('[') && item.ends_with(']')) {
            current = item.substr(1, item.size() - 2);
            continue;
        }
        auto equals = item.find('=');
        if (current != group || equals == std::string::npos || trimmed(item.substr(0, equals)) != key)
            continue;
        auto value = trimmed(item.substr(equals + 1));
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        if (!value.empty()) return value;
    }
    return std::nullopt;
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

// A number of the file held to [minimum, largestSize]; `fallback` when missing or no number.
int integer(GKeyFile* file, const char* group, const char* key, int fallback, int minimum) {
    gchar* value = g_key_file_get_value(file, group, key, nullptr);
    if (!value) return fallback;
    char* end = nullptr;
    long long number = std::strtoll(value, &end, 10);
    bool valid = end != value && *end == '\0';
    g_free(value);
    if (!valid) return fallback;
    return static_cast<int>(std::clamp<long long>(number, minimum, largestSize));
}

std::vector<std::string> dataDirs() {
    std::vector<std::string> dirs;
    const char* value = std::getenv("XDG_DATA_DIRS");
    std::istringstream list(value && *value ? value : "/usr/local/share:/usr/share");
    for (std::string dir; std::getline(list, dir, ':');)
        if (!dir.empty()) dirs.push_back(dir);
    return dirs;
}

}  // namespace

long long IconTheme::Directory::distance(int wanted) const {
    const long long at = wanted;
    switch (type) {
        case Type::fixed:
            return std::llabs(size - at);
        case Type::scalable:
            return at < minSize ? minSize - at : at > maxSize ? at - maxSize : 0;
        case Type::threshold: {
            const long long low = static_cast<long long>(size) - threshold, high = size + threshold;
            return at < low ? low - at : at > high ? at - high : 0;
        }
    }
    return 0;
}

std::optional<IconTheme::Description> IconTheme::describe(std::string_view indexTheme) {
    GKeyFile* file = g_key_file_new();
    g_key_file_set_list_separator(file, ',');
    if (!g_key_file_load_from_data(file, indexTheme.data(), indexTheme.size(), G_KEY_FILE_NONE, nullptr)) {
        g_key_file_free(file);
        return std::nullopt;
    }
    Description description;
    description.inherits = stringList(file, "Icon Theme", "Inherits");
    for (const auto& name : stringList(file, "Icon Theme", "Directories")) {
        const char* group = name.c_str();
        // Scaled folders hold the same icons for high-density screens; the program scales.
        if (integer(file, group, "Scale", 1, 0) != 1) continue;
        Directory directory{.name = name, .size = integer(file, group, "Size", 0, 0)};
        if (directory.size <= 0) continue;
        directory.minSize = integer(file, group, "MinSize", directory.size, 0);
        directory.maxSize = integer(file, group, "MaxSize", directory.size, 0);
        directory.threshold = integer(file, group, "Threshold", 2, 0);
        gchar* type = g_key_file_get_string(file, group, "Type", nullptr);
        std::string typeName = type ? type : "Threshold";
        g_free(type);
        if (typeName == "Fixed") directory.type = Directory::Type::fixed;
        if (typeName == "Scalable") directory.type = Directory::Type::scalable;
        description.directories.push_back(std::move(directory));
    }
    g_key_file_free(file);
    return description;
}

IconTheme::IconTheme() : IconTheme(userThemes()) {}

IconTheme::IconTheme(std::vector<std::string> themes)
    : themes_(std::move(themes)), baseFolders_(baseFolders()), pixmapFolders_(pixmapFolders()) {}

std::vector<std::string> IconTheme::userThemes(const std::optional<std::string>& announced) {
    if (announced && !announced->empty()) return {*announced};
    const auto config = FileManager::xdgPath("XDG_CONFIG_HOME", ".config");
    for (const char* version : {"/gtk-4.0/settings.ini", "/gtk-3.0/settings.ini"})
        if (auto name = settingValue(config + version, "Settings", "gtk-icon-theme-name")) return {*name};
    if (auto name = settingValue(FileManager::homePath() + "/.gtkrc-2.0", "", "gtk-icon-theme-name"))
        return {*name};
    if (auto name = settingValue(config + "/kdeglobals", "Icons", "Theme")) return {*name};
    return {};
}

std::vector<std::string> IconTheme::baseFolders() {
    std::vector<std::string> folders{FileManager::homePath() + "/.icons",
                                     FileManager::xdgPath("XDG_DATA_HOME", ".local/share") + "/icons"};
    for (const auto& dir : dataDirs()) folders.push_back(dir + "/icons");
    return folders;
}

std::vector<std::string> IconTheme::pixmapFolders() {
    std::vector<std::string> folders;
    for (const auto& dir : dataDirs()) folders.push_back(dir + "/pixmaps");
    return folders;
}

const IconTheme::Theme& IconTheme::theme(const std::string& name) {
    if (auto found = loaded_.find(name); found != loaded_.end()) return found->second;
    Theme theme;
    // A theme's name is a folder name, never a path.
    if (name.empty() || name.find('/') != std::string::npos || name == "." || name == "..")
        return loaded_.emplace(name, std::move(theme)).first->second;
    for (const auto& base : baseFolders_) {
        auto root = base + "/" + name;
        struct stat status {};
        bool found = ::stat(root.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
        theme.stamps.emplace_back(root, stamp(root));
        if (found) theme.roots.push_back(root);
    }
    // The first index found describes the theme; the other folders only add files.
    for (const auto& root : theme.roots) {
        auto text = readBoundedFile(root + "/index.theme", FileLimits::themeIndex);
        if (!text) continue;
        if (auto description = describe(*text)) {
            theme.description = std::move(*description);
            break;
        }
    }
    // One listing per folder instead of a look at every possible file name per lookup.
    const auto& directories = theme.description.directories;
    for (std::size_t index = 0; index < directories.size(); ++index) {
        std::map<std::string, std::pair<int, std::string>> best;  // name -> (extension rank, file)
        for (const auto& root : theme.roots) {
            auto folder = root + "/" + directories[index].name;
            theme.stamps.emplace_back(folder, stamp(folder));
            DIR* directory = ::opendir(folder.c_str());
            if (!directory) continue;
            while (dirent* item = ::readdir(directory)) {
                std::string_view file = item->d_name;
                for (int rank = 0; rank < static_cast<int>(std::size(themedExtensions)); ++rank) {
                    std::string_view extension = themedExtensions[rank];
                    if (file.size() <= extension.size() || !file.ends_with(extension)) continue;
                    auto icon = std::string(file.substr(0, file.size() - extension.size()));
                    auto [at, added] = best.try_emplace(icon, rank, folder + "/" + std::string(file));
                    if (!added && rank < at->second.first && at->second.second.starts_with(folder + "/"))
                        at->second = {rank, folder + "/" + std::string(file)};
                }
            }
            ::closedir(directory);
        }
        for (auto& [icon, file] : best) theme.files[icon].emplace_back(index, std::move(file.second));
    }
    return loaded_.emplace(name, std::move(theme)).first->second;
}

std::vector<std::string> IconTheme::chain() {
    if (chain_) return *chain_;
    std::vector<std::string> order;
    std::set<std::string> seen;
    std::vector<std::string> starts = themes_;
    starts.insert(starts.end(), std::begin(fallbackThemes), std::end(fallbackThemes) - 1);
    for (const auto& start : starts) {
        std::vector<std::string> pending{start};
        while (!pending.empty()) {
            auto name = pending.back();
            pending.pop_back();
            if (name == "hicolor" || !seen.insert(name).second) continue;
            order.push_back(name);
            const auto& inherits = theme(name).description.inherits;
            pending.insert(pending.end(), inherits.rbegin(), inherits.rend());
        }
    }
    order.push_back("hicolor");
    chain_ = order;
    return order;
}

std::optional<std::string> IconTheme::find(const std::string& name, int size) {
    for (const auto& themeName : chain()) {
        const auto& current = theme(themeName);
        auto found = current.files.find(name);
        if (found == current.files.end()) continue;
        const std::string* closest = nullptr;
        long long closestDistance = 0;
        for (const auto& [index, path] : found->second) {
            auto distance = current.description.directories[index].distance(size);
            if (distance == 0) return path;
            if (!closest || distance < closestDistance) closest = &path, closestDistance = distance;
        }
        if (closest) return *closest;
    }
    for (const auto& folder : pixmapFolders_) {
        for (const char* extension : pixmapExtensions)
            if (auto path = folder + "/" + name + extension; isFile(path)) return path;
    }
    return std::nullopt;
}

void IconTheme::setThemes(std::vector<std::string> themes) {
    std::lock_guard lock(mutex_);
    themes_ = std::move(themes);
    chain_.reset();
    cache_.clear();
}

void IconTheme::refresh() {
    std::lock_guard lock(mutex_);
    const auto changed = [](const Theme& theme) {
        return std::any_of(theme.stamps.begin(), theme.stamps.end(),
                           [](const auto& folder) { return stamp(folder.first) != folder.second; });
    };
    if (std::erase_if(loaded_, [&](const auto& item) { return changed(item.second); })) chain_.reset();
    // Misses too: an icon may have come to the pixmaps folders.
    cache_.clear();
}

std::optional<std::string> IconTheme::lookup(const std::string& name, int size) {
    if (name.empty()) return std::nullopt;
    if (name.starts_with('/')) return isFile(name) ? std::optional(name) : std::nullopt;
    // A name is one file name within a folder.
    if (name.find('/') != std::string::npos) return std::nullopt;
    std::lock_guard lock(mutex_);
    auto key = std::make_pair(name, size);
    if (auto cached = cache_.find(key); cached != cache_.end()) return cached->second;
    auto found = find(name, size);
    cache_.emplace(key, found);
    return found;
}

}  // namespace platform::xdg
