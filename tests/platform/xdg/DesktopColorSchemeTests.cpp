#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "platform/xdg/DesktopColorScheme.h"
#include "tests/platform/xdg/PrivateBus.h"
#include "tests/platform/xdg/StubPortal.h"
#include "tests/support/TemporaryFolder.h"
#include "tests/support/Waiting.h"

using platform::xdg::ColorSchemePreference;
using platform::xdg::DesktopColorScheme;
using Preference = std::optional<ColorSchemePreference>;
constexpr auto dark = ColorSchemePreference::dark;
constexpr auto light = ColorSchemePreference::light;

namespace {

// GTK settings of the test's own: a user's settings.ini and none of the system's.
class GtkSettings {
public:
    GtkSettings() {
        for (const char* name : {"XDG_CONFIG_HOME", "XDG_CONFIG_DIRS"})
            saved_.emplace_back(name, std::getenv(name) ? std::getenv(name) : "");
        setenv("XDG_CONFIG_HOME", (folder_ / "config").c_str(), 1);
        setenv("XDG_CONFIG_DIRS", (folder_ / "system").c_str(), 1);
    }
    ~GtkSettings() {
        for (const auto& [name, value] : saved_) setenv(name.c_str(), value.c_str(), 1);
    }
    void write(const std::string& version, const std::string& text) const {
        auto path = folder_ / ("config/" + version + "/settings.ini");
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        test_support::writeFile(path, text);
    }

private:
    test_support::TemporaryFolder folder_;
    std::vector<std::pair<std::string, std::string>> saved_;
};

Preference portalValue(const char* text) {
    auto* value = g_variant_parse(nullptr, text, nullptr, nullptr, nullptr);
    auto preference = platform::xdg::portalColorScheme(value);
    g_variant_unref(value);
    return preference;
}

}  // namespace

TEST(DesktopColorScheme, ReadsThePortalsValueAndGtksSettings) {
    const std::pair<const char*, Preference> portal[] = {
        {"uint32 1", dark},     {"uint32 2", light}, {"uint32 0", std::nullopt}, {"uint32 7", std::nullopt},
        {"<<uint32 1>>", dark}, {"1", std::nullopt}, {"'dark'", std::nullopt},
    };
    for (const auto& [text, expected] : portal) EXPECT_EQ(portalValue(text), expected) << text;

    const std::pair<const char*, Preference> gtk[] = {
        {"[Settings]\ngtk-application-prefer-dark-theme=true\n", dark},
        {"[Settings]\ngtk-application-prefer-dark-theme = 1\ngtk-theme-name=Adwaita\n", dark},
        {"[Settings]\ngtk-theme-name=Adwaita-dark\n", dark},
        {"[Settings]\ngtk-theme-name=Arc-Dark\ngtk-application-prefer-dark-theme=false\n", dark},
        {"[Settings]\ngtk-theme-name=Adwaita\n", light},
        {"[Settings]\ngtk-theme-name=Darkness\n", light},
        {"[Settings]\ngtk-application-prefer-dark-theme=0\n", light},
        {"[Settings]\ngtk-font-name=Sans 10\n", std::nullopt},
        {"[Other]\ngtk-theme-name=Adwaita-dark\n", std::nullopt},
        {"gtk-theme-name=Adwaita-dark\n", std::nullopt},
    };
    for (const auto& [text, expected] : gtk) EXPECT_EQ(platform::xdg::gtkColorScheme(text), expected) << text;
}

TEST(DesktopColorScheme, FollowsThePortalAndFallsBackToGtkWhereItHasNoPreference) {
    GtkSettings settings;
    settings.write("gtk-4.0", "[Settings]\ngtk-font-name=Sans 10\n");
    settings.write("gtk-3.0", "[Settings]\ngtk-theme-name=Adwaita-dark\n");
    bus_testing::PrivateBus bus;
    bus_testing::StubPortal portal(bus.address, 2);
    ASSERT_TRUE(portal.ready);
    auto* context = g_main_context_new();
    auto scheme = DesktopColorScheme::open(nullptr, context, bus.address);
    int changes = 0;
    scheme->setChangeHandler([&] { ++changes; });
    // GTK's until the portal's answer comes, which is a change.
    EXPECT_EQ(scheme->preference(), dark);
    EXPECT_TRUE(bus_testing::iterateUntil(context, [&] { return scheme->preference() == light; }));
    EXPECT_EQ(changes, 1);

    portal.change("org.freedesktop.appearance", "color-scheme", 1);
    EXPECT_TRUE(bus_testing::iterateUntil(context, [&] { return scheme->preference() == dark; }));
    // Other settings pass unnoticed; no preference leaves it to GTK's dark theme.
    portal.change("org.freedesktop.appearance", "accent-color", 2);
    portal.change("org.freedesktop.appearance", "color-scheme", 0);
    EXPECT_TRUE(bus_testing::iterateUntil(context, [&] { return changes == 3; }));
    EXPECT_EQ(scheme->preference(), dark);
    portal.change("org.freedesktop.appearance", "color-scheme", 2);
    EXPECT_TRUE(bus_testing::iterateUntil(context, [&] { return scheme->preference() == light; }));
    EXPECT_EQ(changes, 4);
    scheme.reset();
    g_main_context_unref(context);
}

TEST(DesktopColorScheme, AnOlderPortalNoPortalOrNoBusStillGiveAnAnswer) {
    GtkSettings settings;
    bus_testing::PrivateBus bus;
    {
        bus_testing::StubPortal older(bus.address, 1, false);
        ASSERT_TRUE(older.ready);
        auto scheme = DesktopColorScheme::open(nullptr, nullptr, bus.address);
        EXPECT_TRUE(test_support::waitUntil([&] { return scheme->preference() == dark; }));
    }
    EXPECT_EQ(DesktopColorScheme::open(nullptr, nullptr, bus.address)->preference(), std::nullopt);
    settings.write("gtk-4.0", "[Settings]\ngtk-application-prefer-dark-theme=true\n");
    EXPECT_EQ(DesktopColorScheme::open(nullptr, nullptr, "unix:path=/nonexistent/bus")->preference(), dark);
    // No bus announced at all: GTK's answer, and the reason.
    std::vector<std::pair<const char*, std::optional<std::string>>> saved;
    for (const char* name : {"DBUS_SESSION_BUS_ADDRESS", "XDG_RUNTIME_DIR"}) {
        saved.emplace_back(name,
                           std::getenv(name) ? std::optional<std::string>(std::getenv(name)) : std::nullopt);
        unsetenv(name);
    }
    std::string error;
    EXPECT_EQ(DesktopColorScheme::open(&error)->preference(), dark);
    EXPECT_FALSE(error.empty());
    for (const auto& [name, value] : saved) value ? setenv(name, value->c_str(), 1) : unsetenv(name);
}

TEST(DesktopColorScheme, APortalBehindAStoppedOrSilentBusDelaysNothing) {
    GtkSettings settings;
    settings.write("gtk-3.0", "[Settings]\ngtk-theme-name=Adwaita-dark\n");
    bus_testing::PrivateBus bus;
    bus_testing::StubPortal portal(bus.address, 2);
    ASSERT_TRUE(portal.ready);
    bus.stop();
    // GTK's answer at once; the portal's once the bus runs again.
    auto scheme = DesktopColorScheme::open(nullptr, nullptr, bus.address);
    EXPECT_EQ(scheme->preference(), dark);
    bus.resume();
    EXPECT_TRUE(test_support::waitUntil([&] { return scheme->preference() == light; }));
    bus.stop();
    scheme.reset();
    bus.resume();
    bus_testing::SilentBus silent;
    EXPECT_EQ(DesktopColorScheme::open(nullptr, nullptr, silent.address)->preference(), dark);
}
