// user-dirs.dirs as GLib reads it: every folder read is an absolute path, and one in the home folder
// when its line started with "$HOME".
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "platform/xdg/UserDirectories.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (const auto& [name, path] : platform::xdg::parseUserDirectories(text, "/home/anna/")) {
        if (name.empty() || path.empty() || path.front() != '/') {
            std::fprintf(stderr, "XDG_%s_DIR read as \"%s\"\n", name.c_str(), path.c_str());
            std::abort();
        }
    }
    return 0;
}
