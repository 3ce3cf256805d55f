#include "platform/foundation/FileManager.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <mutex>

#include "platform/foundation/BoundedFile.h"

namespace platform {
namespace {

struct Overrides {
    std::mutex mutex;
    std::optional<std::string> systemRoot;
    std::optional<std::string> home;
};

Overrides& overrides() {
    static auto* value = new Overrides;
    return *value;
}

std::string errorMessage(int code) {
    std::array<char, 256> buffer{};
    return ::strerror_r(code, buffer.data(), buffer.size());
}

std::string quotedText(std::string_view text) { return "\"" + std::string(text) + "\""; }

// Runs a system call again when a signal interrupted it.
template <typename Call>
auto retrying(Call call) {
    decltype(call()) result;
    do {
        result = call();
    } while (result == -1 && errno == EINTR);
    return result;
}

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        auto written = retrying([&] { return ::write(fd, bytes.data(), bytes.size()); });
        if (written < 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

std::pair<std::string, std::string> splitFolderAndName(const std::string& path) {
    auto slash = path.rfind('/');
    if (slash == std::string::npos) return {".", path};
    return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

// Where a chain of symbolic links at `path` ends (the path itself when it is no link). A link that
// leads nowhere still names where its file would be.
std::string followedLinks(std::string path) {
    for (int hop = 0; hop < 40; ++hop) {
        std::array<char, 4096> target{};
        auto length = ::readlink(path.c_str(), target.data(), target.size() - 1);
        if (length <= 0) break;
        std::string next(target.data(), static_cast<std::size_t>(length));
        if (!next.starts_with('/')) next = splitFolderAndName(path).first + "/" + next;
        path = std::move(next);
    }
    return path;
}

std::string temporaryPrefix(const std::string& name) { return "." + name + ".tmp-"; }

}  // namespace

FileError FileError::fromErrno(int code, std::string_view action, std::string_view path) {
    return FileError{code, std::string(action) + " " + quotedText(path) + ": " + errorMessage(code)};
}

void fileResultMisuse(const char* what) {
    std::fprintf(stderr, "FileResult: %s\n", what);
    std::abort();
}

std::shared_ptr<FileManager> FileManager::shared() {
    static auto* manager = new std::shared_ptr<FileManager>(std::make_shared<FileManager>());
    return *manager;
}

void FileManager::setSystemRoot(std::optional<std::string> root) {
    while (root && root->size() > 1 && root->back() == '/') root->pop_back();
    std::lock_guard lock(overrides().mutex);
    overrides().systemRoot = std::move(root);
}

std::optional<std::string> FileManager::systemRoot() {
    std::lock_guard lock(overrides().mutex);
    return overrides().systemRoot;
}

void FileManager::setHomeDirectory(std::optional<std::string> home) {
    std::lock_guard lock(overrides().mutex);
    overrides().home = std::move(home);
}

std::string FileManager::resolvedPath(std::string_view path) const {
    auto root = systemRoot();
    if (!root || path.empty() || path.front() != '/') return std::string(path);
    auto rest = path.substr(
        path.find_first_not_of('/') == std::string_view::npos ? path.size() : path.find_first_not_of('/'));
    auto first = rest.substr(0, rest.find('/'));
    if (first != "Applications" && first != "System" && first != "Library") return std::string(path);
    return (*root == "/" ? "" : *root) + std::string(path);
}

bool FileManager::fileExists(std::string_view path, bool* isDirectory) const {
    struct stat status {};
    if (::stat(resolvedPath(path).c_str(), &status) != 0) return false;
    if (isDirectory) *isDirectory = S_ISDIR(status.st_mode);
    return true;
}

FileResult<std::vector<URL>> FileManager::contentsOfDirectory(const URL& url,
                                                              DirectoryEnumerationOptions options) const {
    auto path = url.path();
    if (!(url.isFileURL() || (!url.scheme() && !path.empty() && path.front() == '/'))) {
        return FileError{EINVAL, "Cannot list " + quotedText(url.absoluteString()) + ": not a file address"};
    }
    int fd = retrying([&] { return ::open(resolvedPath(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); });
    if (fd < 0) return FileError::fromErrno(errno, "Cannot list the folder", path);
    DIR* directory = ::fdopendir(fd);
    if (!directory) {
        int code = errno;
        ::close(fd);
        return FileError::fromErrno(code, "Cannot list the folder", path);
    }

    std::vector<URL> items;
    for (;;) {
        errno = 0;
        dirent* entry = ::readdir(directory);
        if (!entry) break;
        std::string_view name = entry->d_name;
        if (name == "." || name == "..") continue;
        if (options.skipsHiddenFiles && name.front() == '.') continue;
        bool isDirectory = entry->d_type == DT_DIR;
        if (entry->d_type == DT_UNKNOWN) {
            struct stat status {};
            isDirectory =
                ::fstatat(fd, entry->d_name, &status, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(status.st_mode);
        }
        items.push_back(url.appendingPathComponent(name, isDirectory));
    }
    int code = errno;
    ::closedir(directory);
    if (code != 0) return FileError::fromErrno(code, "Cannot list the folder", path);
    return items;
}

FileResult<void> FileManager::createDirectory(std::string_view path, bool withIntermediateDirectories) const {
    auto real = resolvedPath(path);
    if (!withIntermediateDirectories) {
        if (::mkdir(real.c_str(), 0777) != 0)
            return FileError::fromErrno(errno, "Cannot create the folder", path);
        return {};
    }
    std::error_code error;
    std::filesystem::create_directories(real, error);
    if (error) return FileError::fromErrno(error.value(), "Cannot create the folder", path);
    return {};
}

FileResult<void> FileManager::removeItem(std::string_view path) const {
    auto real = resolvedPath(path);
    struct stat status {};
    if (::lstat(real.c_str(), &status) != 0) return FileError::fromErrno(errno, "Cannot remove", path);
    std::error_code error;
    std::filesystem::remove_all(real, error);
    if (error) return FileError::fromErrno(error.value(), "Cannot remove", path);
    return {};
}

FileResult<void> FileManager::moveItem(std::string_view from, std::string_view to) const {
    auto source = resolvedPath(from);
    auto destination = resolvedPath(to);
    auto action = "Cannot move " + quotedText(from) + " to";
    if (::renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, destination.c_str(), RENAME_NOREPLACE) == 0)
        return {};
    if (errno != EINVAL && errno != ENOSYS) return FileError::fromErrno(errno, action, to);
    // A file system without no-replace renames.
    struct stat status {};
    if (::lstat(destination.c_str(), &status) == 0) return FileError::fromErrno(EEXIST, action, to);
    if (::rename(source.c_str(), destination.c_str()) != 0) return FileError::fromErrno(errno, action, to);
    return {};
}

FileResult<FileAttributes> FileManager::attributesOfItem(std::string_view path) const {
    struct stat status {};
    if (::lstat(resolvedPath(path).c_str(), &status) != 0) {
        return FileError::fromErrno(errno, "Cannot read the attributes of", path);
    }
    FileAttributes attributes;
    if (S_ISREG(status.st_mode)) {
        attributes.type = FileType::regular;
    } else if (S_ISDIR(status.st_mode)) {
        attributes.type = FileType::directory;
    } else if (S_ISLNK(status.st_mode)) {
        attributes.type = FileType::symbolicLink;
    }
    attributes.size = static_cast<std::uint64_t>(status.st_size);
    attributes.modificationDate = Date::fromTimeIntervalSince1970(
        static_cast<double>(status.st_mtim.tv_sec) + static_cast<double>(status.st_mtim.tv_nsec) / 1e9);
    return attributes;
}

FileResult<void> FileManager::writeAtomically(std::string_view path, std::string_view bytes) const {
    return writeInPlaceOf(path, followedLinks(resolvedPath(path)), bytes);
}

FileResult<void> FileManager::replaceAtomically(std::string_view path, std::string_view bytes,
                                                bool* replacedLink) const {
    auto real = resolvedPath(path);
    struct stat status {};
    bool link = ::lstat(real.c_str(), &status) == 0 && S_ISLNK(status.st_mode);
    auto result = writeInPlaceOf(path, real, bytes);
    if (replacedLink) *replacedLink = link && result.ok();
    return result;
}

FileResult<void> FileManager::writeInPlaceOf(std::string_view path, const std::string& real,
                                             std::string_view bytes) const {
    auto [folder, name] = splitFolderAndName(real);
    if (name.empty()) return FileError::fromErrno(EISDIR, "Cannot write", path);

    std::string temporary = folder + "/" + temporaryPrefix(name) + "XXXXXX";
    int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) return FileError::fromErrno(errno, "Cannot write", path);

    struct stat existing {};
    // A link being replaced lends the new file nothing of what it leads to.
    mode_t mode = ::lstat(real.c_str(), &existing) == 0 && S_ISREG(existing.st_mode)
                      ? (existing.st_mode & 07777)
                      : 0644;
    bool written = ::fchmod(fd, mode) == 0 && writeAll(fd, bytes) && ::fsync(fd) == 0;
    int code = errno;
    if (::close(fd) != 0 && written) {
        written = false;
        code = errno;
    }
    if (written && ::rename(temporary.c_str(), real.c_str()) != 0) {
        written = false;
        code = errno;
    }
    if (!written) {
        ::unlink(temporary.c_str());
        return FileError::fromErrno(code, "Cannot write", path);
    }
    // Makes the rename itself durable; the new contents are in place either way.
    int folderFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd >= 0) {
        ::fsync(folderFd);
        ::close(folderFd);
    }
    return {};
}

void FileManager::removeStaleTemporaries(std::string_view path, double minimumAge) const {
    auto real = followedLinks(resolvedPath(path));
    auto [folder, name] = splitFolderAndName(real);
    if (name.empty()) return;
    const auto prefix = temporaryPrefix(name);
    DIR* directory = ::opendir(folder.c_str());
    if (!directory) return;
    const double now = static_cast<double>(::time(nullptr));
    while (dirent* entry = ::readdir(directory)) {
        std::string_view item = entry->d_name;
        // mkostemp's six random characters follow the prefix.
        if (!item.starts_with(prefix) || item.size() != prefix.size() + 6) continue;
        struct stat status {};
        if (::fstatat(::dirfd(directory), entry->d_name, &status, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISREG(status.st_mode) || now - static_cast<double>(status.st_mtim.tv_sec) < minimumAge)
            continue;
        ::unlinkat(::dirfd(directory), entry->d_name, 0);
    }
    ::closedir(directory);
}

FileResult<std::string> FileManager::contentsOfFile(std::string_view path, std::uint64_t maximumSize) const {
    return readBoundedFile(resolvedPath(path), maximumSize);
}

std::optional<std::string> FileManager::readFile(std::string_view path, std::uint64_t maximumSize) const {
    auto contents = contentsOfFile(path, maximumSize);
    if (!contents) return std::nullopt;
    return std::move(contents).value();
}

std::string FileManager::homePath() {
    {
        std::lock_guard lock(overrides().mutex);
        if (overrides().home) return *overrides().home;
    }
    if (const char* home = std::getenv("HOME"); home && *home) return home;
    std::array<char, 4096> buffer;
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
        found->pw_dir) {
        return found->pw_dir;
    }
    return "/";
}

std::string FileManager::xdgPath(const char* variable, std::string_view belowHome) {
    bool homeOverridden;
    {
        std::lock_guard lock(overrides().mutex);
        homeOverridden = overrides().home.has_value();
    }
    // A relative value cannot name a base folder, so it counts as unset.
    if (const char* value = std::getenv(variable); !homeOverridden && value && *value == '/') return value;
    auto home = homePath();
    if (home.empty() || home.back() != '/') home += '/';
    return home + std::string(belowHome);
}

URL FileManager::homeDirectoryForCurrentUser() const { return URL::fileURL(homePath(), true); }

std::vector<URL> FileManager::urls(SearchPathDirectory directory, SearchPathDomain domain) const {
    auto inHome = [](std::string_view name) {
        auto home = homePath();
        if (home.empty() || home.back() != '/') home += '/';
        return home + std::string(name);
    };
    std::optional<std::string> path;
    switch (domain) {
        case SearchPathDomain::user:
            switch (directory) {
                case SearchPathDirectory::applicationDirectory:
                    path = inHome("Applications");
                    break;
                case SearchPathDirectory::documentDirectory:
                    path = inHome("Documents");
                    break;
                case SearchPathDirectory::cachesDirectory:
                    path = xdgPath("XDG_CACHE_HOME", ".cache");
                    break;
                case SearchPathDirectory::applicationSupportDirectory:
                    path = xdgPath("XDG_DATA_HOME", ".local/share");
                    break;
            }
            break;
        case SearchPathDomain::local:
            if (directory == SearchPathDirectory::applicationDirectory) path = "/Applications";
            break;
        case SearchPathDomain::system:
            if (directory == SearchPathDirectory::applicationDirectory) path = "/System/Applications";
            break;
    }
    if (!path) return {};
    return {URL::fileURL(*path, true)};
}

FileResult<URL> FileManager::url(SearchPathDirectory directory, SearchPathDomain domain, bool create) const {
    auto found = urls(directory, domain);
    if (found.empty()) return FileError{ENOENT, "The domain has no such folder"};
    if (create && domain == SearchPathDomain::user) {
        auto path = found.front().path();
        bool isDirectory = false;
        if (!fileExists(path, &isDirectory) || !isDirectory) {
            if (auto made = createDirectory(path, true); !made) return made.error();
        }
    }
    return found.front();
}

}  // namespace platform
