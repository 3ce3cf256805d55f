#include "platform/base/NotificationCenter.h"

#include <algorithm>
#include <atomic>

namespace platform {

struct NotificationCenter::Entry final : Token {
    Entry(std::string name, Handler handler) : name(std::move(name)), handler(std::move(handler)) {}
    const std::string name;
    const Handler handler;
    std::atomic<bool> removed{false};
};

namespace {
std::shared_ptr<NotificationCenter> makeCenter() { return std::make_shared<NotificationCenter>(); }
}  // namespace

std::shared_ptr<NotificationCenter> NotificationCenter::defaultCenter() {
    static auto* center = new std::shared_ptr<NotificationCenter>(makeCenter());
    return *center;
}

std::shared_ptr<NotificationCenter> NotificationCenter::workspaceCenter() {
    static auto* center = new std::shared_ptr<NotificationCenter>(makeCenter());
    return *center;
}

std::shared_ptr<NotificationCenter> NotificationCenter::distributedCenter() {
    static auto* center = new std::shared_ptr<NotificationCenter>(makeCenter());
    return *center;
}

std::shared_ptr<NotificationCenter::Token> NotificationCenter::addObserver(const std::string& name,
                                                                           Handler handler) {
    auto entry = std::make_shared<Entry>(name, std::move(handler));
    std::lock_guard lock(mutex_);
    entries_.push_back(entry);
    return entry;
}

void NotificationCenter::removeObserver(const std::shared_ptr<Token>& token) {
    auto entry = std::dynamic_pointer_cast<Entry>(token);
    if (!entry) return;
    entry->removed = true;  // a delivery already under way skips it from now on
    std::lock_guard lock(mutex_);
    std::erase(entries_, entry);
}

void NotificationCenter::post(const Notification& notification) {
    std::vector<std::shared_ptr<Entry>> snapshot;
    {
        std::lock_guard lock(mutex_);
        for (const auto& entry : entries_)
            if (entry->name == notification.name) snapshot.push_back(entry);
    }
    for (const auto& entry : snapshot)
        if (!entry->removed) entry->handler(notification);
}

std::size_t NotificationCenter::observerCount(const std::string& name) const {
    std::lock_guard lock(mutex_);
    return static_cast<std::size_t>(std::count_if(entries_.begin(), entries_.end(),
                                                  [&](const auto& entry) { return entry->name == name; }));
}

}  // namespace platform
