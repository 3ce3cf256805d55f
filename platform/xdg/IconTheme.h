#pragma once

#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace platform::xdg {

// Finds icon files by name in the icon themes of the desktop: the user's theme (from the GTK
// settings file), the themes it inherits and "hicolor", then the unthemed pixmaps folders. Only
// PNG and SVG files count, since those are what the program draws. Lookups are cached; any thread.
class IconTheme {
public:
    // The user's theme first; an empty list means "hicolor" alone.
    explicit IconTheme(std::vector<std::string> themes = userThemes());

    // The file that best fits `size` pixels: an exact size, else a scalable icon whose range holds
    // it, else the nearest size. An absolute path is taken as it is when the file exists.
    std::optional<std::string> lookup(const std::string& name, int size);

    // The theme named in $XDG_CONFIG_HOME/gtk-3.0/settings.ini, if any.
    static std::vector<std::string> userThemes();
    // $HOME/.icons, $XDG_DATA_HOME/icons, then each of $XDG_DATA_DIRS' icons folder.
    static std::vector<std::string> baseFolders();

private:
    struct Directory {
        std::string name;
        int size = 0;
        int minSize = 0;
        int maxSize = 0;
        int threshold = 2;
        enum class Type { fixed, scalable, threshold } type = Type::threshold;
    };
    struct Theme {
        std::vector<std::string> roots;
        std::vector<Directory> directories;
        std::vector<std::string> inherits;
    };

    const Theme& theme(const std::string& name);
    std::vector<std::string> chain();
    std::optional<std::string> find(const std::string& name, int size);

    std::mutex mutex_;
    std::vector<std::string> themes_;
    std::vector<std::string> baseFolders_;
    std::map<std::string, Theme> loaded_;
    std::map<std::pair<std::string, int>, std::optional<std::string>> cache_;
};

}  // namespace platform::xdg
