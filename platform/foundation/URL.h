#pragma once

#include <compare>
#include <cstddef>
#include <functional>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// An address as the platform keeps it: the absolute text, parsed once into its parts. Equality,
// hashing and ordering go by the absolute text, so "/Applications/" and
// "file:///Applications/" are different addresses.
class URL {
public:
    // Text that is not a valid address gives no value: empty text, characters an address cannot
    // hold (spaces, non-ASCII, control characters, "<>\"\\^`{|}"), "%" not followed by two hex
    // digits, a second "#", or a colon in the first segment of a scheme-less reference.
    static std::optional<URL> fromString(std::string_view text);

    // A "file://" address of a path, percent-encoded where needed; a relative path is taken
    // from the current folder. A directory's address ends with "/".
    static URL fileURL(std::string_view path, bool isDirectory);

    const std::string& absoluteString() const { return text_; }
    std::optional<std::string> scheme() const;
    // Percent-decoded; none when the address has no authority or an empty host ("file:///").
    std::optional<std::string> host() const;
    // Percent-decoded, without a trailing "/" unless the path is "/" itself.
    std::string path() const;
    // The path's last component, percent-decoded ("/" for the root path).
    std::string lastPathComponent() const;
    // What follows the last "." of the last component; empty for "name", ".hidden" and "name.".
    std::string pathExtension() const;
    bool isFileURL() const;

    // Query and fragment are kept. A name may hold "/" (several components at once).
    URL appendingPathComponent(std::string_view name, bool isDirectory = false) const;
    // The parent folder's address, ending with "/"; the root path stays as it is.
    URL deletingLastPathComponent() const;

    // None when a "%" is not followed by two hex digits or the bytes are not UTF-8.
    static std::optional<std::string> removingPercentEncoding(std::string_view text);

    friend bool operator==(const URL& a, const URL& b) { return a.text_ == b.text_; }
    friend std::strong_ordering operator<=>(const URL& a, const URL& b) { return a.text_ <=> b.text_; }

private:
    URL() = default;
    static std::optional<URL> parse(std::string text);
    std::string_view encodedPath() const {
        return std::string_view(text_).substr(pathBegin_, pathEnd_ - pathBegin_);
    }
    URL withEncodedPath(std::string_view path) const;

    std::string text_;
    std::size_t schemeLength_ = 0;  // without the ":"; 0 when there is none
    bool hasAuthority_ = false;
    std::size_t hostBegin_ = 0;
    std::size_t hostEnd_ = 0;
    std::size_t pathBegin_ = 0;
    std::size_t pathEnd_ = 0;
};

}  // namespace platform

template <>
struct std::hash<platform::URL> {
    std::size_t operator()(const platform::URL& url) const noexcept {
        return std::hash<std::string>()(url.absoluteString());
    }
};

// Coded as its absolute text; decoding text that is not a valid address throws, so a list of
// addresses decodes only as a whole.
template <>
struct nlohmann::adl_serializer<platform::URL> {
    static platform::URL from_json(const nlohmann::json& json);
    static void to_json(nlohmann::json& json, const platform::URL& url);
};
