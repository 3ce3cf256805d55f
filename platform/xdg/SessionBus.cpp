#include "platform/xdg/SessionBus.h"

#include <chrono>
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

const char* orNull(const std::optional<std::string>& text) { return text ? text->c_str() : nullptr; }

// Closes without waiting: a close that waits for unsent data would wait on a stopped bus for ever.
void closeAndRelease(GDBusConnection* connection) {
    g_dbus_connection_close(connection, nullptr, nullptr, nullptr);
    g_object_unref(connection);
}

}  // namespace

SessionBus::Link::~Link() {
    if (connection) closeAndRelease(connection);
    g_object_unref(cancellable);
}

std::shared_ptr<SessionBus> SessionBus::open(std::string* error, GMainContext* context,
                                             const std::string& address) {
    auto where = address.empty() ? sessionBusAddress() : address;
    if (where.empty()) {
        if (error) *error = "no session bus is announced (DBUS_SESSION_BUS_ADDRESS is not set)";
        return nullptr;
    }
    const bool ownThread = context == nullptr;
    return std::shared_ptr<SessionBus>(
        new SessionBus(ownThread ? g_main_context_new() : g_main_context_ref(context), ownThread, where));
}

std::shared_ptr<SessionBus> SessionBus::connect(std::string* error, GMainContext* context,
                                                const std::string& address, int timeoutMs) {
    auto bus = open(error, context, address);
    if (!bus) return nullptr;
    bus->beginConnecting();
    auto& link = *bus->link_;
    std::unique_lock lock(link.mutex);
    link.settled.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                          [&] { return link.phase != Link::Phase::connecting; });
    if (link.phase == Link::Phase::connected) return bus;
    if (error) *error = link.phase == Link::Phase::failed ? link.error : "the session bus does not answer";
    return nullptr;
}

SessionBus::SessionBus(GMainContext* context, bool ownThread, std::string address)
    : address_(std::move(address)), context_(context), ownThread_(ownThread) {
    link_->owner = this;
    if (ownThread_) loop_ = g_main_loop_new(context_, FALSE);
}

void SessionBus::beginConnecting() {
    connectingStarted_ = true;
    // The thread holds only the link: the bus may go while the thread waits on a bus that never
    // answers, and the cancellation it then gets may not reach a call GLib makes without one.
    std::thread([link = link_, address = address_] {
        GError* failure = nullptr;
        auto* connection = g_dbus_connection_new_for_address_sync(
            address.c_str(),
            GDBusConnectionFlags(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                 G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
            nullptr, link->cancellable, &failure);
        FailureHandler failed;
        std::string reason;
        {
            std::lock_guard lock(link->mutex);
            if (link->phase == Link::Phase::abandoned) {
                if (connection) closeAndRelease(connection);
            } else if (connection) {
                link->connection = connection;
                link->phase = Link::Phase::connected;
                if (link->owner->started_) link->owner->run();
            } else {
                link->phase = Link::Phase::failed;
                link->error = failure ? failure->message : "the session bus cannot be reached";
                reason = link->error;
                failed = link->owner->failed_;
            }
            link->settled.notify_all();
        }
        g_clear_error(&failure);
        if (failed) failed(reason);
    }).detach();
}

void SessionBus::start(ReadyHandler ready, FailureHandler failed) {
    std::unique_lock lock(link_->mutex);
    if (started_) return;
    started_ = true;
    ready_ = std::move(ready);
    failed_ = std::move(failed);
    if (link_->phase == Link::Phase::connected) return run();
    if (!connectingStarted_) {
        lock.unlock();
        beginConnecting();
    }
}

void SessionBus::run() {
    if (ownThread_) {
        thread_ = std::thread([this] {
            g_main_context_push_thread_default(context_);
            subscribeAll();
            if (ready_) ready_(*this);
            g_main_loop_run(loop_);
            g_main_context_pop_thread_default(context_);
        });
        return;
    }
    // The caller's context: subscribed and told from inside it, by whoever runs it.
    readySource_ = g_idle_source_new();
    g_source_set_callback(
        readySource_,
        [](gpointer data) {
            auto* bus = static_cast<SessionBus*>(data);
            g_main_context_push_thread_default(bus->context_);
            bus->subscribeAll();
            if (bus->ready_) bus->ready_(*bus);
            g_main_context_pop_thread_default(bus->context_);
            return G_SOURCE_REMOVE;
        },
        this, nullptr);
    g_source_attach(readySource_, context_);
}

SessionBus::~SessionBus() {
    bool connected = false;
    {
        std::lock_guard lock(link_->mutex);
        link_->owner = nullptr;
        if (link_->phase == Link::Phase::connecting && connectingStarted_) {
            link_->phase = Link::Phase::abandoned;
            g_cancellable_cancel(link_->cancellable);
        }
        connected = link_->phase == Link::Phase::connected;
        if (readySource_) {
            g_source_destroy(readySource_);
            g_source_unref(readySource_);
        }
    }
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
    *closing_ = true;
    g_cancellable_cancel(calls_);
    if (connected) {
        for (auto id : subscriptions_) g_dbus_connection_signal_unsubscribe(link_->connection, id);
        // Deliveries already queued must not reach handlers that are about to go.
        if (g_main_context_acquire(context_)) {
            while (g_main_context_iteration(context_, FALSE)) {}
            g_main_context_release(context_);
        }
    }
    g_object_unref(calls_);
    if (loop_) g_main_loop_unref(loop_);
    g_main_context_unref(context_);
}

GDBusConnection* SessionBus::connection() const {
    std::lock_guard lock(link_->mutex);
    return link_->connection;
}

std::string SessionBus::uniqueName() const {
    auto* connection = this->connection();
    const char* name = connection ? g_dbus_connection_get_unique_name(connection) : nullptr;
    return name ? name : "";
}

void SessionBus::subscribe(const char* sender, const char* interface, const char* member, const char* path,
                           SignalHandler handler) {
    auto text = [](const char* value) { return value ? std::optional<std::string>(value) : std::nullopt; };
    handlers_.emplace_back(std::make_unique<Subscription>(
        Subscription{this, text(sender), text(interface), text(member), text(path), std::move(handler)}));
}

void SessionBus::subscribeAll() {
    // The subscriptions deliver on the context that is the thread's default now.
    for (const auto& subscription : handlers_)
        subscriptions_.push_back(g_dbus_connection_signal_subscribe(
            link_->connection, orNull(subscription->sender), orNull(subscription->interface),
            orNull(subscription->member), orNull(subscription->path), nullptr, G_DBUS_SIGNAL_FLAGS_NONE,
            dispatch, subscription.get(), nullptr));
    if (handlers_.empty()) return;
    // The bus answers in order: once it answered this, it has taken the subscriptions in, and a
    // signal sent from now on reaches them.
    constexpr int timeoutMs = 2000;
    if (auto* reply = call("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "GetId",
                           nullptr, nullptr, timeoutMs, nullptr))
        g_variant_unref(reply);
}

void SessionBus::dispatch(GDBusConnection*, const char* sender, const char* path, const char* interface,
                          const char* member, GVariant* parameters, gpointer data) {
    auto* subscription = static_cast<Subscription*>(data);
    if (*subscription->bus->closing_) return;
    subscription->handler(sender, path, interface, member, parameters);
}

GVariant* SessionBus::call(const char* name, const char* path, const char* interface, const char* method,
                           GVariant* parameters, const GVariantType* replyType, int timeoutMs,
                           GError** error) const {
    auto* connection = this->connection();
    if (!connection) {
        if (parameters) g_variant_unref(g_variant_ref_sink(parameters));
        g_set_error_literal(error, G_IO_ERROR, G_IO_ERROR_NOT_CONNECTED, "not connected to the session bus");
        return nullptr;
    }
    return g_dbus_connection_call_sync(connection, name, path, interface, method, parameters, replyType,
                                       G_DBUS_CALL_FLAGS_NONE, timeoutMs, nullptr, error);
}

void SessionBus::callAsync(const char* name, const char* path, const char* interface, const char* method,
                           GVariant* parameters, const GVariantType* replyType, int timeoutMs,
                           std::function<void(GVariant* reply, GError* error)> done) {
    struct Pending {
        std::shared_ptr<std::atomic<bool>> closing;
        std::function<void(GVariant*, GError*)> done;
    };
    // The answer comes on the context that is the thread's default while calling.
    g_main_context_push_thread_default(context_);
    g_dbus_connection_call(
        link_->connection, name, path, interface, method, parameters, replyType, G_DBUS_CALL_FLAGS_NONE,
        timeoutMs, calls_,
        [](GObject* source, GAsyncResult* result, gpointer data) {
            std::unique_ptr<Pending> pending(static_cast<Pending*>(data));
            GError* error = nullptr;
            auto* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &error);
            if (!*pending->closing) pending->done(reply, error);
            if (reply) g_variant_unref(reply);
            g_clear_error(&error);
        },
        new Pending{closing_, std::move(done)});
    g_main_context_pop_thread_default(context_);
}

}  // namespace platform::xdg
