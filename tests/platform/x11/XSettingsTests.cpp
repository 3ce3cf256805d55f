#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

#include "platform/x11/XSettings.h"
#include "tests/platform/x11/X11Session.h"

using namespace platform::x11;

namespace {

// A settings list as a desktop's settings daemon writes it, in either byte order.
struct Encoder {
    bool bigEndian = false;
    std::string bytes;
    void number(std::uint32_t value, int size) {
        for (int i = 0; i < size; ++i) {
            int shift = 8 * (bigEndian ? size - 1 - i : i);
            bytes += static_cast<char>((value >> shift) & 0xff);
        }
    }
    void padded(const std::string& text) {
        bytes += text;
        bytes.append((4 - text.size() % 4) % 4, '\0');
    }
    void header(std::uint32_t count) {
        bytes += static_cast<char>(bigEndian ? 1 : 0);
        bytes.append(3, '\0');
        number(7, 4);  // serial
        number(count, 4);
    }
    void setting(int type, const std::string& name) {
        number(static_cast<std::uint32_t>(type), 1);
        bytes += '\0';
        number(static_cast<std::uint32_t>(name.size()), 2);
        padded(name);
        number(3, 4);  // the last change's serial
    }
    std::string settings() {
        header(3);
        setting(1, "Net/IconThemeName");
        number(9, 4);
        padded("Adwaita-x");
        setting(0, "Xft/DPI");
        number(static_cast<std::uint32_t>(-96), 4);
        setting(2, "Gtk/Colour");
        for (std::uint32_t part : {1, 3, 2, 4}) number(part, 2);  // red, blue, green, alpha
        return bytes;
    }
};

}  // namespace

TEST(XSettingsTests, DecodesEitherByteOrderAndRefusesWhatIsNoSettingsList) {
    for (bool bigEndian : {false, true}) {
        auto bytes = Encoder{bigEndian}.settings();
        auto settings = decodeXSettings(bytes);
        ASSERT_TRUE(settings) << bigEndian;
        EXPECT_EQ(std::get<std::string>(settings->at("Net/IconThemeName")), "Adwaita-x");
        EXPECT_EQ(std::get<std::int32_t>(settings->at("Xft/DPI")), -96);
        EXPECT_EQ(std::get<2>(settings->at("Gtk/Colour")), (std::array<std::uint16_t, 4>{1, 2, 3, 4}));
        // Every shorter list is cut off somewhere.
        for (std::size_t length = 0; length < bytes.size(); ++length)
            EXPECT_EQ(decodeXSettings(bytes.substr(0, length)), std::nullopt) << length;
    }
    Encoder unknownType;
    unknownType.header(1);
    unknownType.setting(3, "Odd");
    Encoder tooMany;
    tooMany.header(0xffffffff);
    for (const auto& bytes :
         {std::string("\x02\0\0\0\0\0\0\0\0\0\0\0", 12), unknownType.bytes, tooMany.bytes})
        EXPECT_EQ(decodeXSettings(bytes), std::nullopt);
}

TEST(XSettingsTests, TheIconThemeIsTheOneTheSelectionOwnerAnnounces) {
    X11Session session(false);
    ASSERT_FALSE(session.display.empty());
    EXPECT_EQ(announcedIconTheme(session.display), std::nullopt) << "nobody announces settings";
    // A settings daemon of the test's own.
    xcb_connection_t* c = xcb_connect(session.display.c_str(), nullptr);
    auto atom = [&](const char* name) {
        auto* reply = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::strlen(name), name), nullptr);
        auto value = reply->atom;
        std::free(reply);
        return value;
    };
    auto* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    auto window = xcb_generate_id(c);
    xcb_create_window(c, 0, window, screen->root, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                      screen->root_visual, 0, nullptr);
    auto bytes = Encoder{}.settings();
    auto property = atom("_XSETTINGS_SETTINGS");
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, property, property, 8, bytes.size(), bytes.data());
    xcb_set_selection_owner(c, window, atom("_XSETTINGS_S0"), XCB_CURRENT_TIME);
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));  // all of it done
    EXPECT_EQ(announcedIconTheme(session.display), "Adwaita-x");
    xcb_disconnect(c);
    EXPECT_EQ(announcedIconTheme(session.display), std::nullopt) << "the owner has gone";
}
