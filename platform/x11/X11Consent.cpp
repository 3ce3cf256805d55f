#include "platform/x11/X11Consent.h"

#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <string_view>

#include "platform/foundation/FileManager.h"

namespace platform::x11 {

bool X11Consent::given() const {
    // Only the file `record` writes counts: a FIFO or a device put there is no consent. Nothing is
    // opened, so nothing at the path can hold the caller.
    struct stat info {};
    return ::stat(path_.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool X11Consent::record() const {
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(path_).parent_path(), ignored);
    // Whatever lies at the path, a planted link included, is replaced and never written through.
    bool link = false;
    if (!FileManager::shared()->replaceAtomically(
            path_, "The user allowed Velmora to watch and act on the windows of this desktop.\n", &link))
        return false;
    if (link) std::fprintf(stderr, "Velmora: the consent file replaced a link at %s.\n", path_.c_str());
    return true;
}

}  // namespace platform::x11
