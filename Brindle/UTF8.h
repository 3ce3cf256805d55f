#pragma once

#include <string>
#include <string_view>

namespace Brindle {

// The bytes as UTF-8 text: each ill-formed sequence becomes U+FFFD, well-formed text is kept as it is.
std::string decodingUTF8(std::string_view bytes);

}  // namespace Brindle
