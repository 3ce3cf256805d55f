#include "platform/xdg/DesktopColorScheme.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "platform/foundation/BoundedFile.h"
#include "platform/xdg/SessionBus.h"

namespace platform::xdg {
namespace {

constexpr const char* appearanceNamespace = "org.freedesktop.appearance";
constexpr const char* colorSchemeKey = "color-scheme";
// A portal that has not answered by then is not waited for.
constexpr int portalTimeoutMs = 3000;

bool endsWithDark(std::string name) {
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
    return name.ends_with("-dark");
}

std::optional<ColorSchemePreference> readGtkSettings() {
    for (const auto& path : gtkSettingsFiles()) {
        // Read at start: a FIFO or an endless file there is passed over at once.
        auto text = readBoundedFile(path, FileLimits::keyFile);
        if (!text) continue;
        if (auto preference = gtkColorScheme(*text)) return preference;
    }
    return std::nullopt;
}

}  // namespace

std::optional<ColorSchemePreference> portalColorScheme(GVariant* value) {
    if (!value) return std::nullopt;
    g_variant_ref(value);
    while (g_variant_is_of_type(value, G_VARIANT_TYPE_VARIANT)) {
        auto* inner = g_variant_get_variant(value);
        g_variant_unref(value);
        value = inner;
    }
    std::optional<ColorSchemePreference> preference;
    if (g_variant_is_of_type(value, G_VARIANT_TYPE_UINT32)) {
        auto number = g_variant_get_uint32(value);
        if (number == 1) preference = ColorSchemePreference::dark;
        if (number == 2) preference = ColorSchemePreference::light;
    }
    g_variant_unref(value);
    return preference;
}

std::optional<ColorSchemePreference> gtkColorScheme(const std::string& settingsText) {
    constexpr const char* group = "Settings";
    auto* keys = g_key_file_new();
    std::optional<ColorSchemePreference> preference;
    if (g_key_file_load_from_data(keys, settingsText.data(), settingsText.size(), G_KEY_FILE_NONE, nullptr)) {
        GError* error = nullptr;
        gboolean preferDark =
            g_key_file_get_boolean(keys, group, "gtk-application-prefer-dark-theme", &error);
        const bool hasPreference = error == nullptr;
        g_clear_error(&error);
        char* theme = g_key_file_get_string(keys, group, "gtk-theme-name", nullptr);
        if ((hasPreference && preferDark) || (theme && endsWithDark(theme)))
            preference = ColorSchemePreference::dark;
        else if (hasPreference || (theme && *theme))
            preference = ColorSchemePreference::light;
        g_free(theme);
    }
    g_key_file_free(keys);
    return preference;
}

std::vector<std::string> gtkSettingsFiles() {
    // Read afresh each time: GLib keeps the first values it saw for the whole process.
    auto variable = [](const char* name) -> std::string {
        const char* value = std::getenv(name);
        return value ? value : "";
    };
    auto user = variable("XDG_CONFIG_HOME");
    if (user.empty()) user = variable("HOME") + "/.config";
    auto system = variable("XDG_CONFIG_DIRS");
    if (system.empty()) system = "/etc/xdg";
    std::vector<std::string> files;
    for (const char* version : {"gtk-4.0", "gtk-3.0"})
        files.push_back(user + "/" + version + "/settings.ini");
    // The user's own settings of either version come before any system-wide ones.
    for (const char* version : {"gtk-4.0", "gtk-3.0"}) {
        std::string_view rest(system);
        while (!rest.empty()) {
            auto end = rest.find(':');
            auto folder = rest.substr(0, end);
            if (!folder.empty()) files.push_back(std::string(folder) + "/" + version + "/settings.ini");
            rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
        }
    }
    return files;
}

std::shared_ptr<DesktopColorScheme> DesktopColorScheme::open(std::string* error, GMainContext* context,
                                                             const std::string& address) {
    std::shared_ptr<DesktopColorScheme> scheme(new DesktopColorScheme());
    scheme->gtk_ = readGtkSettings();
    scheme->bus_ = SessionBus::open(error, context, address);
    if (!scheme->bus_) return scheme;
    auto* self = scheme.get();
    // Subscribed before the first reading, so that no change between the two is missed.
    scheme->bus_->subscribe(
        portalName, settingsInterface, "SettingChanged", portalPath,
        [self](const char*, const char*, const char*, const char*, GVariant* parameters) {
            if (!g_variant_is_of_type(parameters, G_VARIANT_TYPE("(ssv)"))) return;
            const char *space = nullptr, *key = nullptr;
            GVariant* value = nullptr;
            g_variant_get(parameters, "(&s&sv)", &space, &key, &value);
            if (std::string_view(space) == appearanceNamespace && std::string_view(key) == colorSchemeKey)
                self->portalChanged(portalColorScheme(value));
            g_variant_unref(value);
        });
    // The start never waits for the portal: its answer is a change like any other.
    scheme->bus_->start([self](SessionBus&) { self->readPortal("ReadOne"); });
    return scheme;
}

DesktopColorScheme::~DesktopColorScheme() { bus_.reset(); }

void DesktopColorScheme::readPortal(const char* method) {
    const bool readOne = std::string_view(method) == "ReadOne";
    bus_->callAsync(
        portalName, portalPath, settingsInterface, method,
        g_variant_new("(ss)", appearanceNamespace, colorSchemeKey), G_VARIANT_TYPE("(v)"), portalTimeoutMs,
        [this, readOne](GVariant* reply, GError* error) {
            // Portals before version 2 only have Read, which wraps the value once more.
            if (!reply && readOne && g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_UNKNOWN_METHOD))
                return readPortal("Read");
            if (!reply) return;
            GVariant* value = nullptr;
            g_variant_get(reply, "(v)", &value);
            auto preference = portalColorScheme(value);
            g_variant_unref(value);
            {
                std::lock_guard lock(mutex_);
                // A change that arrived meanwhile is newer than this answer.
                if (heardFromPortal_) return;
            }
            portalChanged(preference);
        });
}

void DesktopColorScheme::portalChanged(std::optional<ColorSchemePreference> preference) {
    std::function<void()> handler;
    {
        std::lock_guard lock(mutex_);
        heardFromPortal_ = true;
        if (portal_ == preference) return;
        portal_ = preference;
        handler = changeHandler_;
    }
    if (handler) handler();
}

std::optional<ColorSchemePreference> DesktopColorScheme::preference() const {
    std::lock_guard lock(mutex_);
    return portal_ ? portal_ : gtk_;
}

void DesktopColorScheme::setChangeHandler(std::function<void()> handler) {
    std::lock_guard lock(mutex_);
    changeHandler_ = std::move(handler);
}

}  // namespace platform::xdg
