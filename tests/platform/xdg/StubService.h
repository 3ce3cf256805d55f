#pragma once
// A service on a private bus, answered from a thread of its own.
#include <gio/gio.h>

#include <functional>
#include <memory>
#include <string>

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

}  // namespace bus_testing
