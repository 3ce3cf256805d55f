#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>

namespace platform::xdg {

// When to act on a burst of changes: a quiet spell after the last one, but no later than a longest
// wait after the first one not yet acted on, so that a folder written without pause is still read
// every so often. Times in microseconds of a monotonic clock.
class Settle {
public:
    constexpr Settle(std::int64_t quiet, std::int64_t longest) : quiet_(quiet), longest_(longest) {}

    // A change at `now`: how long from now to act (replacing any earlier plan).
    std::int64_t changed(std::int64_t now) {
        if (!first_) first_ = now;
        return std::clamp<std::int64_t>(*first_ + longest_ - now, 0, quiet_);
    }
    // The action ran: the next change starts a new burst.
    void acted() { first_.reset(); }

private:
    std::int64_t quiet_;
    std::int64_t longest_;
    std::optional<std::int64_t> first_;
};

}  // namespace platform::xdg
