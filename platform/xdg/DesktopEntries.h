#pragma once

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
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

// A desktop-entry file as the folder walk finds it, with what tells a changed file from the last
// reading of it.
struct DesktopEntryFile {
    std::string id;
    std::string path;
    dev_t device = 0;
    ino_t inode = 0;
    std::int64_t size = 0;
    std::int64_t modified = 0;  // nanoseconds
    std::int64_t changed = 0;   // nanoseconds

    bool sameVersion(const DesktopEntryFile& other) const {
        return device == other.device && inode == other.inode && size == other.size &&
               modified == other.modified && changed == other.changed;
    }
};

// Where entries are looked for, the most important first: $XDG_DATA_HOME/applications, then the
// applications folder of each of $XDG_DATA_DIRS.
std::vector<std::string> applicationFolders();

// Every .desktop file below `folder`, sorted by id: the id is the path relative to the folder with
// "/" turned into "-". Links to folders are followed, but each real folder is walked once, so
// links that lead back up end the walk instead of repeating it. Adds each real folder walked below
// `folder` to `walked`.
std::vector<DesktopEntryFile> entryFiles(const std::string& folder,
                                         std::vector<std::string>* walked = nullptr);

// An entry's file read (regular files only, of a bounded size) and decoded; none for one that does
// not show (hidden, meant for no display, shown only in other desktops, of another type, or whose
// program, TryExec or Exec, is missing), and none while GIO cannot be used (see gioBlockingFile).
std::optional<DesktopEntry> readDesktopEntry(const std::string& id, const std::string& path);
// The same for a caller that has found GIO usable once for all the entries it reads in a row.
std::optional<DesktopEntry> readDesktopEntryFile(const std::string& id, const std::string& path);
// The same for an entry's bytes.
std::optional<DesktopEntry> decodeDesktopEntry(const std::string& id, const std::string& path,
                                               std::string_view bytes);

// The entries a menu shows: the first file of each id (a user's copy masks the system's), without
// those that do not show. In folder order, then by id.
std::vector<DesktopEntry> visibleEntries();

// The base name of a command or an executable path ("/usr/lib/app/app-bin" gives "app-bin").
std::string baseName(const std::string& path);

}  // namespace platform::xdg
