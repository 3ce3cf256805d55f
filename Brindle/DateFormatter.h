#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "Brindle/Calendar.h"
#include "platform/base/Date.h"

namespace Brindle {

// Writes dates with a pattern of the platform's date formats: y, M (MMM and MMMM give English month
// names), d, H, m, s, Z (ZZZZZ gives "Z" at offset 0, else "+hh:mm"), text in single quotes, and any
// other character as it is. Other pattern letters are a programming error.
class DateFormatter {
public:
    // The current time zone, English month names and the Gregorian calendar.
    static DateFormatter make(std::string_view format) { return DateFormatter(format, Calendar::current()); }

    DateFormatter(std::string_view format, Calendar calendar);

    std::string string(const platform::Date& date) const;
    const std::string& dateFormat() const { return format_; }

private:
    struct Field {
        char letter = 0;  // 0 for literal text
        int width = 0;
        std::string literal;
    };

    std::string format_;
    Calendar calendar_;
    std::vector<Field> fields_;
};

}  // namespace Brindle
