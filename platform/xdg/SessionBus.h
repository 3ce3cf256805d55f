#pragma once

#include <gio/gio.h>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace platform::xdg {

// A private connection to the desktop's session bus, so that the readers on it neither share nor
// close GLib's process-wide one. Signals subscribed through it are delivered on its main context:
// a thread of its own runs that context unless the caller gives one and runs it (tests do).
//
// A bus that is stopped or never answers holds no caller: the connection is made on a thread of its
// own, which is left behind (and ends when the bus does) if the bus goes first.
class SessionBus {
public:
    using SignalHandler = std::function<void(const char* sender, const char* path, const char* interface,
                                             const char* member, GVariant* parameters)>;
    // Runs on the bus's context once it is connected and its signals are subscribed.
    using ReadyHandler = std::function<void(SessionBus& bus)>;
    // Runs on the connecting thread with the reason; it must not reach the bus, which may be gone.
    using FailureHandler = std::function<void(const std::string& reason)>;

    // A healthy bus connects within milliseconds; one that takes longer is taken as not answering.
    static constexpr int connectTimeoutMs = 2000;

    // A bus not yet connected: subscribe, then `start`. None, with the reason in `error`, when no
    // session bus is announced. An empty address is the session bus of $DBUS_SESSION_BUS_ADDRESS.
    static std::shared_ptr<SessionBus> open(std::string* error = nullptr, GMainContext* context = nullptr,
                                            const std::string& address = {});
    // A bus connected within `timeoutMs`, its context not yet running (`start` runs it); none, with
    // the reason in `error`, when it cannot be reached in that time. Blocks: never on the main thread.
    static std::shared_ptr<SessionBus> connect(std::string* error = nullptr, GMainContext* context = nullptr,
                                               const std::string& address = {},
                                               int timeoutMs = connectTimeoutMs);
    ~SessionBus();
    SessionBus(const SessionBus&) = delete;
    SessionBus& operator=(const SessionBus&) = delete;

    // Null until connected.
    GDBusConnection* connection() const;
    GMainContext* context() const { return context_; }
    // The connection's own unique name; empty until connected.
    std::string uniqueName() const;

    // Subscribes before `start`; the handler runs on the bus's context until the bus goes. Null
    // fields match anything.
    void subscribe(const char* sender, const char* interface, const char* member, const char* path,
                   SignalHandler handler);
    // Connects without waiting (unless `connect` did), then subscribes what was asked and runs the
    // context on a thread of its own when it has one. Once.
    void start(ReadyHandler ready = {}, FailureHandler failed = {});

    // Calls a method and waits for its answer for at most `timeoutMs`; the reply, or null with the
    // error in `error`. Any thread but the main one.
    GVariant* call(const char* name, const char* path, const char* interface, const char* method,
                   GVariant* parameters, const GVariantType* replyType, int timeoutMs, GError** error) const;
    // Calls a method without waiting; `done` gets the reply or the error on the bus's context, and
    // is not called once the bus is going. Only on the bus's context (in a handler).
    void callAsync(const char* name, const char* path, const char* interface, const char* method,
                   GVariant* parameters, const GVariantType* replyType, int timeoutMs,
                   std::function<void(GVariant* reply, GError* error)> done);

private:
    struct Subscription {
        SessionBus* bus;
        std::optional<std::string> sender, interface, member, path;
        SignalHandler handler;
    };
    // What the connecting thread shares with the bus; the thread may outlive the bus.
    struct Link {
        enum class Phase { connecting, connected, failed, abandoned };
        std::mutex mutex;
        std::condition_variable settled;
        Phase phase = Phase::connecting;
        GDBusConnection* connection = nullptr;
        std::string error;
        GCancellable* cancellable = g_cancellable_new();
        SessionBus* owner = nullptr;
        ~Link();
    };

    SessionBus(GMainContext* context, bool ownThread, std::string address);
    void beginConnecting();
    // With the link's lock held, once connected and started: subscribes and runs.
    void run();
    void subscribeAll();
    static void dispatch(GDBusConnection*, const char* sender, const char* path, const char* interface,
                         const char* member, GVariant* parameters, gpointer data);

    const std::string address_;
    GMainContext* context_;
    GMainLoop* loop_ = nullptr;
    const bool ownThread_;
    std::shared_ptr<Link> link_ = std::make_shared<Link>();
    bool connectingStarted_ = false;
    bool started_ = false;
    ReadyHandler ready_;
    FailureHandler failed_;
    GSource* readySource_ = nullptr;
    std::thread thread_;
    std::vector<guint> subscriptions_;
    std::vector<std::unique_ptr<Subscription>> handlers_;
    std::shared_ptr<std::atomic<bool>> closing_ = std::make_shared<std::atomic<bool>>(false);
    GCancellable* calls_ = g_cancellable_new();
};

}  // namespace platform::xdg
