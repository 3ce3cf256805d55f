#pragma once
// Services on a private bus, answered from a thread of their own: any interface, and a desktop
// portal's Settings interface with its "color-scheme" value.
#include <gio/gio.h>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/xdg/DesktopColorScheme.h"
#include "platform/xdg/SessionBus.h"

namespace bus_testing {

class StubService {
public:
    // Gives the reply to a call (null for an empty one), or fills `error` with a D-Bus error name.
    using Answer =
        std::function<GVariant*(const std::string& method, GVariant* parameters, std::string& error)>;

    // Owns `name` and serves the interface of `xml` ("<interface name=...>...</interface>") at `path`.
    StubService(const std::string& address, const char* name, const char* path, const std::string& xml,
                Answer answer)
        : answer_(std::move(answer)), path_(path) {
        bus_ = platform::xdg::SessionBus::connect(nullptr, nullptr, address);
        if (!bus_) return;
        auto* node = g_dbus_node_info_new_for_xml(("<node>" + xml + "</node>").c_str(), nullptr);
        static const GDBusInterfaceVTable table{&StubService::methodCall, nullptr, nullptr, {}};
        g_main_context_push_thread_default(bus_->context());
        g_dbus_connection_register_object(bus_->connection(), path, node->interfaces[0], &table, this,
                                          nullptr, nullptr);
        g_main_context_pop_thread_default(bus_->context());
        g_dbus_node_info_unref(node);
        bus_->start();
        auto* reply =
            bus_->call("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "RequestName",
                       g_variant_new("(su)", name, 4u), G_VARIANT_TYPE("(u)"), 5000, nullptr);
        if (reply) g_variant_unref(reply);
        ready = reply != nullptr;
    }

    void emit(const char* interface, const char* signal, GVariant* parameters) const {
        g_dbus_connection_emit_signal(bus_->connection(), nullptr, path_.c_str(), interface, signal,
                                      parameters, nullptr);
        g_dbus_connection_flush_sync(bus_->connection(), nullptr, nullptr);
    }

    bool ready = false;

private:
    static void methodCall(GDBusConnection*, const char*, const char*, const char*, const char* method,
                           GVariant* parameters, GDBusMethodInvocation* invocation, gpointer data) {
        std::string error;
        auto* reply = static_cast<StubService*>(data)->answer_(method, parameters, error);
        if (!error.empty())
            return g_dbus_method_invocation_return_dbus_error(invocation, error.c_str(),
                                                              "Refused by the stub");
        g_dbus_method_invocation_return_value(invocation, reply);
    }

    const Answer answer_;
    const std::string path_;
    std::shared_ptr<platform::xdg::SessionBus> bus_;
};

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
