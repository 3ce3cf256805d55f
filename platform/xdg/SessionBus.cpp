#include "platform/xdg/SessionBus.h"

#include <cstdlib>
#include <filesystem>

namespace platform::xdg {
namespace {

// The session bus the desktop announces. GLib would otherwise start a bus of its own through
// dbus-launch when none is announced, which no program here should do behind the user's back.
std::string sessionBusAddress() {
    if (const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS"); address && *address) return address;
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime) {
        std::error_code error;
        auto socket = std::filesystem::path(runtime) / "bus";
        if (std::filesystem::is_socket(socket, error)) return "unix:path=" + socket.string();
    }
    return {};
}

}  // namespace

std::shared_ptr<SessionBus> SessionBus::connect(std::string* error, GMainContext* context,
                                                const std::string& address) {
    auto where = address.empty() ? sessionBusAddress() : address;
    if (where.empty()) {
        if (error) *error = "no session bus is announced (DBUS_SESSION_BUS_ADDRESS is not set)";
        return nullptr;
    }
    GError* failure = nullptr;
    auto* connection = g_dbus_connection_new_for_address_sync(
        where.c_str(),
        GDBusConnectionFlags(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                             G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, nullptr, &failure);
    if (!connection) {
        if (error) *error = failure ? failure->message : "the session bus cannot be reached";
        g_clear_error(&failure);
        return nullptr;
    }
    const bool ownThread = context == nullptr;
    return std::shared_ptr<SessionBus>(new SessionBus(
        connection, ownThread ? g_main_context_new() : g_main_context_ref(context), ownThread));
}

SessionBus::SessionBus(GDBusConnection* connection, GMainContext* context, bool ownThread)
    : connection_(connection), context_(context), ownThread_(ownThread) {}

SessionBus::~SessionBus() {
    if (thread_.joinable()) {
        // Quit from inside the loop: a quit before the loop runs would be forgotten.
        auto* quit = g_idle_source_new();
        g_source_set_callback(
            quit,
            [](gpointer loop) {
                g_main_loop_quit(static_cast<GMainLoop*>(loop));
                return G_SOURCE_REMOVE;
            },
            loop_, nullptr);
        g_source_attach(quit, context_);
        g_source_unref(quit);
        thread_.join();
    }
    closing_ = true;
    for (auto id : subscriptions_) g_dbus_connection_signal_unsubscribe(connection_, id);
    // Deliveries already queued must not reach handlers that are about to go.
    if (g_main_context_acquire(context_)) {
        while (g_main_context_iteration(context_, FALSE)) {}
        g_main_context_release(context_);
    }
    // Closing now makes the name vanish at once for the others on the bus.
    g_dbus_connection_close_sync(connection_, nullptr, nullptr);
    g_object_unref(connection_);
    if (loop_) g_main_loop_unref(loop_);
    g_main_context_unref(context_);
}

std::string SessionBus::uniqueName() const {
    const char* name = g_dbus_connection_get_unique_name(connection_);
    return name ? name : "";
}

void SessionBus::subscribe(const char* sender, const char* interface, const char* member, const char* path,
                           SignalHandler handler) {
    auto& stored =
        handlers_.emplace_back(std::make_unique<Subscription>(Subscription{this, std::move(handler)}));
    // The subscription delivers on the context that is the thread's default while subscribing.
    g_main_context_push_thread_default(context_);
    subscriptions_.push_back(g_dbus_connection_signal_subscribe(connection_, sender, interface, member, path,
                                                                nullptr, G_DBUS_SIGNAL_FLAGS_NONE, dispatch,
                                                                stored.get(), nullptr));
    g_main_context_pop_thread_default(context_);
}

void SessionBus::start() {
    if (!ownThread_ || thread_.joinable()) return;
    loop_ = g_main_loop_new(context_, FALSE);
    thread_ = std::thread([this] {
        g_main_context_push_thread_default(context_);
        g_main_loop_run(loop_);
        g_main_context_pop_thread_default(context_);
    });
}

void SessionBus::dispatch(GDBusConnection*, const char* sender, const char* path, const char* interface,
                          const char* member, GVariant* parameters, gpointer data) {
    auto* subscription = static_cast<Subscription*>(data);
    if (subscription->bus->closing_) return;
    subscription->handler(sender, path, interface, member, parameters);
}

GVariant* SessionBus::call(const char* name, const char* path, const char* interface, const char* method,
                           GVariant* parameters, const GVariantType* replyType, int timeoutMs,
                           GError** error) const {
    return g_dbus_connection_call_sync(connection_, name, path, interface, method, parameters, replyType,
                                       G_DBUS_CALL_FLAGS_NONE, timeoutMs, nullptr, error);
}

bool SessionBus::hasOwner(const char* name) const {
    constexpr int timeoutMs = 2000;
    auto* reply = call("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                       "NameHasOwner", g_variant_new("(s)", name), G_VARIANT_TYPE("(b)"), timeoutMs, nullptr);
    if (!reply) return false;
    gboolean owned = FALSE;
    g_variant_get(reply, "(b)", &owned);
    g_variant_unref(reply);
    return owned;
}

}  // namespace platform::xdg
