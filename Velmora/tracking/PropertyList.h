#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/foundation/URL.h"
#include "platform/foundation/UserDefaults.h"

namespace Velmora {

using PropertyListDictionary = platform::DefaultsValue::Dictionary;

// The top-level dictionary of a property list file, XML or binary, at a file address or a
// scheme-less absolute path. None when the file cannot be read, is no property list, or holds
// something else at its top. Integers, reals, Booleans, texts, data, arrays and dictionaries are
// kept; dates become seconds since 2001 and identifiers integers.
std::optional<PropertyListDictionary> readPropertyList(const platform::URL& url);

// The same from the file's bytes.
std::optional<PropertyListDictionary> propertyListFromBytes(std::string_view bytes);

// The entry under `key` when it is text.
std::optional<std::string> stringEntry(const PropertyListDictionary& dictionary, const std::string& key);

}  // namespace Velmora
