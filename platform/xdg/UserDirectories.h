#pragma once

#include <map>
#include <string>
#include <string_view>

namespace platform::xdg {

// The user's named folders from user-dirs.dirs, read as GLib reads them: lines
// `XDG_<NAME>_DIR="$HOME/<path>"` or `XDG_<NAME>_DIR="/<path>"` (blanks around the name and the "="
// allowed), the value running to the line's last quote, one final "/" dropped; "$HOME" stands for
// `home`. Other lines, and values starting otherwise, are skipped; a later line of the same name
// wins. Keyed by the name between "XDG_" and "_DIR" ("DESKTOP", "DOWNLOAD").
std::map<std::string, std::string> parseUserDirectories(std::string_view text, const std::string& home);

// The user's desktop folder: its entry in $XDG_CONFIG_HOME/user-dirs.dirs, else "<home>/Desktop".
std::string userDesktopFolder();
// The user's downloads folder; empty when user-dirs.dirs names none.
std::string userDownloadsFolder();

}  // namespace platform::xdg
