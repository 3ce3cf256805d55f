#pragma once

#include <cstdint>
#include <functional>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/Date.h"

namespace Brindle {

enum class WeekDay { monday = 1, tuesday, wednesday, thursday, friday, saturday, sunday };

// 1 for Monday to 7 for Sunday; a day's offset from Monday is its raw value − 1.
inline int rawValue(WeekDay day) { return static_cast<int>(day); }
std::optional<WeekDay> weekDayFromRawValue(int rawValue);
// "Monday" … "Sunday".
std::string description(WeekDay day);

struct SimpleDate {
    std::int64_t year = 0;
    std::int64_t month = 0;
    std::int64_t day = 0;

    // "2024-12-01": month and day get a "0" in front when at most 9.
    std::string description() const;
    friend bool operator==(const SimpleDate&, const SimpleDate&) = default;
};

struct SimpleTime {
    std::int64_t hour = 0;
    std::int64_t minute = 0;
    std::int64_t second = 0;

    // "09:05", or "09:05:07" when there are seconds.
    std::string description() const;
    std::string debugDescription() const { return description(); }
    friend bool operator==(const SimpleTime&, const SimpleTime&) = default;
};

// A moment as seconds since 1970, with calendar arithmetic by whole days in the current calendar
// (read when asked) and weeks that start on Monday. Immutable, so it is a value: copies are equal
// and interchangeable.
class DateTime {
public:
    // The current moment.
    DateTime();
    explicit DateTime(const platform::Date& date);

    // Fields out of their usual range carry over (day 32 is early next month, month 13 January of
    // the next year); none only when the fields do not fit the C time types.
    static std::optional<DateTime> make(std::int64_t year, std::int64_t month, std::int64_t day,
                                        std::int64_t hour, std::int64_t minute, std::int64_t second);
    // No text form is read back: always none.
    static std::optional<DateTime> fromString(std::string_view text);

    double timeIntervalSince1970() const { return seconds_; }
    platform::Date date() const { return platform::Date::fromTimeIntervalSince1970(seconds_); }

    int year() const;
    int month() const;
    int day() const;
    int hour() const;
    int minute() const;
    int second() const;
    SimpleDate simpleDate() const;
    SimpleTime simpleTime() const;
    WeekDay weekDay() const;

    // Each at 00:00:00 of its day; none only past what the C time types hold.
    std::optional<DateTime> startOfDay() const;
    std::optional<DateTime> startOfWeek() const;
    std::optional<DateTime> adding(std::int64_t years, std::int64_t months, std::int64_t days) const;
    std::optional<DateTime> addingYears(std::int64_t years) const { return adding(years, 0, 0); }
    std::optional<DateTime> addingMonths(std::int64_t months) const { return adding(0, months, 0); }
    std::optional<DateTime> addingDays(std::int64_t days) const { return adding(0, 0, days); }

    bool isToday() const;
    bool isSameDay(const DateTime& other) const;
    bool isSameWeek(const DateTime& other) const;
    bool isSameMonth(const DateTime& other) const;

    int daysInMonth() const;

    // This moment, then every midnight up to the day of `end`, then `end` itself; `end` alone when
    // both are on one day; empty when `end` is earlier.
    std::vector<DateTime> days(const DateTime& end) const;

    // "2024-03-05".
    std::string description() const;
    std::string debugDescription() const { return description(); }

    friend bool operator==(const DateTime& a, const DateTime& b) { return a.seconds_ == b.seconds_; }

    // Coded as {"rawValue": seconds}; a missing or non-numeric value throws the decoder's error.
    friend void to_json(nlohmann::json& json, const DateTime& value);
    friend void from_json(const nlohmann::json& json, DateTime& value);

private:
    struct Seconds {};
    DateTime(double seconds, Seconds) : seconds_(seconds) {}

    double seconds_;
};

}  // namespace Brindle

template <>
struct std::hash<Brindle::DateTime> {
    std::size_t operator()(const Brindle::DateTime& value) const noexcept {
        // +0 and −0 are equal, so they must hash alike.
        const double seconds = value.timeIntervalSince1970();
        return std::hash<double>{}(seconds == 0.0 ? 0.0 : seconds);
    }
};
