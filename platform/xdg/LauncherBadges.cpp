#include "platform/xdg/LauncherBadges.h"

#include <algorithm>
#include <limits>
#include <string_view>

#include "platform/xdg/SessionBus.h"

namespace platform::xdg {
namespace {

constexpr std::string_view applicationScheme = "application://";
constexpr std::string_view desktopSuffix = ".desktop";
// A file name's longest in the usual file systems.
constexpr std::size_t maximumFileName = 255;

std::optional<std::int64_t> integerValue(GVariant* value) {
    switch (g_variant_classify(value)) {
        case G_VARIANT_CLASS_INT64:
            return std::clamp(g_variant_get_int64(value), minimumCount, maximumCount);
        case G_VARIANT_CLASS_INT32:
            return std::clamp<std::int64_t>(g_variant_get_int32(value), minimumCount, maximumCount);
        case G_VARIANT_CLASS_UINT32:
            return std::min<std::int64_t>(g_variant_get_uint32(value), maximumCount);
        case G_VARIANT_CLASS_INT16:
            return std::clamp<std::int64_t>(g_variant_get_int16(value), minimumCount, maximumCount);
        case G_VARIANT_CLASS_UINT16:
            return std::min<std::int64_t>(g_variant_get_uint16(value), maximumCount);
        case G_VARIANT_CLASS_BYTE:
            return g_variant_get_byte(value);
        case G_VARIANT_CLASS_UINT64: {
            auto number = g_variant_get_uint64(value);
            if (number > std::uint64_t(std::numeric_limits<std::int64_t>::max())) return std::nullopt;
            return std::min(std::int64_t(number), maximumCount);
        }
        default:
            return std::nullopt;
    }
}

}  // namespace

bool wellFormedDesktopId(std::string_view id) {
    if (id.empty() || id.front() == '.' || id.size() + desktopSuffix.size() > maximumFileName) return false;
    return std::all_of(id.begin(), id.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
               c == '_' || c == '.' || c == '+';
    });
}

std::optional<LauncherUpdate> decodeLauncherUpdate(GVariant* parameters) {
    if (!parameters || !g_variant_is_of_type(parameters, G_VARIANT_TYPE("(sa{sv})"))) return std::nullopt;
    const char* uri = nullptr;
    GVariant* properties = nullptr;
    g_variant_get(parameters, "(&s@a{sv})", &uri, &properties);
    std::string_view address(uri);
    std::optional<LauncherUpdate> update;
    if (address.starts_with(applicationScheme)) {
        address.remove_prefix(applicationScheme.size());
        if (address.ends_with(desktopSuffix)) address.remove_suffix(desktopSuffix.size());
        if (wellFormedDesktopId(address))
            update = LauncherUpdate{std::string(address), std::nullopt, std::nullopt};
    }
    if (update) {
        GVariantIter iter;
        g_variant_iter_init(&iter, properties);
        const char* key = nullptr;
        GVariant* value = nullptr;
        // A later repeat of a property wins, as it would in a dictionary.
        while (g_variant_iter_next(&iter, "{&sv}", &key, &value)) {
            std::string_view name(key);
            if (name == "count") {
                if (auto count = integerValue(value)) update->count = count;
            } else if (name == "count-visible" && g_variant_is_of_type(value, G_VARIANT_TYPE_BOOLEAN)) {
                update->countVisible = g_variant_get_boolean(value) != FALSE;
            }
            g_variant_unref(value);
        }
    }
    g_variant_unref(properties);
    return update;
}

std::optional<LauncherUpdate> decodeLauncherUpdate(const std::uint8_t* data, std::size_t size) {
    auto* bytes = g_bytes_new(data, size);
    // Serialised data from elsewhere may be in no normal form; GVariant reads it safely either way.
    auto* parameters = g_variant_ref_sink(g_variant_new_from_bytes(G_VARIANT_TYPE("(sa{sv})"), bytes, FALSE));
    g_bytes_unref(bytes);
    auto update = decodeLauncherUpdate(parameters);
    g_variant_unref(parameters);
    return update;
}

std::shared_ptr<LauncherBadges> LauncherBadges::open(std::string* error, GMainContext* context,
                                                     const std::string& address,
                                                     std::function<void(const std::string&)> failed) {
    auto bus = SessionBus::open(error, context, address);
    if (!bus) return nullptr;
    std::shared_ptr<LauncherBadges> badges(new LauncherBadges());
    badges->bus_ = bus;
    auto* self = badges.get();
    // The bus goes first when the reader goes, so its handlers never outlive the reader.
    bus->subscribe(nullptr, interfaceName, "Update", nullptr,
                   [self](const char* sender, const char*, const char*, const char*, GVariant* parameters) {
                       if (auto update = decodeLauncherUpdate(parameters); update && sender)
                           self->apply(sender, *update);
                   });
    bus->subscribe("org.freedesktop.DBus", "org.freedesktop.DBus", "NameOwnerChanged",
                   "/org/freedesktop/DBus",
                   [self](const char*, const char*, const char*, const char*, GVariant* parameters) {
                       if (!g_variant_is_of_type(parameters, G_VARIANT_TYPE("(sss)"))) return;
                       const char *name = nullptr, *previous = nullptr, *next = nullptr;
                       g_variant_get(parameters, "(&s&s&s)", &name, &previous, &next);
                       if (!*next) self->senderLeft(name);
                   });
    bus->start([self](SessionBus&) { self->listening_ = true; }, std::move(failed));
    return badges;
}

LauncherBadges::~LauncherBadges() { bus_.reset(); }

std::map<std::string, std::string> LauncherBadges::labels() const {
    std::map<std::string, std::string> result;
    std::lock_guard lock(mutex_);
    for (const auto& [id, entry] : entries_)
        if (auto shown = entry.shown()) result.emplace(id, std::to_string(*shown));
    return result;
}

std::size_t LauncherBadges::entryCountForTesting() const {
    std::lock_guard lock(mutex_);
    return entries_.size();
}

void LauncherBadges::setChangeHandler(std::function<void()> handler) {
    std::lock_guard lock(handlerMutex_);
    changeHandler_ = std::move(handler);
}

void LauncherBadges::apply(const std::string& sender, const LauncherUpdate& update) {
    bool shownChanged = false;
    {
        std::lock_guard lock(mutex_);
        auto found = entries_.find(update.desktopId);
        auto& count = senders_[sender];
        if (found == entries_.end() || found->second.sender != sender) {
            // A new application for this sender, or one another sender named last.
            if (count >= maximumEntriesPerSender ||
                (found == entries_.end() && entries_.size() >= maximumEntries)) {
                if (count == 0) senders_.erase(sender);
                return;
            }
            if (found == entries_.end()) {
                found = entries_.emplace(update.desktopId, Entry{}).first;
            } else if (auto previous = senders_.find(found->second.sender); previous != senders_.end()) {
                if (--previous->second == 0) senders_.erase(previous);
            }
            found->second.sender = sender;
            ++count;
        }
        auto& entry = found->second;
        auto before = entry.shown();
        if (update.count) entry.count = update.count;
        if (update.countVisible) entry.visible = *update.countVisible;
        shownChanged = entry.shown() != before;
    }
    if (shownChanged) changed();
}

void LauncherBadges::senderLeft(const std::string& sender) {
    bool any = false;
    {
        std::lock_guard lock(mutex_);
        if (!senders_.erase(sender)) return;
        for (auto it = entries_.begin(); it != entries_.end();) {
            if (it->second.sender == sender) {
                any = any || it->second.shown();
                it = entries_.erase(it);
            } else {
                ++it;
            }
        }
    }
    if (any) changed();
}

void LauncherBadges::changed() {
    std::lock_guard lock(handlerMutex_);
    if (changeHandler_) changeHandler_();
}

}  // namespace platform::xdg
