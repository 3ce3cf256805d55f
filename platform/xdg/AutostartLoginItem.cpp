#include "platform/xdg/AutostartLoginItem.h"

#include <glib.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <string_view>

#include "platform/foundation/BoundedFile.h"
#include "platform/foundation/FileManager.h"

namespace platform::xdg {
namespace {

// One argument of an Exec line: quoted when it holds a reserved character, with percent signs
// doubled.
std::string execArgument(const std::string& text) {
    std::string argument;
    bool quote = false;
    for (char c : text) {
        if (std::string_view(" \t\n\r\"'\\><~|&;$*?#()`").find(c) != std::string_view::npos) quote = true;
        if (c == '"' || c == '`' || c == '$' || c == '\\') argument += '\\';
        if (c == '%') argument += '%';
        argument += c;
    }
    return quote ? "\"" + argument + "\"" : argument;
}

// The Exec value that runs the program, escaped as a string value (backslashes, line ends, tabs).
// None, with the reason, for a path that an entry cannot hold: one that is no UTF-8 text or holds
// other control characters.
std::optional<std::string> execValue(const std::string& path, std::string* why) {
    if (!g_utf8_validate(path.data(), static_cast<gssize>(path.size()), nullptr)) {
        *why = "its path is not UTF-8 text, which a desktop entry cannot hold";
        return std::nullopt;
    }
    for (char c : path) {
        if (static_cast<unsigned char>(c) < 0x20 && c != '\n' && c != '\t' && c != '\r') {
            *why = "its path holds a control character, which a desktop entry cannot hold";
            return std::nullopt;
        }
    }
    std::string line = execArgument(path);
    // Sessions look the program up by the line's first word before they expand "%%", so a path
    // holding "%" is run by a shell that gets it as its own first argument.
    if (path.find('%') != std::string::npos)
        line = "/bin/sh -c " + execArgument("exec \"$0\"") + " " + execArgument(path);
    std::string value;
    for (char c : line) {
        if (c == '\\')
            value += "\\\\";
        else if (c == '\n')
            value += "\\n";
        else if (c == '\t')
            value += "\\t";
        else if (c == '\r')
            value += "\\r";
        else
            value += c;
    }
    return value;
}

// Writes the file in one step without following a link at `path`: a link is replaced, never
// written through, and its target is left as it was.
std::optional<std::string> replaceFile(const std::string& path, const std::string& bytes) {
    auto files = FileManager::shared();
    files->removeStaleTemporaries(path);
    bool link = false;
    if (auto written = files->replaceAtomically(path, bytes, &link); !written)
        return written.error().description;
    if (link)
        std::fprintf(stderr,
                     "Velmora: %s was a symbolic link; it is replaced by the autostart entry, and what it "
                     "led to is left as it was.\n",
                     path.c_str());
    return std::nullopt;
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

std::optional<std::string> AutostartLoginItem::entryContents(const std::string& programPath,
                                                             std::string* why) {
    std::string reason;
    auto argument = execValue(programPath, &reason);
    if (!argument) {
        if (why) *why = reason;
        return std::nullopt;
    }
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Velmora\n"
           "Icon=velmora\n"
           "Exec=" +
           *argument + "\n";
}

std::optional<std::string> AutostartLoginItem::registerMainApp() {
    if (programPath_.empty() || !programPath_.starts_with('/'))
        return "The program's own path is unknown, so it cannot start at login.";
    auto files = FileManager::shared();
    auto path = entryPath();
    if (auto made = files->createDirectory(path.substr(0, path.rfind('/')), true); !made)
        return made.error().description;
    std::string why;
    auto contents = entryContents(programPath_, &why);
    if (!contents) return "The program cannot start at login: " + why + ".";
    return replaceFile(path, *contents);
}

std::optional<std::string> AutostartLoginItem::unregisterMainApp() {
    auto path = entryPath();
    if (::unlink(path.c_str()) != 0 && errno != ENOENT)
        return FileError::fromErrno(errno, "Cannot remove", path).description;
    return std::nullopt;
}

LoginItemStatus AutostartLoginItem::status() {
    // Loaded from bounded bytes: GLib would wait for ever on a FIFO at the path.
    auto bytes = readBoundedFile(entryPath(), FileLimits::keyFile);
    if (!bytes) return LoginItemStatus::notRegistered;
    GKeyFile* file = g_key_file_new();
    bool enabled =
        g_key_file_load_from_data(file, bytes->data(), bytes->size(), G_KEY_FILE_NONE, nullptr) &&
        g_key_file_has_key(file, G_KEY_FILE_DESKTOP_GROUP, G_KEY_FILE_DESKTOP_KEY_EXEC, nullptr) &&
        !g_key_file_get_boolean(file, G_KEY_FILE_DESKTOP_GROUP, G_KEY_FILE_DESKTOP_KEY_HIDDEN, nullptr);
    g_key_file_free(file);
    return enabled ? LoginItemStatus::enabled : LoginItemStatus::notRegistered;
}

}  // namespace platform::xdg
