#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

// GLib's types by name only, so that Qt code may include this (Qt's keywords clash with GIO's).
typedef struct _GVariant GVariant;
typedef struct _GMainContext GMainContext;

namespace platform::xdg {

class SessionBus;

// What one launcher-entry update says about one application; absent fields were not sent.
struct LauncherUpdate {
    // The desktop-file id without ".desktop".
    std::string desktopId;
    std::optional<std::int64_t> count;
    std::optional<bool> countVisible;

    friend bool operator==(const LauncherUpdate&, const LauncherUpdate&) = default;
};

// The parameters of a launcher entry's "Update" signal: the application's address
// ("application://<desktop-file id>") and its properties ("count" a 64-bit integer, "count-visible"
// a Boolean; others are not used). None unless they have that form and the id is one a desktop file
// can have (`wellFormedDesktopId`); a property of another type is left out. A count beyond what a
// badge shows is brought to its nearest end (`minimumCount`, `maximumCount`).
std::optional<LauncherUpdate> decodeLauncherUpdate(GVariant* parameters);
// The same from the parameters' serialised bytes, as another program may send any.
std::optional<LauncherUpdate> decodeLauncherUpdate(const std::uint8_t* data, std::size_t size);
// Whether `id` (without ".desktop") names a desktop file: letters, digits and "-_.+", not starting
// with a dot, its file name within a file system's 255 bytes.
bool wellFormedDesktopId(std::string_view id);

// A badge shows three characters at most.
constexpr std::int64_t minimumCount = -99;
constexpr std::int64_t maximumCount = 999;

// The counts programs show on their launcher icons, as they publish them on the session bus
// ("com.canonical.Unity.LauncherEntry", signal "Update"). A count shows while its program says it
// is visible and stays on the bus: hiding it, or the program leaving the bus, takes it away. Counts
// published before the reader started are not known. Any thread may read.
//
// Any program on the bus may publish, so what is kept is bounded: `maximumEntriesPerSender` per
// program and `maximumEntries` in all; further applications are left out until room is made.
class LauncherBadges {
public:
    static constexpr const char* interfaceName = "com.canonical.Unity.LauncherEntry";
    static constexpr std::size_t maximumEntriesPerSender = 32;
    static constexpr std::size_t maximumEntries = 1024;

    // Never waits for the bus: counts come once it answers. None, with the reason in `error`, when
    // no session bus is announced; `failed` gets the reason when the bus turns out unreachable (on
    // another thread). Updates are read on `context` when given (its owner runs it), else on a
    // thread of the reader's own. An empty address is the desktop's session bus.
    static std::shared_ptr<LauncherBadges> open(std::string* error = nullptr, GMainContext* context = nullptr,
                                                const std::string& address = {},
                                                std::function<void(const std::string&)> failed = {});
    ~LauncherBadges();
    LauncherBadges(const LauncherBadges&) = delete;
    LauncherBadges& operator=(const LauncherBadges&) = delete;

    // Desktop-file id (without ".desktop") to the count in plain decimal, for every application
    // whose count is visible.
    std::map<std::string, std::string> labels() const;
    // Called on the reader's context after an update that changed a label, and after a program
    // that published left. Once this returns, the handler it replaced is not running.
    void setChangeHandler(std::function<void()> handler);
    // Applies an update as if `sender` sent it (tests).
    void applyForTesting(const std::string& sender, const LauncherUpdate& update) { apply(sender, update); }
    std::size_t entryCountForTesting() const;
    // Whether the reader is connected and hears updates.
    bool listening() const { return listening_; }

private:
    struct Entry {
        std::optional<std::int64_t> count;
        bool visible = false;
        // The unique bus name of the program that sent the last update.
        std::string sender;
        // The count its badge shows; none while it shows none.
        std::optional<std::int64_t> shown() const { return visible ? count : std::nullopt; }
    };

    LauncherBadges() = default;
    void apply(const std::string& sender, const LauncherUpdate& update);
    void senderLeft(const std::string& sender);
    void changed();

    std::shared_ptr<SessionBus> bus_;
    mutable std::mutex mutex_;
    std::map<std::string, Entry> entries_;
    // Entries per sender.
    std::map<std::string, std::size_t> senders_;
    // Held while the handler runs, so that replacing it waits for it.
    std::mutex handlerMutex_;
    std::function<void()> changeHandler_;
    std::atomic<bool> listening_{false};
};

}  // namespace platform::xdg
