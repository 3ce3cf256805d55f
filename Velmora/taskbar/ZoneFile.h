#pragma once

#include <string>

namespace Velmora {

// Tells whether the system's zone file changed without walking its path each time: the file, and
// the link at the path when there is one, are held open and their state compared. A change of zone
// replaces the file or the link at the path, which leaves the held one unlinked; it is then opened
// afresh. Not thread-safe.
class ZoneFile {
public:
    explicit ZoneFile(std::string path = "/etc/localtime");
    ~ZoneFile();
    ZoneFile(const ZoneFile&) = delete;
    ZoneFile& operator=(const ZoneFile&) = delete;

    // The link's and the file's device, inode, size and modification time; all zero without a file.
    struct Identity {
        unsigned long long linkDevice = 0, linkInode = 0;
        unsigned long long device = 0, inode = 0;
        long long size = 0, modified = 0, modifiedNanoseconds = 0;
        bool operator==(const Identity&) const = default;
    };
    Identity identity();

private:
    bool open();
    void close();

    const std::string path_;
    // The link itself (or the file, when the path names no link) and the file it leads to.
    int link_ = -1;
    int file_ = -1;
};

}  // namespace Velmora
