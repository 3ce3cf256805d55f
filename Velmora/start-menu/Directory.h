#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "Brindle/Object.h"
#include "platform/foundation/URL.h"

namespace Velmora {

// A folder of the current user, for the main menu's folder rows.
class Directory : public Brindle::Object {
public:
    // The home address without its "file://" scheme (percent escapes kept) followed by
    // `relativePath`; none when that text is not an address.
    static std::shared_ptr<Directory> make(std::string_view relativePath);
    // A folder anywhere, by its platform path, spelt as `make` spells the home folder's.
    static std::shared_ptr<Directory> makeForPath(std::string_view path);

    explicit Directory(platform::URL url) : url(std::move(url)) {}

    const platform::URL url;

    // The folder as a platform path, percent escapes decoded, ending with "/"; the address's own
    // text when it does not decode.
    std::string path() const;
};

}  // namespace Velmora
