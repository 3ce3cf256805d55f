#pragma once

#include <string_view>

namespace Brindle {

// Stops the process on a programming error, after printing `message` to standard error.
[[noreturn]] void fatalError(std::string_view message);

}  // namespace Brindle
