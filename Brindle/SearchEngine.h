#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "Brindle/Object.h"
#include "Brindle/StringExtensions.h"

namespace Brindle {

// Objects registered under text keys; a query finds every object whose key contains it, ignoring case.
// Not synchronised: an instance belongs to one thread.
template <class T>
class SearchEngine : public Object {
public:
    using Storage = std::unordered_map<std::string, T>;

    virtual const Storage& objects() const { return objects_; }
    virtual Storage& objects() { return objects_; }
    virtual void setObjects(Storage objects) { objects_ = std::move(objects); }

    virtual void removeAll() { Storage().swap(objects()); }

    // A key that lower-cases to one already present replaces the object stored there.
    virtual void add(const T& object, const std::vector<std::string>& keys) {
        for (const auto& key : keys) objects().insert_or_assign(lowercased(key), object);
    }

    // One entry per matching key, in the dictionary's (undefined) order; no ranking, no de-duplication.
    // An empty query matches nothing.
    virtual std::vector<T> search(std::string_view query) const {
        std::vector<T> results;
        if (query.empty()) return results;
        const std::string needle = lowercased(query);
        for (const auto& [key, object] : objects()) {
            if (key.find(needle) != std::string::npos) results.push_back(object);
        }
        return results;
    }

private:
    Storage objects_;
};

}  // namespace Brindle
