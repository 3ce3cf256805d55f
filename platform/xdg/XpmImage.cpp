#include "platform/xdg/XpmImage.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <iterator>
#include <map>
#include <sstream>
#include <vector>

namespace platform::xdg {
namespace {

constexpr long maximumSide = 256;
constexpr long maximumColours = 1 << 16;

// The file's C strings in order, without their quotes; escapes are kept as written.
std::vector<std::string_view> quotedStrings(std::string_view text) {
    std::vector<std::string_view> strings;
    for (std::size_t at = 0; (at = text.find('"', at)) != std::string_view::npos;) {
        auto end = text.find('"', at + 1);
        if (end == std::string_view::npos) break;
        strings.push_back(text.substr(at + 1, end - at - 1));
        at = end + 1;
    }
    return strings;
}

std::string lowered(std::string_view text) {
    std::string result(text);
    for (auto& c : result) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return result;
}

// "#rrggbb", "" for a see-through pixel, none for a colour this reader does not know.
std::optional<std::string> colourValue(std::string_view spec) {
    auto name = lowered(spec);
    if (name == "none" || name == "transparent") return std::string();
    if (name.starts_with('#')) {
        auto digits = name.substr(1);
        if (digits.empty() || digits.size() % 3 != 0 || digits.size() > 12 ||
            !std::all_of(digits.begin(), digits.end(),
                         [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); }))
            return std::nullopt;
        auto part = digits.size() / 3;
        std::string value = "#";
        // The most significant two digits of each part (one digit is doubled).
        for (std::size_t i = 0; i < 3; ++i) {
            auto piece = digits.substr(i * part, part);
            value += part == 1 ? std::string(2, piece[0]) : piece.substr(0, 2);
        }
        return value;
    }
    static const std::map<std::string, std::string> named{
        {"black", "#000000"}, {"white", "#ffffff"},  {"red", "#ff0000"},    {"green", "#00ff00"},
        {"blue", "#0000ff"},  {"yellow", "#ffff00"}, {"cyan", "#00ffff"},   {"magenta", "#ff00ff"},
        {"gray", "#bebebe"},  {"grey", "#bebebe"},   {"orange", "#ffa500"}, {"brown", "#a52a2a"},
    };
    if (auto found = named.find(name); found != named.end()) return found->second;
    return std::nullopt;
}

}  // namespace

std::optional<std::string> svgFromXpm(std::string_view xpm) {
    if (xpm.find("XPM") == std::string_view::npos) return std::nullopt;
    auto strings = quotedStrings(xpm);
    if (strings.empty()) return std::nullopt;
    long width = 0, height = 0, colours = 0, perPixel = 0;
    std::istringstream values{std::string(strings[0])};
    if (!(values >> width >> height >> colours >> perPixel) || width <= 0 || height <= 0 ||
        width > maximumSide || height > maximumSide || colours <= 0 || colours > maximumColours ||
        perPixel <= 0 || perPixel > 4)
        return std::nullopt;
    if (strings.size() < static_cast<std::size_t>(1 + colours + height)) return std::nullopt;
    std::map<std::string, std::string, std::less<>> palette;
    for (long i = 1; i <= colours; ++i) {
        auto line = strings[static_cast<std::size_t>(i)];
        if (line.size() < static_cast<std::size_t>(perPixel)) return std::nullopt;
        auto key = line.substr(0, static_cast<std::size_t>(perPixel));
        // Pairs of a visual ("c" colour, "m" mono, "g", "g4", "s" symbolic) and a colour; colour wins.
        std::istringstream words{std::string(line.substr(static_cast<std::size_t>(perPixel)))};
        std::vector<std::string> parts{std::istream_iterator<std::string>(words), {}};
        std::optional<std::string> chosen;
        for (std::size_t at = 0; at + 1 < parts.size(); at += 2) {
            if (parts[at] != "c" && parts[at] != "m" && parts[at] != "g" && parts[at] != "g4") continue;
            auto value = colourValue(parts[at + 1]);
            if (value && (!chosen || parts[at] == "c")) chosen = value;
        }
        // An unknown colour name draws grey rather than nothing.
        palette.insert_or_assign(std::string(key), chosen.value_or("#808080"));
    }
    std::string svg = "<svg xmlns='http://www.w3.org/2000/svg' width='" + std::to_string(width) +
                      "' height='" + std::to_string(height) + "' viewBox='0 0 " + std::to_string(width) +
                      " " + std::to_string(height) + "' shape-rendering='crispEdges'>";
    for (long y = 0; y < height; ++y) {
        auto row = strings[static_cast<std::size_t>(1 + colours + y)];
        if (row.size() < static_cast<std::size_t>(width * perPixel)) return std::nullopt;
        // One rectangle per run of a colour.
        for (long x = 0; x < width;) {
            auto found = palette.find(
                row.substr(static_cast<std::size_t>(x * perPixel), static_cast<std::size_t>(perPixel)));
            if (found == palette.end()) return std::nullopt;
            long end = x + 1;
            while (end < width && row.substr(static_cast<std::size_t>(end * perPixel),
                                             static_cast<std::size_t>(perPixel)) == found->first)
                ++end;
            if (!found->second.empty())
                svg += "<rect x='" + std::to_string(x) + "' y='" + std::to_string(y) + "' width='" +
                       std::to_string(end - x) + "' height='1' fill='" + found->second + "'/>";
            x = end;
        }
    }
    return svg + "</svg>";
}

}  // namespace platform::xdg
