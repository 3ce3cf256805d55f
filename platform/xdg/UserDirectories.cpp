#include "platform/xdg/UserDirectories.h"

#include <glib.h>

#include <cstdlib>

#include "platform/foundation/BoundedFile.h"

namespace platform::xdg {
namespace {

constexpr std::string_view homeVariable = "$HOME";

void skipBlanks(std::string_view& text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
}

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::string homeFolder() {
    auto home = environment("HOME");
    return home.empty() ? g_get_home_dir() : home;
}

std::map<std::string, std::string> readUserDirectories() {
    auto config = environment("XDG_CONFIG_HOME");
    if (config.empty()) config = homeFolder() + "/.config";
    // Read when the start menu is made: a FIFO or an endless file there must not hold it.
    auto text = readBoundedFile(config + "/user-dirs.dirs", FileLimits::keyFile);
    if (!text) return {};
    return parseUserDirectories(*text, homeFolder());
}

}  // namespace

std::map<std::string, std::string> parseUserDirectories(std::string_view text, const std::string& home) {
    std::map<std::string, std::string> folders;
    while (!text.empty()) {
        auto end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);

        skipBlanks(line);
        auto nameEnd = line.find_first_of(" \t=");
        std::string_view key = line.substr(0, nameEnd);
        if (!key.starts_with("XDG_") || !key.ends_with("_DIR") || key.size() <= 8) continue;
        line.remove_prefix(key.size());
        skipBlanks(line);
        if (line.empty() || line.front() != '=') continue;
        line.remove_prefix(1);
        skipBlanks(line);
        if (line.empty() || line.front() != '"') continue;
        line.remove_prefix(1);

        const bool relative = line.starts_with(homeVariable);
        if (relative)
            line.remove_prefix(homeVariable.size());
        else if (line.empty() || line.front() != '/')
            continue;
        auto quote = line.rfind('"');
        if (quote == std::string_view::npos) continue;
        std::string path(line.substr(0, quote));
        if (path.size() > 1 && path.back() == '/') path.pop_back();
        if (relative) {
            // "$HOME", "$HOME/" and "$HOMEx" all join the rest to the home folder with one "/".
            std::string base = home;
            while (base.size() > 1 && base.back() == '/') base.pop_back();
            std::size_t start = path.find_first_not_of('/');
            path = start == std::string::npos ? base : (base == "/" ? "" : base) + "/" + path.substr(start);
        }
        folders[std::string(key.substr(4, key.size() - 8))] = std::move(path);
    }
    return folders;
}

std::string userDesktopFolder() {
    auto folders = readUserDirectories();
    auto found = folders.find("DESKTOP");
    // Desktops have always had this folder, named or not.
    return found != folders.end() ? found->second : homeFolder() + "/Desktop";
}

std::string userDownloadsFolder() {
    auto folders = readUserDirectories();
    auto found = folders.find("DOWNLOAD");
    return found != folders.end() ? found->second : std::string();
}

}  // namespace platform::xdg
