#include "ui-toolkit/ui/Color.h"

#include <cstdint>
#include <limits>
#include <string>

#include "Brindle/StringExtensions.h"
#include "ui-toolkit/ui/Theme.h"

namespace brindle_ui {

unsigned long long scanHexLongLong(std::string_view text) {
    std::size_t index = 0;
    auto isSpace = [](char c) {
        return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
    };
    while (index < text.size() && isSpace(text[index])) ++index;
    unsigned long long value = 0;
    bool overflow = false;
    for (; index < text.size(); ++index) {
        char c = text[index];
        unsigned digit;
        if (c >= '0' && c <= '9')
            digit = static_cast<unsigned>(c - '0');
        else if (c >= 'a' && c <= 'f')
            digit = static_cast<unsigned>(c - 'a' + 10);
        else if (c >= 'A' && c <= 'F')
            digit = static_cast<unsigned>(c - 'A' + 10);
        else
            break;
        // Too many digits saturate instead of wrapping or failing.
        if (value > (std::numeric_limits<unsigned long long>::max() >> 4)) overflow = true;
        value = (value << 4) | digit;
    }
    return overflow ? std::numeric_limits<unsigned long long>::max() : value;
}

Color Color::hex(std::string_view text) {
    if (!text.empty() && text.front() == '#') text.remove_prefix(1);
    auto value = static_cast<std::uint32_t>(scanHexLongLong(text) & 0xffffffffu);
    auto component = [value](int shift) { return static_cast<double>((value >> shift) & 0xff) / 255.0; };
    return Color{component(16), component(8), component(0), 1};
}

namespace {

bool isLight() { return Theme::current() == Theme::light; }

Color themed(const char* light, const char* dark) { return Color::hex(isLight() ? light : dark); }
Color themed(const std::string& light, const std::string& dark) {
    return Color::hex(isLight() ? light : dark);
}

// "#4c" and the digits of the base colour's text.
Color tint(const char* light, const char* dark) {
    std::string_view base = isLight() ? light : dark;
    std::string text = "#4c";
    text += Brindle::substring(base, 1, Brindle::characterCount(base));
    return Color::hex(text);
}

}  // namespace

Color Color::palettePrimary() { return themed("#ff85da", "#fe01b2"); }
Color Color::paletteSecondary() { return themed("#0093d9", "#0092d9"); }
Color Color::paletteTertiary() { return themed("#c785fe", "#7f24d1"); }
Color Color::paletteSecondaryTint() { return tint("#0093d9", "#0092d9"); }
Color Color::paletteTertiaryTint() { return tint("#c785fe", "#7f24d1"); }
Color Color::paletteAccentYellow() { return themed("#ffdd04", "#c3aa09"); }
Color Color::paletteAccentGreen() { return themed("#00fc92", "#62c08a"); }
Color Color::paletteCard() { return themed("#eeeeee", "#121414"); }
Color Color::paletteNestedCard() { return themed("#e7e7e7", "#181818"); }
Color Color::paletteNeutral() { return themed(RawColors::neutralLight, RawColors::neutralDark); }

Color Color::paletteSurface() {
    if (Theme::backgroundVariant() == 1) return themed(RawColors::white, RawColors::black);
    return themed(RawColors::neutralLight, RawColors::neutralDark);
}

Color Color::paletteForeground() { return themed(RawColors::foregroundLight, RawColors::foregroundDark); }
Color Color::paletteForegroundSecondary() {
    return themed(RawColors::foregroundSecondaryLight, RawColors::foregroundSecondaryDark);
}
Color Color::paletteMuted() { return themed(RawColors::mutedLight, RawColors::mutedDark); }
Color Color::paletteSubtle() { return themed(RawColors::subtleLight, RawColors::subtleDark); }
Color Color::paletteShade() { return Color::hex(RawColors::shade()); }
Color Color::paletteBackground() { return themed(RawColors::white, RawColors::black); }
Color Color::paletteRed() { return Color::hex(RawColors::red); }
Color Color::paletteGreen() { return Color::hex(RawColors::green); }
Color Color::paletteYellow() { return Color::hex(RawColors::yellow); }

}  // namespace brindle_ui
