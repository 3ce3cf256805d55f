#include "platform/x11/XSettings.h"

#include <xcb/xcb.h>

#include <cstdlib>

#include "platform/x11/X11Connection.h"

namespace platform::x11 {
namespace {

// Desktops announce a few dozen settings; more than this is no settings list.
constexpr std::uint32_t maximumPropertyWords = 1 << 18;

class SettingsReader {
public:
    SettingsReader(std::string_view bytes, bool bigEndian) : bytes_(bytes), bigEndian_(bigEndian) {}

    bool has(std::size_t count) const { return count <= bytes_.size() - at_; }
    std::optional<std::uint32_t> number(int size) {
        if (!has(static_cast<std::size_t>(size))) return std::nullopt;
        std::uint32_t value = 0;
        for (int i = 0; i < size; ++i) {
            auto byte = static_cast<std::uint8_t>(
                bytes_[at_ + static_cast<std::size_t>(bigEndian_ ? i : size - 1 - i)]);
            value = value << 8 | byte;
        }
        at_ += static_cast<std::size_t>(size);
        return value;
    }
    // `length` bytes, then padding to a multiple of four.
    std::optional<std::string> text(std::uint32_t length) {
        std::size_t padded = (std::size_t(length) + 3) & ~std::size_t(3);
        if (!has(padded)) return std::nullopt;
        std::string value(bytes_.substr(at_, length));
        at_ += padded;
        return value;
    }
    bool skip(std::size_t count) {
        if (!has(count)) return false;
        at_ += count;
        return true;
    }

private:
    std::string_view bytes_;
    bool bigEndian_;
    std::size_t at_ = 0;
};

xcb_atom_t internedAtom(xcb_connection_t* c, const std::string& name) {
    Freed<xcb_intern_atom_reply_t> reply{xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(name.size()), name.c_str()), nullptr)};
    return reply.reply ? reply.reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

}  // namespace

std::optional<std::map<std::string, XSetting>> decodeXSettings(std::string_view bytes) {
    if (bytes.empty() || (bytes[0] != 0 && bytes[0] != 1)) return std::nullopt;
    SettingsReader reader(bytes, bytes[0] == 1);
    auto count = reader.skip(4) && reader.skip(4) ? reader.number(4) : std::nullopt;
    if (!count) return std::nullopt;
    std::map<std::string, XSetting> settings;
    for (std::uint32_t i = 0; i < *count; ++i) {
        auto type = reader.number(1);
        auto nameLength = reader.skip(1) ? reader.number(2) : std::nullopt;
        auto name = nameLength ? reader.text(*nameLength) : std::nullopt;
        if (!type || !name || !reader.skip(4)) return std::nullopt;  // the last change's serial
        XSetting value;
        if (*type == 0) {
            auto number = reader.number(4);
            if (!number) return std::nullopt;
            value = static_cast<std::int32_t>(*number);
        } else if (*type == 1) {
            auto length = reader.number(4);
            auto text = length ? reader.text(*length) : std::nullopt;
            if (!text) return std::nullopt;
            value = std::move(*text);
        } else if (*type == 2) {
            // Sent as red, blue, green, alpha.
            std::array<std::uint16_t, 4> colour{};
            for (int index : {0, 2, 1, 3}) {
                auto part = reader.number(2);
                if (!part) return std::nullopt;
                colour[static_cast<std::size_t>(index)] = static_cast<std::uint16_t>(*part);
            }
            value = colour;
        } else {
            return std::nullopt;
        }
        settings.insert_or_assign(std::move(*name), std::move(value));
    }
    return settings;
}

std::map<std::string, XSetting> readXSettings(const std::string& displayName) {
    int screen = 0;
    xcb_connection_t* c = xcb_connect(displayName.empty() ? nullptr : displayName.c_str(), &screen);
    std::map<std::string, XSetting> settings;
    if (xcb_connection_has_error(c)) {
        xcb_disconnect(c);
        return settings;
    }
    auto selection = internedAtom(c, "_XSETTINGS_S" + std::to_string(screen));
    auto property = internedAtom(c, "_XSETTINGS_SETTINGS");
    Freed<xcb_get_selection_owner_reply_t> owner{
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, selection), nullptr)};
    if (selection && property && owner.reply && owner.reply->owner) {
        Freed<xcb_get_property_reply_t> reply{xcb_get_property_reply(
            c, xcb_get_property(c, 0, owner.reply->owner, property, property, 0, maximumPropertyWords),
            nullptr)};
        // The owner may have gone between the two requests: then there is no reply.
        if (reply.reply && reply.reply->format == 8 && !reply.reply->bytes_after) {
            std::string_view bytes(static_cast<const char*>(xcb_get_property_value(reply.reply)),
                                   static_cast<std::size_t>(xcb_get_property_value_length(reply.reply)));
            if (auto decoded = decodeXSettings(bytes)) settings = std::move(*decoded);
        }
    }
    xcb_disconnect(c);
    return settings;
}

std::optional<std::string> announcedIconTheme(const std::string& displayName) {
    auto settings = readXSettings(displayName);
    auto found = settings.find("Net/IconThemeName");
    if (found == settings.end()) return std::nullopt;
    const auto* name = std::get_if<std::string>(&found->second);
    if (!name || name->empty()) return std::nullopt;
    return *name;
}

}  // namespace platform::x11
