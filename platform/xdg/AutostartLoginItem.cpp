#include "platform/xdg/AutostartLoginItem.h"

#include <glib.h>
#include <unistd.h>

#include <array>
#include <cerrno>

#include "platform/foundation/FileManager.h"

namespace platform::xdg {
namespace {

// An Exec argument: quoted when it holds a reserved character, then escaped as a string value.
std::string execArgument(const std::string& path) {
    std::string argument;
    bool quote = false;
    for (char c : path) {
        if (std::string_view(" \t\n\"'\\><~|&;$*?#()`").find(c) != std::string_view::npos) quote = true;
        if (c == '"' || c == '`' || c == '$' || c == '\\') argument += '\\';
        if (c == '%') argument += '%';
        argument += c;
    }
    if (quote) argument = "\"" + argument + "\"";
    std::string value;
    for (char c : argument) {
        if (c == '\\') value += '\\';
        value += c;
    }
    return value;
}

}  // namespace

AutostartLoginItem::AutostartLoginItem(std::string programPath) : programPath_(std::move(programPath)) {}

std::string AutostartLoginItem::entryPath() {
    return FileManager::xdgPath("XDG_CONFIG_HOME", ".config") + "/autostart/velmora.desktop";
}

std::string AutostartLoginItem::runningProgramPath() {
    std::array<char, 4096> buffer{};
    auto length = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    return length > 0 ? std::string(buffer.data(), static_cast<std::size_t>(length)) : std::string();
}

std::string AutostartLoginItem::entryContents(const std::string& programPath) {
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Velmora\n"
           "Icon=velmora\n"
           "Exec=" +
           execArgument(programPath) + "\n";
}

std::optional<std::string> AutostartLoginItem::registerMainApp() {
    if (programPath_.empty() || !programPath_.starts_with('/'))
        return "The program's own path is unknown, so it cannot start at login.";
    auto files = FileManager::shared();
    auto path = entryPath();
    if (auto made = files->createDirectory(path.substr(0, path.rfind('/')), true); !made)
        return made.error().description;
    if (auto written = files->writeAtomically(path, entryContents(programPath_)); !written)
        return written.error().description;
    return std::nullopt;
}

std::optional<std::string> AutostartLoginItem::unregisterMainApp() {
    auto path = entryPath();
    if (::unlink(path.c_str()) != 0 && errno != ENOENT)
        return FileError::fromErrno(errno, "Cannot remove", path).description;
    return std::nullopt;
}

LoginItemStatus AutostartLoginItem::status() {
    GKeyFile* file = g_key_file_new();
    bool enabled =
        g_key_file_load_from_file(file, entryPath().c_str(), G_KEY_FILE_NONE, nullptr) &&
        g_key_file_has_key(file, G_KEY_FILE_DESKTOP_GROUP, G_KEY_FILE_DESKTOP_KEY_EXEC, nullptr) &&
        !g_key_file_get_boolean(file, G_KEY_FILE_DESKTOP_GROUP, G_KEY_FILE_DESKTOP_KEY_HIDDEN, nullptr);
    g_key_file_free(file);
    return enabled ? LoginItemStatus::enabled : LoginItemStatus::notRegistered;
}

}  // namespace platform::xdg
