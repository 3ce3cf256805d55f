#include "Velmora/start-menu/Directory.h"

#include <string>

#include "platform/foundation/FileManager.h"

namespace Velmora {

namespace {

// Without the scheme the text is the path as the address spells it, escapes included.
std::shared_ptr<Directory> fromFileAddress(const std::string& address, std::string_view relativePath) {
    constexpr std::string_view scheme = "file://";
    std::string text = address.size() >= scheme.size() ? address.substr(scheme.size()) : std::string();
    text += relativePath;
    auto url = platform::URL::fromString(text);
    if (!url) return nullptr;
    return Brindle::make<Directory>(*url);
}

}  // namespace

std::shared_ptr<Directory> Directory::make(std::string_view relativePath) {
    return fromFileAddress(
        platform::FileManager::defaultManager()->homeDirectoryForCurrentUser().absoluteString(),
        relativePath);
}

std::shared_ptr<Directory> Directory::makeForPath(std::string_view path) {
    return fromFileAddress(platform::URL::fileURL(path, true).absoluteString(), "");
}

std::string Directory::path() const {
    return platform::URL::removingPercentEncoding(url.absoluteString()).value_or(url.absoluteString());
}

}  // namespace Velmora
