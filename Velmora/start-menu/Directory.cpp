#include "Velmora/start-menu/Directory.h"

#include <string>

#include "platform/foundation/FileManager.h"

namespace Velmora {

std::shared_ptr<Directory> Directory::make(std::string_view relativePath) {
    constexpr std::string_view scheme = "file://";
    auto home = platform::FileManager::defaultManager()->homeDirectoryForCurrentUser().absoluteString();
    // Without the scheme the text is the home path as the address spells it, escapes included.
    std::string text = home.size() >= scheme.size() ? home.substr(scheme.size()) : std::string();
    text += relativePath;
    auto url = platform::URL::fromString(text);
    if (!url) return nullptr;
    return Brindle::make<Directory>(*url);
}

std::string Directory::path() const {
    return platform::URL::removingPercentEncoding(url.absoluteString()).value_or(url.absoluteString());
}

}  // namespace Velmora
