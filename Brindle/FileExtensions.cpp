#include "Brindle/FileExtensions.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <system_error>

#include "Brindle/StringExtensions.h"

namespace Brindle {

namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool listed(FileType type, const std::string& extension) {
    const auto& list = extensions(type);
    return std::find(list.begin(), list.end(), extension) != list.end();
}

}  // namespace

const std::vector<std::string>& extensions(FileType type) {
    static const std::vector<std::string> gif{"gif"};
    static const std::vector<std::string> image{"jpg", "png", "jpeg", "heic"};
    static const std::vector<std::string> movie{"mov", "mp4"};
    static const std::vector<std::string> zip{"zip", "rar", "gzip", "zipx", "7z", "tar.gz", "gz"};
    static const std::vector<std::string> file{"file"};
    switch (type) {
        case FileType::gif:
            return gif;
        case FileType::image:
            return image;
        case FileType::movie:
            return movie;
        case FileType::zip:
            return zip;
        case FileType::other:
        case FileType::unknown:
            return file;
    }
    return file;
}

FileType fileType(std::string_view fileName) {
    const auto dot = fileName.rfind('.');
    const auto extension = lowercased(dot == std::string_view::npos ? fileName : fileName.substr(dot + 1));
    if (listed(FileType::movie, extension)) return FileType::movie;
    if (listed(FileType::image, extension)) return FileType::image;
    if (listed(FileType::zip, extension)) return FileType::zip;
    if (extension == "gif") return FileType::gif;
    return FileType::other;
}

FileType fileTypeOfPath(std::string_view path) { return fileType(lastPathComponent(path)); }

std::string filePath(std::string_view absoluteText) {
    constexpr std::string_view scheme = "file://";
    if (absoluteText.starts_with(scheme)) absoluteText.remove_prefix(scheme.size());
    std::string path;
    path.reserve(absoluteText.size());
    for (std::size_t at = 0; at < absoluteText.size(); ++at) {
        if (absoluteText[at] == '%' && at + 2 < absoluteText.size() && hexValue(absoluteText[at + 1]) >= 0 &&
            hexValue(absoluteText[at + 2]) >= 0) {
            path.push_back(
                static_cast<char>(hexValue(absoluteText[at + 1]) * 16 + hexValue(absoluteText[at + 2])));
            at += 2;
        } else {
            path.push_back(absoluteText[at]);
        }
    }
    return path;
}

bool fileExists(std::string_view path) {
    std::error_code error;
    return std::filesystem::exists(std::filesystem::path(path), error);
}

std::string lastPathComponent(std::string_view path) {
    while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
    if (path == "/") return "/";
    const auto slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string pathExtension(std::string_view path) {
    const auto name = lastPathComponent(path);
    const auto dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0) return {};
    return name.substr(dot + 1);
}

bool hasExtension(std::string_view path, const std::vector<std::string>& list) {
    const auto extension = lowercased(pathExtension(path));
    return std::find(list.begin(), list.end(), extension) != list.end();
}

platform::FileResult<std::vector<platform::URL>> contentsOfDirectory(platform::SearchPathDirectory directory,
                                                                     bool skipHidden) {
    auto manager = platform::FileManager::shared();
    auto folders = manager->urls(directory, platform::SearchPathDomain::user);
    if (folders.empty()) return platform::FileError{ENOENT, "The folder has no address."};
    platform::DirectoryEnumerationOptions options;
    options.skipsHiddenFiles = skipHidden;
    return manager->contentsOfDirectory(folders.front(), options);
}

}  // namespace Brindle
