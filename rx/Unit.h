#pragma once

#include <ostream>

namespace rx {

// The element of sequences that only say "something happened".
struct Unit {
    friend constexpr bool operator==(Unit, Unit) { return true; }
    friend std::ostream& operator<<(std::ostream& out, Unit) { return out << "()"; }
};

}  // namespace rx
