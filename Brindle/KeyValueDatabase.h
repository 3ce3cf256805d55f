#pragma once

#include <algorithm>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "Brindle/Lock.h"
#include "Brindle/Object.h"
#include "Brindle/QuickMap.h"
#include "Brindle/SimpleDatabase.h"
#include "platform/base/Date.h"

namespace Brindle {

// A persistent store of values by key: one record per key in a SimpleDatabase, with the set of
// stored keys at hand for quick membership tests. The aging policy is kept with the store for its
// users; the store itself never drops an entry.
template <class Key, class Value>
class KeyValueDatabase : public Object {
public:
    // Coded as {"lastAccess", "created", "value", "key"}, all required; dates as seconds since 2001.
    struct DatabaseEntity {
        platform::Date lastAccess;
        platform::Date created;
        Value value;
        Key key;

        friend void to_json(nlohmann::json& json, const DatabaseEntity& entity) {
            json = nlohmann::json::object();
            json["lastAccess"] = entity.lastAccess.timeIntervalSinceReferenceDate();
            json["created"] = entity.created.timeIntervalSinceReferenceDate();
            json["value"] = entity.value;
            json["key"] = entity.key;
        }
        friend void from_json(const nlohmann::json& json, DatabaseEntity& entity) {
            entity.lastAccess = platform::Date::fromTimeIntervalSinceReferenceDate(
                json.at("lastAccess").template get<double>());
            entity.created =
                platform::Date::fromTimeIntervalSinceReferenceDate(json.at("created").template get<double>());
            entity.value = json.at("value").template get<Value>();
            entity.key = json.at("key").template get<Key>();
        }
    };

    // How entries age, in seconds.
    struct PersistantObjectCache {
        double updateAfter;
    };
    struct ExpiringObjectCache {
        double softObjectExpiration;
        double hardObjectExpiration;
    };
    struct NarrowedExpiringCache {
        double softObjectExpiration;
        double hardObjectExpiration;
        double accessExpiration;
    };
    struct Standard {};
    using Policy = std::variant<PersistantObjectCache, ExpiringObjectCache, NarrowedExpiringCache, Standard>;

    // Reads the records of the SimpleDatabase of that name and type.
    KeyValueDatabase(const std::string& name, SimpleDatabaseType databaseType, Policy policy)
        : database_(make<SimpleDatabase<DatabaseEntity>>(name, databaseType)),
          quickMap_(make<QuickMap<Key>>()),
          policy_(policy) {
        for (const auto& entity : database_->getAll()) quickMap_->insert(entity.key);
    }

    const std::shared_ptr<SimpleDatabase<DatabaseEntity>>& database() const { return database_; }
    const Policy& policy() const { return policy_; }

    // The value stored under the key.
    std::optional<Value> get(const Key& key) {
        std::optional<Value> found;
        lock_.read([&](int) {
            if (!quickMap_->contains(key)) return;
            for (const auto& entity : database_->getAll()) {
                if (entity.key == key) {
                    found = entity.value;
                    return;
                }
            }
        });
        return found;
    }

    // Stores the value under the key: a new record made now, or the existing one with the new value
    // and its last access now.
    void set(const Key& key, Value value) {
        lock_.modify([&](int token) {
            const platform::Date now;
            auto records = database_->getAll();
            auto existing = std::find_if(records.begin(), records.end(),
                                         [&key](const DatabaseEntity& entity) { return entity.key == key; });
            if (existing != records.end()) {
                existing->value = std::move(value);
                existing->lastAccess = now;
            } else {
                records.push_back(DatabaseEntity{now, now, std::move(value), key});
            }
            database_->data().accept(records);
            quickMap_->insert(key);
            return token;
        });
    }

    void remove(const Key& key) {
        lock_.modify([&](int token) {
            if (!quickMap_->contains(key)) return token;
            auto records = database_->getAll();
            std::erase_if(records, [&key](const DatabaseEntity& entity) { return entity.key == key; });
            database_->data().accept(records);
            quickMap_->remove(key);
            return token;
        });
    }

private:
    const std::shared_ptr<SimpleDatabase<DatabaseEntity>> database_;
    const std::shared_ptr<QuickMap<Key>> quickMap_;
    Lock<int> lock_{0};
    const Policy policy_;
};

}  // namespace Brindle
