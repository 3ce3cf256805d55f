#pragma once

#include <compare>
#include <limits>

#include "platform/base/TimeInterval.h"

namespace platform {

// A point on the monotonic clock, as dispatch deadlines are given.
class DispatchTime {
public:
    static DispatchTime now();
    // The deadline that never comes.
    static constexpr DispatchTime distantFuture() {
        return DispatchTime(std::numeric_limits<double>::infinity());
    }
    static constexpr DispatchTime fromUptimeSeconds(double seconds) { return DispatchTime(seconds); }

    constexpr double uptimeSeconds() const { return seconds_; }
    constexpr bool isDistantFuture() const { return seconds_ == std::numeric_limits<double>::infinity(); }

    friend constexpr DispatchTime operator+(DispatchTime time, TimeInterval seconds) {
        return DispatchTime(time.seconds_ + seconds);
    }
    friend constexpr DispatchTime operator-(DispatchTime time, TimeInterval seconds) {
        return DispatchTime(time.seconds_ - seconds);
    }
    friend constexpr auto operator<=>(const DispatchTime&, const DispatchTime&) = default;

private:
    constexpr explicit DispatchTime(double seconds) : seconds_(seconds) {}
    double seconds_;
};

}  // namespace platform
