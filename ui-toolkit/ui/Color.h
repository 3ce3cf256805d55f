#pragma once

#include <string>
#include <string_view>

namespace brindle_ui {

// An sRGB colour with components from 0 to 1.
struct Color {
    double red = 0;
    double green = 0;
    double blue = 0;
    double opacity = 1;

    // "#rrggbb", the "#" optional. Only the lowest six hexadecimal digits count, a short text is
    // not expanded ("#fff" is a dark blue), and a text without digits gives black.
    static Color hex(std::string_view text);
    static Color clear() { return {0, 0, 0, 0}; }
    static Color white(double opacity = 1) { return {1, 1, 1, opacity}; }
    static Color black(double opacity = 1) { return {0, 0, 0, opacity}; }

    // The palette, for the current theme.
    static Color palettePrimary();
    static Color paletteSecondary();
    static Color paletteTertiary();
    static Color paletteSecondaryTint();
    static Color paletteTertiaryTint();
    static Color paletteAccentYellow();
    static Color paletteAccentGreen();
    static Color paletteCard();
    static Color paletteNestedCard();
    static Color paletteNeutral();
    static Color paletteSurface();
    static Color paletteForeground();
    static Color paletteForegroundSecondary();
    static Color paletteMuted();
    static Color paletteSubtle();
    static Color paletteShade();
    static Color paletteBackground();
    static Color paletteRed();
    static Color paletteGreen();
    static Color paletteYellow();

    friend bool operator==(const Color&, const Color&) = default;
};

// The value the scanner reads from the start of `text` (after white space): hexadecimal digits
// of either case up to the first other character, all ones when they overflow 64 bits, 0 when
// there are none.
unsigned long long scanHexLongLong(std::string_view text);

}  // namespace brindle_ui
