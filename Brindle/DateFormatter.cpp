#include "Brindle/DateFormatter.h"

#include <fmt/format.h>

#include <cstdlib>

#include "Brindle/FatalError.h"

namespace Brindle {

namespace {

constexpr const char* monthNames[] = {"January", "February", "March",     "April",   "May",      "June",
                                      "July",    "August",   "September", "October", "November", "December"};

bool isPatternLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

std::string number(std::int64_t value, int width) { return fmt::format("{:0{}}", value, width); }

std::string offsetText(std::int64_t offset, int width) {
    const char sign = offset < 0 ? '-' : '+';
    const std::int64_t minutes = std::llabs(offset) / 60;
    const auto hours = minutes / 60;
    const auto rest = minutes % 60;
    if (width <= 3) return fmt::format("{}{:02}{:02}", sign, hours, rest);
    if (width == 4) return offset == 0 ? "GMT" : fmt::format("GMT{}{:02}:{:02}", sign, hours, rest);
    return offset == 0 ? "Z" : fmt::format("{}{:02}:{:02}", sign, hours, rest);
}

}  // namespace

DateFormatter::DateFormatter(std::string_view format, Calendar calendar)
    : format_(format), calendar_(calendar) {
    for (std::size_t at = 0; at < format.size();) {
        const char c = format[at];
        if (c == '\'') {
            // Quoted text; two quotes in a row stand for one.
            Field literal;
            ++at;
            if (at < format.size() && format[at] == '\'') {
                literal.literal = "'";
                ++at;
            } else {
                while (at < format.size()) {
                    if (format[at] == '\'') {
                        if (at + 1 < format.size() && format[at + 1] == '\'') {
                            literal.literal += '\'';
                            at += 2;
                            continue;
                        }
                        ++at;
                        break;
                    }
                    literal.literal += format[at++];
                }
            }
            fields_.push_back(std::move(literal));
        } else if (isPatternLetter(c)) {
            if (std::string_view("yMdHmsZ").find(c) == std::string_view::npos)
                fatalError(
                    fmt::format("DateFormatter: unsupported pattern letter '{}' in \"{}\"", c, format));
            Field field{c, 0, {}};
            while (at < format.size() && format[at] == c) {
                ++field.width;
                ++at;
            }
            fields_.push_back(field);
        } else {
            fields_.push_back({0, 0, std::string(1, c)});
            ++at;
        }
    }
}

std::string DateFormatter::string(const platform::Date& date) const {
    const auto c = calendar_.components(date);
    std::string text;
    for (const auto& field : fields_) {
        switch (field.letter) {
            case 0:
                text += field.literal;
                break;
            case 'y':
                text +=
                    field.width == 2 ? number((c.year % 100 + 100) % 100, 2) : number(c.year, field.width);
                break;
            case 'M':
                if (field.width == 3)
                    text += std::string_view(monthNames[c.month - 1]).substr(0, 3);
                else if (field.width == 4)
                    text += monthNames[c.month - 1];
                else if (field.width >= 5)
                    text += monthNames[c.month - 1][0];
                else
                    text += number(c.month, field.width);
                break;
            case 'd':
                text += number(c.day, field.width);
                break;
            case 'H':
                text += number(c.hour, field.width);
                break;
            case 'm':
                text += number(c.minute, field.width);
                break;
            case 's':
                text += number(c.second, field.width);
                break;
            case 'Z':
                text += offsetText(c.utcOffset, field.width);
                break;
        }
    }
    return text;
}

}  // namespace Brindle
