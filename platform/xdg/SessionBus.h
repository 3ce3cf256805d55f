#pragma once

#include <gio/gio.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace platform::xdg {

// A private connection to the desktop's session bus, so that the readers on it neither share nor
// close GLib's process-wide one. Signals subscribed through it are delivered on its main context:
// a thread of its own runs that context unless the caller gives one and runs it (tests do).
class SessionBus {
public:
    using SignalHandler = std::function<void(const char* sender, const char* path, const char* interface,
                                             const char* member, GVariant* parameters)>;

    // None, with the reason in `error`, when there is no session bus or it cannot be reached. An
    // empty address is the session bus of $DBUS_SESSION_BUS_ADDRESS.
    static std::shared_ptr<SessionBus> connect(std::string* error = nullptr, GMainContext* context = nullptr,
                                               const std::string& address = {});
    ~SessionBus();
    SessionBus(const SessionBus&) = delete;
    SessionBus& operator=(const SessionBus&) = delete;

    GDBusConnection* connection() const { return connection_; }
    GMainContext* context() const { return context_; }
    // The connection's own unique name.
    std::string uniqueName() const;

    // Subscribes before dispatching starts; the handler runs on the bus's context until the bus
    // goes. Null fields match anything.
    void subscribe(const char* sender, const char* interface, const char* member, const char* path,
                   SignalHandler handler);
    // Starts the thread that runs the context when the bus has one of its own.
    void start();

    // Calls a method and waits for its answer for at most `timeoutMs`; the reply, or null with the
    // error in `error`. Any thread.
    GVariant* call(const char* name, const char* path, const char* interface, const char* method,
                   GVariant* parameters, const GVariantType* replyType, int timeoutMs, GError** error) const;
    // Whether a program owns `name` on the bus.
    bool hasOwner(const char* name) const;

private:
    SessionBus(GDBusConnection* connection, GMainContext* context, bool ownThread);
    static void dispatch(GDBusConnection*, const char* sender, const char* path, const char* interface,
                         const char* member, GVariant* parameters, gpointer data);

    struct Subscription {
        SessionBus* bus;
        SignalHandler handler;
    };

    GDBusConnection* connection_;
    GMainContext* context_;
    GMainLoop* loop_ = nullptr;
    const bool ownThread_;
    std::thread thread_;
    std::vector<guint> subscriptions_;
    std::vector<std::unique_ptr<Subscription>> handlers_;
    std::atomic<bool> closing_{false};
};

}  // namespace platform::xdg
