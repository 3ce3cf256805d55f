#include "platform/x11/X11Consent.h"

#include <sys/stat.h>

#include <filesystem>
#include <fstream>

namespace platform::x11 {

bool X11Consent::given() const {
    struct stat info {};
    return ::stat(path_.c_str(), &info) == 0;
}

bool X11Consent::record() const {
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(path_).parent_path(), ignored);
    std::ofstream file(path_);
    file << "The user allowed Velmora to watch and act on the windows of this desktop.\n";
    file.close();
    return static_cast<bool>(file);
}

}  // namespace platform::x11
