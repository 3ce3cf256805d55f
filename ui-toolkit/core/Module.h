#pragma once

#include <string>

namespace brindle_core {

// The module's template value.
struct brindle_core {
    std::string text = "Hello, World!";
};

}  // namespace brindle_core
