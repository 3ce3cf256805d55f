#include "Velmora/tracking/PropertyList.h"

#include <plist/plist.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <string_view>

#include "platform/foundation/FileManager.h"

namespace Velmora {
namespace {

using platform::DefaultsValue;

// Deeper nesting than any real property list; it keeps a crafted file from exhausting the stack.
constexpr int maximumDepth = 64;
// Far above any real Info.plist; a device or a huge file named as one is never read whole.
constexpr std::uint64_t maximumFileSize = 8u << 20;

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

// Binary lists are read here rather than by the library: its dictionary walk aborts on a key with a
// NUL byte, and other applications' lists are outside data. Shared objects are followed as often as
// they are referred to, so the work and the bytes made are bounded as well as the depth.
class BinaryReader {
public:
    explicit BinaryReader(std::string_view bytes) : bytes_(bytes) {}

    std::optional<PropertyListDictionary> read() {
        constexpr std::size_t headerSize = 8;
        constexpr std::size_t trailerSize = 32;
        if (bytes_.size() < headerSize + trailerSize || !bytes_.starts_with("bplist00")) return std::nullopt;
        const std::size_t trailer = bytes_.size() - trailerSize;
        offsetSize_ = static_cast<unsigned char>(bytes_[trailer + 6]);
        referenceSize_ = static_cast<unsigned char>(bytes_[trailer + 7]);
        auto count = number(trailer + 8, 8);
        auto top = number(trailer + 16, 8);
        auto table = number(trailer + 24, 8);
        if (offsetSize_ < 1 || offsetSize_ > 8 || referenceSize_ < 1 || referenceSize_ > 8 || !count ||
            !top || !table || *count == 0 || *top >= *count || *table < headerSize || *table > trailer ||
            *count > (trailer - *table) / offsetSize_)
            return std::nullopt;
        objectCount_ = *count;
        offsetTable_ = *table;
        DefaultsValue root(false);
        if (!object(*top, 0, root) || failed_ || !root.dictionaryValue()) return std::nullopt;
        return *root.dictionaryValue();
    }

private:
    static constexpr std::uint64_t maximumVisits = 1u << 20;
    static constexpr std::uint64_t maximumBytesMade = 64u << 20;

    // A big-endian unsigned number of `size` bytes at `at`.
    std::optional<std::uint64_t> number(std::uint64_t at, std::size_t size) const {
        if (at > bytes_.size() || size > bytes_.size() - at) return std::nullopt;
        std::uint64_t value = 0;
        for (std::size_t i = 0; i < size; ++i)
            value = (value << 8) | static_cast<unsigned char>(bytes_[at + i]);
        return value;
    }

    // An object's length: the marker's low nibble, or an integer object after it when that is 15.
    std::optional<std::uint64_t> length(std::uint64_t& at, unsigned info) const {
        if (info != 0xF) return info;
        if (at >= bytes_.size()) return std::nullopt;
        const auto marker = static_cast<unsigned char>(bytes_[at]);
        if ((marker >> 4) != 0x1 || (marker & 0xF) > 3) return std::nullopt;
        const std::size_t size = std::size_t{1} << (marker & 0xF);
        auto value = number(at + 1, size);
        at += 1 + size;
        return value;
    }

    // The bytes of `count` items of `size` bytes at `at`, when they lie before the offset table.
    std::optional<std::string_view> span(std::uint64_t at, std::uint64_t count, std::uint64_t size) {
        if (at > offsetTable_ || count > (offsetTable_ - at) / size) return std::nullopt;
        bytesMade_ += count * size;
        if (bytesMade_ > maximumBytesMade) return std::nullopt;
        return bytes_.substr(at, count * size);
    }

    std::optional<std::string> text(std::uint64_t reference, int depth) {
        DefaultsValue value(false);
        if (!object(reference, depth, value) || !value.stringValue()) return std::nullopt;
        return *value.stringValue();
    }

    // False for an object of a kind that is not kept; a malformed one sets `failed_`.
    bool object(std::uint64_t reference, int depth, DefaultsValue& result) {
        // Past the depth limit the whole list is unreadable, as a deep XML one is.
        if (failed_ || depth > maximumDepth || reference >= objectCount_ || ++visits_ > maximumVisits)
            return fail();
        auto offset = number(offsetTable_ + reference * offsetSize_, offsetSize_);
        if (!offset || *offset < 8 || *offset >= offsetTable_) return fail();
        std::uint64_t at = *offset;
        const auto marker = static_cast<unsigned char>(bytes_[at++]);
        const unsigned kind = marker >> 4;
        const unsigned info = marker & 0xF;
        switch (kind) {
            case 0x0:
                if (marker != 0x08 && marker != 0x09) return false;
                result = DefaultsValue(marker == 0x09);
                return true;
            case 0x1: {
                if (info > 4) return fail();
                const std::size_t size = std::size_t{1} << info;
                // Sixteen-byte integers keep their low eight bytes; eight-byte ones are signed.
                auto value = number(at + (size > 8 ? size - 8 : 0), std::min<std::size_t>(size, 8));
                if (!value || !span(at, size, 1)) return fail();
                result = DefaultsValue(static_cast<std::int64_t>(*value));
                return true;
            }
            case 0x2:
            case 0x3: {
                if (info != 2 && info != 3) return fail();
                auto value = number(at, info == 2 ? 4 : 8);
                if (!value || !span(at, info == 2 ? 4 : 8, 1)) return fail();
                double real;
                if (info == 2) {
                    float single;
                    auto bits = static_cast<std::uint32_t>(*value);
                    std::memcpy(&single, &bits, sizeof single);
                    real = single;
                } else {
                    std::memcpy(&real, &*value, sizeof real);
                }
                result = DefaultsValue(real);
                return true;
            }
            case 0x4:
            case 0x5: {
                auto count = length(at, info);
                auto bytes = count ? span(at, *count, 1) : std::nullopt;
                if (!bytes) return fail();
                result = kind == 0x4 ? DefaultsValue::data(std::string(*bytes))
                                     : DefaultsValue(std::string(*bytes));
                return true;
            }
            case 0x6: {
                auto count = length(at, info);
                auto units = count ? span(at, *count, 2) : std::nullopt;
                if (!units) return fail();
                result = DefaultsValue(utf8FromUTF16(*units));
                return true;
            }
            case 0x8: {
                auto value = number(at, info + 1);
                if (!value || !span(at, info + 1, 1)) return fail();
                result = DefaultsValue(*value);
                return true;
            }
            case 0xA: {
                auto count = length(at, info);
                auto references = count ? span(at, *count, referenceSize_) : std::nullopt;
                if (!references) return fail();
                DefaultsValue::Array array;
                for (std::uint64_t i = 0; i < *count && !failed_; ++i) {
                    DefaultsValue converted(false);
                    if (object(*number(at + i * referenceSize_, referenceSize_), depth + 1, converted))
                        array.push_back(std::move(converted));
                }
                result = DefaultsValue(std::move(array));
                return !failed_;
            }
            case 0xD: {
                auto count = length(at, info);
                auto references =
                    count && *count <= UINT64_MAX / 2 ? span(at, *count * 2, referenceSize_) : std::nullopt;
                if (!references) return fail();
                DefaultsValue::Dictionary dictionary;
                for (std::uint64_t i = 0; i < *count && !failed_; ++i) {
                    auto key = text(*number(at + i * referenceSize_, referenceSize_), depth + 1);
                    // A key must be text, and text with a NUL byte is no key any reader agrees on.
                    if (!key || key->find('\0') != std::string::npos) return fail();
                    DefaultsValue converted(false);
                    if (object(*number(at + (*count + i) * referenceSize_, referenceSize_), depth + 1,
                               converted))
                        dictionary.insert_or_assign(std::move(*key), std::move(converted));
                }
                result = DefaultsValue(std::move(dictionary));
                return !failed_;
            }
            default:
                return false;
        }
    }

    bool fail() {
        failed_ = true;
        return false;
    }

    static std::string utf8FromUTF16(std::string_view units) {
        std::string out;
        auto unit = [&](std::size_t i) {
            return static_cast<std::uint32_t>(static_cast<unsigned char>(units[2 * i]) << 8 |
                                              static_cast<unsigned char>(units[2 * i + 1]));
        };
        const std::size_t count = units.size() / 2;
        for (std::size_t i = 0; i < count; ++i) {
            std::uint32_t code = unit(i);
            if (code >= 0xD800 && code <= 0xDBFF && i + 1 < count && unit(i + 1) >= 0xDC00 &&
                unit(i + 1) <= 0xDFFF) {
                code = 0x10000 + ((code - 0xD800) << 10) + (unit(i + 1) - 0xDC00);
                ++i;
            } else if (code >= 0xD800 && code <= 0xDFFF) {
                code = 0xFFFD;
            }
            if (code < 0x80) {
                out += static_cast<char>(code);
            } else if (code < 0x800) {
                out += static_cast<char>(0xC0 | (code >> 6));
                out += static_cast<char>(0x80 | (code & 0x3F));
            } else if (code < 0x10000) {
                out += static_cast<char>(0xE0 | (code >> 12));
                out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
                out += static_cast<char>(0x80 | (code & 0x3F));
            } else {
                out += static_cast<char>(0xF0 | (code >> 18));
                out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
                out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
                out += static_cast<char>(0x80 | (code & 0x3F));
            }
        }
        return out;
    }

    std::string_view bytes_;
    unsigned offsetSize_ = 0;
    unsigned referenceSize_ = 0;
    std::uint64_t objectCount_ = 0;
    std::uint64_t offsetTable_ = 0;
    std::uint64_t visits_ = 0;
    std::uint64_t bytesMade_ = 0;
    bool failed_ = false;
};

// Whether every value lies within `maximumDepth` levels of the top dictionary, as the binary reader
// requires. Tags inside comments count too, which can only refuse an odd file.
bool xmlNestingWithin(std::string_view text) {
    int depth = -1;
    for (auto at = text.find('<'); at != std::string_view::npos; at = text.find('<', at + 1)) {
        auto tag = text.substr(at + 1, text.find('>', at) - at - 1);
        const bool closing = tag.starts_with('/');
        if (closing) tag.remove_prefix(1);
        if (!tag.starts_with("array") && !tag.starts_with("dict")) continue;
        if (closing) {
            --depth;
        } else if (!tag.ends_with('/') && ++depth >= maximumDepth) {
            return false;
        }
    }
    return true;
}

std::optional<PropertyListDictionary> xmlPropertyList(std::string_view bytes) {
    // XML holds no NUL byte; the library would cut text at one.
    if (bytes.find('\0') != std::string_view::npos ||
        bytes.size() > std::numeric_limits<std::uint32_t>::max() || !xmlNestingWithin(bytes))
        return std::nullopt;
    plist_t root = nullptr;
    plist_from_xml(bytes.data(), static_cast<std::uint32_t>(bytes.size()), &root);
    std::unique_ptr<void, PlistDeleter> owner(root);
    if (!root || plist_get_node_type(root) != PLIST_DICT) return std::nullopt;
    return convertDictionary(root, 0);
}

std::optional<std::string> localPath(const platform::URL& url) {
    if (url.isFileURL()) return url.path();
    if (!url.scheme() && url.absoluteString().starts_with('/')) return url.path();
    return std::nullopt;
}

}  // namespace

std::optional<PropertyListDictionary> propertyListFromBytes(std::string_view bytes) {
    if (bytes.starts_with("bplist")) return BinaryReader(bytes).read();
    return xmlPropertyList(bytes);
}

std::optional<PropertyListDictionary> readPropertyList(const platform::URL& url) {
    auto path = localPath(url);
    if (!path) return std::nullopt;
    auto bytes = platform::FileManager::shared()->readFile(*path, maximumFileSize);
    if (!bytes) return std::nullopt;
    return propertyListFromBytes(*bytes);
}

std::optional<std::string> stringEntry(const PropertyListDictionary& dictionary, const std::string& key) {
    auto found = dictionary.find(key);
    if (found == dictionary.end() || !found->second.stringValue()) return std::nullopt;
    return *found->second.stringValue();
}

}  // namespace Velmora
