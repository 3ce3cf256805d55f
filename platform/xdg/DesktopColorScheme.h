#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

// GLib's types by name only, so that Qt code may include this (Qt's keywords clash with GIO's).
typedef struct _GVariant GVariant;
typedef struct _GMainContext GMainContext;

namespace platform::xdg {

class SessionBus;

enum class ColorSchemePreference { light, dark };

// What the desktop portal's "color-scheme" value means: 1 prefers dark, 2 prefers light, anything
// else (0, no preference) says nothing. Nested variants, as older portals answer, are unwrapped.
std::optional<ColorSchemePreference> portalColorScheme(GVariant* value);
// What a GTK settings.ini says: dark for "gtk-application-prefer-dark-theme" true or a
// "gtk-theme-name" ending in "-dark" (any letter case); light for a preference of false or a theme
// of another name; nothing when it names neither or cannot be read.
std::optional<ColorSchemePreference> gtkColorScheme(const std::string& settingsText);
// The settings files GTK reads, the most important first: gtk-4.0, then gtk-3.0, of the user's
// config folder, then of each system config folder.
std::vector<std::string> gtkSettingsFiles();

// The desktop's light or dark preference: the XDG desktop portal's ("org.freedesktop.appearance"
// "color-scheme"), read at start and followed as it changes; where the portal has none, the GTK
// settings as they were at start. Any thread may read. The portal's answer comes when it answers:
// until then (or when it never does) the GTK settings stand.
class DesktopColorScheme {
public:
    static constexpr const char* portalName = "org.freedesktop.portal.Desktop";
    static constexpr const char* portalPath = "/org/freedesktop/portal/desktop";
    static constexpr const char* settingsInterface = "org.freedesktop.portal.Settings";

    // Without a session bus only the GTK settings count (the reason in `error`). Changes are read
    // on `context` when given (its owner runs it), else on a thread of the reader's own.
    static std::shared_ptr<DesktopColorScheme> open(std::string* error = nullptr,
                                                    GMainContext* context = nullptr,
                                                    const std::string& address = {});
    ~DesktopColorScheme();
    DesktopColorScheme(const DesktopColorScheme&) = delete;
    DesktopColorScheme& operator=(const DesktopColorScheme&) = delete;

    // None when neither the portal nor GTK says: the palette decides.
    std::optional<ColorSchemePreference> preference() const;
    // Called on the reader's context when the portal's preference changed, its first answer
    // included.
    void setChangeHandler(std::function<void()> handler);

private:
    DesktopColorScheme() = default;
    // Asks the portal without waiting; its answer counts as a change.
    void readPortal(const char* method);
    void portalChanged(std::optional<ColorSchemePreference> preference);

    std::shared_ptr<SessionBus> bus_;
    mutable std::mutex mutex_;
    std::optional<ColorSchemePreference> portal_;
    bool heardFromPortal_ = false;
    std::optional<ColorSchemePreference> gtk_;
    std::function<void()> changeHandler_;
};

}  // namespace platform::xdg
