#pragma once
// A desktop portal's Settings interface, served on a private bus from a thread of its own.
#include <gio/gio.h>

#include <atomic>
#include <memory>
#include <optional>
#include <string>

#include "platform/xdg/DesktopColorScheme.h"
#include "platform/xdg/SessionBus.h"

namespace bus_testing {

class StubPortal {
public:
    // `readOne` false serves a portal before version 2: Read only, the value wrapped twice.
    StubPortal(const std::string& address, std::optional<std::uint32_t> scheme, bool readOne = true)
        : scheme_(scheme ? std::int64_t(*scheme) : -1), readOne_(readOne) {
        bus_ = platform::xdg::SessionBus::connect(nullptr, nullptr, address);
        if (!bus_) return;
        auto* node = g_dbus_node_info_new_for_xml(
            "<node><interface name='org.freedesktop.portal.Settings'>"
            "<method name='ReadOne'><arg type='s' direction='in'/><arg type='s' direction='in'/>"
            "<arg type='v' direction='out'/></method>"
            "<method name='Read'><arg type='s' direction='in'/><arg type='s' direction='in'/>"
            "<arg type='v' direction='out'/></method>"
            "<signal name='SettingChanged'><arg type='s'/><arg type='s'/><arg type='v'/></signal>"
            "</interface></node>",
            nullptr);
        static const GDBusInterfaceVTable table{&StubPortal::methodCall, nullptr, nullptr, {}};
        g_main_context_push_thread_default(bus_->context());
        g_dbus_connection_register_object(bus_->connection(), platform::xdg::DesktopColorScheme::portalPath,
                                          node->interfaces[0], &table, this, nullptr, nullptr);
        g_main_context_pop_thread_default(bus_->context());
        g_dbus_node_info_unref(node);
        bus_->start();
        auto* reply =
            bus_->call("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "RequestName",
                       g_variant_new("(su)", platform::xdg::DesktopColorScheme::portalName, 4u),
                       G_VARIANT_TYPE("(u)"), 5000, nullptr);
        if (reply) g_variant_unref(reply);
        ready = reply != nullptr;
    }

    void change(const char* space, const char* key, std::uint32_t scheme) {
        scheme_ = scheme;
        g_dbus_connection_emit_signal(
            bus_->connection(), nullptr, platform::xdg::DesktopColorScheme::portalPath,
            platform::xdg::DesktopColorScheme::settingsInterface, "SettingChanged",
            g_variant_new("(ssv)", space, key, g_variant_new_uint32(scheme)), nullptr);
        g_dbus_connection_flush_sync(bus_->connection(), nullptr, nullptr);
    }

    bool ready = false;

private:
    static void methodCall(GDBusConnection*, const char*, const char*, const char*, const char* method,
                           GVariant* parameters, GDBusMethodInvocation* invocation, gpointer data) {
        auto* self = static_cast<StubPortal*>(data);
        const char *space = nullptr, *key = nullptr;
        g_variant_get(parameters, "(&s&s)", &space, &key);
        bool readOne = std::string_view(method) == "ReadOne";
        if (readOne && !self->readOne_)
            return g_dbus_method_invocation_return_dbus_error(
                invocation, "org.freedesktop.DBus.Error.UnknownMethod", "No such method");
        if (std::string_view(space) != "org.freedesktop.appearance" ||
            std::string_view(key) != "color-scheme" || self->scheme_ < 0)
            return g_dbus_method_invocation_return_dbus_error(
                invocation, "org.freedesktop.portal.Error.NotFound", "Requested setting not found");
        auto* value = g_variant_new_uint32(std::uint32_t(self->scheme_.load()));
        if (!readOne) value = g_variant_new_variant(value);
        g_dbus_method_invocation_return_value(invocation, g_variant_new("(v)", value));
    }

    std::atomic<std::int64_t> scheme_;
    const bool readOne_;
    std::shared_ptr<platform::xdg::SessionBus> bus_;
};

}  // namespace bus_testing
