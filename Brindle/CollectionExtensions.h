#pragma once

#include <algorithm>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "Brindle/QuickMap.h"

namespace Brindle {

// None when `index` is negative or not below the count.
template <class T>
std::optional<T> safeElement(const std::vector<T>& array, std::ptrdiff_t index) {
    if (index < 0 || static_cast<std::size_t>(index) >= array.size()) return std::nullopt;
    return array[static_cast<std::size_t>(index)];
}

// Runs of `size` elements, the last one shorter; no chunks for a size below 1.
template <class T>
std::vector<std::vector<T>> chunked(const std::vector<T>& array, std::ptrdiff_t size) {
    std::vector<std::vector<T>> chunks;
    if (size < 1) return chunks;
    const auto step = static_cast<std::size_t>(size);
    for (std::size_t start = 0; start < array.size(); start += std::min(step, array.size() - start))
        chunks.emplace_back(array.begin() + start, array.begin() + std::min(start + step, array.size()));
    return chunks;
}

// Later equal elements overwrite the value of earlier ones.
template <class T, class Transform>
auto toDictionary(const std::vector<T>& array, Transform transform) {
    std::unordered_map<T, std::decay_t<decltype(transform(array.front()))>> dictionary;
    for (const auto& element : array) dictionary.insert_or_assign(element, transform(element));
    return dictionary;
}

template <class T>
std::shared_ptr<QuickMap<T>> toQuickMap(const std::vector<T>& array) {
    auto map = make<QuickMap<T>>();
    map->insertContentsOf(array);
    return map;
}

// Removes the first element equal to `element`, if any.
template <class T>
void remove(std::vector<T>& array, const T& element) {
    if (auto found = std::find(array.begin(), array.end(), element); found != array.end()) array.erase(found);
}

// False for an empty array.
template <class T>
bool allEqual(const std::vector<T>& array) {
    if (array.empty()) return false;
    return std::all_of(array.begin(), array.end(),
                       [&](const T& element) { return element == array.front(); });
}

// Keeps the first of equal elements, in its place. Needs only equality, so it is quadratic.
template <class T>
std::vector<T> unique(const std::vector<T>& array) {
    std::vector<T> result;
    for (const auto& element : array)
        if (std::find(result.begin(), result.end(), element) == result.end()) result.push_back(element);
    return result;
}

// Keeps the first element of each key, in its place.
template <class T, class KeyOf>
std::vector<T> unique(const std::vector<T>& array, KeyOf keyOf) {
    std::vector<std::decay_t<decltype(keyOf(array.front()))>> seen;
    std::vector<T> result;
    for (const auto& element : array) {
        auto key = keyOf(element);
        if (std::find(seen.begin(), seen.end(), key) != seen.end()) continue;
        seen.push_back(std::move(key));
        result.push_back(element);
    }
    return result;
}

template <class T>
void appendUnique(std::vector<T>& array, const T& element) {
    if (std::find(array.begin(), array.end(), element) == array.end()) array.push_back(element);
}

// Each test sees the elements appended before it.
template <class T>
void appendUniqueContentsOf(std::vector<T>& array, const std::vector<T>& other) {
    for (const auto& element : other) appendUnique(array, element);
}

// At most `n` leading or trailing elements; none for a negative `n`.
template <class T>
std::vector<T> first(const std::vector<T>& array, std::ptrdiff_t n) {
    const auto count = static_cast<std::size_t>(std::max<std::ptrdiff_t>(n, 0));
    return std::vector<T>(array.begin(), array.begin() + std::min(count, array.size()));
}

template <class T>
std::vector<T> last(const std::vector<T>& array, std::ptrdiff_t n) {
    const auto count = static_cast<std::size_t>(std::max<std::ptrdiff_t>(n, 0));
    return std::vector<T>(array.end() - std::min(count, array.size()), array.end());
}

inline bool includes(const std::vector<std::string>& list, std::string_view text) {
    return std::find(list.begin(), list.end(), text) != list.end();
}

inline bool excludes(const std::vector<std::string>& list, std::string_view text) {
    return !includes(list, text);
}

// The dictionary's entry for `key`.
template <class Map, class Key>
std::optional<typename Map::mapped_type> valueFor(const Map& dictionary, const Key& key) {
    if (auto found = dictionary.find(key); found != dictionary.end()) return found->second;
    return std::nullopt;
}

template <class T, class Action>
void ifPresent(const std::optional<T>& value, Action action) {
    if (value) action(*value);
}

}  // namespace Brindle
