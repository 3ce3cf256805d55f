#include "Velmora/taskbar/ZoneFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Velmora {

ZoneFile::ZoneFile(std::string path) : path_(std::move(path)) {}

ZoneFile::~ZoneFile() { close(); }

void ZoneFile::close() {
    if (file_ >= 0 && file_ != link_) ::close(file_);
    if (link_ >= 0) ::close(link_);
    link_ = file_ = -1;
}

bool ZoneFile::open() {
    close();
    link_ = ::open(path_.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
    if (link_ < 0) return false;
    struct stat link {};
    if (::fstat(link_, &link) != 0) return close(), false;
    if (!S_ISLNK(link.st_mode)) {
        file_ = link_;
        return true;
    }
    file_ = ::open(path_.c_str(), O_PATH | O_CLOEXEC);
    if (file_ < 0) return close(), false;
    return true;
}

ZoneFile::Identity ZoneFile::identity() {
    struct stat link {
    }, file{};
    const auto read = [&] {
        return link_ >= 0 && ::fstat(link_, &link) == 0 && ::fstat(file_, &file) == 0 && link.st_nlink > 0 &&
               file.st_nlink > 0;
    };
    // Replaced at the path: what is held is no longer there.
    if (!read() && (!open() || !read())) return {};
    return Identity{.linkDevice = link.st_dev,
                    .linkInode = link.st_ino,
                    .device = file.st_dev,
                    .inode = file.st_ino,
                    .size = file.st_size,
                    .modified = file.st_mtim.tv_sec,
                    .modifiedNanoseconds = file.st_mtim.tv_nsec};
}

}  // namespace Velmora
