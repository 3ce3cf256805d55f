#include "platform/x11/X11Consent.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string_view>

namespace platform::x11 {

bool X11Consent::given() const {
    struct stat info {};
    return ::stat(path_.c_str(), &info) == 0;
}

bool X11Consent::record() const {
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(path_).parent_path(), ignored);
    // Written beside it and renamed over it: whatever lies at the path, a planted link included,
    // is replaced and never written through.
    std::string temporary = path_ + ".XXXXXX";
    int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) return false;
    constexpr std::string_view text =
        "The user allowed Velmora to watch and act on the windows of this desktop.\n";
    bool written = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    written = ::close(fd) == 0 && written;
    struct stat info {};
    bool link = ::lstat(path_.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
    if (!written || ::rename(temporary.c_str(), path_.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    if (link) std::fprintf(stderr, "Velmora: the consent file replaced a link at %s.\n", path_.c_str());
    return true;
}

}  // namespace platform::x11
