#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace platform::x11 {

// One setting a desktop announces through XSETTINGS: a number, a text or a colour (red, green,
// blue, alpha).
using XSetting = std::variant<std::int32_t, std::string, std::array<std::uint16_t, 4>>;

// The settings in the bytes of the `_XSETTINGS_SETTINGS` property, by name; none when the bytes
// are no such list. Pure, so that any bytes can be fed to it.
std::optional<std::map<std::string, XSetting>> decodeXSettings(std::string_view bytes);

// The settings the owner of `_XSETTINGS_S<screen>` announces on the display (the default one when
// `displayName` is empty); empty when nobody announces any.
std::map<std::string, XSetting> readXSettings(const std::string& displayName = {});

// The icon theme the desktop announces ("Net/IconThemeName"), if any.
std::optional<std::string> announcedIconTheme(const std::string& displayName = {});

}  // namespace platform::x11
