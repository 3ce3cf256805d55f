#pragma once
// A desktop portal's Settings interface with its "color-scheme" value.
#include <atomic>
#include <optional>

#include "platform/xdg/DesktopColorScheme.h"
#include "tests/platform/xdg/StubService.h"

namespace bus_testing {

class StubPortal {
public:
    using Scheme = platform::xdg::DesktopColorScheme;

    // `readOne` false serves a portal before version 2: Read only, the value wrapped twice.
    StubPortal(const std::string& address, std::optional<std::uint32_t> scheme, bool readOne = true)
        : scheme_(scheme ? std::int64_t(*scheme) : -1),
          service_(
              address, Scheme::portalName, Scheme::portalPath,
              std::string("<interface name='") + Scheme::settingsInterface +
                  "'><method name='ReadOne'><arg type='s'/><arg type='s'/><arg type='v' direction='out'/>"
                  "</method><method name='Read'><arg type='s'/><arg type='s'/>"
                  "<arg type='v' direction='out'/></method></interface>",
              [this, readOne](const std::string& method, GVariant* parameters,
                              std::string& error) -> GVariant* {
                  const char *space = nullptr, *key = nullptr;
                  g_variant_get(parameters, "(&s&s)", &space, &key);
                  if (method == "ReadOne" && !readOne)
                      error = "org.freedesktop.DBus.Error.UnknownMethod";
                  else if (std::string(space) + "." + key != "org.freedesktop.appearance.color-scheme" ||
                           scheme_ < 0)
                      error = "org.freedesktop.portal.Error.NotFound";
                  if (!error.empty()) return nullptr;
                  GVariant* value = g_variant_new_uint32(std::uint32_t(scheme_.load()));
                  return g_variant_new("(v)", method == "Read" ? g_variant_new_variant(value) : value);
              }),
          ready(service_.ready) {}

    void change(const char* space, const char* key, std::uint32_t scheme) {
        scheme_ = scheme;
        service_.emit(Scheme::settingsInterface, "SettingChanged",
                      g_variant_new("(ssv)", space, key, g_variant_new_uint32(scheme)));
    }

private:
    std::atomic<std::int64_t> scheme_;
    StubService service_;

public:
    const bool ready;
};

}  // namespace bus_testing
