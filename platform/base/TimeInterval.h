#pragma once

#include <cstdint>

namespace platform {

// A span of time in seconds, as the platform measures every delay and date difference.
using TimeInterval = double;

// A dispatch delay with its unit, as the platform's dispatch layer states it.
class DispatchTimeInterval {
public:
    enum class Unit { seconds, milliseconds, microseconds, nanoseconds, never };

    static constexpr DispatchTimeInterval seconds(std::int64_t n) { return {Unit::seconds, n}; }
    static constexpr DispatchTimeInterval milliseconds(std::int64_t n) { return {Unit::milliseconds, n}; }
    static constexpr DispatchTimeInterval microseconds(std::int64_t n) { return {Unit::microseconds, n}; }
    static constexpr DispatchTimeInterval nanoseconds(std::int64_t n) { return {Unit::nanoseconds, n}; }
    static constexpr DispatchTimeInterval never() { return {Unit::never, 0}; }

    constexpr Unit unit() const { return unit_; }
    constexpr std::int64_t count() const { return count_; }

    friend constexpr bool operator==(const DispatchTimeInterval&, const DispatchTimeInterval&) = default;

private:
    constexpr DispatchTimeInterval(Unit unit, std::int64_t count) : unit_(unit), count_(count) {}

    Unit unit_;
    std::int64_t count_;
};

}  // namespace platform
