#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace platform::xdg {

// Finds icon files by name in the icon themes of the desktop: the user's theme and the themes it
// inherits, then the fallbacks every desktop has ("Adwaita", then "hicolor"), then the unthemed
// pixmaps folders. Themed icons are PNG and SVG files; the pixmaps folders also hold XPM ones.
// Each theme's folders are listed once, on its first lookup, and again after they change; lookups are
// cached. Any thread.
class IconTheme {
public:
    // The user's theme first; the fallbacks follow whatever the list holds.
    explicit IconTheme(std::vector<std::string> themes);
    // The theme the desktop's settings files name.
    IconTheme();

    // The file that best fits `size` pixels: an exact size, else a scalable icon whose range holds
    // it, else the nearest size. An absolute path is taken as it is when it is a regular file.
    std::optional<std::string> lookup(const std::string& name, int size);

    // Looks names up in these themes from now on (the desktop announced another one).
    void setThemes(std::vector<std::string> themes);

    // Forgets what changed since: the themes whose folders changed are listed again on their next
    // lookup, and every name is looked up again.
    void refresh();

    // The theme the desktop announces: `announced` (the display's own setting) when given, else the
    // one the GTK settings files name ($XDG_CONFIG_HOME/gtk-4.0 and gtk-3.0/settings.ini,
    // ~/.gtkrc-2.0), else KDE's ($XDG_CONFIG_HOME/kdeglobals). Empty when none is named.
    static std::vector<std::string> userThemes(const std::optional<std::string>& announced = std::nullopt);
    // $HOME/.icons, $XDG_DATA_HOME/icons, then each of $XDG_DATA_DIRS' icons folder.
    static std::vector<std::string> baseFolders();
    // Each of $XDG_DATA_DIRS' pixmaps folder.
    static std::vector<std::string> pixmapFolders();

    // The folders an index.theme describes, with every number held to what an icon size can be.
    struct Directory {
        std::string name;
        int size = 0;
        int minSize = 0;
        int maxSize = 0;
        int threshold = 2;
        enum class Type { fixed, scalable, threshold } type = Type::threshold;

        // How far the folder's icons are from `size` pixels; 0 when they fit.
        long long distance(int size) const;
    };
    struct Description {
        std::vector<std::string> inherits;
        std::vector<Directory> directories;
    };
    static std::optional<Description> describe(std::string_view indexTheme);

private:
    struct Theme {
        std::vector<std::string> roots;
        Description description;
        // Icon name -> (directory index, file), the best extension per directory, in directory order.
        std::unordered_map<std::string, std::vector<std::pair<std::size_t, std::string>>> files;
        // Each folder looked at, and when it last changed.
        std::vector<std::pair<std::string, std::int64_t>> stamps;
    };

    const Theme& theme(const std::string& name);
    std::vector<std::string> chain();
    std::optional<std::string> find(const std::string& name, int size);

    std::mutex mutex_;
    std::vector<std::string> themes_;
    std::vector<std::string> baseFolders_;
    std::vector<std::string> pixmapFolders_;
    std::optional<std::vector<std::string>> chain_;
    std::map<std::string, Theme> loaded_;
    std::map<std::pair<std::string, int>, std::optional<std::string>> cache_;
};

}  // namespace platform::xdg
