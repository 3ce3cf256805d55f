#pragma once

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

// Sets TZ for one test, so calendar results do not depend on the machine's zone.
class TimeZoneScope {
public:
    // POSIX rules need no zone database: central Europe with its summer time.
    static constexpr const char* centralEurope = "CET-1CEST,M3.5.0,M10.5.0/3";
    explicit TimeZoneScope(const char* zone) {
        if (const char* old = std::getenv("TZ")) previous_ = old;
        setenv("TZ", zone, 1);
        tzset();
    }
    ~TimeZoneScope() {
        previous_ ? setenv("TZ", previous_->c_str(), 1) : unsetenv("TZ");
        tzset();
    }
    TimeZoneScope(const TimeZoneScope&) = delete;
    TimeZoneScope& operator=(const TimeZoneScope&) = delete;

private:
    std::optional<std::string> previous_;
};
