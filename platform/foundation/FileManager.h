#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "platform/base/Date.h"
#include "platform/foundation/URL.h"

namespace platform {

// A failed file operation: the errno value and one line saying what failed and why.
struct FileError {
    int code = 0;
    std::string description;

    static FileError fromErrno(int code, std::string_view action, std::string_view path);
};

[[noreturn]] void fileResultMisuse(const char* what);

// Either a value or the error that stopped the operation.
template <typename T>
class FileResult {
public:
    FileResult(T value) : storage_(std::in_place_index<0>, std::move(value)) {}
    FileResult(FileError error) : storage_(std::in_place_index<1>, std::move(error)) {}

    bool ok() const { return storage_.index() == 0; }
    explicit operator bool() const { return ok(); }
    const T& value() const& {
        if (!ok()) fileResultMisuse(std::get<1>(storage_).description.c_str());
        return std::get<0>(storage_);
    }
    T value() && {
        if (!ok()) fileResultMisuse(std::get<1>(storage_).description.c_str());
        return std::get<0>(std::move(storage_));
    }
    const T& operator*() const& { return value(); }
    const T* operator->() const { return &value(); }
    const FileError& error() const {
        if (ok()) fileResultMisuse("error() of a successful result");
        return std::get<1>(storage_);
    }

private:
    std::variant<T, FileError> storage_;
};

template <>
class FileResult<void> {
public:
    FileResult() = default;
    FileResult(FileError error) : error_(std::move(error)) {}

    bool ok() const { return !error_; }
    explicit operator bool() const { return ok(); }
    const FileError& error() const {
        if (ok()) fileResultMisuse("error() of a successful result");
        return *error_;
    }

private:
    std::optional<FileError> error_;
};

enum class FileType { regular, directory, symbolicLink, other };

struct FileAttributes {
    FileType type = FileType::other;
    std::uint64_t size = 0;
    Date modificationDate = Date::fromTimeIntervalSinceReferenceDate(0);
};

enum class SearchPathDirectory {
    applicationDirectory,
    documentDirectory,
    cachesDirectory,
    applicationSupportDirectory
};
enum class SearchPathDomain { user, local, system };

struct DirectoryEnumerationOptions {
    bool skipsHiddenFiles = false;
};

// The file system as the program sees it. Paths are the platform's paths: with a system root set,
// absolute paths below "/Applications", "/System" and "/Library" are served from the same folders
// below that root (so the simulated desktop and tests control them), while addresses keep showing
// the platform's paths. Every other path is the machine's own.
//
// Domain folders:
//   user    applicationDirectory ~/Applications/, documentDirectory ~/Documents/,
//           cachesDirectory $XDG_CACHE_HOME or ~/.cache/,
//           applicationSupportDirectory $XDG_DATA_HOME or ~/.local/share/
//   local   applicationDirectory /Applications/
//   system  applicationDirectory /System/Applications/
// Other combinations have no folder. With a home folder override set, the XDG variables are ignored.
//
// All operations may be called from any thread.
class FileManager {
public:
    static std::shared_ptr<FileManager> shared();
    static std::shared_ptr<FileManager> defaultManager() { return shared(); }

    // None restores the machine's root. Meant for tests and the simulated desktop.
    static void setSystemRoot(std::optional<std::string> root);
    static std::optional<std::string> systemRoot();
    // Replaces $HOME for the user domain's folders; none restores it.
    static void setHomeDirectory(std::optional<std::string> home);

    // Where a platform path lives on this machine.
    std::string resolvedPath(std::string_view path) const;

    // Follows symbolic links.
    bool fileExists(std::string_view path, bool* isDirectory = nullptr) const;

    // The items directly inside a folder given by a file address or a scheme-less absolute one, in
    // the file system's order, hidden items included unless skipped. Each item's address is the
    // folder's address plus the item's name; a folder's ends with "/" (a symbolic link's does not).
    FileResult<std::vector<URL>> contentsOfDirectory(const URL& url,
                                                     DirectoryEnumerationOptions options = {}) const;

    FileResult<void> createDirectory(std::string_view path, bool withIntermediateDirectories) const;
    // Removes a folder with everything in it; a symbolic link is removed, not followed.
    FileResult<void> removeItem(std::string_view path) const;
    // Fails when the destination exists.
    FileResult<void> moveItem(std::string_view from, std::string_view to) const;
    // Of the item itself, not of what a symbolic link points to.
    FileResult<FileAttributes> attributesOfItem(std::string_view path) const;

    // Replaces the file in one step: readers see the old bytes or the new ones, never a part.
    // An existing file keeps its permissions. A symbolic link at the path stays: the file it leads
    // to is replaced, in that file's folder.
    FileResult<void> writeAtomically(std::string_view path, std::string_view bytes) const;
    // The same for a file in the user's folders that another program may have planted a link at:
    // a link at the path is replaced, never written through, and `replacedLink` says whether one was.
    FileResult<void> replaceAtomically(std::string_view path, std::string_view bytes,
                                       bool* replacedLink = nullptr) const;
    // Removes what interrupted atomic writes of the file at `path` left behind, if older than
    // `minimumAge` seconds (a younger one may belong to a write still under way).
    void removeStaleTemporaries(std::string_view path, double minimumAge = 60) const;

    // The contents of a regular file (after following links), at most `maximumSize` bytes. Anything
    // else (a FIFO, a device, a folder) fails at once with EINVAL or EISDIR, and a file that grows
    // past the limit while being read fails with EFBIG, so no outside file can block the caller or
    // fill its memory.
    static constexpr std::uint64_t defaultMaximumReadSize = 64ull << 20;
    FileResult<std::string> contentsOfFile(std::string_view path,
                                           std::uint64_t maximumSize = defaultMaximumReadSize) const;
    std::optional<std::string> readFile(std::string_view path,
                                        std::uint64_t maximumSize = defaultMaximumReadSize) const;

    URL homeDirectoryForCurrentUser() const;
    std::vector<URL> urls(SearchPathDirectory directory, SearchPathDomain domain) const;
    // With `create`, a missing user-domain folder is made; the system's own folders (local and
    // system domains) are never made.
    FileResult<URL> url(SearchPathDirectory directory, SearchPathDomain domain, bool create) const;

    // Home folder and XDG base folders, honouring the home override.
    static std::string homePath();
    static std::string xdgPath(const char* variable, std::string_view belowHome);

private:
    // Writes beside `real` and renames over it; `path` names the file in errors.
    FileResult<void> writeInPlaceOf(std::string_view path, const std::string& real,
                                    std::string_view bytes) const;
};

}  // namespace platform
