#pragma once

#include <optional>
#include <string>
#include <vector>

namespace platform::xdg {

// One installed application as its desktop entry describes it.
struct DesktopEntry {
    // The desktop-file id without ".desktop" ("org.example.Editor", "kde-editor").
    std::string id;
    // The entry's file.
    std::string path;
    // Localised as the entry says for the user's language.
    std::string name;
    // The program the entry runs, as written (a name found on PATH or an absolute path).
    std::string executable;
    std::optional<std::string> startupWMClass;
    // A theme icon name or an absolute path.
    std::optional<std::string> icon;

    friend bool operator==(const DesktopEntry&, const DesktopEntry&) = default;
};

// Where entries are looked for, the most important first: $XDG_DATA_HOME/applications, then the
// applications folder of each of $XDG_DATA_DIRS.
std::vector<std::string> applicationFolders();

// The entries a menu shows: the first file of each id (a user's copy masks the system's), read by
// GIO, without those that are hidden, meant for no display, shown only in other desktops or whose
// program (TryExec) is missing. In folder order, then by id.
std::vector<DesktopEntry> visibleEntries();

// The base name of a command or an executable path ("/usr/lib/app/app-bin" gives "app-bin").
std::string baseName(const std::string& path);

}  // namespace platform::xdg
