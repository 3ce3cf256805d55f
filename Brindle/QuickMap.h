#pragma once

#include <unordered_map>
#include <utility>
#include <vector>

#include "Brindle/Object.h"

namespace Brindle {

// A hash set kept as a dictionary from key to 0, for membership tests where an array search would be
// too slow. Not synchronised: an instance belongs to one thread.
template <class Key, class Hash = std::hash<Key>>
class QuickMap : public Object {
public:
    using Storage = std::unordered_map<Key, int, Hash>;

    virtual const Storage& data() const { return data_; }
    virtual Storage& data() { return data_; }
    virtual void setData(Storage data) { data_ = std::move(data); }

    virtual bool contains(const Key& key) const { return data().contains(key); }
    virtual void insert(const Key& key) { data()[key] = 0; }
    virtual void insertIfAbsent(const Key& key) {
        if (!contains(key)) insert(key);
    }
    virtual void insertContentsOf(const std::vector<Key>& keys) {
        for (const auto& key : keys) data()[key] = 0;
    }
    virtual void remove(const Key& key) { data().erase(key); }
    // Releases the buckets too, as a fresh set would have none.
    virtual void removeAll() { Storage().swap(data()); }
    virtual int count() const { return static_cast<int>(data().size()); }
    // In the dictionary's order, which is not defined.
    virtual std::vector<Key> all() const {
        std::vector<Key> keys;
        keys.reserve(data().size());
        for (const auto& entry : data()) keys.push_back(entry.first);
        return keys;
    }

private:
    Storage data_;
};

}  // namespace Brindle
