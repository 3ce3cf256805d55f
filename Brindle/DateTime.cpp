#include "Brindle/DateTime.h"

#include <fmt/format.h>

#include "Brindle/Calendar.h"
#include "Brindle/FatalError.h"
#include "platform/base/Clock.h"

namespace Brindle {

namespace {

std::string padded(std::int64_t value) {
    return value <= 9 ? fmt::format("0{}", value) : fmt::format("{}", value);
}

}  // namespace

std::optional<WeekDay> weekDayFromRawValue(int rawValue) {
    if (rawValue < 1 || rawValue > 7) return std::nullopt;
    return static_cast<WeekDay>(rawValue);
}

std::string description(WeekDay day) {
    switch (day) {
        case WeekDay::monday:
            return "Monday";
        case WeekDay::tuesday:
            return "Tuesday";
        case WeekDay::wednesday:
            return "Wednesday";
        case WeekDay::thursday:
            return "Thursday";
        case WeekDay::friday:
            return "Friday";
        case WeekDay::saturday:
            return "Saturday";
        case WeekDay::sunday:
            return "Sunday";
    }
    fatalError(fmt::format("WeekDay: no day {}", static_cast<int>(day)));
}

std::string SimpleDate::description() const {
    return fmt::format("{}-{}-{}", year, padded(month), padded(day));
}

std::string SimpleTime::description() const {
    auto text = fmt::format("{}:{}", padded(hour), padded(minute));
    if (second >= 1) text += fmt::format(":{}", padded(second));
    return text;
}

DateTime::DateTime() : seconds_(platform::Clock::wallSeconds()) {}

DateTime::DateTime(const platform::Date& date) : seconds_(date.timeIntervalSince1970()) {}

std::optional<DateTime> DateTime::make(std::int64_t year, std::int64_t month, std::int64_t day,
                                       std::int64_t hour, std::int64_t minute, std::int64_t second) {
    const auto seconds = Calendar::current().secondsSince1970({year, month, day, hour, minute, second});
    if (!seconds) return std::nullopt;
    return DateTime(*seconds, Seconds{});
}

std::optional<DateTime> DateTime::fromString(std::string_view) { return std::nullopt; }

int DateTime::year() const { return static_cast<int>(Calendar::current().components(seconds_).year); }
int DateTime::month() const { return static_cast<int>(Calendar::current().components(seconds_).month); }
int DateTime::day() const { return static_cast<int>(Calendar::current().components(seconds_).day); }
int DateTime::hour() const { return static_cast<int>(Calendar::current().components(seconds_).hour); }
int DateTime::minute() const { return static_cast<int>(Calendar::current().components(seconds_).minute); }
int DateTime::second() const { return static_cast<int>(Calendar::current().components(seconds_).second); }

SimpleDate DateTime::simpleDate() const { return {year(), month(), day()}; }

SimpleTime DateTime::simpleTime() const { return {hour(), minute(), second()}; }

WeekDay DateTime::weekDay() const {
    // The calendar counts from Sunday = 1.
    const int weekday = Calendar::current().components(seconds_).weekday;
    if (weekday < 1 || weekday > 7)
        fatalError(fmt::format("DateTime: the calendar gave weekday {}", weekday));
    return weekday == 1 ? WeekDay::sunday : static_cast<WeekDay>(weekday - 1);
}

std::optional<DateTime> DateTime::startOfDay() const { return adding(0, 0, 0); }

std::optional<DateTime> DateTime::startOfWeek() const { return adding(0, 0, -(rawValue(weekDay()) - 1)); }

std::optional<DateTime> DateTime::adding(std::int64_t years, std::int64_t months, std::int64_t days) const {
    const auto c = Calendar::current().components(seconds_);
    // Beyond ±2^62 the sums could overflow; such fields fit no calendar anyway.
    constexpr std::int64_t limit = std::int64_t{1} << 62;
    if (years < -limit || years > limit || months < -limit || months > limit || days < -limit || days > limit)
        return std::nullopt;
    return make(c.year + years, c.month + months, c.day + days, 0, 0, 0);
}

bool DateTime::isToday() const { return isSameDay(DateTime()); }

bool DateTime::isSameDay(const DateTime& other) const {
    const auto a = Calendar::current().components(seconds_);
    const auto b = Calendar::current().components(other.seconds_);
    return a.year == b.year && a.month == b.month && a.day == b.day;
}

bool DateTime::isSameWeek(const DateTime& other) const {
    const auto a = startOfWeek();
    const auto b = other.startOfWeek();
    return a && b && a->isSameDay(*b);
}

bool DateTime::isSameMonth(const DateTime& other) const {
    const auto a = Calendar::current().components(seconds_);
    const auto b = Calendar::current().components(other.seconds_);
    return a.year == b.year && a.month == b.month;
}

int DateTime::daysInMonth() const {
    const auto c = Calendar::current().components(seconds_);
    return Calendar::daysInMonth(c.year, c.month);
}

std::vector<DateTime> DateTime::days(const DateTime& end) const {
    std::vector<DateTime> result;
    if (end.seconds_ < seconds_) return result;
    std::optional<DateTime> cursor = *this;
    while (cursor && !cursor->isSameDay(end)) {
        result.push_back(*cursor);
        cursor = cursor->addingDays(1);
    }
    result.push_back(end);
    return result;
}

std::string DateTime::description() const { return simpleDate().description(); }

void to_json(nlohmann::json& json, const DateTime& value) { json = {{"rawValue", value.seconds_}}; }

void from_json(const nlohmann::json& json, DateTime& value) {
    value = DateTime(json.at("rawValue").get<double>(), DateTime::Seconds{});
}

}  // namespace Brindle
