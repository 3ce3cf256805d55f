#pragma once

#include <cstddef>
#include <functional>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <utility>
#include <vector>

#include "Brindle/Object.h"
#include "platform/base/Clock.h"

namespace Velmora {

// A dictionary whose entries expire when they have not been read for `timeout` seconds. Expired
// entries are dropped during lookups. Safe from any thread.
template <class Key, class Value, class Hash = std::hash<Key>>
class TimedOutDictionary : public Brindle::Object {
public:
    // Seconds on a clock that never goes back.
    using Clock = std::function<double()>;

    explicit TimedOutDictionary(double timeout, Clock clock = &platform::Clock::monotonicSeconds)
        : timeout_(timeout), clock_(std::move(clock)) {}

    // The value, whose entry then counts as read now; every entry not read for longer than the
    // timeout is removed, whether the key was found or not.
    std::optional<Value> get(const Key& key) {
        Guard guard(lock_);
        std::optional<Value> result;
        if (auto found = data_.find(key); found != data_.end()) {
            found->second.date = clock_();
            result = found->second.value;
        }
        std::vector<Key> expired;
        for (const auto& [entryKey, container] : data_)
            if (clock_() - container.date > timeout_) expired.push_back(entryKey);
        for (const auto& entryKey : expired) data_.erase(entryKey);
        return result;
    }

    void insert(const Key& key, Value value) {
        Guard guard(lock_);
        data_.insert_or_assign(key, Container{clock_(), std::move(value)});
    }

    std::size_t count() {
        Guard guard(lock_);
        return data_.size();
    }

    double timeout() const { return timeout_; }

private:
    struct Container {
        // When the entry was last read (or stored).
        double date;
        Value value;
    };

    // A mutex, not a semaphore: the refresh asks for `count` on every tick of its poll, and an
    // uncontended mutex is released without a call into the kernel.
    using Guard = std::lock_guard<std::mutex>;

    std::unordered_map<Key, Container, Hash> data_;
    std::mutex lock_;
    const double timeout_;
    const Clock clock_;
};

}  // namespace Velmora
