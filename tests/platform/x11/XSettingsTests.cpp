#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>

#include "platform/x11/XSettings.h"
#include "tests/platform/x11/X11Session.h"

using namespace platform::x11;

namespace {

// A settings list as a desktop's settings daemon writes it, in either byte order.
struct Encoder {
    bool bigEndian = false;
    std::string bytes;
    Encoder& number(std::uint32_t value, int size) {
        for (int i = 0; i < size; ++i)
            bytes += static_cast<char>(value >> 8 * (bigEndian ? size - 1 - i : i));
        return *this;
    }
    Encoder& text(const std::string& text) {
        bytes += text;
        bytes.append((4 - text.size() % 4) % 4, '\0');
        return *this;
    }
    Encoder& header(std::uint32_t count) {
        bytes += static_cast<char>(bigEndian);
        bytes.append(7, '\0');  // unused, serial
        return number(count, 4);
    }
    Encoder& setting(int type, const std::string& name) {  // then the last change's serial
        return number(static_cast<std::uint32_t>(type), 1)
            .number(0, 1)
            .number(static_cast<std::uint32_t>(name.size()), 2)
            .text(name)
            .number(3, 4);
    }
};

std::string settingsList(bool bigEndian) {
    Encoder list{bigEndian};
    list.header(3).setting(1, "Net/IconThemeName").number(9, 4).text("Adwaita-x");
    list.setting(0, "Xft/DPI").number(static_cast<std::uint32_t>(-96), 4).setting(2, "Gtk/Colour");
    for (std::uint32_t part : {1, 3, 2, 4}) list.number(part, 2);  // red, blue, green, alpha
    return list.bytes;
}

}  // namespace

TEST(XSettingsTests, DecodesEitherByteOrderAndRefusesWhatIsNoSettingsList) {
    for (bool bigEndian : {false, true}) {
        auto bytes = settingsList(bigEndian);
        EXPECT_EQ(decodeXSettings(bytes),
                  (std::map<std::string, XSetting>{{"Net/IconThemeName", std::string("Adwaita-x")},
                                                   {"Xft/DPI", -96},
                                                   {"Gtk/Colour", std::array<std::uint16_t, 4>{1, 2, 3, 4}}}))
            << bigEndian;
        // Every shorter list is cut off somewhere.
        for (std::size_t length = 0; length < bytes.size(); ++length)
            EXPECT_EQ(decodeXSettings(bytes.substr(0, length)), std::nullopt) << length;
    }
    for (const auto& bytes :
         {std::string("\x02\0\0\0\0\0\0\0\0\0\0\0", 12), Encoder{}.header(1).setting(3, "Odd").bytes,
          Encoder{}.header(0xffffffff).bytes})
        EXPECT_EQ(decodeXSettings(bytes), std::nullopt);
}

TEST(XSettingsTests, TheIconThemeIsTheOneTheSelectionOwnerAnnounces) {
    X11Session session(false);
    ASSERT_FALSE(session.display.empty());
    EXPECT_EQ(announcedIconTheme(session.display), std::nullopt) << "nobody announces settings";
    // A settings daemon of the test's own.
    std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)> c(
        xcb_connect(session.display.c_str(), nullptr), &xcb_disconnect);
    ASSERT_EQ(xcb_connection_has_error(c.get()), 0);
    auto atom = [&](const char* name) {
        std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
            xcb_intern_atom_reply(c.get(), xcb_intern_atom(c.get(), 0, std::strlen(name), name), nullptr),
            &std::free);
        return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    };
    auto* screen = xcb_setup_roots_iterator(xcb_get_setup(c.get())).data;
    auto window = xcb_generate_id(c.get());
    xcb_create_window(c.get(), 0, window, screen->root, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                      screen->root_visual, 0, nullptr);
    auto bytes = settingsList(false);
    auto property = atom("_XSETTINGS_SETTINGS");
    xcb_change_property(c.get(), XCB_PROP_MODE_REPLACE, window, property, property, 8, bytes.size(),
                        bytes.data());
    xcb_set_selection_owner(c.get(), window, atom("_XSETTINGS_S0"), XCB_CURRENT_TIME);
    std::free(xcb_get_input_focus_reply(c.get(), xcb_get_input_focus(c.get()), nullptr));  // all of it done
    EXPECT_EQ(announcedIconTheme(session.display), "Adwaita-x");
    c.reset();
    EXPECT_EQ(announcedIconTheme(session.display), std::nullopt) << "the owner has gone";
}
