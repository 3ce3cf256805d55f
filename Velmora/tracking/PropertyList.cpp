#include "Velmora/tracking/PropertyList.h"

#include <plist/plist.h>

#include <cstdint>
#include <cstdlib>
#include <limits>
#include <memory>

#include "platform/foundation/FileManager.h"

namespace Velmora {
namespace {

using platform::DefaultsValue;

// Deeper nesting than any real property list; it keeps a crafted file from exhausting the stack.
constexpr int maximumDepth = 64;

struct PlistDeleter {
    void operator()(void* node) const { plist_free(static_cast<plist_t>(node)); }
};

// False for a node of a kind that is not kept; `result` is then left as it was.
bool convert(plist_t node, int depth, DefaultsValue& result);

DefaultsValue::Dictionary convertDictionary(plist_t node, int depth) {
    DefaultsValue::Dictionary dictionary;
    plist_dict_iter iterator = nullptr;
    plist_dict_new_iter(node, &iterator);
    if (!iterator) return dictionary;
    while (true) {
        char* key = nullptr;
        plist_t value = nullptr;
        plist_dict_next_item(node, iterator, &key, &value);
        if (!key) break;
        std::string name(key);
        std::free(key);
        DefaultsValue converted(false);
        if (value && convert(value, depth + 1, converted))
            dictionary.insert_or_assign(name, std::move(converted));
    }
    std::free(iterator);
    return dictionary;
}

bool convert(plist_t node, int depth, DefaultsValue& result) {
    if (depth > maximumDepth) return false;
    switch (plist_get_node_type(node)) {
        case PLIST_BOOLEAN: {
            std::uint8_t value = 0;
            plist_get_bool_val(node, &value);
            result = DefaultsValue(value != 0);
            return true;
        }
        case PLIST_UINT: {
            std::uint64_t value = 0;
            plist_get_uint_val(node, &value);
            // Negative integers are kept in two's complement.
            result = DefaultsValue(static_cast<std::int64_t>(value));
            return true;
        }
        case PLIST_REAL: {
            double value = 0;
            plist_get_real_val(node, &value);
            result = DefaultsValue(value);
            return true;
        }
        case PLIST_STRING: {
            std::uint64_t length = 0;
            const char* text = plist_get_string_ptr(node, &length);
            result = DefaultsValue(std::string(text ? text : "", text ? length : 0));
            return true;
        }
        case PLIST_DATA: {
            std::uint64_t length = 0;
            const char* bytes = plist_get_data_ptr(node, &length);
            result = DefaultsValue::data(std::string(bytes ? bytes : "", bytes ? length : 0));
            return true;
        }
        case PLIST_DATE: {
            std::int32_t seconds = 0;
            std::int32_t microseconds = 0;
            plist_get_date_val(node, &seconds, &microseconds);
            result = DefaultsValue(static_cast<double>(seconds) + microseconds / 1e6);
            return true;
        }
        case PLIST_UID: {
            std::uint64_t value = 0;
            plist_get_uid_val(node, &value);
            result = DefaultsValue(value);
            return true;
        }
        case PLIST_ARRAY: {
            DefaultsValue::Array array;
            const auto count = plist_array_get_size(node);
            for (std::uint32_t index = 0; index < count; ++index) {
                DefaultsValue converted(false);
                if (convert(plist_array_get_item(node, index), depth + 1, converted))
                    array.push_back(std::move(converted));
            }
            result = DefaultsValue(std::move(array));
            return true;
        }
        case PLIST_DICT:
            result = DefaultsValue(convertDictionary(node, depth));
            return true;
        default:
            return false;
    }
}

std::optional<std::string> localPath(const platform::URL& url) {
    if (url.isFileURL()) return url.path();
    if (!url.scheme() && url.absoluteString().starts_with('/')) return url.path();
    return std::nullopt;
}

}  // namespace

std::optional<PropertyListDictionary> readPropertyList(const platform::URL& url) {
    auto path = localPath(url);
    if (!path) return std::nullopt;
    auto bytes = platform::FileManager::shared()->readFile(*path);
    if (!bytes || bytes->empty() || bytes->size() > std::numeric_limits<std::uint32_t>::max())
        return std::nullopt;
    plist_t root = nullptr;
    plist_from_memory(bytes->data(), static_cast<std::uint32_t>(bytes->size()), &root);
    std::unique_ptr<void, PlistDeleter> owner(root);
    if (!root || plist_get_node_type(root) != PLIST_DICT) return std::nullopt;
    return convertDictionary(root, 0);
}

std::optional<std::string> stringEntry(const PropertyListDictionary& dictionary, const std::string& key) {
    auto found = dictionary.find(key);
    if (found == dictionary.end() || !found->second.stringValue()) return std::nullopt;
    return *found->second.stringValue();
}

}  // namespace Velmora
