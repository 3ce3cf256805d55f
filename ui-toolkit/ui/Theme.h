#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "Brindle/Object.h"
#include "rx/Observable.h"
#include "ui-toolkit/core/Disposables.h"
#include "ui-toolkit/ui/Color.h"

namespace brindle_ui {

// The toolkit's light or dark theme, and the process-wide theme settings. Any thread may change
// them: the stream and the callbacks then run on that thread.
class Theme {
public:
    enum Value : std::uint8_t { dark = 0, light = 1 };
    enum class LabelStyle {
        headline,
        bigHeadline,
        description,
        smallDescription,
        buttonLabel,
        textField,
        navigationBarTitle
    };

    constexpr Theme(Value value = dark) : value_(value) {}

    constexpr Value value() const { return value_; }
    std::string name() const;
    friend constexpr bool operator==(Theme, Theme) = default;

    // `dark` until first set. Setting the value it has notifies nobody.
    static Theme current();
    static void setCurrent(Theme theme);

    // 1 makes the palette's surface pure white or black. Every write notifies the callbacks
    // (not the stream), even of the same value.
    static std::uint8_t backgroundVariant();
    static void setBackgroundVariant(std::uint8_t variant);
    static std::uint8_t secondaryVariant();
    static void setSecondaryVariant(std::uint8_t variant);

    // The theme current at the read, then every change of the theme.
    static rx::Observable<Theme> observable();

    // Calls `closure` with the current theme at once and after every change of the theme or its
    // variants, while `owner` lives (without an owner: until the returned handle is disposed or
    // released). Disposing a handle ends every registration of its owner. The registration joins
    // the list on the main thread, so one made elsewhere misses changes until then.
    static brindle_core::IDisposablePtr observe(std::shared_ptr<void> owner, std::string file,
                                                std::function<void(Theme)> closure);

    // Registrations in the list now (for tests and diagnostics).
    static std::size_t observerCount();

private:
    Value value_;
};

// One registered theme callback.
class Closure : public Brindle::Object {
public:
    Closure(std::weak_ptr<void> owner, std::function<void(Theme)> closure, std::string file)
        : owner(std::move(owner)), closure(std::move(closure)), file(std::move(file)) {}

    std::weak_ptr<void> owner;
    std::function<void(Theme)> closure;
    std::string file;
};

// The handle of a registration. Releasing it does not unregister anything by itself.
class ThemeObserverDisposable : public Brindle::Object, public brindle_core::IDisposable {
public:
    // The owner of registrations made without one.
    class Empty : public Brindle::Object {
    public:
        int value = 0;
    };

    ThemeObserverDisposable(std::shared_ptr<Closure> closure, std::shared_ptr<Empty> retainedOwner)
        : closure(std::move(closure)), retainedOwner(std::move(retainedOwner)) {}

    void dispose() override;

    std::shared_ptr<Closure> closure;
    std::shared_ptr<Empty> retainedOwner;
};

// The hexadecimal texts of the fixed colours.
class RawColors {
public:
    RawColors() = delete;

    static inline const std::string mutedDark = "#292a31";
    static inline const std::string mutedLight = "#c4c3c4";
    static inline const std::string red = "#fd5257";
    static inline const std::string green = "#60ba46";
    static inline const std::string yellow = "#ffc501";
    static inline const std::string neutralDark = "#171818";
    static inline const std::string neutralLight = "#F6F6F6";
    static inline const std::string subtleDark = "#434343";
    static inline const std::string subtleLight = "#dddddd";
    static inline const std::string black = "#000000";
    static inline const std::string white = "#ffffff";
    static inline const std::string foregroundDark = "#fcfbfa";
    static inline const std::string foregroundLight = "#1d212a";
    static inline const std::string foregroundSecondaryLight = "1B1B1B";
    static inline const std::string foregroundSecondaryDark = "#979595";
    // Depends on the current theme.
    static std::string shade();
};

// The palette under its plain names, evaluated afresh from the current theme on every read.
class Colors {
public:
    Colors() = delete;

    static Color primary() { return Color::palettePrimary(); }
    static Color secondary() { return Color::paletteSecondary(); }
    static Color tertiary() { return Color::paletteTertiary(); }
    static Color secondaryTint() { return Color::paletteSecondaryTint(); }
    static Color tertiaryTint() { return Color::paletteTertiaryTint(); }
    static Color accentYellow() { return Color::paletteAccentYellow(); }
    static Color accentGreen() { return Color::paletteAccentGreen(); }
    static Color card() { return Color::paletteCard(); }
    static Color nestedCard() { return Color::paletteNestedCard(); }
    static Color neutral() { return Color::paletteNeutral(); }
    static Color surface() { return Color::paletteSurface(); }
    static Color foreground() { return Color::paletteForeground(); }
    static Color foregroundSecondary() { return Color::paletteForegroundSecondary(); }
    static Color muted() { return Color::paletteMuted(); }
    static Color subtle() { return Color::paletteSubtle(); }
    static Color shade() { return Color::paletteShade(); }
};

}  // namespace brindle_ui
