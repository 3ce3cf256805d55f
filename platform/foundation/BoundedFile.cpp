#include "platform/foundation/BoundedFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>

namespace platform {
namespace {

int retryingOpen(const std::string& path) {
    int fd;
    // Non-blocking, so that a FIFO put there after the look at it opens at once instead of waiting
    // for a writer; no terminal becomes the program's.
    do fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    while (fd < 0 && errno == EINTR);
    return fd;
}

// Why a file of this type is refused; none for a regular file.
const char* refusal(mode_t mode) {
    if (S_ISREG(mode)) return nullptr;
    if (S_ISDIR(mode)) return "a folder";
    if (S_ISFIFO(mode)) return "a FIFO";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
    if (S_ISSOCK(mode)) return "a socket";
    return "no regular file";
}

FileError refused(std::string_view path, mode_t mode) {
    auto error = FileError::fromErrno(S_ISDIR(mode) ? EISDIR : EINVAL, "Cannot read", path);
    error.description = "Cannot read \"" + std::string(path) + "\": it is " + refusal(mode) +
                        (S_ISDIR(mode) ? "" : ", not a regular file");
    return error;
}

FileError tooLarge(std::string_view path, std::uint64_t limit) {
    auto error = FileError::fromErrno(EFBIG, "Cannot read", path);
    error.description += " (more than " + std::to_string(limit) + " bytes)";
    return error;
}

}  // namespace

FileResult<std::string> readBoundedFile(std::string_view path, std::uint64_t limit) {
    const std::string name(path);
    struct stat status {};
    // A device is never even opened: opening some has effects of its own.
    if (::stat(name.c_str(), &status) != 0) return FileError::fromErrno(errno, "Cannot read", path);
    if (!S_ISREG(status.st_mode)) return refused(path, status.st_mode);
    int fd = retryingOpen(name);
    if (fd < 0) return FileError::fromErrno(errno, "Cannot read", path);
    // What was opened decides: the path may have been replaced since the look at it.
    if (::fstat(fd, &status) != 0) {
        int code = errno;
        ::close(fd);
        return FileError::fromErrno(code, "Cannot read", path);
    }
    if (!S_ISREG(status.st_mode)) {
        ::close(fd);
        return refused(path, status.st_mode);
    }
    if (static_cast<std::uint64_t>(status.st_size) > limit) {
        ::close(fd);
        return tooLarge(path, limit);
    }
    std::string contents;
    contents.reserve(static_cast<std::size_t>(status.st_size));
    std::array<char, 65536> buffer;
    for (;;) {
        ssize_t count;
        do count = ::read(fd, buffer.data(), buffer.size());
        while (count < 0 && errno == EINTR);
        if (count < 0) {
            int code = errno;
            ::close(fd);
            return FileError::fromErrno(code, "Cannot read", path);
        }
        if (count == 0) break;
        // The file can grow after fstat: the limit holds for what is really read.
        if (contents.size() + static_cast<std::size_t>(count) > limit) {
            ::close(fd);
            return tooLarge(path, limit);
        }
        contents.append(buffer.data(), static_cast<std::size_t>(count));
    }
    ::close(fd);
    return contents;
}

}  // namespace platform
