#pragma once

#include <compare>
#include <string>

#include "platform/base/TimeInterval.h"

namespace platform {

// A point in time: seconds since 2001-01-01 00:00:00 UTC, the platform's reference date.
class Date {
public:
    static constexpr TimeInterval referenceDateSince1970 = 978307200.0;

    // The current moment of the wall clock (the virtual clock in tests).
    Date();
    static Date now() { return Date(); }
    static Date fromTimeIntervalSinceReferenceDate(TimeInterval seconds) { return Date(seconds, Tag{}); }
    static Date fromTimeIntervalSince1970(TimeInterval seconds) {
        return Date(seconds - referenceDateSince1970, Tag{});
    }
    static Date distantFuture() { return Date(63113904000.0, Tag{}); }
    static Date distantPast() { return Date(-63114076800.0, Tag{}); }

    TimeInterval timeIntervalSinceReferenceDate() const { return seconds_; }
    TimeInterval timeIntervalSince1970() const { return seconds_ + referenceDateSince1970; }
    TimeInterval timeIntervalSince(const Date& other) const { return seconds_ - other.seconds_; }
    TimeInterval timeIntervalSinceNow() const { return seconds_ - Date().seconds_; }
    Date addingTimeInterval(TimeInterval seconds) const { return Date(seconds_ + seconds, Tag{}); }

    friend auto operator<=>(const Date&, const Date&) = default;
    friend bool operator==(const Date&, const Date&) = default;

private:
    struct Tag {};
    Date(TimeInterval seconds, Tag) : seconds_(seconds) {}

    TimeInterval seconds_;
};

}  // namespace platform
