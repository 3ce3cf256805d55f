#pragma once

#include <memory>

namespace platform {

// Where the time comes from: the system's clocks in the program, the virtual loop's clock in tests.
class ClockSource {
public:
    virtual ~ClockSource() = default;
    // Seconds since 1970-01-01 UTC.
    virtual double wallSeconds() const = 0;
    // Seconds on a clock that never goes back; its origin is arbitrary.
    virtual double monotonicSeconds() const = 0;
};

class Clock {
public:
    static double wallSeconds();
    static double monotonicSeconds();

    // Replaces the source for the whole process; null restores the system's clocks.
    static void setSource(std::shared_ptr<ClockSource> source);
    static std::shared_ptr<ClockSource> source();
};

}  // namespace platform
