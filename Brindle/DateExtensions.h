#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "Brindle/DateFormatter.h"
#include "Brindle/DateTime.h"
#include "platform/base/Date.h"

namespace Brindle {

// The moment with these fields in the current calendar, seconds 0. Fields out of their usual range
// carry over; none only when they do not fit the C time types.
std::optional<platform::Date> makeDate(std::int64_t year, std::int64_t month, std::int64_t day,
                                       std::int64_t hour, std::int64_t minute);

// Shared: "yyyy-MM-dd'T'HH:mm:ssZZZZZ" at GMT.
const DateFormatter& iso8601Formatter();
// "2024-03-05T14:07:09Z".
std::string iso8601(const platform::Date& date);
// Reads that form (the offset may also be "+hh:mm", "+hhmm" or "+hh"); none for any other text.
std::optional<platform::Date> dateFromISO8601(std::string_view text);

double daysSince1970(const platform::Date& date);

// How long ago `date` was, for people: "Just now", "5 min ago", "14:07", "Yesterday, 14:07",
// "3 days ago, 14:07" or "05 Mar 14:07", in the current time zone.
std::string relativeText(const platform::Date& date, bool forceDays);

DateTime dateTime(const platform::Date& date);

}  // namespace Brindle
