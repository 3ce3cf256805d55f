#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/foundation/FileManager.h"
#include "platform/foundation/URL.h"

// File-kind classification and helpers over file addresses and paths given as text.
namespace Brindle {

enum class FileType { gif, image, movie, zip, other, unknown };

// The extensions that make each kind, lower-case.
const std::vector<std::string>& extensions(FileType type);

// By the text after the name's last ".", lower-cased (the whole name when it has no "."): a movie,
// else an image, else an archive, else a gif, else other. "x.tar.gz" is an archive through "gz".
FileType fileType(std::string_view fileName);
// The kind of the path's last component.
FileType fileTypeOfPath(std::string_view path);

// The path of a "file://" address with its percent escapes decoded; text without that prefix is only
// decoded, and escapes that are not two hexadecimal digits stay as they are.
std::string filePath(std::string_view absoluteText);
bool fileExists(std::string_view path);

std::string lastPathComponent(std::string_view path);
// "" when the last component has no "." past its first character.
std::string pathExtension(std::string_view path);
// The path's extension, lower-cased, equals one of `list` exactly.
bool hasExtension(std::string_view path, const std::vector<std::string>& list);

// The same, for addresses.
inline std::string filePath(const platform::URL& url) { return filePath(url.absoluteString()); }
inline bool fileExists(const platform::URL& url) { return fileExists(filePath(url)); }
inline bool hasExtension(const platform::URL& url, const std::vector<std::string>& list) {
    return hasExtension(url.path(), list);
}
inline FileType fileType(const platform::URL& url) { return fileTypeOfPath(url.path()); }

// The contents of the user's folder of the given kind; the file manager's error is passed on, and
// a folder the platform has no address for gives an error too.
platform::FileResult<std::vector<platform::URL>> contentsOfDirectory(platform::SearchPathDirectory directory,
                                                                     bool skipHidden);

}  // namespace Brindle
