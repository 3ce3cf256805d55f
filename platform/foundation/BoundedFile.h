#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/foundation/FileManager.h"

namespace platform {

// Reads a file that another program may have put in the user's folders or the desktop's. Only a
// regular file (after following links) is opened, without blocking, and at most `limit` bytes are
// read, so a FIFO can never hold the caller and a link to an endless device can never fill memory.
// Refusals come at once, with the reason in the error: ENOENT (nothing there), EISDIR (a folder),
// EINVAL (a FIFO, a device or a socket, named in the description), EFBIG (larger than `limit`, or
// grown past it while being read).
FileResult<std::string> readBoundedFile(std::string_view path, std::uint64_t limit);

// The limits by kind of file, each far above what any real one holds.
struct FileLimits {
    // Key files and settings: settings.ini, .gtkrc-2.0, kdeglobals, user-dirs.dirs, desktop and
    // autostart entries. Real ones are a few kilobytes; an entry with every translation about 100.
    static constexpr std::uint64_t keyFile = 1u << 20;
    // An icon theme's index.theme lists every folder of the theme; the largest themes list thousands.
    static constexpr std::uint64_t themeIndex = 4u << 20;
    // The program's own settings (a JSON file).
    static constexpr std::uint64_t userDefaults = 16u << 20;
};

}  // namespace platform
